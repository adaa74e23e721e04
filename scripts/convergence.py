#!/usr/bin/env python3
"""Does tvxctl analyze converge on a known engine? tvxsim runs with a true VE that differs from
the device's table by smooth bumps of up to +-25% and a sharp ridge, on the sweep drive from
cold; each round logs one drive, analyzes it and puts the changed cells. After each round, over
the cells with at least the hit minimum: how many, RMS and worst error of the device's table
against the true VE in percent, how many cells below the minimum changed (must be 0), and the
largest move of any cell in the round.

Usage: scripts/convergence.py [--rounds 3] [--seconds 100] [--seed 3] [-- ANALYZE OPTIONS...]
(build first: bash scripts/setup.sh)."""
import argparse
import csv
import json
import math
import os
import subprocess
import sys
import tempfile
import time

BIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "bin")


def true_ve(device):
    """The device's cells times smooth bumps (within +-25%) and a ridge of +12% along one RPM
    column, the kind a cam or an intake resonance gives."""
    cells = []
    for k, ve in enumerate(device["cells"]):
        p, r = divmod(k, 20)
        bumps = 0.25 * math.exp(-((p - 6) ** 2 + (r - 12) ** 2) / 18.0) \
            - 0.2 * math.exp(-((p - 13) ** 2 + (r - 6) ** 2) / 12.0) \
            + 0.1 * math.sin(r / 3.0) * math.cos(p / 4.0)
        ridge = 0.12 if r == 15 else 0.0
        cells.append(max(1, round(ve * max(0.75, min(1.25, 1 + bumps + ridge)))))
    return dict(device, cells=cells)


def ctl(*args, out=None):
    result = subprocess.run([os.path.join(BIN, "tvxctl"), *args], capture_output=True, text=True)
    if result.returncode not in (0, 1):
        sys.exit(f"tvxctl {' '.join(args)} failed: {result.stderr.strip()}")
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=int, default=100)
    parser.add_argument("--seed", default="3")
    parser.add_argument("analyze", nargs="*", help="options for tvxctl analyze, after --")
    options = parser.parse_args()
    min_hits = 20
    if "--min-hits" in options.analyze:
        min_hits = int(options.analyze[options.analyze.index("--min-hits") + 1])

    with tempfile.TemporaryDirectory() as work:
        link = os.path.join(work, "tty")
        os.environ["HOME"] = work  # the backups put keeps stay with the run
        os.environ.pop("XDG_CONFIG_HOME", None)

        def start(*extra):
            sim = subprocess.Popen([os.path.join(BIN, "tvxsim"), "--link", link, "--seed",
                                    options.seed, *extra], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)
            sim.stdout.readline()  # the link is there
            return sim

        sim = start()
        ctl("get", "-o", os.path.join(work, "device.json"), "--port", link)
        sim.kill()
        sim.wait()
        with open(os.path.join(work, "device.json")) as f:
            truth = true_ve(json.load(f))
        with open(os.path.join(work, "true.json"), "w") as f:
            json.dump(truth, f)
        sim = start("--true-ve", os.path.join(work, "true.json"), "--drive", "sweep")
        print(f"analyze {' '.join(options.analyze) or '(defaults)'}; {options.seconds} s a round")
        print("round  tuned  rms%  worst%  few-hit cells changed  largest move%")
        try:
            for n in range(1, options.rounds + 1):
                log = os.path.join(work, f"round{n}.msl")
                ctl("log", "--seconds", str(options.seconds), "-o", log, "--port", link)
                cells_csv = os.path.join(work, f"cells{n}.csv")
                suggested = os.path.join(work, f"suggested{n}.json")
                ctl("analyze", log, "--port", link, "-o", suggested, "--cells", cells_csv,
                    *options.analyze)
                errors, few_changed, largest = [], 0, 0.0
                with open(cells_csv) as f:
                    for row in csv.DictReader(f):
                        current = int(row["current"])
                        largest = max(largest,
                                      abs(int(row["suggested"]) - current) / max(current, 1) * 100)
                        k = int(row["P"]) * 20 + int(row["R"])
                        if float(row["hits"]) >= min_hits:
                            errors.append((int(row["suggested"]) - truth["cells"][k])
                                          / truth["cells"][k] * 100)
                        elif row["suggested"] != row["current"]:
                            few_changed += 1
                rms = math.sqrt(sum(e * e for e in errors) / len(errors)) if errors else 0
                worst = max((abs(e) for e in errors), default=0)
                print(f"{n:5}  {len(errors):5}  {rms:4.1f}  {worst:6.1f}  {few_changed:21}"
                      f"  {largest:13.1f}", flush=True)
                ctl("put", suggested, "--changed-only", "--port", link)
        finally:
            sim.kill()
            sim.wait()


if __name__ == "__main__":
    main()
