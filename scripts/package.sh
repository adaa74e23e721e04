#!/usr/bin/env bash
# Builds the Release package into build-rel/ and checks what it installs for the desktop.
# Usage: scripts/package.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages cmake g++ make qt6-base-dev qt6-serialport-dev libgl-dev dpkg-dev \
    desktop-file-utils appstream

desktop-file-validate data/*.desktop
appstreamcli validate --no-net data/*.metainfo.xml

cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_TESTS=OFF "$@" >/dev/null
cmake --build build-rel -j"$(nproc)"
(cd build-rel && cpack -G DEB >/dev/null)
deb=$(ls build-rel/torvex_*_*.deb)
dpkg-deb -I "$deb" | grep -E '^ (Package|Version|Depends):'
contents=$(dpkg-deb -c "$deb")
for want in bin/TVXv17 bin/TVXv12 bin/tvxsim bin/tvxctl bash-completion/completions/tvxctl; do
    grep -qE "/usr/(share/)?$want\$" <<<"$contents" || { echo "$deb lacks $want" >&2; exit 1; }
done
echo "Package: $deb"
