#!/usr/bin/env bash
# Sets up and builds, then runs every test (unit, Qt, end-to-end) with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
