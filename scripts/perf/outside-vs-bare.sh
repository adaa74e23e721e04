#!/usr/bin/env bash
# Usage: scripts/perf/outside-vs-bare.sh [BIN_DIR] [PAIRS]   (needs Xvfb and xdotool)
# TVXv17 streaming from tvxsim at 360 records/s under Xvfb, against tvx_bare_reader (poll and
# read the same line, nothing else) fed by the same sender, alternating, PAIRS pairs (3): the CPU
# of each over 20 s after 3 s of streaming, both medians and their ratio.
cd "$(dirname "$0")/../.."
bin=${1:-build/bin}
pairs=${2:-3}
work=$(mktemp -d)
Xvfb :88 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xv=$!
sleep 1
cpu() { # PID: percent of one core over 20 s
    local t0 t1 s0 s1
    t0=$(awk '{print $14+$15}' /proc/$1/stat); s0=$(date +%s.%N)
    sleep 20
    t1=$(awk '{print $14+$15}' /proc/$1/stat); s1=$(date +%s.%N)
    python3 -c "print(f'{($t1-$t0)/100/($s1-$s0)*100:.2f}')"
}
sender() { $bin/tvxsim --link $work/tty --rate 360 --terminator crlf >/dev/null 2>&1 & sim=$!; sleep 0.5; }
program=() bare=()
for ((n = 1; n <= pairs; ++n)); do
    sender
    DISPLAY=:88 TVX_COM1=$work/tty $bin/TVXv17 >/dev/null 2>&1 & p=$!
    sleep 2
    w=$(DISPLAY=:88 xdotool search --name "Torvex v" | head -1)
    export DISPLAY=:88
    xdotool windowfocus --sync $w; xdotool key --window $w alt+c Return; sleep 0.3
    xdotool key --window $w alt+f c; sleep 1.5
    read -r wx wy < <(xdotool getwindowgeometry $w | awk '/Position/ {split($2, q, ","); print q[1], q[2]}')
    xdotool mousemove --sync $((wx + 696)) $((wy + 22 + 303)) click 1
    sleep 3
    program+=("$(cpu $p)")
    kill $p $sim; wait $p $sim 2>/dev/null
    sender
    $bin/tvx_bare_reader $work/tty & b=$!
    sleep 3
    bare+=("$(cpu $b)")
    kill $b $sim; wait $b $sim 2>/dev/null
    echo "pair $n: TVXv17 ${program[-1]} %, bare reader ${bare[-1]} %"
done
kill $xv; wait 2>/dev/null; rm -rf "$work"
python3 - "${program[*]}" "${bare[*]}" <<'PY'
import statistics, sys
program = statistics.median(map(float, sys.argv[1].split()))
bare = statistics.median(map(float, sys.argv[2].split()))
print(f"medians: TVXv17 {program:.2f} % of one core, bare reader {bare:.2f} %, ratio {program / bare:.1f}")
PY
