#!/usr/bin/env python3
"""Does tvxctl analyze find the wideband's delay from a drive? tvxsim runs with a known delay
(fixed, or following the exhaust's flow) and a true VE 10% off the device's in a band across the
lattice, on the sweep and the mixed drive (seeded, warm); one drive is logged and analysed with
--lag auto (the default) and with the true delay given. For each: the delay found, how far it
is from the truth at idle (800 RPM, 5 PSI), cruise (3000 RPM, 14.7 PSI) and boost (6000 RPM,
35 PSI), and the RMS error of the suggested table against the true VE either way.

With --keep DIR the logs are kept in DIR and a log already there is analysed again rather than
driven again (for trying the analysis on the same drives).

Usage: scripts/lag-estimate.py [--seconds 300] [--seed 5] [--keep DIR]
(build first: bash scripts/setup.sh)."""
import argparse
import csv
import json
import math
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from convergence import device_table, start_sim  # noqa: E402

BIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "bin")
POINTS = [(800, 5.0), (3000, 14.7), (6000, 35.0)]


def delay_ms(ms, flow_ms, rpm, psi):
    """The delay model as tvxsim states it (tvxsim --help)."""
    return min(2000.0, ms + flow_ms * (1000 / max(rpm, 300)) * (14.7 / psi))


def ctl(*args):
    result = subprocess.run([os.path.join(BIN, "tvxctl"), *args], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"tvxctl {' '.join(args)} failed: {result.stderr.strip()}")
    return result.stderr


def rms(cells_csv, truth):
    squares, tuned = 0.0, 0
    with open(cells_csv) as f:
        for row in csv.DictReader(f):
            if row["outcome"] not in ("too few hits", "locked"):
                real = truth[int(row["P"]) * 20 + int(row["R"])]
                squares += ((int(row["suggested"]) - real) / real * 100) ** 2
                tuned += 1
    return math.sqrt(squares / tuned) if tuned else float("nan"), tuned


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=int, default=300)
    parser.add_argument("--seed", default="5")
    parser.add_argument("--keep", help="keep the logs here, and reuse those already here")
    options = parser.parse_args()
    print("true lag   drive  found           idle%  cruise%  boost%  movements  rms auto%  "
          "rms given%  tuned")
    with tempfile.TemporaryDirectory() as scratch:
        work = options.keep or scratch
        os.makedirs(work, exist_ok=True)
        link = os.path.join(work, "tty")
        os.environ["HOME"] = work
        for lag, drive in [((60, 250), "sweep"), ((60, 250), "mixed"), ((150, 0), "mixed"),
                           ((400, 0), "mixed")]:
            log = os.path.join(work, f"{drive}-{lag[0]}-{lag[1]}-{options.seconds}s.csv")
            device = device_table(work, link, options.seed)
            truth = [max(1, round(ve * (1 + 0.1 * math.sin(k % 20 / 2.0 + k // 20))))
                     for k, ve in enumerate(device["cells"])]
            with open(os.path.join(work, "true.json"), "w") as f:
                json.dump(dict(device, cells=truth), f)
            if not os.path.exists(log):
                sim = start_sim(link, options.seed, "--true-ve", os.path.join(work, "true.json"),
                                "--wideband-lag", f"{lag[0]},{lag[1]}", "--drive", drive,
                                "--warm", "--rate", "100")
                try:
                    ctl("log", "--seconds", str(options.seconds), "-o", log, "--port", link)
                finally:
                    sim.kill()
                    sim.wait()
            said = ctl("analyze", log, "--cells", os.path.join(work, "auto.csv"))
            ctl("analyze", log, "--cells", os.path.join(work, "given.csv"), "--lag",
                f"{lag[0]},{lag[1]}")
            found = re.search(r"wideband lag: (\d+) ms \+ (\d+) ms", said)
            movements = re.search(r"estimated from ([\d,]+) movements", said)
            ms, flow = (int(found.group(1)), int(found.group(2))) if found else (0, 0)
            errors = [(delay_ms(ms, flow, rpm, psi) - delay_ms(*lag, rpm, psi))
                      / delay_ms(*lag, rpm, psi) * 100 for rpm, psi in POINTS]
            auto, tuned = rms(os.path.join(work, "auto.csv"), truth)
            given, _ = rms(os.path.join(work, "given.csv"), truth)
            print(f"{lag[0]:>4},{lag[1]:<4}  {drive:5}  {ms:4} ms + {flow:4} ms"
                  f"  {errors[0]:+5.0f}  {errors[1]:+7.0f}  {errors[2]:+6.0f}"
                  f"  {movements.group(1) if movements else 'fallback':>9}  {auto:9.2f}"
                  f"  {given:10.2f}  {tuned:5}", flush=True)


if __name__ == "__main__":
    main()
