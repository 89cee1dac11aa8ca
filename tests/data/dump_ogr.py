"""Dumps a vector file as GDAL reads it: one line per feature, the FID, the
vertices of every part as the 16 hex digits of each double's bits (X/Y only) and the fields.
Used by make_formats.sh and, where GDAL is installed, by the tests' live checks.
With --digest (large files) each part is written as "#<vertices>:<FNV-1a 64 of its text>"."""
import struct
import sys
from osgeo import ogr

ogr.UseExceptions()


def bits(v):
    return "%016x" % struct.unpack("<Q", struct.pack("<d", v))[0]


def parts(g):
    if g is None:
        return []
    name = g.GetGeometryName()
    if name in ("POINT",):
        return [[(g.GetX(), g.GetY())]]
    if name in ("LINESTRING", "LINEARRING"):
        return [[(g.GetX(i), g.GetY(i)) for i in range(g.GetPointCount())]]
    out = []
    for i in range(g.GetGeometryCount()):
        out.extend(parts(g.GetGeometryRef(i)))
    return out


def digest(text):
    h = 0xcbf29ce484222325
    for c in text.encode():
        h = ((h ^ c) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def main(path, digested=False):
    ds = ogr.Open(path)
    layer = ds.GetLayer(0)
    defn = layer.GetLayerDefn()
    for f in layer:
        cells = [str(f.GetFID())]
        for p in parts(f.GetGeometryRef()):
            text = " ".join(bits(x) + "," + bits(y) for x, y in p)
            cells.append("#%d:%s" % (len(p), digest(text)) if digested else text)
        line = ["|".join(cells)]
        for i in range(defn.GetFieldCount()):
            line.append(f.GetFieldAsString(i) if f.IsFieldSetAndNotNull(i) else "<null>")
        print("\t".join(line))


if __name__ == "__main__":
    main(sys.argv[-1], "--digest" in sys.argv[1:-1])
