"""Dumps a vector file as GDAL reads it: one line per feature, the FID, the
vertices of every part as the 16 hex digits of each double's bits (X/Y only) and the fields.
Used by make_formats.sh and, where GDAL is installed, by the tests' live checks."""
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


def main(path):
    ds = ogr.Open(path)
    layer = ds.GetLayer(0)
    defn = layer.GetLayerDefn()
    for f in layer:
        cells = [str(f.GetFID())]
        for p in parts(f.GetGeometryRef()):
            cells.append(" ".join(bits(x) + "," + bits(y) for x, y in p))
        line = ["|".join(cells)]
        for i in range(defn.GetFieldCount()):
            line.append(f.GetFieldAsString(i) if f.IsFieldSetAndNotNull(i) else "<null>")
        print("\t".join(line))


if __name__ == "__main__":
    main(sys.argv[1])
