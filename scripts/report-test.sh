#!/usr/bin/env bash
# The analysis report drawn by headless Chromium: installs the browser, then builds and runs the
# screenshot test (CTest label "report") in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages chromium
bash scripts/setup.sh
cd build
ctest --output-on-failure --no-tests=error -L report
