#!/usr/bin/env python3
"""End-to-end measurement of the release 1.7 window against tvxsim, offscreen or on X (Xvfb).

Phases (all by default):
  startup  time from starting the program to its first painted window
  line     live records at the line rate (--rate, default 360 a second) for --seconds
  flood    records as fast as the pseudo-terminal takes them for --seconds, with a value step
           ("=") every --key-ms, each timed until tvxsim has logged its message

The window runs in tvx_measure (bench/measure/), a measurement program built from the same
MainWindow as TVXv17: it connects, presses RealTime, steps the value and reports from inside
(records shown, coalesced records, the time from a read notification to its readout and to the
RPM readout's paint, paints of the canvas and the RPM readout, key times); CPU and memory come
from /proc. Every phase runs --runs times; medians are printed, and all runs are written to --out
as JSON. --platform xcb runs the window on a private Xvfb server (Xvfb and xdpyinfo needed), so
each paint is also handed to a display server. Linux only.

  python3 scripts/perf/measure.py                    # build/bin, 3 runs, 60 s phases
  python3 scripts/perf/measure.py --runs 1 --seconds 10 line
  python3 scripts/perf/measure.py --platform xcb line
"""

import argparse
import json
import math
import os
import platform
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
from fractions import Fraction
from pathlib import Path

CLK_TCK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    # utime and stime are fields 14 and 15; the command name may hold blanks, so split after it.
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def cpu_wait_seconds(pid):
    # schedstat's second field: time spent runnable but waiting for a CPU, in nanoseconds
    return int(Path(f"/proc/{pid}/schedstat").read_text().split()[1]) / 1e9


def memory_kb(pid):
    values = {}
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        key, _, rest = line.partition(":")
        if key in ("VmRSS", "VmHWM"):
            values[key] = int(rest.split()[0])
    return values


def wait_for(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.01)
    raise RuntimeError(f"timed out waiting for {what}")


def stop(process, sig=signal.SIGTERM, timeout=10):
    if process.poll() is None:
        process.send_signal(sig)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Xvfb:
    """A private X server on the first free display from :91 up, for --platform xcb."""

    def __init__(self):
        for number in range(91, 200):
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            self.display = f":{number}"
            self.server = subprocess.Popen(
                ["Xvfb", self.display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                wait_for(self.answers, 10, f"Xvfb on {self.display}")
                return
            except RuntimeError:
                stop(self.server)  # another server took the number first, or it failed
        raise RuntimeError("no free X display from :91 to :199")

    def answers(self):
        if self.server.poll() is not None:
            raise RuntimeError(f"Xvfb {self.display} exited")
        return subprocess.run(["xdpyinfo", "-display", self.display], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def close(self):
        stop(self.server)


def program_env(args):
    """The window's environment: the chosen Qt platform, and the X display for xcb."""
    env = dict(os.environ, QT_QPA_PLATFORM=args.platform)
    if args.display:
        env["DISPLAY"] = args.display
    return env


class LogTail(threading.Thread):
    """Follows tvxsim's received log, noting when each cell write message appeared."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.path = path
        self.lines = []  # (monotonic ns, line)
        self.done = threading.Event()

    def run(self):
        while not self.path.exists() and not self.done.is_set():
            time.sleep(0.001)
        with open(self.path, "r", errors="replace") as log:
            partial = ""
            while not self.done.is_set():
                chunk = log.readline()
                if not chunk:
                    time.sleep(0.001)
                    continue
                partial += chunk
                if partial.endswith("\n"):
                    self.lines.append((time.monotonic_ns(), partial.rstrip("\n")))
                    partial = ""


class Session:
    """tvxsim on a pseudo-terminal and the window connected to it as COM 1."""

    def __init__(self, bin_dir, work, env, sim_args, key_ms=0, sample_ms=0, sent_log=False):
        work.mkdir()
        self.work = work
        self.received = work / "received.log"
        self.sent = work / "sent.log" if sent_log else None
        link = work / "com1"
        args = [str(bin_dir / "tvxsim"), "--link", str(link), "--seed", "7",
                "--log", str(self.received)] + sim_args
        if self.sent:
            args += ["--sent-log", str(self.sent)]
        self.sim = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    text=True)
        self.sim.stdout.readline()  # the serial path: the link exists now
        self.tail = LogTail(self.received)
        self.tail.start()
        self.stats_path = work / "stats.json"
        env = dict(env, TVX_COM1=str(link))
        command = [str(bin_dir / "tvx_measure"), "--connect", "1",
                   "--stats", str(self.stats_path)]
        if key_ms:
            command += ["--key-ms", str(key_ms)]
        if sample_ms:
            command += ["--sample-ms", str(sample_ms)]
        self.program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        # Whatever happened, nothing is left running.
        for process in (self.program, self.sim):
            if process.poll() is None:
                process.kill()
                process.wait()
        self.tail.done.set()

    def wait_streaming(self):
        wait_for(lambda: any(line == "<255>" for _, line in list(self.tail.lines)), 10,
                 "RealTime to reach tvxsim")

    def sample(self, seconds, server_pid=None, warmup=1.0):
        """CPU of both processes (and of the X server, if any) and the program's memory over a
        window, once a second."""
        time.sleep(warmup)
        pid, sim_pid = self.program.pid, self.sim.pid
        start = time.monotonic()
        cpu0, sim_cpu0, wait0 = cpu_seconds(pid), cpu_seconds(sim_pid), cpu_wait_seconds(pid)
        server_cpu0 = cpu_seconds(server_pid) if server_pid else 0
        rss = []
        for k in range(1, int(seconds) + 1):
            time.sleep(max(0.0, start + k - time.monotonic()))
            rss.append(memory_kb(pid)["VmRSS"])
        wall = time.monotonic() - start
        cpu1, sim_cpu1, wait1 = cpu_seconds(pid), cpu_seconds(sim_pid), cpu_wait_seconds(pid)
        server_cpu1 = cpu_seconds(server_pid) if server_pid else 0
        sixth = max(1, len(rss) // 6)
        return {
            "window_s": round(wall, 2),
            "cpu_per_wall": (cpu1 - cpu0) / wall,
            "sim_cpu_per_wall": (sim_cpu1 - sim_cpu0) / wall,
            "server_cpu_per_wall": (server_cpu1 - server_cpu0) / wall if server_pid else None,
            # a busy machine delays the program's wake-ups; this says how much
            "cpu_wait_per_wall": (wait1 - wait0) / wall,
            "rss_kb_first": rss[0],
            "rss_kb_last": rss[-1],
            "rss_kb_min": min(rss),
            "rss_kb_max": max(rss),
            # first and last sixth of the window: flat when these agree
            "rss_kb_growth": statistics.mean(rss[-sixth:]) - statistics.mean(rss[:sixth]),
            "hwm_kb": memory_kb(pid)["VmHWM"],
            "rss_kb": rss,
        }

    def finish(self):
        """Holds the device still, lets the program drain the line, then stops both."""
        self.held_ns = time.monotonic_ns()
        self.sim.send_signal(signal.SIGSTOP)
        time.sleep(0.5)
        sent = None
        if self.sent:
            sent = [line.rstrip("\n") for line in open(self.sent) if line.startswith("255,")]
        stop(self.program)
        self.sim.send_signal(signal.SIGCONT)
        stop(self.sim)
        self.tail.done.set()
        self.tail.join()
        stats = json.loads(self.stats_path.read_text())
        return stats, sent


def as_float32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def fixed(value, decimals):
    """The readouts' fixed format: printf's, with exact ties rounded away from zero."""
    scale = 10**decimals
    scaled = Fraction(value) * scale
    whole = math.trunc(scaled)
    if abs(scaled - whole) == Fraction(1, 2):
        value = (whole + (1 if scaled > 0 else -1)) / scale
    return f"{value:.{decimals}f}"


def shown_for(record):
    """The six readouts a record shows with a volts intake type, as the boxes hold them."""
    fields = record.split(",")
    if len(fields) != 7 or fields[0] != "255":
        return None
    pressure, rpm, temp, wb1, airflow, wb2 = (float(f) for f in fields[1:])
    rpm = as_float32(rpm)
    return (fixed(as_float32(pressure - 14.67), 1) + " PSI",
            fixed(rpm if rpm >= 150 else 0.0, 0) + " RPM",
            f"{as_float32(temp):.7G} F",
            fixed(as_float32(wb1), 1) + " A/F",
            fixed(as_float32(wb2), 1) + " A/F",
            fixed(airflow, 2) + "V Out")


def readout_check(samples, sent):
    """How many sampled readout sets are not what some sent record shows."""
    samples = {tuple(s) for s in samples if s[1] != "RPM"}  # "RPM": before the first record
    rpms = {s[1] for s in samples}
    possible = set()
    for record in sent:
        fields = record.split(",")
        # the device sends whole RPMs, so the RPM field alone rules most records out cheaply
        if len(fields) == 7 and (f"{fields[2]} RPM" in rpms or "0 RPM" in rpms):
            possible.add(shown_for(record))
    return {"distinct_samples": len(samples), "not_sent": len(samples - possible)}


def key_latencies(stats, tail_lines, held_ns):
    """Pairs the k-th value step with the k-th cell write tvxsim logged. Steps due shortly
    before the device was held still are left out: their messages wait for it to go on."""
    keys = [(due, done) for due, done in stats["keys"] if due < held_ns - 100_000_000]
    arrivals = [t for t, line in tail_lines if line.startswith("<234,")]
    return {
        "keys": len(keys),
        "messages": min(len(arrivals), len(keys)),
        "due_to_device_ms": [(arrive - due) / 1e6 for (due, _), arrive in zip(keys, arrivals)],
        "due_to_handled_ms": [(done - due) / 1e6 for due, done in keys],
    }


def stream_figures(stats, sent, window):
    sent_count = None if sent is None else len(sent)
    shown = stats["records_shown"]
    span = (stats["last_record_ns"] - stats["first_record_ns"]) / 1e9 or 1
    # paints are counted from the first record shown
    paint_span = (stats["last_paint_ns"] - stats["first_record_ns"]) / 1e9
    figures = {
        "records_shown": shown,
        "records_shown_per_s": shown / span,
        "records_skipped": stats["records_skipped"],
        "bytes_dropped": stats["bytes_dropped"],
        "receive_events": stats["receive_events"],
        "latency_us": stats["latency_us"],
        "paint_latency_us": stats["paint_latency_us"],
        "paint_wait_us": stats["paint_wait_us"],
        "delivery_us": stats["delivery_us"],
        "canvas_paints": stats["canvas_paints"],
        "readout_paints": stats["readout_paints"],
        "canvas_paint_events": stats["canvas_paint_events"],  # Qt paints it in pieces
        "canvas_paints_per_s": stats["canvas_paints"] / paint_span if paint_span > 0 else None,
        "readout_paints_per_s": stats["readout_paints"] / paint_span if paint_span > 0 else None,
        "status": stats["status"],
    }
    if sent is not None:
        figures["records_sent"] = sent_count
        figures["unaccounted"] = sent_count - shown - stats["records_skipped"]
        # with its terminator: at 360 a second, 32 characters fill the 11,520 bytes a second
        figures["bytes_per_record"] = statistics.mean(len(r) + 1 for r in sent)
    figures["load_average"] = os.getloadavg()[0]
    figures.update(window)
    return figures


def run_startup(bin_dir, work, args):
    stats_path = work / "stats.json"
    started = time.monotonic_ns()
    program = subprocess.Popen([str(bin_dir / "tvx_measure"), "--stats", str(stats_path)],
                               env=program_env(args), stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    memory = memory_kb(program.pid)
    stop(program)
    stats = json.loads(stats_path.read_text())
    return {
        "to_window_built_ms": (stats["window_built_ns"] - started) / 1e6,
        "to_first_paint_ms": (stats["first_paint_ns"] - started) / 1e6,
        "idle_rss_kb": memory["VmRSS"],
    }


def run_line(bin_dir, work, args):
    # No readout samples here: they would grow the memory being watched.
    with Session(bin_dir, work / "line", program_env(args), ["--rate", str(args.rate)],
                 sent_log=True) as session:
        session.wait_streaming()
        session.tail.done.set()  # no keys here: stop following the log, it costs CPU
        window = session.sample(args.seconds, args.server_pid)
        stats, sent = session.finish()
    return stream_figures(stats, sent, window)


def run_flood(bin_dir, work, args):
    with Session(bin_dir, work / "flood", program_env(args), ["--rate", "max"],
                 key_ms=args.key_ms) as session:
        session.wait_streaming()
        window = session.sample(args.seconds, args.server_pid)
        stats, _ = session.finish()
    figures = stream_figures(stats, None, window)
    figures.update(key_latencies(stats, session.tail.lines, session.held_ns))
    if args.check_seconds:
        # Logging every record sent slows the device, so whole, genuine readouts are checked
        # in a short flood of their own.
        with Session(bin_dir, work / "check", program_env(args), ["--rate", "max"],
                     sample_ms=20, sent_log=True) as check:
            check.wait_streaming()
            check.tail.done.set()
            time.sleep(args.check_seconds)
            stats, sent = check.finish()
        figures["readouts"] = readout_check(stats["readouts"], sent)
    return figures


def median_of(runs, path):
    values = []
    for run in runs:
        value = run
        for key in path:
            value = value.get(key) if isinstance(value, dict) else None
        if isinstance(value, (int, float)):
            values.append(value)
    return statistics.median(values) if values else None


def report(results):
    # Rows both streaming phases print, in this order.
    costs = [("CPU, s per wall s", ["cpu_per_wall"]),
             ("tvxsim CPU, s per wall s", ["sim_cpu_per_wall"]),
             ("Xvfb CPU, s per wall s", ["server_cpu_per_wall"]),
             ("waiting for a CPU, s per wall s", ["cpu_wait_per_wall"]),
             ("peak RSS (VmHWM), kB", ["hwm_kb"]),
             ("RSS growth first-to-last sixth, kB", ["rss_kb_growth"])]
    paints = [(f"{what} {q}, us", [key, q])
              for what, key in (("read to RPM readout painted", "paint_latency_us"),
                                ("oldest unpainted read to paint", "paint_wait_us"))
              for q in ("p50", "p99", "max")]
    paints += [("canvas paints per s", ["canvas_paints_per_s"]),
               ("RPM readout paints per s", ["readout_paints_per_s"])]
    rows = {
        "startup": [("to first paint, ms", ["to_first_paint_ms"]),
                    ("to window built, ms", ["to_window_built_ms"]),
                    ("idle RSS, kB", ["idle_rss_kb"])],
        "line": [("records sent", ["records_sent"]), ("records shown", ["records_shown"]),
                 ("bytes per record sent", ["bytes_per_record"]),
                 ("records shown per s", ["records_shown_per_s"]),
                 ("records skipped (coalesced)", ["records_skipped"]),
                 ("sent but neither shown nor skipped", ["unaccounted"])] + costs +
                [("receive events", ["receive_events"]),
                 ("read delivery p50, us", ["delivery_us", "p50"]),
                 ("latency p50, us", ["latency_us", "p50"]),
                 ("latency p99, us", ["latency_us", "p99"]),
                 ("latency max, us", ["latency_us", "max"])] + paints +
                [("load average (1 min) at the end", ["load_average"])],
        "flood": [("records shown per s", ["records_shown_per_s"]),
                  ("records skipped (coalesced)", ["records_skipped"]),
                  ("bytes dropped", ["bytes_dropped"]),
                  ("receive events", ["receive_events"])] + costs +
                 [("latency p50, us", ["latency_us", "p50"]),
                  ("latency p99, us", ["latency_us", "p99"])] + paints +
                 [("key due to device, median ms", ["key_median_ms"]),
                  ("key due to device, max ms", ["key_max_ms"]),
                  ("keys pressed", ["keys"]), ("cell writes logged", ["messages"]),
                  ("key due to handled, max ms", ["key_handled_max_ms"]),
                  ("readout samples (distinct)", ["readouts", "distinct_samples"]),
                  ("readouts no record sent shows", ["readouts", "not_sent"]),
                  ("load average (1 min) at the end", ["load_average"])],
    }
    for phase, runs in results["phases"].items():
        for run in runs:
            delays = run.get("due_to_device_ms")
            if delays:
                run["key_median_ms"] = statistics.median(delays)
                run["key_max_ms"] = max(delays)
                run["key_handled_max_ms"] = max(run["due_to_handled_ms"])
        print(f"\n{phase} ({len(runs)} run{'s' if len(runs) != 1 else ''}, median)")
        for label, path in rows[phase]:
            value = median_of(runs, path)
            if value is None:
                text = "-"
            elif float(value).is_integer():
                text = str(int(value))
            else:
                text = f"{value:.3f}"
            print(f"  {label:<40} {text}")


def machine():
    model = "unknown"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    return {"cpu": model, "cores": os.cpu_count(), "kernel": platform.release(),
            "load_average_at_start": os.getloadavg(),
            "date": time.strftime("%Y-%m-%d %H:%M %Z")}


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("phases", nargs="*", choices=["startup", "line", "flood", []],
                        help="what to measure (default: all three)")
    parser.add_argument("--build", default="build", help="build directory (default build)")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--rate", type=int, default=360, help="records per second, line phase")
    parser.add_argument("--key-ms", type=int, default=1000, help="value-step period, flood")
    parser.add_argument("--check-seconds", type=float, default=10,
                        help="flood with every record logged, to check the readouts (0: skip)")
    parser.add_argument("--platform", choices=["offscreen", "xcb"], default="offscreen",
                        help="Qt platform of the window; xcb starts a private Xvfb server")
    parser.add_argument("--out", help="write every run's figures here as JSON")
    args = parser.parse_args()
    args.phases = args.phases or ["startup", "line", "flood"]
    args.display = args.server_pid = None

    root = Path(__file__).resolve().parents[2]
    bin_dir = (root / args.build / "bin").resolve()
    for name in ("tvx_measure", "tvxsim"):
        if not (bin_dir / name).exists():
            sys.exit(f"{bin_dir / name} is missing: build first (bash scripts/setup.sh)")

    xvfb = Xvfb() if args.platform == "xcb" else None
    try:
        if xvfb:
            args.display, args.server_pid = xvfb.display, xvfb.server.pid
        results = measure(bin_dir, args)
    finally:
        if xvfb:
            xvfb.close()
    report(results)
    if args.out:
        Path(args.out).write_text(json.dumps(results, indent=2))


def measure(bin_dir, args):
    results = {"machine": machine(), "args": vars(args), "phases": {}}
    print(f"{results['machine']['cpu']}, {results['machine']['cores']} cores, "
          f"load {results['machine']['load_average_at_start']}, platform {args.platform}"
          + (f" (Xvfb {args.display})" if args.display else ""))
    runners = {"startup": lambda w: run_startup(bin_dir, w, args),
               "line": lambda w: run_line(bin_dir, w, args),
               "flood": lambda w: run_flood(bin_dir, w, args)}
    for phase in args.phases:
        runs = []
        for k in range(args.runs):
            with tempfile.TemporaryDirectory(prefix="tvx-perf-") as work:
                print(f"{phase} run {k + 1}/{args.runs} ...", file=sys.stderr)
                runs.append(runners[phase](Path(work)))
        results["phases"][phase] = runs
    return results


if __name__ == "__main__":
    main()
