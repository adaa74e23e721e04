#!/usr/bin/env bash
# Usage: scripts/perf/tune-cost.sh [BIN_DIR] [ROUNDS]   (needs Xvfb, xdotool)
# The CPU live tuning costs at the line rate: TVXv17 streaming from tvxsim (warm, sweep drive)
# at 360 records/s under Xvfb, alternately with Tune off and with --tune, ROUNDS rounds (3); the
# whole process's CPU (the tuning's thread included) over 20 s after 3 s of streaming, the
# medians and their ratio.
cd "$(dirname "$0")/../.."
bin=${1:-build/bin}
rounds=${2:-3}
work=$(mktemp -d)
export HOME=$work XDG_CONFIG_HOME=$work/.config # the window's settings as a first run has them
Xvfb :87 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xv=$!
sleep 1
export DISPLAY=:87
cpu() { # PID: percent of one core over 20 s
    local t0 t1 s0 s1
    t0=$(awk '{print $14+$15}' /proc/$1/stat); s0=$(date +%s.%N)
    sleep 20
    t1=$(awk '{print $14+$15}' /proc/$1/stat); s1=$(date +%s.%N)
    python3 -c "print(f'{($t1-$t0)/100/($s1-$s0)*100:.2f}')"
}
sender() {
    $bin/tvxsim --link $work/tty --rate 360 --terminator crlf --warm --drive sweep --seed 3 \
        >/dev/null 2>&1 & sim=$!
    sleep 0.5
}
streaming() { # TVXv17 options: connected and streaming; its pid in p
    TVX_COM1=$work/tty $bin/TVXv17 "$@" >/dev/null 2>&1 & p=$!
    sleep 2
    w=$(xdotool search --name "Torvex v" | head -1)
    xdotool windowfocus --sync $w; xdotool key --window $w alt+c Return; sleep 0.3
    xdotool key --window $w alt+f c; sleep 1.5
    read -r wx wy < <(xdotool getwindowgeometry $w | awk '/Position/ {split($2, q, ","); print q[1], q[2]}')
    xdotool mousemove --sync $((wx + 696)) $((wy + 22 + 303)) click 1
    sleep 3
}
off="" on=""
for ((n = 1; n <= rounds; ++n)); do
    sender; streaming; off+="$(cpu $p) "; kill $p $sim; wait $p $sim 2>/dev/null
    sender; streaming --tune; on+="$(cpu $p) "; kill $p $sim; wait $p $sim 2>/dev/null
    echo "round $n: Tune off $(echo $off | awk '{print $NF}') %, on $(echo $on | awk '{print $NF}') %"
done
kill $xv; wait 2>/dev/null; rm -rf "$work"
python3 - "$off" "$on" <<'PY'
import statistics, sys
off, on = (statistics.median(map(float, a.split())) for a in sys.argv[1:3])
print(f"medians: Tune off {off:.2f} % of one core, on {on:.2f} %, ratio {on / off:.2f}")
PY
