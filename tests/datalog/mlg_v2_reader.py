#!/usr/bin/env python3
"""Prints a version-2 MegaLogViewer binary log (.mlg) as CSV, read on its own from the published
layout, to check the C++ writer and reader against a reader that shares none of their code.

    mlg_v2_reader.py LOG.mlg

The first line names the columns: kind, time, then each field as NAME[UNITS]. Each block is a
line: "record", its time in seconds and its values as shown ((raw + transform) * scale, the raw
bits of a bit field), or "marker", its time and its text. The time adds up the blocks'
timestamps, 10 µs ticks that wrap at 65536. Values are printed so that they read back exactly.
"""

import csv
import struct
import sys

# type: (struct code, bytes); 10 to 12 are the bit fields.
TYPES = {
    0: (">B", 1), 1: (">b", 1), 2: (">H", 2), 3: (">h", 2), 4: (">I", 4), 5: (">i", 4),
    6: (">q", 8), 7: (">f", 4), 10: (">B", 1), 11: (">H", 2), 12: (">I", 4),
}
FIELD_BYTES = 89
MARKER_BYTES = 50


def text(raw):
    return raw.split(b"\0", 1)[0].decode("latin-1")


def read(data):
    magic, version, _stamp, info_start, data_begin, record_bytes, count = struct.unpack_from(
        ">6sHIIIHH", data, 0)
    if magic != b"MLVLG\0" or version != 2:
        raise ValueError("not a version-2 MLVLG log")
    fields = []
    at = 24
    for _ in range(count):
        kind = data[at]
        name = text(data[at + 1:at + 35])
        units = text(data[at + 35:at + 45])
        if kind in (10, 11, 12):
            scale, transform = None, None
        else:
            scale, transform = struct.unpack_from(">ff", data, at + 46)
        if kind not in TYPES:
            raise ValueError("field %s: unknown type %d" % (name, kind))
        fields.append((name, units, kind, scale, transform))
        at += FIELD_BYTES
    if sum(TYPES[f[2]][1] for f in fields) != record_bytes:
        raise ValueError("the record length does not match the fields")
    if info_start < at or info_start > data_begin:
        raise ValueError("the info lies outside the header")

    rows = []
    at = data_begin
    ticks = None
    last = 0
    while at < len(data):
        kind, _counter, stamp = struct.unpack_from(">BBH", data, at)
        ticks = stamp if ticks is None else ticks + (stamp - last) % 65536
        last = stamp
        time = repr(ticks / 100000)
        if kind == 1:
            rows.append(["marker", time, text(data[at + 4:at + 4 + MARKER_BYTES])])
            at += 4 + MARKER_BYTES
            continue
        if kind != 0:
            raise ValueError("byte %d: unknown block type %d" % (at, kind))
        body = data[at + 4:at + 4 + record_bytes]
        if len(body) < record_bytes or at + 4 + record_bytes >= len(data):
            raise ValueError("byte %d: the last record is cut short" % at)
        if sum(body) % 256 != data[at + 4 + record_bytes]:
            raise ValueError("byte %d: wrong checksum" % at)
        values = []
        offset = 0
        for _name, _units, kind_of_field, scale, transform in fields:
            code, width = TYPES[kind_of_field]
            (raw,) = struct.unpack_from(code, body, offset)
            offset += width
            values.append(repr(raw if scale is None else (raw + transform) * scale))
        rows.append(["record", time] + values)
        at += 4 + record_bytes + 1
    return fields, rows


def main():
    with open(sys.argv[1], "rb") as log:
        fields, rows = read(log.read())
    out = csv.writer(sys.stdout, lineterminator="\n")
    out.writerow(["kind", "time"] + ["%s[%s]" % (f[0], f[1]) for f in fields])
    out.writerows(rows)


if __name__ == "__main__":
    main()
