#!/usr/bin/env bash
# The core's unit tests built for 64-bit Windows (mingw-w64, GoogleTest from Debian's sources)
# and run under Wine, in build-wintest/. Tests of POSIX facilities (named *Posix*) are left out.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages cmake make g++-mingw-w64-x86-64-posix googletest nlohmann-json3-dev libcli11-dev libeigen3-dev wine64
export WINEPREFIX=$PWD/build-wintest/wine WINEDEBUG=-all
cmake -S . -B build-wintest -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTVX_WITH_QT=OFF -DTVX_WERROR=ON \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 >/dev/null
cmake --build build-wintest -j"$(nproc)"
cd build-wintest
ctest --output-on-failure --no-tests=error -L unit
