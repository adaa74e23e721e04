#!/usr/bin/env bash
# Usage: scripts/perf/plot-libraries.sh LOG.msl
# The two plotting libraries Debian ships for Qt 6 (QCustomPlot, Qt Charts) on the same log:
# builds scripts/perf/plot-libraries/ in /tmp (installing qt6-charts-dev if missing) and prints
# each one's load, first draw and widest redraw, offscreen.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/packages.sh
ensure_packages qt6-charts-dev libqt6opengl6-dev libqcustomplot-dev
build=/tmp/tvx-plot-libraries
cmake -S scripts/perf/plot-libraries -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" >/dev/null
QT_QPA_PLATFORM=offscreen /usr/bin/time -f 'peak memory of both: %M KB' "$build/plot_libraries" "$1"
