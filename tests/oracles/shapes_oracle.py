#!/usr/bin/env python3
"""Writes the tables of line and polygon measures that the shape tests check
our geometry against, computed by shapely (GEOS) from seeded random shapes.

    shapes_oracle.py            rewrite tests/data/shapes/*.txt
    shapes_oracle.py --check    recompute and compare (exit 77 without shapely)

Each table line is a list of numbers. A geometry is written as its part
count, then per part the vertex count and the X Y pairs; rings are closed.
"""
import os
import random
import sys

try:
    from shapely.geometry import LineString, MultiLineString, MultiPoint, Point, Polygon, box
    from shapely.geometry.polygon import orient
    from shapely import ops
except ImportError:
    # Debian's shapely belongs to the system interpreter.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != "/usr/bin/python3":
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    if "--check" in sys.argv:
        print("shapely is not installed: nothing to check")
        sys.exit(77)
    raise

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data", "shapes")


def num(v):
    return repr(float(v))


def geometry(parts):
    out = [str(len(parts))]
    for part in parts:
        out.append(str(len(part)))
        for x, y in part:
            out += [num(x), num(y)]
    return out


def coord(rnd, lo=-50, hi=50):
    return round(rnd.uniform(lo, hi), 3)


def random_line(rnd, n):
    return [(coord(rnd), coord(rnd)) for _ in range(n)]


def random_box(rnd):
    x0, x1 = sorted((coord(rnd, -40, 40), coord(rnd, -40, 40)))
    y0, y1 = sorted((coord(rnd, -40, 40), coord(rnd, -40, 40)))
    if x1 - x0 < 1:
        x1 = x0 + 1
    if y1 - y0 < 1:
        y1 = y0 + 1
    return x0, y0, x1, y1


def lines_table(rnd, count):
    """A line; a query point; its length and distance; the point at d; the
    sub-line from..to (length, ends); a window and the clipped length."""
    rows = []
    for _ in range(count):
        pts = random_line(rnd, rnd.randint(2, 9))
        line = LineString(pts)
        q = (coord(rnd), coord(rnd))
        d = round(rnd.uniform(0, line.length), 3)
        a, b = sorted((round(rnd.uniform(0, line.length), 3), round(rnd.uniform(0, line.length), 3)))
        at = line.interpolate(d)
        sub = ops.substring(line, a, b)
        s0, s1 = sub.coords[0], sub.coords[-1]
        w = random_box(rnd)
        clipped = line.intersection(box(*w)).length
        rows.append(geometry([pts]) + [num(q[0]), num(q[1]), num(line.length),
                    num(line.distance(Point(q))), num(d), num(at.x), num(at.y), num(a), num(b),
                    num(sub.length), num(s0[0]), num(s0[1]), num(s1[0]), num(s1[1])]
                    + [num(v) for v in w] + [num(clipped)])
    return rows


def multilines_table(rnd, count):
    """A line of several parts; its length; a window and the clipped length."""
    rows = []
    for _ in range(count):
        parts = [random_line(rnd, rnd.randint(2, 7)) for _ in range(rnd.randint(2, 4))]
        line = MultiLineString(parts)
        w = random_box(rnd)
        rows.append(geometry(parts) + [num(line.length)] + [num(v) for v in w]
                    + [num(line.intersection(box(*w)).length)])
    return rows


def star(rnd, cx, cy, rmin, rmax, n):
    angles = sorted(rnd.uniform(0, 6.283185307179586) for _ in range(n))
    import math
    return [(round(cx + r * math.cos(t), 3), round(cy + r * math.sin(t), 3))
            for t, r in ((t, rnd.uniform(rmin, rmax)) for t in angles)]


def polygons_table(rnd, count):
    """A polygon with shapefile ring order (outer clockwise, holes
    anticlockwise), maybe holed; its area and centroid; a window and the
    clipped area; a query point and its distance to the outer ring."""
    rows = []
    for _ in range(count):
        cx, cy = coord(rnd, -20, 20), coord(rnd, -20, 20)
        outer = star(rnd, cx, cy, 20, 40, rnd.randint(3, 12))
        holes = [star(rnd, cx, cy, 2, 8, rnd.randint(3, 6))] if rnd.random() < 0.5 else []
        p = Polygon(outer, holes)
        if not p.is_valid:
            continue
        p = orient(p, -1)
        rings = [list(p.exterior.coords)] + [list(h.coords) for h in p.interiors]
        w = random_box(rnd)
        q = (coord(rnd), coord(rnd))
        c = p.centroid
        rows.append(geometry(rings) + [num(p.area), num(c.x), num(c.y)] + [num(v) for v in w]
                    + [num(p.intersection(box(*w)).area), num(q[0]), num(q[1]),
                       num(p.exterior.distance(Point(q)))])
    return rows


def crossings_table(rnd, count):
    """Two lines of integer vertices (the first of several parts) that meet
    at points only or not at all, whether they intersect; a point and a
    polygon away from the polygon's boundary, whether they intersect; an
    integer point, whether it lies on the first line."""
    rows = []
    while len(rows) < count:
        a = [[(rnd.randint(0, 20), rnd.randint(0, 20)) for _ in range(rnd.randint(2, 4))]
             for _ in range(rnd.randint(1, 3))]
        b = [(rnd.randint(0, 20), rnd.randint(0, 20)) for _ in range(rnd.randint(2, 4))]
        la, lb = MultiLineString(a), LineString(b)
        meet = la.intersection(lb)
        if not meet.is_empty and meet.geom_type not in ("Point", "MultiPoint"):
            continue  # collinear overlaps are not crossings here
        outer = star(rnd, 10, 10, 5, 10, rnd.randint(3, 8))
        poly = Polygon(outer)
        q = (coord(rnd, 0, 20), coord(rnd, 0, 20))
        if not poly.is_valid or poly.exterior.distance(Point(q)) < 1e-6:
            continue
        p = (rnd.randint(0, 20), rnd.randint(0, 20))
        rows.append(geometry(a) + geometry([b]) + [num(la.intersects(lb))]
                    + geometry([list(poly.exterior.coords)]) + [num(q[0]), num(q[1]),
                    num(poly.intersects(Point(q))), num(p[0]), num(p[1]),
                    num(la.intersects(Point(p)))])
    return rows


def relations_table(rnd, count):
    """A polygon P; a polygon Q, a line L and a multipoint M near it; the
    relate answers that the shapes' inside and intersects tests ask for:
    L, Q and M against P with "**F" (no interior outside P), L and Q against
    P with "T" (interiors meet), and the point half way along L with "**F".
    Rows where a vertex of one shape lies on the other's boundary (touching
    rather than crossing) are left out: their answers hinge on rounding."""
    from shapely.geometry import MultiPoint
    rows = []
    while len(rows) < count:
        p = Polygon(star(rnd, 0, 0, 10, 20, rnd.randint(3, 10)))
        q = Polygon(star(rnd, coord(rnd, -15, 15), coord(rnd, -15, 15), 3, 10, rnd.randint(3, 8)))
        if not p.is_valid or not q.is_valid:
            continue
        cx, cy = coord(rnd, -15, 15), coord(rnd, -15, 15)
        line = LineString([(round(cx + rnd.uniform(-8, 8), 3), round(cy + rnd.uniform(-8, 8), 3))
                           for _ in range(rnd.randint(2, 5))])
        mp = [(coord(rnd, -15, 15), coord(rnd, -15, 15)) for _ in range(rnd.randint(1, 3))]
        mid = line.interpolate(line.length / 2)
        others = list(line.coords) + list(q.exterior.coords) + mp + [(mid.x, mid.y)]
        if any(Point(v).distance(p.boundary) < 1e-6 for v in others) or \
                any(Point(v).distance(g) < 1e-6 for v in p.exterior.coords for g in (line, q.boundary)):
            continue
        m = MultiPoint(mp)
        answers = [line.relate_pattern(p, "**F******"), line.relate_pattern(p, "T********"),
                   q.relate_pattern(p, "**F******"), q.relate_pattern(p, "T********"),
                   m.relate_pattern(p, "**F******"), mid.relate_pattern(p, "**F******")]
        rows.append(geometry([list(p.exterior.coords)]) + geometry([list(q.exterior.coords)])
                    + geometry([list(line.coords)]) + geometry([mp])
                    + [num(a) for a in answers])
    return rows


def snaps_table(rnd, count):
    """A shape the editor snaps to (3 multipoint, 4 line, 5 polygon) in the
    map of a 300 x 200 window at one unit per pixel, a released point near
    it, and where the point goes with the editor's margin of 15: to the
    nearest vertex (kind 0), and to the nearest point of the shape's segments
    (kind 1; a multipoint's vertices), or nowhere when that lies 15 or more
    away. Rows with a distance within 1e-6 of the margin, or two vertices
    about equally near, are left out."""
    margin = 15
    rows = []
    while len(rows) < count:
        kind = rnd.choice((3, 4, 5))
        cx, cy = coord(rnd, 60, 240), coord(rnd, 50, 150)
        if kind == 5:
            shape = Polygon(star(rnd, cx, cy, 15, 40, rnd.randint(3, 9)))
            if not shape.is_valid:
                continue
            shape = orient(shape, -1)
            part = list(shape.exterior.coords)
            segments = shape.exterior
        else:
            part = [(round(cx + rnd.uniform(-45, 45), 3), round(cy + rnd.uniform(-45, 45), 3))
                    for _ in range(rnd.randint(2, 6) if kind == 4 else rnd.randint(1, 5))]
            segments = LineString(part) if kind == 4 else MultiPoint(part)
        q = Point(round(cx + rnd.uniform(-55, 55), 3), round(cy + rnd.uniform(-55, 55), 3))
        vertices = sorted((q.distance(Point(v)), v) for v in set(part))
        if len(vertices) > 1 and vertices[1][0] - vertices[0][0] < 1e-6:
            continue
        if abs(vertices[0][0] - margin) < 1e-6:
            continue
        k0 = vertices[0][1] if vertices[0][0] < margin else (q.x, q.y)
        if kind == 3:
            k1 = k0
        else:
            near = ops.nearest_points(segments, q)[0]
            if abs(near.distance(q) - margin) < 1e-6:
                continue
            k1 = (near.x, near.y) if near.distance(q) < margin else (q.x, q.y)
        rows.append([str(kind)] + geometry([part]) + [num(q.x), num(q.y)]
                    + [num(v) for v in k0] + [num(v) for v in k1])
    return rows


TABLES = {
    "lines.txt": lambda: lines_table(random.Random(19), 400),
    "multilines.txt": lambda: multilines_table(random.Random(20), 300),
    "polygons.txt": lambda: polygons_table(random.Random(21), 400),
    "crossings.txt": lambda: crossings_table(random.Random(22), 500),
    "relations.txt": lambda: relations_table(random.Random(23), 400),
    "snaps.txt": lambda: snaps_table(random.Random(24), 300),
}


def text(rows):
    return "".join(" ".join(r) + "\n" for r in rows)


def main():
    check = "--check" in sys.argv
    bad = 0
    for name, make in TABLES.items():
        path = os.path.join(DATA, name)
        body = text(make())
        if check:
            with open(path) as f:
                if f.read() != body:
                    print("differs from shapely: " + path)
                    bad += 1
        else:
            with open(path, "w") as f:
                f.write(body)
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
