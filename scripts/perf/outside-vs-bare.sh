#!/usr/bin/env bash
# Usage: scripts/perf/outside-vs-bare.sh [BIN_DIR] [PAIRS] [MORE_BIN_DIRS...]   (needs Xvfb, xdotool)
# TVXv17 streaming from tvxsim at 360 records/s under Xvfb, against tvx_bare_reader (poll and
# read the same line, nothing else) fed by the same sender, alternating, PAIRS rounds (3): the
# CPU of each over 20 s after 3 s of streaming, the medians and their ratios. Each further
# BIN_DIR's TVXv17 joins every round, so builds that differ in one change are measured side by
# side; tvxsim and the bare reader always come from the first.
cd "$(dirname "$0")/../.."
bin=${1:-build/bin}
pairs=${2:-3}
programs=("$bin" "${@:3}")
work=$(mktemp -d)
Xvfb :88 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xv=$!
sleep 1
export DISPLAY=:88
cpu() { # PID: percent of one core over 20 s
    local t0 t1 s0 s1
    t0=$(awk '{print $14+$15}' /proc/$1/stat); s0=$(date +%s.%N)
    sleep 20
    t1=$(awk '{print $14+$15}' /proc/$1/stat); s1=$(date +%s.%N)
    python3 -c "print(f'{($t1-$t0)/100/($s1-$s0)*100:.2f}')"
}
sender() { $bin/tvxsim --link $work/tty --rate 360 --terminator crlf >/dev/null 2>&1 & sim=$!; sleep 0.5; }
streaming() { # BIN_DIR: TVXv17 connected and streaming; its pid in p
    TVX_COM1=$work/tty $1/TVXv17 >/dev/null 2>&1 & p=$!
    sleep 2
    w=$(xdotool search --name "Torvex v" | head -1)
    xdotool windowfocus --sync $w; xdotool key --window $w alt+c Return; sleep 0.3
    xdotool key --window $w alt+f c; sleep 1.5
    read -r wx wy < <(xdotool getwindowgeometry $w | awk '/Position/ {split($2, q, ","); print q[1], q[2]}')
    xdotool mousemove --sync $((wx + 696)) $((wy + 22 + 303)) click 1
    sleep 3
}
declare -A figures
for ((n = 1; n <= pairs; ++n)); do
    line="round $n:"
    for program in "${programs[@]}"; do
        sender
        streaming "$program"
        figures[$program]+="$(cpu $p) "
        kill $p $sim; wait $p $sim 2>/dev/null
        line+=" $program/TVXv17 $(echo ${figures[$program]} | awk '{print $NF}') %,"
    done
    sender
    $bin/tvx_bare_reader $work/tty & b=$!
    sleep 3
    figures[bare]+="$(cpu $b) "
    kill $b $sim; wait $b $sim 2>/dev/null
    echo "$line bare reader $(echo ${figures[bare]} | awk '{print $NF}') %"
done
kill $xv; wait 2>/dev/null; rm -rf "$work"
for program in "${programs[@]}"; do
    python3 - "$program" "${figures[$program]}" "${figures[bare]}" <<'PY'
import statistics, sys
program = statistics.median(map(float, sys.argv[2].split()))
bare = statistics.median(map(float, sys.argv[3].split()))
print(f"medians: {sys.argv[1]}/TVXv17 {program:.2f} % of one core, bare reader {bare:.2f} %, "
      f"ratio {program / bare:.1f}")
PY
done
