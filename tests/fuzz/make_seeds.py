#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/. Run it after changing an
input encoding; the seeds are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def table_reply(cell=lambda i: i % 100, intake=1, end=""):
    fields = [str(cell(i)) for i in range(400)]
    fields += [str(5 * (r + 1)) for r in range(20)]
    fields += [str(5 + 2 * p) for p in range(20)]
    return ",".join(fields + [str(intake)]) + end


REC_A = "255,14.7,800,180,14.7,2.5,14.9"
REC_B = "255,20.1,2250,181,13.2,3.1,12.8"


# Receive-path script: release byte, then events (see ReceivePathFuzz.cpp).
class Script:
    def __init__(self, v12=False):
        self.out = bytearray([1 if v12 else 0])

    def feed(self, text):
        data = text.encode() if isinstance(text, str) else text
        self.out += bytes([0]) + struct.pack(">H", len(data)) + data
        return self

    def repeat(self, piece, count):
        data = piece.encode()
        self.out += bytes([3, count - 1, len(data) - 1]) + data
        return self

    def quiet(self):
        self.out.append(4)
        return self

    def clock(self, ms):
        self.out += bytes([6]) + struct.pack(">H", ms)
        return self

    def connect(self):
        self.out.append(7)
        return self

    def realtime(self):
        self.out.append(8)
        return self

    def rt_off(self):
        self.out.append(9)
        return self

    def intake(self, item):
        self.out += bytes([10, item])
        return self

    def key(self, index, shift=0):
        self.out += bytes([11, index, shift])
        return self

    def raw_key(self, code, shift):
        self.out += bytes([11, 255]) + struct.pack(">h", code) + bytes([shift])
        return self

    def load(self, data):
        self.out += bytes([12]) + struct.pack(">H", len(data)) + data
        return self

    def port(self, fail_open=False, budget=None):
        b = (1 if fail_open else 0) | ((100 if budget is None else budget) << 1)
        self.out += bytes([13, b & 0xFF])
        return self

    def com(self, n):
        self.out += bytes([14, n - 1])
        return self

    def save(self):
        self.out.append(15)
        return self


def split(text, *sizes):
    pieces, at = [], 0
    for n in sizes:
        pieces.append(text[at:at + n])
        at += n
    pieces.append(text[at:])
    return pieces


def receive_seeds():
    reply = table_reply(intake=2)
    s = {}
    s["download_then_stream"] = (
        Script().com(3).connect().quiet().feed(reply).quiet().realtime()
        .feed(REC_A + "," + REC_B + ",").feed("255,19.9,30").feed("00,1,2,3,4,").quiet()
        .key(4).key(5).key(0).key(1, 1).key(2, 2).key(3, 1).rt_off().feed(REC_A + ",").out)
    s["v12_download_pan_and_stream"] = (
        Script(v12=True).connect().quiet().feed(table_reply(intake=3)).quiet().realtime()
        .key(0, 1).key(3, 1).feed(REC_B + "\r\n").key(5).out)
    sc = Script().connect().quiet()
    for piece in split(reply, 7, 300, 1, 500):
        sc.feed(piece)
    s["reply_in_pieces"] = sc.quiet().out
    s["realtime_before_reply"] = (
        Script().connect().quiet().realtime().feed(reply + "," + REC_A + ",").quiet().out)
    s["stream_during_drain"] = (
        Script().realtime().connect().feed(REC_A + ",").feed(REC_B).clock(40).quiet()
        .feed(reply + "\r\n").quiet().out)
    s["stream_ignores_rt_off"] = (
        Script().connect().feed(REC_A + ",").clock(2000).feed(REC_B + ",").quiet().out)
    s["short_and_bad_replies"] = (
        Script().connect().quiet().feed(",".join(["1"] * 300)).quiet()
        .connect().quiet().feed(table_reply().replace(",7,", ",x,", 1)).quiet()
        .connect().quiet().feed(table_reply(cell=lambda i: 40000 if i == 9 else i)).quiet().out)
    s["hostile_numbers"] = (
        Script().connect().quiet().feed(reply).quiet().realtime()
        .feed("255,1e308,-0,NaN,32768,inf,1" + "9" * 300 + ",").quiet()
        .feed("255,3.4028236e38,1e38,-1e38,1e-320,0x10,14.9,").quiet()
        .feed("\0\0\0255,14.7,800\0,180,14.7,2.5,14.9,").quiet().out)
    s["overflow_without_commas"] = (
        Script().connect().quiet().realtime().repeat("1234567890" * 25, 64)
        .repeat("255,", 40).feed(REC_A + ",").quiet().out)
    s["file_loads_between_reads"] = (
        Script().connect().quiet().feed(reply[:900]).load(bytes(range(256)) + bytes(144))
        .feed(reply[900:]).quiet().load(bytes(399)).port(budget=5).load(bytes([9]) * 400)
        .port().realtime().feed(REC_A + ",").save().out)
    s["port_faults"] = (
        Script().port(fail_open=True).connect().realtime().port(budget=0).connect().quiet()
        .key(4).intake(1).port().connect().quiet().feed(reply).quiet().out)
    s["intakes_and_keys_at_the_edges"] = (
        Script().connect().quiet().feed(reply).quiet().intake(0).intake(2).realtime()
        .key(0).key(1).key(2, 1).key(2, 1).key(3, 1).raw_key(-1, 3).raw_key(187, 7)
        .feed(REC_A + "," + REC_A.replace("14.9", "14.9255") + ",1,2,3,4,5,6,").quiet().out)
    return s


def parser_seeds():
    def text(body, *splits):
        return bytes([len(splits)]) + b"".join(struct.pack(">H", n) for n in splits) + body

    reply = table_reply().encode()
    s = {}
    s["reply"] = text(reply)
    s["reply_crlf_pieces"] = text(table_reply(end="\r\n255,1,2").encode(), 7, 300, 301, 900)
    s["records"] = text((REC_A + "," + REC_B + "\r\n" + REC_A + ",").encode(), 5, 40, 41)
    s["glued_records"] = text((REC_A + REC_B + REC_A + ",").encode(), 30, 62)
    s["marker_late"] = text(b"1,255,2,255,14.7,800,180,14.7,2.5,14.9")
    for name, number in [("big", "1e308"), ("negzero", "-0"), ("nan", "NaN"), ("wide", "32768"),
                         ("half", " 2.5\r\n"), ("neghalf", "-32768.5"), ("digits", "9" * 400),
                         ("tiny", "4.9406564584124654e-324"), ("plus", "+.5e-1")]:
        s["number_" + name] = text(number.encode())
    s["double_bits"] = text(struct.pack("<d", 0.1) + b",1")
    return s


def vet_seeds():
    s = {}
    cells = bytes(range(256)) + bytes(range(144))
    s["v17_connected"] = bytes([0xFE]) + cells
    s["v12"] = bytes([0xFF]) + cells
    s["short"] = bytes([0xFE]) + cells[:399]
    s["long"] = bytes([0xFE]) + cells + b"\x07" * 600
    s["refused_at_cell_9"] = bytes([0x06]) + cells
    s["empty"] = bytes([0xFE])
    return s


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bytes(data))


write("fuzz_receive_path", receive_seeds())
write("fuzz_parsers", parser_seeds())
write("fuzz_vet_load", vet_seeds())
