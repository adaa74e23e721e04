#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks, then configures and builds into build/.
# Usage: scripts/setup.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-serialport-dev libgl-dev xvfb xauth fonts-liberation
          imagemagick clang-format xdotool x11-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j"$(nproc)"
