#!/usr/bin/python3
"""Answers geometry questions for the topology tests with GEOS (through
python3-shapely), one request per input line, one answer line per request.

Geometry travels as WKB hex. Requests (fields separated by blanks):
  relate A B                -> the DE-9IM matrix, endpoint boundary rule
  overlay OP A B OURS       -> area of GEOS's result, area of (ours sym-diff
                               GEOS), 1/0 ours is valid  (OP: union
                               intersection difference symdiff)
  lines OP A B OURS         -> length of GEOS's result, length of ours,
                               Hausdorff distance between them (-1 when
                               either is empty)
  evenodd RINGS OURS        -> area of the even-odd region of the rings (a
                               multipolygon of one-ring polygons), area of
                               (ours sym-diff that region), 1/0 ours is valid
  unary OURS A1 A2 ...      -> area of GEOS's union, area of (ours sym-diff it)
  valid A                   -> 1/0
  exported A                -> 1/0 A is valid, area of A
  exportedwkt T             -> the same of well-known text T (hex of its bytes)
"""
import ctypes
import sys

from shapely import wkb, wkt
from shapely.geos import lgeos
from shapely.ops import unary_union
from shapely.validation import make_valid

lgeos._lgeos.GEOSRelateBoundaryNodeRule_r.restype = ctypes.c_void_p
lgeos._lgeos.GEOSRelateBoundaryNodeRule_r.argtypes = [
    ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int]
lgeos._lgeos.GEOSFree_r.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
ENDPOINT_RULE = 2


def load(text):
    if text == "-":
        return None
    return wkb.loads(text, hex=True)


def relate(a, b):
    ptr = lgeos._lgeos.GEOSRelateBoundaryNodeRule_r(lgeos.geos_handle, a._geom, b._geom,
                                                     ENDPOINT_RULE)
    text = ctypes.string_at(ptr).decode()
    lgeos._lgeos.GEOSFree_r(lgeos.geos_handle, ptr)
    return text


def overlay(op, a, b):
    return {"union": a.union, "intersection": a.intersection, "difference": a.difference,
            "symdiff": a.symmetric_difference}[op](b)


def area_delta(ours, theirs):
    if ours is None:
        return theirs.area
    return ours.symmetric_difference(theirs).area


def even_odd(rings):
    region = None
    for poly in rings.geoms:
        piece = make_valid(poly)
        region = piece if region is None else region.symmetric_difference(piece)
    return region


def answer(fields):
    kind = fields[0]
    if kind == "relate":
        return relate(load(fields[1]), load(fields[2]))
    if kind == "overlay":
        a, b, ours = load(fields[2]), load(fields[3]), load(fields[4])
        theirs = overlay(fields[1], a, b)
        valid = 1 if ours is None or ours.is_valid else 0
        return "%.17g %.17g %d" % (theirs.area, area_delta(ours, theirs), valid)
    if kind == "lines":
        a, b, ours = load(fields[2]), load(fields[3]), load(fields[4])
        theirs = overlay(fields[1], a, b)
        mine = 0.0 if ours is None else ours.length
        if ours is None or theirs.is_empty:
            h = -1.0
        else:
            h = ours.hausdorff_distance(theirs)
        return "%.17g %.17g %.17g" % (theirs.length, mine, h)
    if kind == "evenodd":
        region, ours = even_odd(load(fields[1])), load(fields[2])
        valid = 1 if ours is None or ours.is_valid else 0
        return "%.17g %.17g %d" % (region.area, area_delta(ours, region), valid)
    if kind == "unary":
        ours = load(fields[1])
        theirs = unary_union([load(f) for f in fields[2:]])
        return "%.17g %.17g" % (theirs.area, area_delta(ours, theirs))
    if kind == "valid":
        return "1" if load(fields[1]).is_valid else "0"
    if kind in ("exported", "exportedwkt"):
        if kind == "exported":
            shape = load(fields[1])
        else:
            shape = wkt.loads(bytes.fromhex(fields[1]).decode())
        return "%d %.17g" % (1 if shape.is_valid else 0, shape.area)
    raise ValueError("unknown request " + kind)


def main():
    for line in sys.stdin:
        fields = line.split()
        if not fields:
            continue
        try:
            print(answer(fields))
        except Exception as error:  # noqa: BLE001 - reported to the test
            print("error " + str(error).replace("\n", " "))
    sys.stdout.flush()


if __name__ == "__main__":
    main()
