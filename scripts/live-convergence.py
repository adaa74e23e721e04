#!/usr/bin/env python3
"""Does the window tune an engine while it drives? tvxsim runs warm on the sweep drive with the
true VE of scripts/convergence.py (smooth bumps of up to +-25% and a ridge of +12%); TVXv17 runs
against it under Xvfb with --tune --tune-apply 30, recording, and is driven as a newcomer would
(COM 1, Connect, RealTime). After the given time the window is stopped and the device's table is
read with tvxctl get. Over the cells with at least the hit minimum in the recording: how many,
RMS and worst error against the true VE in percent; how many cells below the minimum changed
(must be 0); the applies and their cells, and the largest single move (must be within the step
limit); and whether tvxctl analyze of the recording suggests what the window would have.

Usage: scripts/live-convergence.py [--seconds 300] [--seed 3] [--apply-every 30] [--within-step]
                                   [--drive sweep|jumps] [--shots DIR]
(build first: bash scripts/setup.sh)."""
import argparse
import csv
import json
import math
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from convergence import BIN, ctl, device_table, start_sim, true_ve  # noqa: E402

STEP_LIMIT = 15.0  # analyze's --max-change default
MIN_HITS = 20      # analyze's --min-hits default


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def start_display(work):
    display = f":{200 + random.randrange(100)}"
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = display
    for _ in range(100):
        if subprocess.run(["xdpyinfo"], capture_output=True).returncode == 0:
            break
        time.sleep(0.05)
    return xvfb


def drive_window(shots):
    """COM 1, Connect, RealTime, as scripts/run.sh does; returns the window's id."""
    window = ""
    for _ in range(100):
        window = xdo("search", "--name", "Torvex v").split("\n")[0]
        if window:
            break
        time.sleep(0.1)
    xdo("windowfocus", "--sync", window)
    xdo("key", "--window", window, "alt+c", "Return")
    time.sleep(0.3)
    xdo("key", "--window", window, "alt+f", "c")
    time.sleep(1.5)
    geometry = xdo("getwindowgeometry", window)
    x, y = (int(v) for v in geometry.split("Position: ")[1].split(" ")[0].split(","))
    w, h = (int(v) for v in geometry.split("Geometry: ")[1].split("x"))
    xdo("mousemove", "--sync", str(x + 656 + 40), str(y + 22 + 288 + 15), "click", "1")
    return window, (x, y, w, h)


def shoot(path):
    subprocess.run(["import", "-window", "root", path], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=int, default=300)
    parser.add_argument("--seed", default="3")
    parser.add_argument("--apply-every", default="30")
    parser.add_argument("--within-step", action="store_true",
                        help="a true VE no more than 14%% from the device's")
    parser.add_argument("--shots", help="a folder for screenshots of both windows")
    parser.add_argument("--drive", default="sweep", help="tvxsim's drive: sweep or jumps")
    options = parser.parse_args()

    with tempfile.TemporaryDirectory() as work:
        link = os.path.join(work, "tty")
        os.environ["HOME"] = work  # the backups and the window's settings stay with the run
        os.environ["XDG_CONFIG_HOME"] = os.path.join(work, ".config")

        device = device_table(work, link, options.seed)
        truth = true_ve(device, options.within_step)
        with open(os.path.join(work, "true.json"), "w") as f:
            json.dump(truth, f)

        sim = start_sim(link, options.seed, "--true-ve", os.path.join(work, "true.json"),
                        "--drive", options.drive, "--warm")
        xvfb = start_display(work)
        log = os.path.join(work, "drive.msl")
        env = dict(os.environ, TVX_COM1=link)
        program = subprocess.Popen([os.path.join(BIN, "TVXv17"), "--tune", "--tune-apply",
                                    options.apply_every, "--record", log], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(1)
            window, (x, y, w, h) = drive_window(options.shots)
            time.sleep(options.seconds)
            if options.shots:
                os.makedirs(options.shots, exist_ok=True)
                shoot(os.path.join(options.shots, "live-tune-main.png"))
                # The Tune field's own button, at the status bar's right end.
                xdo("mousemove", "--sync", str(x + w - 18), str(y + h - 12), "click", "1")
                time.sleep(2)
                shoot(os.path.join(options.shots, "live-tune-window.png"))
        finally:
            program.send_signal(signal.SIGTERM)
            program.wait()
            xvfb.kill()
            xvfb.wait()

        after = os.path.join(work, "after.json")
        ctl("get", "-o", after, "--port", link)
        sim.kill()
        sim.wait()
        with open(after) as f:
            final = json.load(f)["cells"]
        with open(log.replace(".msl", ".table.json")) as f:
            kept = json.load(f)

        # The hits each cell gathered, as tvxctl analyze counts them from the recording.
        cells_csv = os.path.join(work, "cells.csv")
        offline = os.path.join(work, "offline.json")
        ctl("analyze", log, "-o", offline, "--cells", cells_csv)
        hits = {}
        with open(cells_csv) as f:
            for row in csv.DictReader(f):
                hits[int(row["P"]) * 20 + int(row["R"])] = float(row["hits"])

        errors, few_changed, worst_cell = [], 0, None
        for k, value in enumerate(final):
            if hits.get(k, 0) >= MIN_HITS:
                errors.append((value - truth["cells"][k]) / truth["cells"][k] * 100)
                if worst_cell is None or abs(errors[-1]) > abs(worst_cell[1]):
                    worst_cell = (k, errors[-1])
            elif value != device["cells"][k]:
                few_changed += 1
        held = list(device["cells"])
        largest, applies, last_time = 0.0, 0, None
        for at, cell, value in kept["writes"]:
            largest = max(largest, abs(value - held[cell]) / held[cell] * 100)
            held[cell] = value
            if last_time is None or at - last_time > 1:
                applies += 1
            last_time = at
        rms = math.sqrt(sum(e * e for e in errors) / len(errors)) if errors else float("nan")
        worst = max((abs(e) for e in errors), default=float("nan"))
        print(f"{options.seconds} s, apply every {options.apply_every} s, seed {options.seed}"
              f"{', within the step limit' if options.within_step else ''}")
        print(f"cells with {MIN_HITS}+ hits: {len(errors)}; RMS {rms:.2f}%, worst {worst:.2f}%")
        if worst_cell:
            k = worst_cell[0]
            print(f"worst: P {k // 20}, R {k % 20}: {final[k]} for a true {truth['cells'][k]}, "
                  f"from {device['cells'][k]}, {hits[k]:.0f} hits")
        print(f"cells below the minimum changed: {few_changed}")
        print(f"applies: {applies}, cells written: {len(kept['writes'])}, largest move "
              f"{largest:.1f}% (limit {STEP_LIMIT:g}%, and the rounding of one count)")


if __name__ == "__main__":
    main()
