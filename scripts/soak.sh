#!/usr/bin/env bash
# Ten-minute soak (or SECONDS given as the argument): tvxsim at the line rate while keys are
# pressed and tables saved and loaded; prints resident memory and pending input.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
QT_QPA_PLATFORM=offscreen TVX_SOAK_SECONDS="${1:-600}" build/bin/e2e_tests --gtest_filter='Soak.*'
