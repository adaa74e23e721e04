#!/usr/bin/env python3
"""A stand-in Torvex on a pseudo-terminal, enough to look at the window.

Usage: pty_device.py LINK_PATH
Makes LINK_PATH a symlink to the serial end and prints that path. Answers "<121>" with a
441-field table reply, streams live records after "<255>" until "<201>", and ignores every
other command. Point TVX_COM1 at LINK_PATH.
"""
import math
import os
import re
import select
import sys
import time
import tty


def table_reply():
    cells = []
    for p in range(20):  # pressure index
        for r in range(20):  # RPM index
            cells.append(40 + 2 * r + 3 * p - (r - 10) ** 2 // 4)
    rpm = [5 * (r + 1) for r in range(20)]  # hundreds of RPM
    psi = [5 + 2 * p for p in range(20)]  # absolute PSI
    return ",".join(str(v) for v in cells + rpm + psi + [1])


def live_record(t):
    rpm = 2500 + 1500 * math.sin(t / 3)
    psi = 20 + 8 * math.sin(t / 2)
    return "255,%.2f,%.0f,180,14.7,2.50,14.9\r\n" % (psi, rpm)


def main():
    link = sys.argv[1]
    master, slave = os.openpty()
    tty.setraw(slave)
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(os.ttyname(slave), link)
    print(os.ttyname(slave), flush=True)
    streaming = False
    pending = b""
    start = time.monotonic()
    while True:
        ready, _, _ = select.select([master], [], [], 0.1)
        if ready:
            pending += os.read(master, 4096)
            for command in re.findall(rb"<[^>]*>", pending):
                if command == b"<121>":
                    os.write(master, table_reply().encode())
                elif command == b"<255>":
                    streaming = True
                elif command == b"<201>":
                    streaming = False
            pending = pending[pending.rfind(b">") + 1:]
        if streaming:
            os.write(master, live_record(time.monotonic() - start).encode())


if __name__ == "__main__":
    main()
