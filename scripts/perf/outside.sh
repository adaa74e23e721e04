#!/usr/bin/env bash
# Usage: scripts/perf/outside.sh [BIN_DIR [TVXv17 options...]]   (needs Xvfb and xdotool;
# prints one figure), e.g. scripts/perf/outside.sh build/bin --record /tmp/drive.msl
# TVXv17 itself under Xvfb, driven as a user would (xdotool), tvxsim at 360 records/s;
# CPU of the program from /proc over 20 s, after 3 s of streaming.
cd "$(dirname "$0")/../.."
bin=${1:-build/bin}
shift || true
work=$(mktemp -d)
$bin/tvxsim --link $work/tty --rate 360 --terminator crlf > $work/sim.out 2>/dev/null & sim=$!
sleep 0.5
Xvfb :88 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xv=$!
sleep 1
export DISPLAY=:88
TVX_COM1=$work/tty $bin/TVXv17 "$@" >/dev/null 2>&1 & p=$!
sleep 2
w=$(xdotool search --name "Torvex v" | head -1)
xdotool windowfocus --sync $w; xdotool key --window $w alt+c Return; sleep 0.3; xdotool key --window $w alt+f c; sleep 1.5
read -r wx wy < <(xdotool getwindowgeometry $w | awk '/Position/ {split($2, q, ","); print q[1], q[2]}')
xdotool mousemove --sync $((wx + 696)) $((wy + 22 + 303)) click 1
sleep 3
t0=$(awk '{print $14+$15}' /proc/$p/stat); s0=$(date +%s.%N)
sleep 20
t1=$(awk '{print $14+$15}' /proc/$p/stat); s1=$(date +%s.%N)
python3 -c "print(f'TVXv17 CPU: {($t1-$t0)/100/($s1-$s0)*100:.1f}% of one core')"
kill $p $sim $xv; wait 2>/dev/null; rm -rf $work
