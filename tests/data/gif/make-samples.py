#!/usr/bin/env python3
"""Writes the GIF samples whose block structure matters byte by byte: the
block-rich good file, the odd ones and the damaged ones. The image data is
written with a plain LZW stream that sends one code per pixel and a clear
code before the table would grow, which every decoder reads."""
import struct


def pack(codes):
    """(code, bits) pairs packed least significant bit first."""
    bits, count, out = 0, 0, bytearray()
    for c, size in codes:
        bits |= c << count
        count += size
        while count >= 8:
            out.append(bits & 255)
            bits >>= 8
            count -= 8
    if count:
        out.append(bits & 255)
    return bytes(out)


def lzw_plain(pixels, m):
    clear = 1 << m
    codes = [clear]
    n = 0
    for p in pixels:
        if n == clear - 2:
            codes.append(clear)
            n = 0
        codes.append(p)
        n += 1
    codes.append(clear + 1)
    return bytes([m]) + sub_blocks(pack([(c, m + 1) for c in codes]))


def sub_blocks(data, size=255):
    out = bytearray()
    for i in range(0, len(data), size):
        part = data[i:i + size]
        out += bytes([len(part)]) + part
    return bytes(out + b"\0")


def screen(w, h, colors, background=0, version=b"89a"):
    bits = max(1, (len(colors) - 1).bit_length())
    table = b"".join(bytes(c) for c in colors) + b"\0\0\0" * ((1 << bits) - len(colors))
    return b"GIF" + version + struct.pack("<HHBBB", w, h, 0x80 | ((bits - 1) << 4) | (bits - 1),
                                          background, 0) + table


def gce(disposal=0, delay=0, transparent=None):
    packed = (disposal << 2) | (1 if transparent is not None else 0)
    return b"!\xf9\x04" + struct.pack("<BHB", packed, delay, transparent or 0) + b"\0"


def image(x, y, w, h, pixels, m=2, interlaced=False, local=None):
    packed = 0x40 if interlaced else 0
    table = b""
    if local:
        bits = max(1, (len(local) - 1).bit_length())
        packed |= 0x80 | (bits - 1)
        table = b"".join(bytes(c) for c in local) + b"\0\0\0" * ((1 << bits) - len(local))
    rows = [pixels[r * w:(r + 1) * w] for r in range(h)]
    if interlaced:
        order = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
        rows = [rows[r] for r in order]
    data = [p for row in rows for p in row]
    return b"," + struct.pack("<HHHHB", x, y, w, h, packed) + table + lzw_plain(data, m)


def comment(text):
    return b"!\xfe" + sub_blocks(text)


def app(identifier, blocks, size=11):
    return b"!\xff" + bytes([size]) + identifier[:size] + b"".join(bytes([len(b)]) + b for b in blocks) + b"\0"


def loop(count):
    return app(b"NETSCAPE2.0", [b"\x01" + struct.pack("<H", count)])


def plain_text(text):
    rec = struct.pack("<BHHHHBBBB", 12, 0, 0, 8, 6, 8, 8, 1, 0)
    return b"!\x01" + rec + sub_blocks(text)


COLORS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)]
F1 = [0, 1, 2, 3, 3, 2, 1, 0, 2, 2, 2, 2]
F2 = [(x + y) % 2 for y in range(6) for x in range(8)]
LOCAL = [(10, 20, 30), (40, 50, 60)]


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


# extensions of every kind, a local table, interlace, a 300-byte comment
blocks = (screen(8, 6, COLORS, background=1) + loop(3) + comment(b"0123456789" * 30) +
          gce(2, 7, 2) + image(1, 1, 4, 3, F1) +
          plain_text(b"Hello") + app(b"ANIMEXTS1.0", [b"\x01\x05\x00"]) + gce(3, 12) +
          image(0, 0, 8, 6, F2, interlaced=True, local=LOCAL) + b";")
write("good-blocks.gif", blocks)

# legal oddities: zero padding between blocks, two graphic controls, an
# application block of size 10, a frame of width 0 (takes the screen size),
# no trailer, a 4-byte prefix, a lower-case signature, no colour table
write("odd-padding.gif", screen(8, 6, COLORS) + b"\0\0" + gce(0, 5) + image(0, 0, 4, 3, F1) +
      b"\0\0" + image(2, 2, 4, 3, F1) + b"\0\0\0;")
write("odd-two-gces.gif", screen(8, 6, COLORS) + gce(1, 5, 3) + gce(2, 9) + image(0, 0, 4, 3, F1) + b";")
write("odd-app-size10.gif", screen(8, 6, COLORS) + app(b"ABCDEFGHIJ", [b"xyz", b"12"], size=10) +
      image(0, 0, 4, 3, F1) + b";")
write("odd-width0.gif", screen(4, 3, COLORS) + image(0, 0, 0, 3, F1) + b";")
write("odd-no-trailer.gif", screen(8, 6, COLORS) + image(0, 0, 4, 3, F1))
write("odd-prefix.gif", b"ABCD" + screen(8, 6, COLORS) + image(0, 0, 4, 3, F1) + b";")
write("odd-lowercase.gif", b"gif89a" + screen(8, 6, COLORS)[6:] + image(0, 0, 4, 3, F1) + b";")
write("odd-bad-trailer.gif", screen(8, 6, COLORS) + image(0, 0, 4, 3, F1) + b"X")
nomap = b"GIF89a" + struct.pack("<HHBBB", 8, 6, 0, 0, 0)
write("odd-no-color-table.gif", nomap + image(0, 0, 4, 3, F1) + b";")
# the end code comes early: the rest of the frame keeps the fill
write("odd-early-end.gif", screen(8, 6, COLORS) + image(0, 0, 4, 3, F1[:5]) + b";")
# a code size of 9 is read as 8
nine = image(0, 0, 4, 3, F1, m=8)
nine = nine[:10] + b"\x09" + nine[11:]
write("odd-code-size9.gif", screen(4, 3, COLORS) + nine + b";")

# damaged: a cut in the image data, a bad signature, a circular table
# entry, an unknown extension label, a looping block with a short sub-block
photo = open("good-photo.gif", "rb").read()
write("damaged-cut.gif", photo[:len(photo) * 2 // 3])
write("damaged-signature.gif", b"PNG89a" + photo[6:])
# m = 2: clear 4, end 5; codes 4 (clear), 0, then 7 (beyond the next free
# code 6) makes the previous code 7, so the entry 7 made next is its own
# prefix; the codes grow to 4 bits when entry 7 is made
out = pack([(4, 3), (0, 3), (7, 3), (0, 3), (7, 4), (5, 4)])
write("damaged-lzw-cycle.gif", screen(4, 3, COLORS) + b"," + struct.pack("<HHHHB", 0, 0, 4, 3, 0) +
      b"\x02" + sub_blocks(bytes(out)) + b";")
write("damaged-extension.gif", screen(4, 3, COLORS) + b"!\x02\x01\x00\x00" + image(0, 0, 4, 3, F1) + b";")
write("damaged-loop.gif", screen(4, 3, COLORS) + app(b"NETSCAPE2.0", [b"\x01\x05"]) +
      image(0, 0, 4, 3, F1) + b";")
