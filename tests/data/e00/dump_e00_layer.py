"""Dumps one layer of a file as GDAL reads it (by layer name): one line per
feature, as dump_ogr.py writes them, with each ring's signed area (shoelace)
after the vertices of a polygon. With --header, a first line names the
fields ("#" in the geometry column)."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import dump_ogr  # noqa: E402
from osgeo import ogr  # noqa: E402

ogr.UseExceptions()


def area(ring):
    s = 0.0
    for i in range(len(ring) - 1):
        s += ring[i][0] * ring[i + 1][1] - ring[i + 1][0] * ring[i][1]
    return s / 2


def main(path, name, header=False):
    ds = ogr.Open(path)
    layer = ds.GetLayerByName(name)
    defn = layer.GetLayerDefn()
    if header:
        print("\t".join(["#"] + [defn.GetFieldDefn(i).GetName() for i in range(defn.GetFieldCount())]))
    for f in layer:
        g = f.GetGeometryRef()
        cells = [str(f.GetFID())]
        rings = dump_ogr.parts(g)
        for p in rings:
            cells.append(" ".join(dump_ogr.bits(x) + "," + dump_ogr.bits(y) for x, y in p))
        line = ["|".join(cells)]
        if g is not None and g.GetGeometryName() in ("POLYGON", "MULTIPOLYGON"):
            line.append(";".join(repr(area(r)) for r in rings))
        for i in range(defn.GetFieldCount()):
            line.append(f.GetFieldAsString(i) if f.IsFieldSetAndNotNull(i) else "<null>")
        print("\t".join(line))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], len(sys.argv) > 3 and sys.argv[3] == "--header")
