"""Reference values for the VAX D-float conversion, computed on the whole
64-bit pattern (sign 1 bit, exponent 8 bits, fraction 55 bits; IEEE keeps the
top 52 fraction bits and ORs the dropped three into the lowest). Patterns come
from splitmix64 seeded with 0x5EED; the test regenerates them.
Prints the FNV-1a 64 digest of all result bit patterns and the first rows.
Usage: python3 make_dfloat_vectors.py > dfloat.vectors"""
import struct

MASK = (1 << 64) - 1


def splitmix(state):
    state = (state + 0x9E3779B97F4A7C15) & MASK
    z = state
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
    return state, z ^ (z >> 31)


def convert(v):
    sign = v >> 63
    e = (v >> 55) & 0xFF
    frac = v & ((1 << 55) - 1)
    out = frac >> 3
    if frac & 7:
        out |= 1
    bits = (sign << 63) | ((e + 894 if e else 0) << 52) | out
    d = struct.unpack("<d", struct.pack("<Q", bits))[0]
    if abs(d) > 1e20:
        bits = 0
    return bits


def file_bytes(v):
    # four 16-bit words, most significant first, each little-endian
    words = [(v >> s) & 0xFFFF for s in (48, 32, 16, 0)]
    return b"".join(struct.pack("<H", w) for w in words)


state = 0x5EED
digest = 0xCBF29CE484222325
rows = []
for i in range(1000000):
    state, v = splitmix(state)
    r = convert(v)
    for k in range(8):
        digest = ((digest ^ ((r >> (8 * k)) & 0xFF)) * 0x100000001B3) & MASK
    if i < 32:
        rows.append("%s %016x" % (file_bytes(v).hex(), r))
print("digest %016x" % digest)
print("\n".join(rows))
