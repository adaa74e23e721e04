#!/usr/bin/env bash
# Builds the Release package into build-rel/ with Debian's hardening flags, checks what it
# installs for the desktop, and has lintian check it as Debian would (no error, no warning).
# Usage: scripts/package.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages cmake g++ make nlohmann-json3-dev libcli11-dev libeigen3-dev qt6-base-dev qt6-serialport-dev libgl-dev libqcustomplot-dev dpkg-dev \
    desktop-file-utils appstream help2man lintian libxml2-utils

desktop-file-validate data/*.desktop
xmllint --noout data/torvex-logs.xml
appstreamcli validate --no-net data/*.metainfo.xml

CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS" LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
    cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DTVX_BUILD_TESTS=OFF "$@" >/dev/null
cmake --build build-rel -j"$(nproc)"
(cd build-rel && cpack -G DEB >/dev/null)
deb=$(ls build-rel/torvex_*_*.deb)
dpkg-deb -I "$deb" | grep -E '^ (Package|Version|Depends):'
contents=$(dpkg-deb -c "$deb")
for want in bin/TVXv17 bin/TVXv12 bin/tvxsim bin/tvxctl bin/tvxview \
    bash-completion/completions/tvxctl doc/torvex/copyright doc/torvex/changelog.gz \
    man/man1/TVXv17.1.gz man/man1/TVXv12.1.gz man/man1/tvxsim.1.gz man/man1/tvxctl.1.gz \
    man/man1/tvxview.1.gz applications/org.torvex.tvxview.desktop mime/packages/torvex-logs.xml; do
    grep -qE "/usr/(share/)?$want\$" <<<"$contents" || { echo "$deb lacks $want" >&2; exit 1; }
done
lintian --fail-on error,warning "$deb"
echo "Package: $deb (lintian: no error, no warning)"
