#!/usr/bin/env python3
"""Does tvxctl analyze converge on a known engine? tvxsim runs with a true VE that differs from
the device's table by smooth bumps of up to +-25% and a ridge of +12% one RPM column wide
across every pressure row, on the sweep drive from cold (warm-up included); each round logs one
drive, analyzes it (the table kept beside the log is all it needs; with --all-logs, every drive
so far, each judged under its own table) and puts the changed cells.
After each round, over the cells with at least the hit minimum: how many, RMS and worst error of
the suggested table against the true VE in percent, the worst of the ridge's cells, the same
for the solved VE before it is rounded, held within the deadband and the step limit, how many
cells the round changed, how many cells below the minimum changed (must be 0), and the largest
move of any cell in the round.

Usage: scripts/convergence.py [--rounds 3] [--seconds 100] [--seed 3] [--within-step]
                              [--all-logs] [--drive sweep|jumps] [--wideband-lag MS[,FLOW_MS]]
                              [-- ANALYZE OPTIONS...]
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


RIDGE_RPM_INDEX = 15


def true_ve(device, within_step):
    """The device's cells times smooth bumps (within +-25%) and a ridge of +12% along one RPM
    column, the kind a cam or an intake resonance gives. Within the step limit: the bumps at half
    their height, the whole within +-14%, so one analysis may reach every cell."""
    scale, most = (0.5, 0.14) if within_step else (1.0, 0.25)
    cells = []
    for k, ve in enumerate(device["cells"]):
        p, r = divmod(k, 20)
        bumps = 0.25 * math.exp(-((p - 6) ** 2 + (r - 12) ** 2) / 18.0) \
            - 0.2 * math.exp(-((p - 13) ** 2 + (r - 6) ** 2) / 12.0) \
            + 0.1 * math.sin(r / 3.0) * math.cos(p / 4.0)
        ridge = 0.12 if r == RIDGE_RPM_INDEX else 0.0
        factor = max(1 - most, min(1 + most, 1 + scale * bumps + ridge))
        cells.append(max(1, round(ve * factor)))
    return dict(device, cells=cells)


def start_sim(link, seed, *extra):
    """tvxsim on `link`, once it says the link is there."""
    sim = subprocess.Popen([os.path.join(BIN, "tvxsim"), "--link", link, "--seed", seed, *extra],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    sim.stdout.readline()
    return sim


def device_table(work, link, seed):
    """The table an untouched tvxsim starts with, read with tvxctl get."""
    sim = start_sim(link, seed)
    ctl("get", "-o", os.path.join(work, "device.json"), "--port", link)
    sim.kill()
    sim.wait()
    with open(os.path.join(work, "device.json")) as f:
        return json.load(f)


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
    parser.add_argument("--within-step", action="store_true",
                        help="a true VE no more than 14%% from the device's")
    parser.add_argument("--all-logs", action="store_true",
                        help="each round analyzes every drive so far, not its own alone")
    parser.add_argument("--drive", default="sweep", help="tvxsim's drive: sweep or jumps")
    parser.add_argument("--wideband-lag", default="150",
                        help="tvxsim's wideband delay, MS or MS,FLOW_MS (default 150)")
    parser.add_argument("analyze", nargs="*", help="options for tvxctl analyze, after --")
    options = parser.parse_args()

    with tempfile.TemporaryDirectory() as work:
        link = os.path.join(work, "tty")
        os.environ["HOME"] = work  # the backups put keeps stay with the run
        os.environ.pop("XDG_CONFIG_HOME", None)

        truth = true_ve(device_table(work, link, options.seed), options.within_step)
        with open(os.path.join(work, "true.json"), "w") as f:
            json.dump(truth, f)
        sim = start_sim(link, options.seed, "--true-ve", os.path.join(work, "true.json"),
                        "--drive", options.drive, "--wideband-lag", options.wideband_lag)
        print(f"analyze {' '.join(options.analyze) or '(defaults)'}; {options.seconds} s a round;"
              f" wideband lag {options.wideband_lag}")
        print("round  tuned  rms%  worst%  ridge%  solved rms% worst%  changed  few-hit cells changed"
              "  largest move%")
        try:
            logs = []
            for n in range(1, options.rounds + 1):
                log = os.path.join(work, f"round{n}.msl")
                ctl("log", "--seconds", str(options.seconds), "-o", log, "--port", link)
                cells_csv = os.path.join(work, f"cells{n}.csv")
                suggested = os.path.join(work, f"suggested{n}.json")
                logs.append(log)
                ctl("analyze", *(logs if options.all_logs else [log]), "-o", suggested, "--cells",
                    cells_csv, *options.analyze)
                errors, ridge, solved, few_changed, largest, changed = [], [], [], 0, 0.0, 0
                with open(cells_csv) as f:
                    for row in csv.DictReader(f):
                        current = int(row["current"])
                        largest = max(largest,
                                      abs(int(row["suggested"]) - current) / max(current, 1) * 100)
                        changed += row["suggested"] != row["current"]
                        k = int(row["P"]) * 20 + int(row["R"])
                        if row["outcome"] not in ("too few hits", "locked"):
                            errors.append((int(row["suggested"]) - truth["cells"][k])
                                          / truth["cells"][k] * 100)
                            if int(row["R"]) == RIDGE_RPM_INDEX:
                                ridge.append(abs(errors[-1]))
                            solved.append((float(row["solved"]) - truth["cells"][k])
                                          / truth["cells"][k] * 100)
                        elif row["suggested"] != row["current"]:
                            few_changed += 1
                rms = math.sqrt(sum(e * e for e in errors) / len(errors)) if errors else 0
                worst = max((abs(e) for e in errors), default=0)
                solved_rms = math.sqrt(sum(e * e for e in solved) / len(solved)) if solved else 0
                solved_worst = max((abs(e) for e in solved), default=0)
                print(f"{n:5}  {len(errors):5}  {rms:4.1f}  {worst:6.1f}  {max(ridge, default=0):6.1f}"
                      f"  {solved_rms:11.1f} {solved_worst:6.1f}  {changed:7}  {few_changed:21}"
                      f"  {largest:13.1f}", flush=True)
                ctl("put", suggested, "--changed-only", "--port", link)
        finally:
            sim.kill()
            sim.wait()


if __name__ == "__main__":
    main()
