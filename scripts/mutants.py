#!/usr/bin/env python3
"""Single-fault mutations of the core, scored by the unit and Qt tests.

Each mutant changes one snippet of one source file (a flipped comparison, a nudged constant, a
bound moved by one, a dropped step). For each, the file is edited in place, the tree rebuilt and
`ctest -L "unit|qt"` run: a failing test catches the mutant. The file is always restored, and the
clean tree rebuilt at the end. Builds wait on /tmp/tvx-build.lock like every other build here.

    python3 scripts/mutants.py [--build DIR] [--only NAME...] [--list] [--min-score P]

Exits 0 with the report, 1 if the score is below --min-score, 2 if the harness itself failed.
If the script is killed hard (SIGKILL), `git checkout src` restores the sources.
"""
import argparse
import os
import re
import signal
import subprocess
import sys
from pathlib import Path
from typing import NamedTuple

ROOT = Path(__file__).resolve().parent.parent
LOCK = ["flock", "/tmp/tvx-build.lock"]


class Mutant(NamedTuple):
    name: str
    path: str
    what: str  # the fault, in a few words
    old: str  # must occur exactly once in path
    new: str


F, P, V = "src/link/InputFramer.cpp", "src/link/Protocol.cpp", "src/table/VetFile.cpp"
K, D, M = "src/surface/Keyboard.cpp", "src/surface/Drawing.cpp", "src/surface/Module1.cpp"
S, G, W = "src/tune/VeSolve.cpp", "src/tune/Suggestion.cpp", "src/model/WidebandDelay.cpp"
L = "src/lag/LagEstimate.cpp"
MUTANTS = [
    Mutant("framer-overflow-bound", F, "input of exactly the bound is already cut",
           "pending_.size() > kMaxPending", "pending_.size() >= kMaxPending"),
    Mutant("framer-drop-uncounted", F, "bytes cut on overflow are not counted",
           "droppedBytes_ += drop;", ""),
    Mutant("framer-skip-uncounted", F, "older records in a burst are not counted",
           "skippedRecords_ += records.size() - 1;", ""),
    Mutant("framer-reply-early", F, "table reply taken one field early",
           "++commas == kTableReplyFields - 1", "++commas == kTableReplyFields - 2"),
    Mutant("framer-quiet-keeps", F, "a quiet line keeps a partial record for the next read",
           "pending_.clear(); // a quiet line", "// a quiet line"),
    Mutant("framer-glued-suffix", F, "a glued last field keeps the next marker",
           "value.remove_suffix(kMarker.size());", ""),
    Mutant("framer-glued-advance", F, "after a glued record the next marker is skipped",
           "k += glued ? last : last + 1;", "k += last + 1;"),
    Mutant("proto-intake-code", P, "intake command one off",
           "std::to_string(240 + intakeCode)", "std::to_string(241 + intakeCode)"),
    Mutant("proto-round-away", P, "halves round away from zero, not to even",
           "std::nearbyint(*value)", "std::round(*value)"),
    Mutant("proto-int16-top", P, "32767 refused as out of range",
           "rounded > 32767.0", "rounded >= 32767.0"),
    Mutant("proto-marker-range", P, "a marker in field 5 is not found",
           "j <= 5 &&", "j < 5 &&"),
    Mutant("proto-plus-sign", "src/common/Numbers.cpp", "a leading plus sign is refused",
           "s.remove_prefix(1); // from_chars takes no plus sign", "// from_chars"),
    Mutant("proto-float-range", P, "live values beyond single precision accepted",
           "!value || !std::isfinite(static_cast<float>(*value))", "!value"),
    Mutant("vet-no-create", V, "saving to a new file fails",
           "if (!file && errno != ENOENT) {", "if (!file) {"),
    Mutant("vet-tail-lost", V, "a longer file loses its tail on save",
           "content += rest;", ""),
    Mutant("vet-temp-left", "src/common/FileReplace_posix.cpp", "a failed save leaves its temporary file",
           "::unlink(temporary.c_str());\n        return error;\n    }\n    return std::nullopt;",
           "return error;\n    }\n    return std::nullopt;"),
    Mutant("vet-fallback-always", V, "any failed replace falls back to writing in place",
           "if (error && noRoomBeside) {", "if (error) {"),
    Mutant("keys-right-edge", K, "right from cell 380 leaves the lattice",
           "if (cell > 379)", "if (cell > 380)"),
    Mutant("keys-down-edge", K, "down refused from row 18",
           "if (row >= 19)", "if (row >= 18)"),
    Mutant("keys-azimuth-step", K, "azimuth step off by 0.01",
           "kAzimuthStep = 0.196349375f", "kAzimuthStep = 0.206349375f"),
    Mutant("keys-no-top-clamp", K, "elevation not clamped at the top",
           "elevation = kElevationLimit;", ""),
    Mutant("keys-saturate-wraps", K, "value step wraps past the 16-bit limits",
           "return; // saturated", "// saturated"),
    Mutant("keys-block-kept", K, "a plain move leaves the block painted",
           "ClearBlock();", ""),
    Mutant("keys-pan-marker", K, "a sideways pan leaves the marker behind",
           "markerLeftOffset += step;", ""),
    Mutant("draw-no-refresh", D, "a full redraw does not clear the canvas",
           "canvas.refresh();", ""),
    Mutant("draw-mesh-short", D, "mesh lines stop one point short",
           "for (int r = 1; r < kLatticeSize; ++r)", "for (int r = 1; r < kLatticeSize - 1; ++r)"),
    Mutant("draw-op-forgotten", D, "the drawn operating point is not remembered",
           "opDrawnRpmIndex = opRpmIndex;", ""),
    Mutant("draw-mark-flipped", D, "selected cell marked on full, not partial, redraws",
           "if (fullRedraw == 0) {", "if (fullRedraw != 0) {"),
    Mutant("mat-rotation-sign", M, "azimuth rotation sign lost",
           "t1[2][1] = -sinT;", "t1[2][1] = sinT;"),
    Mutant("mat-no-divide", M, "no perspective divide of x",
           "u[1] /= u[4];", ""),
    Mutant("mat-pi", M, "pi nudged in VectorAngle",
           "angle += 3.14159f;", "angle += 3.1416f;"),
    Mutant("geo-lattice-scale", "src/surface/Geometry.cpp", "lattice scale nudged",
           "world[4] = 1.1f;", "world[4] = 1.2f;"),
    Mutant("table-gauge-offset", "src/table/VeTable.h", "gauge offset nudged",
           "kHeaderAtmospherePsi = 14.6;", "kHeaderAtmospherePsi = 14.7;"),
    Mutant("grid-block-short", "src/table/GridView.cpp", "block paint misses its last column",
           "c <= colHigh", "c < colHigh"),
    Mutant("readout-negative-tie", "src/link/Readouts.cpp", "negative ties round toward zero",
           "(scaled < 0 ? -1 : 1)", "1"),
    Mutant("switch-framer-kept", "src/link/Switching.cpp", "real time keeps input from before",
           "framer_.clear(); // a re-opened", "// a re-opened"),
    Mutant("writeback-goes-on", "src/link/WriteBack.cpp", "a refused cell write goes on loading",
           "return; // the load ends", "// the load ends"),
    Mutant("save-low-bits", "src/table/VetFile.cpp", "saved cells lose their top bit",
           "table[k] & 0xFF", "table[k] & 0x7F"),
    Mutant("marker-round-away", "src/marker/RegionFromPicture.cpp", "half-pixel heights round away",
           "std::nearbyint(pic.scaleHeight()", "std::round(pic.scaleHeight()"),
    Mutant("marker-ring-inset", "src/marker/ShapeMarker.cpp", "ring inset by 2 pixels, not 3",
           "3.0f * pic.twipsPerPixelX()", "2.0f * pic.twipsPerPixelX()"),
    Mutant("log-skipped-not-logged", "src/link/Receive.cpp", "records a burst skips are not logged",
           "LogSkippedRecord(records[i]);", ""),
    Mutant("log-flush-late", "src/datalog/Recorder.cpp", "rows wait one step past the flush time",
           "lastFlushMs_ >= kFlushMs", "lastFlushMs_ > kFlushMs"),
    Mutant("log-stop-drops", "src/datalog/Recorder.cpp", "stopping closes without writing",
           "if (state_ == State::On && flush()) {", "if (state_ == State::On) {"),
    Mutant("log-cut-row-read", "src/datalog/LogRows.cpp",
           "a row cut by a kill is read as a whole one",
           "if (!terminated) {\n            cutShort_ = true;",
           "if (false) {\n            cutShort_ = true;"),
    Mutant("log-failure-keeps-going", "src/datalog/Recorder.cpp", "a failed write keeps recording",
           "    pending_.clear();\n    state_ = State::Off;\n    if (written_ == 0)",
           "    pending_.clear();\n    if (written_ == 0)"),
    # The tuning: the solve, its suggestions, live tuning, the delay model and its estimate.
    Mutant("solve-residual-sign", S, "a cell's records read as the opposite correction",
           "row.t = bin.ySum / bin.records / model - 1;",
           "row.t = 1 - bin.ySum / bin.records / model;"),
    Mutant("solve-prior-unsquared", S, "the pull toward the table weighs 1/sigma, not 1/sigma^2",
           "1 / (prior * prior)", "1 / prior"),
    Mutant("solve-cauchy-flat", S, "the edge-preserving weight no longer falls off",
           "return 1 / (1 + x * x);", "return 1 / (1 + 0.01 * x * x);"),
    Mutant("solve-uncertainty-no-chi", S, "the uncertainty ignores how much the records disagree",
           "std::max(0.0, variance(at)) * chi(at)", "std::max(0.0, variance(at))"),
    Mutant("suggest-deadband-inclusive", G, "a change of exactly the deadband is made",
           "!(change > options.deadbandPercent)", "!(change >= options.deadbandPercent)"),
    Mutant("suggest-no-step-limit", G, "the step limit is not applied",
           "std::clamp(std::nearbyint(base * ratio), lowest, highest)",
           "std::nearbyint(base * ratio)"),
    Mutant("live-reapply-without-hits", "src/live/LiveTuner.cpp",
           "a cell applied is applied again without new records",
           "- *hitsAtApply_[cell] >= options_.minHits", "- *hitsAtApply_[cell] >= 0"),
    Mutant("delay-no-pressure-part", W, "the flow delay ignores manifold pressure",
           "(kAtmosphereForFlowPsi / mapPsi)", "1.0"),
    Mutant("delay-sensor-doubled", "src/model/WidebandDelay.h", "the sensor's response doubled",
           "kSensorResponseS = 0.06", "kSensorResponseS = 0.12"),
    Mutant("lag-top-missed", L, "a lag at the top of the range is taken as found",
           "fastest >= kLongestDelayS", "fastest > kLongestDelayS"),
    Mutant("lag-range-short", L, "the grid stops one step short of the range's top",
           "for (int m = 0; m < kLagGridSteps; ++m)", "for (int m = 0; m + 1 < kLagGridSteps; ++m)"),
    Mutant("lag-always-tells", L, "a drive that cannot tell a lag is said to find one",
           "if (!(best.scatter <", "if (false && !(best.scatter <"),
    Mutant("judge-transient-window", "src/tune/TuneOptions.h", "the transient watch spans 0.5 s",
           "kRateWindowS = 0.1", "kRateWindowS = 0.5"),
    Mutant("table-in-force-late", "src/tune/TableInForce.cpp",
           "a write counts only after the moment it was made",
           "writes_[applied_].timeS <= timeS", "writes_[applied_].timeS < timeS"),
    Mutant("apply-no-backup", "src/link/PacedWrites.cpp", "an apply of many cells keeps no table first",
           "    if (archive_) {\n        const auto keep", "    if (false) {\n        const auto keep"),
    # The binary log and the viewer.
    Mutant("mlg-decimal-step-float", "src/datalog/Mlg.cpp",
           "a decimal scale is read as its float, a count of ms off past ten million",
           "if (field.scale != static_cast<float>(1 / steps)) {", "if (true) {"),
    Mutant("rows-ragged-refuses", "src/datalog/LogRows.cpp",
           "a row that does not read ends the log instead of being left out",
           "        ++skipped_;\n", "        fault_ = *error;\n        return std::nullopt;\n"),
    Mutant("steps-last-digits", "src/datalog/MlgLog.cpp",
           "a channel keeps the decimals of its last value, not of its most precise",
           "digits_[c] = std::max(digits_[c], digits);", "digits_[c] = digits;"),
    Mutant("rounded-uncounted", "src/datalog/LogEncoder.cpp",
           "a recording never says it rounded a value",
           "rounded_ += LosesDigits(values[c], steps_[c]) ? 1 : 0;", ""),
    Mutant("cursor-later-record", "src/view/ViewedLog.cpp",
           "at a record's own time the cursor reads the record before it",
           "std::upper_bound(timeS.begin(), timeS.end(), at)",
           "std::lower_bound(timeS.begin(), timeS.end(), at)"),
    Mutant("envelope-low-first", "src/view/Envelope.cpp",
           "a bucket's lowest value is drawn first whenever it came",
           "const auto [first, second] = std::minmax(low, high);",
           "const auto [first, second] = std::pair(low, high);"),
    Mutant("hits-warm-ignored", "src/view/DriveHits.cpp",
           "the hits map's warm switch changes nothing",
           "        options.minTempF.reset();\n", ""),
]


def run(cmd, cwd=ROOT):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def build(build_dir):
    return run(LOCK + ["cmake", "--build", str(build_dir), "-j2"])


def test(build_dir):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    cmd = ["ctest", "-L", "unit|qt", "--output-on-failure", "-j2", "--timeout", "120",
           "--stop-on-failure", "--no-tests=error"]
    return subprocess.run(cmd, cwd=build_dir, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)


def first_failure(output):
    found = re.search(r"^\s*\d+ - (\S+) \(", output.split("tests FAILED:")[-1], re.M)
    return found.group(1) if found else "?"


def fail(message):
    print(f"mutants.py: {message}", file=sys.stderr)
    sys.exit(2)


def check(mutants):
    for m in mutants:
        count = (ROOT / m.path).read_text().count(m.old)
        if count != 1:
            fail(f"mutant {m.name}: snippet {m.old!r} occurs {count} times in {m.path}")


def harness_failure(what, result):
    print(result.stdout[-4000:])
    fail(f"{what} failed on the unmutated tree")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(ROOT / "build-mutants"))
    parser.add_argument("--only", nargs="+", metavar="NAME")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--min-score", type=float, metavar="P")
    args = parser.parse_args()
    names = {m.name for m in MUTANTS}
    unknown = set(args.only or []) - names
    if unknown or len(names) != len(MUTANTS):
        fail(f"unknown or repeated mutant names: {sorted(unknown) or 'repeated'}")
    mutants = [m for m in MUTANTS if not args.only or m.name in args.only]
    check(mutants)
    if args.list:
        for m in mutants:
            print(f"{m.name:24} {m.path:34} {m.what}")
        return 0
    # Ctrl+C and kill both unwind through the finally that restores the file.
    signal.signal(signal.SIGTERM, signal.default_int_handler)

    build_dir = Path(args.build).resolve()
    if not (build_dir / "CMakeCache.txt").exists():
        result = run(LOCK + ["cmake", "-S", str(ROOT), "-B", str(build_dir),
                             "-DCMAKE_BUILD_TYPE=RelWithDebInfo"])
        if result.returncode:
            harness_failure("configure", result)
    for what, step in (("build", build), ("tests", test)):
        result = step(build_dir)
        if result.returncode:
            harness_failure(what, result)

    results = []
    for i, m in enumerate(mutants, 1):
        source = ROOT / m.path
        original = source.read_text()
        try:
            source.write_text(original.replace(m.old, m.new, 1))
            if build(build_dir).returncode:
                outcome, by = "error", "does not compile"
            else:
                result = test(build_dir)
                outcome, by = "survived", ""
                if result.returncode:
                    outcome, by = "caught", first_failure(result.stdout)
        finally:
            source.write_text(original)
        results.append((m, outcome, by))
        print(f"[{i}/{len(mutants)}] {m.name}: {outcome} {by}", flush=True)

    if build(build_dir).returncode:
        print("warning: the clean tree did not rebuild", file=sys.stderr)
    print(f"\n{'mutant':24} {'file':34} {'result':9} caught by / fault")
    for m, outcome, by in results:
        print(f"{m.name:24} {m.path:34} {outcome:9} {by if outcome == 'caught' else m.what}")
    scored = [r for r in results if r[1] != "error"]
    caught = sum(r[1] == "caught" for r in scored)
    score = 100.0 * caught / len(scored) if scored else 0.0
    errors = len(results) - len(scored)
    print(f"mutants: {caught} of {len(scored)} caught ({score:.0f}%)"
          + (f", {errors} did not compile" if errors else ""))
    return 1 if args.min_score is not None and score < args.min_score else 0


if __name__ == "__main__":
    sys.exit(main())
