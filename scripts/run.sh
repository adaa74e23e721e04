#!/usr/bin/env bash
# Sets up and builds, starts the virtual device tvxsim as COM 1, then the program.
# Usage: scripts/run.sh [TVXv17|TVXv12] [tvxsim options...]
# With a display the window is yours: pick "Com Port 1" in the COM menu, then File >
# "Connect to TVX", then RealTime. Without one, the same steps run under Xvfb by themselves and
# a screenshot is written; its path is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
program=TVXv17
if [[ $# -gt 0 && $1 == TVXv* ]]; then
    program=$1
    shift
fi
bash scripts/setup.sh

work=$(mktemp -d /tmp/tvx-run.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

build/bin/tvxsim --link "$work/ttyTVX" "$@" >"$work/tvxsim.out" 2>"$work/tvxsim.err" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/tvxsim.out" ] && break; sleep 0.05; done
if ! kill -0 "${pids[0]}" 2>/dev/null; then # refused its options, or a log to replay
    cat "$work/tvxsim.err" >&2
    exit 2
fi
export TVX_COM1="$work/ttyTVX"
echo "tvxsim serves COM 1 at $TVX_COM1"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    build/bin/$program
    exit 0
fi

# No display: a virtual one, and the newcomer's clicks done by xdotool.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x820x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
build/bin/$program >"$work/program.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name "Torvex v" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
xdotool windowfocus --sync "$window"
xdotool key --window "$window" alt+c Return      # COM > Com Port 1
sleep 0.3
xdotool key --window "$window" alt+f c           # File > Connect to TVX
sleep 1
# The RealTime button, 9840 x 4320 twips into the client area below the menu bar.
read -r wx wy < <(xdotool getwindowgeometry "$window" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')
menu=22 # menu bar height in pixels
xdotool mousemove --sync $((wx + 656 + 40)) $((wy + menu + 288 + 15)) click 1
sleep 2
shot="$PWD/build/$program-demo.png"
import -window root -crop 1000x800+0+0 "$shot"
echo "Screenshot: $shot"
