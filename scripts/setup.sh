#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks, then configures and builds into build/.
# Usage: scripts/setup.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
ensure_packages cmake g++ make pkg-config nlohmann-json3-dev libcli11-dev libeigen3-dev libgtest-dev libgmock-dev libbenchmark-dev \
    qt6-base-dev qt6-serialport-dev libgl-dev xvfb xauth fonts-liberation \
    imagemagick clang-format xdotool x11-utils python3 libqcustomplot-dev
# The binary log's test reads it with the npm package mlg-converter, which npm installs.
command -v npm >/dev/null || ensure_packages nodejs npm

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTVX_WERROR=ON "$@" >/dev/null
cmake --build build -j"$(nproc)"
