#!/usr/bin/env python3
"""The analysis over a matrix of engines and drives: does its solve hold on every engine of the
model it states, not only on tvxsim's sweep? Each case writes one drive with tvxsim's engine as
fast as the machine allows (tvxsim --write-log: the log the window would have recorded, with its
table kept beside it), analyzes it with tvxctl analyze (defaults, but for the lag where it is
given), and compares the suggestion with the true VE.

The matrix: drives {sweep, jumps} x true VEs {bumps: smooth bumps of up to 17%; ridge: the same
with a sharp one-column ridge of +12% (where the bumps are small: within the step limit); right: the table the device holds; step: +8% from a
pressure row on, an edge across the RPM axis} x delay {given: 150 ms, analyzed with --lag 150;
auto: 60 ms + 250 ms that follows the flow, analyzed with the default --lag auto} x engine
{base; sensor: a 120 ms sensor response; fade: acceleration fuel that fades; noise: 0.15 AFR of
sensor noise}, each on several seeds.

Per case, over the cells with at least 40 hits: the RMS and worst error of the suggested table
against the true VE in percent, the worst of the ridge's cells, how many cells the suggestion
changed on the right table; where the delay is found, the RMS had the best of a few fixed delays
(100 to 600 ms) been given instead; and, for reference, the same RMS and worst for each cell moved
by its records' mean correction, the way tools have always tuned. A row aggregates its seeds: the mean
RMS, the worst worst, the most cells changed.

Usage: scripts/solve-matrix.py [--seeds 1,2,3] [--seconds 600] [--jobs 2] [--only KEY=VALUE...]
                               [--markdown] [--ctl PATH] [-- ANALYZE OPTIONS...]
(build first: bash scripts/setup.sh)."""
import argparse
import csv
import itertools
import json
import math
import os
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

BIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "bin")
CTL = os.path.join(BIN, "tvxctl")

RIDGE_RPM_INDEX = 15
STEP_PRESSURE_INDEX = 10
MIN_HITS = 40

TRUTHS = {
    "bumps": lambda p, r: 1 + 0.12 * math.exp(-((p - 5) ** 2 + (r - 7) ** 2) / 16.0)
    - 0.12 * math.exp(-((p - 13) ** 2 + (r - 10) ** 2) / 14.0)
    + 0.05 * math.sin(r / 2.5) * math.cos(p / 3.5),
    "ridge": lambda p, r: TRUTHS["bumps"](p, r) + (0.12 if r == RIDGE_RPM_INDEX else 0),
    "right": lambda p, r: 1.0,
    "step": lambda p, r: 1.08 if p >= STEP_PRESSURE_INDEX else 1.0,
}
DELAYS = {
    "given": ("150", ["--lag", "150"]),
    "auto": ("60,250", []),
}
ENGINES = {
    "base": [],
    "sensor": ["--sensor-ms", "120"],
    "fade": ["--accel", "fade"],
    "noise": ["--noise", "0.15"],
}
DRIVES = ["sweep", "jumps"]
FIXED_LAGS = [100, 200, 300, 400, 600]


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(args)} failed: {result.stderr.strip()}")
    return result


def device_table(work):
    """The table tvxsim's device starts with, as its kept table says."""
    log = os.path.join(work, "device.msl")
    run(os.path.join(BIN, "tvxsim"), "--write-log", log, "--seconds", "1", "--seed", "1")
    with open(os.path.join(work, "device.table.json")) as f:
        return json.load(f)["table"]


def true_ve(device, shape):
    cells = []
    for k, ve in enumerate(device["cells"]):
        p, r = divmod(k, 20)
        cells.append(max(1, round(ve * TRUTHS[shape](p, r))))
    return dict(device, cells=cells)


def case(work, device, drive, shape, delay, engine, seed, seconds, analyze_options):
    """One drive analyzed: per-cell errors of the suggestion and of the mean, over the cells
    with at least MIN_HITS hits."""
    name = f"{drive}-{shape}-{delay}-{engine}-{seed}"
    truth = true_ve(device, shape)
    truth_path = os.path.join(work, name + ".true.json")
    with open(truth_path, "w") as f:
        json.dump(truth, f)
    log = os.path.join(work, name + ".msl")
    lag, analyze_lag = DELAYS[delay]
    run(os.path.join(BIN, "tvxsim"), "--write-log", log, "--seconds", str(seconds), "--seed",
        str(seed), "--drive", drive, "--true-ve", truth_path, "--wideband-lag", lag,
        *ENGINES[engine])
    result = judge(work, name, log, truth, [*analyze_lag, *analyze_options])
    if delay == "auto":
        # The delay found against every fixed one a tuner might have given instead.
        result["best_fixed"] = min(
            judge(work, f"{name}-{ms}", log, truth, ["--lag", str(ms), *analyze_options])["rms"]
            for ms in FIXED_LAGS)
    return result


def judge(work, name, log, truth, analyze_options):
    """The suggestion for `log` against the truth."""
    cells_csv = os.path.join(work, name + ".cells.csv")
    run(CTL, "analyze", log, "--cells", cells_csv, "-o",
        os.path.join(work, name + ".json"), *analyze_options)
    errors, means, ridge, changed = [], [], [], 0
    with open(cells_csv) as f:
        for row in csv.DictReader(f):
            k = int(row["P"]) * 20 + int(row["R"])
            current, suggested = int(row["current"]), int(row["suggested"])
            changed += suggested != current
            if float(row["hits"]) < MIN_HITS:
                continue
            t = truth["cells"][k]
            errors.append((suggested - t) / t * 100)
            mean = current * (1 + float(row["afr error %"]) / 100)
            means.append((mean - t) / t * 100)
            if int(row["R"]) == RIDGE_RPM_INDEX:
                ridge.append(abs(errors[-1]))
    rms = lambda e: math.sqrt(sum(x * x for x in e) / len(e)) if e else 0.0
    worst = lambda e: max((abs(x) for x in e), default=0.0)
    return {"rms": rms(errors), "worst": worst(errors), "ridge": max(ridge, default=0.0),
            "changed": changed, "mean_rms": rms(means), "mean_worst": worst(means),
            "cells": len(errors)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seeds", default="1,2,3")
    parser.add_argument("--seconds", type=int, default=600)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--only", nargs="*", default=[],
                        help="drive=, truth=, delay= or engine= to run part of the matrix")
    parser.add_argument("--markdown", action="store_true", help="print a Markdown table")
    parser.add_argument("--ctl", help="another build's tvxctl to analyze with (to compare)")
    parser.add_argument("analyze", nargs="*", help="options for tvxctl analyze, after --")
    options = parser.parse_args()
    if options.ctl:
        global CTL
        CTL = options.ctl
    only = dict(o.split("=", 1) for o in options.only)
    seeds = [int(s) for s in options.seeds.split(",")]
    rows = [r for r in itertools.product(DRIVES, TRUTHS, DELAYS, ENGINES)
            if all(r[i] == only.get(k, r[i])
                   for i, k in enumerate(["drive", "truth", "delay", "engine"]))]

    with tempfile.TemporaryDirectory() as work:
        device = device_table(work)
        jobs = [(row, seed) for row in rows for seed in seeds]
        with ThreadPoolExecutor(options.jobs) as pool:
            results = list(pool.map(
                lambda job: case(work, device, *job[0], job[1], options.seconds, options.analyze),
                jobs))
    by_row = {}
    for (row, _), result in zip(jobs, results):
        by_row.setdefault(row, []).append(result)

    head = ["drive", "truth", "delay", "engine", "cells", "rms%", "worst%", "ridge%", "changed",
            "fixed rms%", "mean rms%", "mean worst%"]
    if options.markdown:
        print("| " + " | ".join(head) + " |")
        print("|" + "---|" * len(head))
    else:
        print("  ".join(f"{h:>11}" for h in head))
    for row, found in by_row.items():
        values = [*row, f"{min(r['cells'] for r in found)}",
                  f"{sum(r['rms'] for r in found) / len(found):.2f}",
                  f"{max(r['worst'] for r in found):.2f}",
                  f"{max(r['ridge'] for r in found):.2f}" if row[1] == "ridge" else "-",
                  f"{max(r['changed'] for r in found)}" if row[1] == "right" else "-",
                  f"{sum(r['best_fixed'] for r in found) / len(found):.2f}"
                  if row[2] == "auto" else "-",
                  f"{sum(r['mean_rms'] for r in found) / len(found):.2f}",
                  f"{max(r['mean_worst'] for r in found):.2f}"]
        if options.markdown:
            print("| " + " | ".join(values) + " |")
        else:
            print("  ".join(f"{v:>11}" for v in values), flush=True)


if __name__ == "__main__":
    main()
