#!/usr/bin/python3
"""Grid fixtures and oracle read-outs for the grid layers' tests, with GDAL.

  gdal_grid.py make DRIVER OUT TYPE W H X0 Y0 DX DY [--epsg N] [--nodata V]
               [--void X,Y,V]... [-co KEY=VALUE]...
      writes a W x H grid of TYPE (Byte, Int16, Int32, Float32) whose
      top-left corner is (X0, Y0) with cells DX by DY, filled with a fixed
      pattern (cell (x, y) counted from the top-left), through DRIVER
  gdal_grid.py dump FILE RAW [BAND]
      prints "W H GT0 .. GT5 NODATA" of band BAND (1 when not given) and
      writes its cells, top row
      first, as little-endian float64 to RAW
"""
import struct
import sys

from osgeo import gdal, osr

gdal.UseExceptions()

TYPES = {"Byte": gdal.GDT_Byte, "Int16": gdal.GDT_Int16, "Int32": gdal.GDT_Int32,
         "UInt16": gdal.GDT_UInt16, "Float32": gdal.GDT_Float32}


def pattern(kind, x, y):
    if kind == "Byte":
        return (x * 7 + y * 13) % 256
    v = (x * 37 + y * 101 + x * y * 3) % 2001 - 1000
    if kind == "Float32":
        return v + 0.25 * (x % 4)
    if kind == "Int32":
        return v * 70000
    if kind == "UInt16":
        return v + 1000
    return v


def make(args):
    driver, out, kind, w, h, x0, y0, dx, dy = args[:9]
    w, h = int(w), int(h)
    x0, y0, dx, dy = float(x0), float(y0), float(dx), float(dy)
    rest = args[9:]
    epsg, nodata, voids, options = None, None, [], []
    i = 0
    while i < len(rest):
        if rest[i] == "--epsg":
            epsg = int(rest[i + 1])
        elif rest[i] == "--nodata":
            nodata = float(rest[i + 1])
        elif rest[i] == "--void":
            vx, vy, vv = rest[i + 1].split(",")
            voids.append((int(vx), int(vy), float(vv)))
        elif rest[i] == "-co":
            options.append(rest[i + 1])
        i += 2
    mem = gdal.GetDriverByName("MEM").Create("", w, h, 1, TYPES[kind])
    mem.SetGeoTransform((x0, dx, 0, y0, 0, -dy))
    if epsg:
        srs = osr.SpatialReference()
        srs.ImportFromEPSG(epsg)
        mem.SetProjection(srs.ExportToWkt())
    band = mem.GetRasterBand(1)
    if nodata is not None:
        band.SetNoDataValue(nodata)
    cells = [[pattern(kind, x, y) for x in range(w)] for y in range(h)]
    for vx, vy, vv in voids:
        cells[vy][vx] = vv if kind == "Float32" else int(vv)
    fmt = {"Byte": "B", "Int16": "h", "Int32": "i", "UInt16": "H", "Float32": "f"}[kind]
    data = b"".join(struct.pack("<%d%s" % (w, fmt), *row) for row in cells)
    band.WriteRaster(0, 0, w, h, data)
    gdal.GetDriverByName(driver).CreateCopy(out, mem, options=options)


def dump(args):
    ds = gdal.Open(args[0])
    band = ds.GetRasterBand(int(args[2]) if len(args) > 2 else 1)
    gt = ds.GetGeoTransform()
    nodata = band.GetNoDataValue()
    print(ds.RasterXSize, ds.RasterYSize, " ".join(repr(v) for v in gt),
          "none" if nodata is None else repr(nodata))
    raw = band.ReadRaster(0, 0, ds.RasterXSize, ds.RasterYSize, buf_type=gdal.GDT_Float64)
    with open(args[1], "wb") as f:
        f.write(raw)


if __name__ == "__main__":
    {"make": make, "dump": dump}[sys.argv[1]](sys.argv[2:])
