#!/usr/bin/env python3
"""A drive converted by tvxctl to the binary log, read back by readers that share no code with
ours: the npm package mlg-converter (version 1; installed in this test's own folder) and
mlg_v2_reader.py (version 2, from the published layout). Every value must equal the .msl's to the
digits it shows; and tvxctl analyze of the .mlg must suggest exactly what it does of the .msl.

    independent_readers.py TVXSIM TVXCTL WORK_DIR
"""

import csv
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERTER = "mlg-converter@0.8.1"


def run(*args, cwd):
    done = subprocess.run(args, cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(args)} failed ({done.returncode}):\n{done.stdout}{done.stderr}")
    return done


def msl_rows(path):
    with open(path, encoding="latin-1") as f:
        lines = [line.rstrip("\n") for line in f if not line.startswith('"')]
    names = lines[0].split("\t")
    return names, [line.split("\t") for line in lines[2:] if line]


def decimals(shown):
    return len(shown.split(".")[1]) if "." in shown else 0


def same_to_shown_digits(shown, value):
    """The .msl's text against a reader's number: equal once rounded to the text's decimals."""
    return round(float(value), decimals(shown)) == round(float(shown), decimals(shown))


def compare(names, rows, read_names, read_rows, reader):
    if read_names != names:
        sys.exit(f"{reader}: channels {read_names}, the .msl has {names}")
    if len(read_rows) != len(rows):
        sys.exit(f"{reader}: {len(read_rows)} records, the .msl has {len(rows)}")
    for k, (want, got) in enumerate(zip(rows, read_rows)):
        for name, shown, value in zip(names, want, got):
            if not same_to_shown_digits(shown, value):
                sys.exit(f"{reader}: record {k + 1}, {name}: {value}, the .msl shows {shown}")
    print(f"{reader}: {len(rows)} records x {len(names)} channels equal to the .msl's digits")


def main():
    tvxsim, tvxctl, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    run(tvxsim, "--write-log", "drive.msl", "--seconds", "120", "--seed", "11", cwd=work)
    run(tvxctl, "convert", "drive.msl", "v1.mlg", cwd=work)
    run(tvxctl, "convert", "drive.msl", "v2.mlg", "--mlg-version", "2", cwd=work)
    names, rows = msl_rows(os.path.join(work, "drive.msl"))

    # Version 1 through mlg-converter, installed beside the log the first time.
    npm = os.path.join(work, "..", "mlg-converter")
    os.makedirs(npm, exist_ok=True)
    if not os.path.isdir(os.path.join(npm, "node_modules", "mlg-converter")):
        run("npm", "install", "--no-audit", "--no-fund", CONVERTER, cwd=npm)
    run("npx", "--prefix", npm, "mlg-converter", "--format=csv", os.path.join(work, "v1.mlg"),
        cwd=npm)
    with open(os.path.join(work, "v1.csv"), encoding="latin-1") as f:
        table = list(csv.reader(f, delimiter=";"))
    compare(names, rows, table[0], table[2:], "mlg-converter (version 1)")

    # Version 2 through our reader from the published layout.
    out = run(sys.executable, os.path.join(HERE, "mlg_v2_reader.py"), "v2.mlg", cwd=work).stdout
    table = list(csv.reader(out.splitlines()))
    read_names = [column.split("[")[0] for column in table[0][2:]]
    records = [row[2:] for row in table[1:] if row[0] == "record"]
    compare(names, rows, read_names, records, "mlg_v2_reader.py (version 2)")

    # The analysis reads the binary log as the text.
    for log in ("v1.mlg", "v2.mlg"):
        shutil.copy(os.path.join(work, "drive.table.json"),
                    os.path.join(work, log.rsplit(".", 1)[0] + ".table.json"))
    results = {}
    for log in ("drive.msl", "v1.mlg", "v2.mlg"):
        done = run(tvxctl, "analyze", log, "-o", log + ".vet", "--cells", log + ".cells.csv",
                   cwd=work)
        summary = [line for line in done.stderr.splitlines() if "cells changed" in line]
        with open(os.path.join(work, log + ".vet"), "rb") as f:
            vet = f.read()
        with open(os.path.join(work, log + ".cells.csv"), "rb") as f:
            cells = f.read()
        results[log] = (summary, vet, cells)
    for log in ("v1.mlg", "v2.mlg"):
        if results[log] != results["drive.msl"]:
            sys.exit(f"tvxctl analyze of {log} differs from the .msl's: {results[log][0]} against "
                     f"{results['drive.msl'][0]}")
    print("tvxctl analyze: the same suggestion, cells and summary from the .msl and both .mlg:",
          results["drive.msl"][0])


if __name__ == "__main__":
    main()
