#!/usr/bin/env python3
"""Prints the golden points of the projections that PROJ cannot check to the
millimetre, evaluated here from their published formulas in Python's double
arithmetic, independently of the C++ code:

- Robinson between its 5-degree nodes: Stirling's second-difference
  interpolation of Robinson's 1974 table (USGS PP 1453) on a sphere of radius
  a, with the degree factor 0.01745329252;
- Wagner VII with the constants 0.90631, 2.66723 and 1.24104 on the sphere of
  equal area (PROJ's wag7 takes sin 65 degrees instead of 0.90631).

Usage: gen_goldens.py; the rows go into ProjectionClassesTest.cpp by hand.
"""

import math

A_WGS84 = 6378137.0
F_WGS84 = 1 / 298.257223563

PLEN = [1.0000, .9986, .9954, .9900, .9822, .9730, .9600, .9427, .9216, .8962, .8679, .8350,
        .7986, .7597, .7186, .6732, .6213, .5722, .5322]
PDFE = [0, .0620, .1240, .1860, .2480, .3100, .3720, .4340, .4958, .5571, .6176, .6769, .7346,
        .7903, .8435, .8936, .9394, .9761, 1.0000]


def stirling(column, i, p):
    """Row i of the table (row -1 mirrors row 1), fraction p."""
    def at(k):
        return column[abs(k)] if column is PLEN else math.copysign(column[abs(k)], k)
    before, here, after = at(i - 1), at(i), at(i + 1)
    return here + p * (after - before) / 2 + p * p * (after - 2 * here + before) / 2


def robinson(lon, lat):
    p = abs(lat / 5 / 0.01745329252)
    i = int(p - 1e-10)
    p -= i
    x = A_WGS84 * stirling(PLEN, i, p) * 0.9858 * lon
    y = math.copysign(1, lat) * A_WGS84 * stirling(PDFE, i, p) * math.pi / 2
    return x, y


def equal_area_radius(a, f):
    e2 = f * (2 - f)
    return a * (1 - e2 / 6 - 17 * e2 ** 2 / 360 - 67 * e2 ** 3 / 3024)


def wagner7(dlon, lat, r):
    sin_psi = 0.90631 * math.sin(lat)
    cos_psi = math.sqrt(1 - sin_psi * sin_psi)
    k = math.sqrt(2 / (1 + cos_psi * math.cos(dlon / 3)))
    return 2.66723 * r * cos_psi * k * math.sin(dlon / 3), 1.24104 * r * sin_psi * k


def main():
    print("Robinson on WGS 84 (lambda, phi in radians; x, y in metres):")
    for lon, lat in ((1, 0.6), (-2.5, -1.2), (3, 1.55), (0.25, 0.02)):
        print("  {%r, %r, %r, %r}," % ((lon, lat) + robinson(lon, lat)))
    r = equal_area_radius(A_WGS84, F_WGS84)
    print("Wagner VII on WGS 84 (delta lambda, phi in radians; x, y in metres):")
    for dlon, lat in ((0.3, 0.2), (-1.7, 0.9), (3.1, -1.3), (-3.14, -0.05), (2.2, 1.5)):
        print("  {%r, %r, %r, %r}," % ((dlon, lat) + wagner7(dlon, lat, r)))


if __name__ == "__main__":
    main()
