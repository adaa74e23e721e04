#!/usr/bin/env bash
# Cross-compiles the core (everything without Qt) for 64-bit Windows with Debian's mingw-w64,
# into build-win/, warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages cmake make g++-mingw-w64-x86-64-posix nlohmann-json3-dev libcli11-dev libeigen3-dev
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DTVX_WITH_QT=OFF -DTVX_BUILD_TESTS=OFF -DTVX_WERROR=ON >/dev/null
cmake --build build-win --target tvx_core -j"$(nproc)"
echo "The core builds for Windows: $(ls build-win/src/libtvx_core.a)"
