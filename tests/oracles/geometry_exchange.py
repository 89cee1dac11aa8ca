#!/usr/bin/python3
"""Writes the shape tables the geometry exchange tests compare against.

Usage: geometry_exchange.py <output folder>

Seeded points, multipoints, lines (one and several parts) and polygons (with
holes, and with several islands) are written by shapely (GEOS) as
well-known binary, little- and big-endian; and seeded points are tested
against seeded polygons with holes by GEOS's `contains`. The tables are
committed under tests/data/wkb; a CTest re-runs this script when shapely is
present and diffs its output with them.

Line format of exchange.txt (tab-separated):
    kind  text  little-endian-hex  big-endian-hex
where text is the geometry as well-known text with every coordinate written
by repr() (exact), multipoints without inner parentheses.
Point-in-polygon.txt: a line with the polygon's text, then lines of
    x  y  inside(0/1)
for it; the next polygon's text starts the next group.
"""
import random
import sys

from shapely import wkb
from shapely.geometry import LineString, MultiLineString, MultiPoint, MultiPolygon, Point, Polygon
from shapely.geometry.polygon import orient


def coord(rng):
    # Mixed magnitudes and fractions, exact in binary and in repr().
    return rng.choice([rng.uniform(-180, 180), rng.randint(-1000, 1000),
                       rng.uniform(-1e7, 1e7), rng.uniform(-1, 1) * 1e-3])


def ring(rng, cx, cy, r, n, clockwise):
    import math
    pts = []
    for i in range(n):
        a = 2 * math.pi * i / n
        rr = r * rng.uniform(0.6, 1.0)
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    if clockwise:
        pts.reverse()
    return pts + [pts[0]]


def text_of_points(pts):
    return ", ".join("%r %r" % (x, y) for x, y in pts)


def text(kind, parts):
    if kind == "POINT":
        return "POINT(%s)" % text_of_points(parts)
    if kind in ("MULTIPOINT", "LINESTRING"):
        return "%s(%s)" % (kind, text_of_points(parts))
    if kind in ("MULTILINESTRING", "POLYGON"):
        return "%s(%s)" % (kind, ", ".join("(%s)" % text_of_points(p) for p in parts))
    return "MULTIPOLYGON(%s)" % ", ".join(
        "(%s)" % ", ".join("(%s)" % text_of_points(r) for r in poly) for poly in parts)


def shapes(rng):
    for _ in range(40):
        p = (coord(rng), coord(rng))
        yield "POINT", [p], Point(p)
    for _ in range(40):
        pts = [(coord(rng), coord(rng)) for _ in range(rng.randint(1, 12))]
        yield "MULTIPOINT", pts, MultiPoint(pts)
    for _ in range(40):
        pts = [(coord(rng), coord(rng)) for _ in range(rng.randint(2, 20))]
        # A vertex equal to its predecessor is kept by GEOS but merged by the
        # line builder; the tables keep the vertices distinct.
        yield "LINESTRING", pts, LineString(pts)
    for _ in range(40):
        parts = [[(coord(rng), coord(rng)) for _ in range(rng.randint(2, 8))]
                 for _ in range(rng.randint(2, 5))]
        yield "MULTILINESTRING", parts, MultiLineString(parts)
    for _ in range(40):
        cx, cy, r = rng.uniform(-1000, 1000), rng.uniform(-1000, 1000), rng.uniform(1, 500)
        outer = ring(rng, cx, cy, r, rng.randint(3, 16), True)
        holes = [ring(rng, cx + dx * r * 0.4, cy, r * 0.15, rng.randint(3, 8), False)
                 for dx in (-1, 1)[:rng.randint(0, 2)]]
        parts = [outer] + holes
        yield "POLYGON", parts, Polygon(outer, holes)
    for _ in range(40):
        polys = []
        for k in range(rng.randint(2, 4)):
            cx, cy, r = 3000 * k + rng.uniform(-100, 100), rng.uniform(-1000, 1000), rng.uniform(1, 900)
            outer = ring(rng, cx, cy, r, rng.randint(3, 12), True)
            holes = [ring(rng, cx, cy, r * 0.3, rng.randint(3, 6), False)] if rng.random() < 0.5 else []
            polys.append([outer] + holes)
        yield "MULTIPOLYGON", polys, MultiPolygon([(p[0], p[1:]) for p in polys])


def point_in_polygon(rng, out):
    import math
    for _ in range(20):
        cx, cy, r = rng.uniform(-100, 100), rng.uniform(-100, 100), rng.uniform(5, 50)
        outer = ring(rng, cx, cy, r, rng.randint(5, 20), True)
        hole = ring(rng, cx, cy, r * 0.3, rng.randint(3, 8), False)
        island = ring(rng, cx + 3 * r, cy, r * 0.5, 6, True)
        geom = MultiPolygon([(outer, [hole]), (island, [])])
        poly_text = text("MULTIPOLYGON", [[outer, hole], [island]])
        out.write("%s\n" % poly_text)
        written = 0
        while written < 500:
            x, y = rng.uniform(cx - r, cx + 3.6 * r), rng.uniform(cy - r, cy + r)
            if geom.boundary.distance(Point(x, y)) < 1e-9:
                continue
            out.write("%r\t%r\t%d\n" % (x, y, 1 if geom.contains(Point(x, y)) else 0))
            written += 1


def main():
    folder = sys.argv[1]
    rng = random.Random(20261210)
    with open(folder + "/exchange.txt", "w") as out:
        for kind, parts, geom in shapes(rng):
            out.write("%s\t%s\t%s\t%s\n" % (kind, text(kind, parts), wkb.dumps(geom, hex=True),
                                            wkb.dumps(geom, hex=True, big_endian=True)))
    with open(folder + "/point-in-polygon.txt", "w") as out:
        point_in_polygon(rng, out)


if __name__ == "__main__":
    main()
