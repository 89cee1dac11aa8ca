#!/usr/bin/env python3
"""Writes the seeds of the Arc/Info grid harness (fuzz/corpus/arc_binary_grid/):
small integer grids of every tile type and a float grid, packed as the
harness cuts them (hdr, dblbnd, sta, 16-bit index length, index, data)."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "arc_binary_grid")
HEAD = b"\x00\x00\x27\x0a\xff\xff\xfc\x14" + bytes(92)


def tile_body(kind, tw, th, minimum=10):
    n = tw * th
    body = bytes([kind, 4]) + struct.pack(">i", minimum)
    if kind == 0x01:
        body += bytes((0xA5 + r) & 0xFF for r in range(((tw + 7) // 8) * th))
    elif kind == 0x04:
        body += bytes((i * 0x21) & 0xFF for i in range((n + 1) // 2))
    elif kind == 0x08:
        body += bytes(i & 0xFF for i in range(n))
    elif kind == 0x10:
        body += b"".join(struct.pack(">H", i * 7) for i in range(n))
    elif kind in (0xCF, 0xD7):
        size = 2 if kind == 0xCF else 1
        body += bytes([0x85]) + bytes([5]) + bytes(size * 5) + bytes([100])
    elif kind == 0xDF:
        body += bytes([0x85, 100, 0x90, 20])
    elif kind in (0xE0, 0xF0, 0xF8):
        size = {0xE0: 4, 0xF0: 2, 0xF8: 1}[kind]
        body += (bytes([9]) + bytes(size - 1) + bytes([3])) * 8
    elif kind == 0xFF:  # modified Huffman rows of 8 cells: white 3, black 2, white 3
        body += bytes([0x8E, 0x00]) * th
    return body


def grid(kinds, floats=False, tw=8, th=4, width=13, height=7):
    tpr, tpc = (width + tw - 1) // tw, (height + th - 1) // th
    hdr = bytearray(308)
    hdr[0:8] = b"GRID1.2\0"
    struct.pack_into(">i", hdr, 16, 2 if floats else 1)
    struct.pack_into(">dd", hdr, 256, 2.0, 2.0)
    struct.pack_into(">iiii", hdr, 288, tpr, tpc, tw, 1)
    struct.pack_into(">i", hdr, 304, th)
    bnd = struct.pack(">dddd", 1000, 2000, 1000 + 2 * width, 2000 + 2 * height)
    sta = struct.pack(">dd", 0, 0)
    data, index = bytearray(HEAD), bytearray(HEAD)
    for t in range(tpr * tpc):
        if floats:
            body = b"".join(struct.pack(">f", i * 0.5 - 3) for i in range(tw * th))
        else:
            body = tile_body(kinds[t % len(kinds)], tw, th)
        if len(body) % 2:
            body += b"\0"
        index += struct.pack(">II", len(data) // 2, len(body) // 2)
        data += struct.pack(">H", len(body) // 2) + body
    struct.pack_into(">I", data, 24, len(data) // 2)
    struct.pack_into(">I", index, 24, len(index) // 2)
    return bytes(hdr) + bnd + sta + struct.pack(">H", len(index)) + bytes(index) + bytes(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    seeds = {
        "raw-types": grid([0x00, 0x01, 0x04, 0x08]),
        "run-types": grid([0x10, 0xCF, 0xD7, 0xDF]),
        "count-runs": grid([0xE0, 0xF0, 0xF8, 0xFF]),
        "floats": grid([], floats=True),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name + ".bin"), "wb") as f:
            f.write(data)


main()
