#!/usr/bin/env bash
# Usage: scripts/perf/analyze-hour.sh [BIN_DIR] [ROWS] [analyze options...]
# tvxctl analyze of an hour's log at the line rate (1.3 million rows): a real drive from tvxsim,
# recorded for 20 s at 360 records/s and laid end to end for an hour; prints the wall time and
# the peak resident memory of the analysis. ROWS makes it longer: 28000000 is a 2 GB log.
set -euo pipefail
cd "$(dirname "$0")/../.."
bin=$(realpath "${1:-build/bin}")
work=$(mktemp -d)
trap 'kill $sim 2>/dev/null; rm -rf "$work"' EXIT
"$bin/tvxsim" --link "$work/tty" --rate 360 --drive sweep --warm >/dev/null 2>&1 &
sim=$!
sleep 0.5
"$bin/tvxctl" get -o "$work/device.json" --port "$work/tty" 2>/dev/null
"$bin/tvxctl" log --seconds 20 -o "$work/drive.csv" --port "$work/tty" 2>/dev/null
python3 - "$work/drive.csv" "$work/hour.csv" "${2:-1300000}" <<'PY'
import sys
header, *rows = open(sys.argv[1]).read().splitlines()
rows = [r.split(",", 1) for r in rows]
span = float(rows[-1][0]) + 1 / 360
with open(sys.argv[2], "w") as out:
    out.write(header + "\n")
    n, k = 0, 0
    while n < int(sys.argv[3]):
        for time, rest in rows:
            out.write(f"{float(time) + k * span:.3f},{rest}\n")
            n += 1
        k += 1
print(f"{n} rows, {k * span / 3600:.2f} h", file=sys.stderr)
PY
ls -l "$work/hour.csv" | awk '{ printf "%.2f GB of log\n", $5 / 2^30 }' 
/usr/bin/time -f "analyze: %e s wall, %U s user, %M KB peak resident" \
    "$bin/tvxctl" analyze "$work/hour.csv" --table "$work/device.json" -o "$work/out.csv" "${@:3}"
