#!/usr/bin/env python3
"""Writes OracleData.h: reference results computed by PROJ's command-line
tools (cct and proj from the proj-bin package), for test_gis_coords.

Usage: gen_oracle.py   (run from anywhere; needs cct and proj on the PATH)

The datum and ellipsoid parameters are read from the generated table source
gis/coords/GisDatumTablesData.cpp, so the oracle always matches the compiled
tables. Every number in OracleData.h is the text PROJ printed.
"""

import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
TABLES = os.path.join(ROOT, "gis", "coords", "GisDatumTablesData.cpp")
OUT = os.path.join(HERE, "OracleData.h")

# Our ellipsoid code -> PROJ's name, where PROJ lists the same a and 1/f.
PROJ_ELLIPSOIDS = [
    ("AA", "airy"), ("BR", "bessel"), ("BN", "bess_nam"), ("EA", "evrst30"),
    ("EC", "evrst56"), ("ED", "evrst69"), ("EB", "evrstSS"), ("RF", "GRS80"),
    ("HE", "helmert"), ("HO", "hough"), ("IN", "intl"), ("KA", "krass"),
    ("FA", "fschr60m"), ("SA", "aust_SA"), ("AN", "aust_SA"), ("WD", "WGS72"),
    ("WE", "WGS84"),
]


def read_tables():
    text = open(TABLES, encoding="utf-8").read()
    ellipsoids = {}
    for m in re.finditer(r'\{"([A-Z]+)", "[^"]*", ([-\d.e]+)L, ([-\d.e]+)L,', text):
        ellipsoids[m.group(1)] = (m.group(2), m.group(3))
    datums = []
    for m in re.finditer(r'\{(gisDatum\w+), "([^"]+)", "([A-Z]+)", "(?:[^"\\]|\\.)*",\s*\{([^}]*)\}',
                         text):
        values = [v.strip() for v in m.group(4).split(",")]
        datums.append((m.group(1), m.group(2), m.group(3), values))
    if len(ellipsoids) != 23 or len(datums) != 227:
        sys.exit("gen_oracle.py: could not read the tables (%d ellipsoids, %d datums)"
                 % (len(ellipsoids), len(datums)))
    return ellipsoids, datums


def run(args, lines):
    """Runs a PROJ tool over input lines; returns the output rows as lists of texts."""
    result = subprocess.run(args, input="\n".join(lines) + "\n", capture_output=True, text=True,
                            check=True)
    rows = [line.split() for line in result.stdout.splitlines() if line.strip()]
    if len(rows) != len(lines):
        sys.exit("gen_oracle.py: %s gave %d rows for %d inputs" % (args, len(rows), len(lines)))
    return rows


def f_of(rf):
    return 1.0 / float(rf)


def fmt(v):
    return repr(float(v))


def ellipsoid_rows(ellipsoids):
    listing = subprocess.run(["proj", "-le"], capture_output=True, text=True, check=True).stdout
    proj = {}
    for line in listing.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[1].startswith("a=") and parts[2].startswith("rf="):
            proj[parts[0]] = (parts[1][2:], parts[2][3:])
    out = []
    for code, name in PROJ_ELLIPSOIDS:
        a, rf = proj[name]
        # The polar radius as PROJ computes it: the geocentric Z of the pole.
        b = run(["cct", "-d", "9", "+proj=cart", "+ellps=" + name], ["0 90 0"])[0][2]
        out.append('    {"%s", "%s", %s, %s, %s},' % (code, name, a, rf, b))
    return out


def cart_grid():
    """A latitude/longitude/height grid for the geocentric conversions."""
    points = []
    for lat in range(-90, 91, 15):
        for lon in range(-180, 181, 45):
            for h in (-1000, 0, 1000, 10000):
                points.append((lon, lat, h))
    return points


def cart_rows():
    points = cart_grid()
    fwd = run(["cct", "-d", "6", "+proj=cart", "+ellps=WGS84"], ["%d %d %d" % p for p in points])
    inv = run(["cct", "-d", "12", "-I", "+proj=cart", "+ellps=WGS84"],
              [" ".join(r[:3]) for r in fwd])
    out = []
    for p, f, i in zip(points, fwd, inv):
        out.append("    {%d, %d, %d, %s, %s, %s, %s, %s, %s}," % (p + tuple(f[:3]) + tuple(i[:3])))
    return out


def scale_rows():
    """Two points 10 pixels apart at a view centre, for some pixel sizes."""
    pairs = [(14.0, 46.0, 0.0001), (-122.4, 37.8, 0.01), (139.7, 35.7, 0.5), (0.0, 0.0, 1e-6),
             (24.9, 60.2, 0.002)]
    out = []
    for lon, lat, px in pairs:
        lines = ["%r %r 0" % (lon, lat), "%r %r 0" % (lon + 10 * px, lat)]
        r = run(["cct", "-d", "6", "+proj=cart", "+ellps=WGS84"], lines)
        out.append("    {%r, %r, %r, %s, %s, %s, %s, %s, %s}," % ((lon, lat, px) + tuple(r[0][:3])
                                                                + tuple(r[1][:3])))
    return out


def mercator_rows():
    """Northings of the ellipsoidal Mercator on WGS 84, y = -a ln t(latitude),
    which give the conformal function t that several projections share."""
    lats = list(range(-85, 86, 17)) + [0.5, 89.75]
    r = run(["cct", "-d", "6", "+proj=merc", "+ellps=WGS84"], ["0 %r 0" % lat for lat in lats])
    return ["    {%r, %s}," % (float(lat), row[1]) for lat, row in zip(lats, r)]


def molodensky_rows(ellipsoids, datums):
    a84, rf84 = ellipsoids["WE"]
    out = []
    for kind, code, ell, v in datums:
        if kind != "gisDatumThreeParameter":
            continue
        a, rf = ellipsoids[ell]
        dx, dy, dz = v[0], v[2], v[4]
        lat = (float(v[6]) + float(v[7])) / 2
        lon = (float(v[8]) + float(v[9])) / 2
        h = 100.0
        da_to = float(a84) - float(a)
        df_to = f_of(rf84) - f_of(rf)
        to = run(["cct", "-d", "12", "+proj=molodensky", "+a=" + a, "+rf=" + rf,
                  "+da=" + fmt(da_to), "+df=" + fmt(df_to), "+dx=" + dx, "+dy=" + dy, "+dz=" + dz],
                 ["%r %r %r" % (lon, lat, h)])[0]
        frm = run(["cct", "-d", "12", "+proj=molodensky", "+a=" + a84, "+rf=" + rf84,
                   "+da=" + fmt(-da_to), "+df=" + fmt(-df_to), "+dx=" + fmt(-float(dx)),
                   "+dy=" + fmt(-float(dy)), "+dz=" + fmt(-float(dz))],
                  ["%r %r %r" % (lon, lat, h)])[0]
        out.append('    {"%s", %r, %r, %r, %s, %s, %s, %s, %s, %s},'
                   % (code, lon, lat, h, to[0], to[1], to[2], frm[0], frm[1], frm[2]))
    return out


def helmert_rows(ellipsoids, datums):
    a84, rf84 = ellipsoids["WE"]
    out = []
    points = [(lon, lat, h) for lat in (-60, -30, 0, 30, 45, 53, 60, 80)
              for lon in (-2, 8, 30) for h in (0, 500)]
    for kind, code, ell, v in datums:
        if kind != "gisDatumSevenParameter":
            continue
        a, rf = ellipsoids[ell]
        helmert = ["+proj=helmert", "+x=" + v[0], "+y=" + v[1], "+z=" + v[2], "+rx=" + v[3],
                   "+ry=" + v[4], "+rz=" + v[5], "+s=" + fmt(float(v[6]) * 1e6),
                   "+convention=coordinate_frame"]
        own = ["+a=" + a, "+rf=" + rf]
        wgs = ["+a=" + a84, "+rf=" + rf84]
        to_pipe = (["+proj=pipeline", "+step", "+proj=cart"] + own + ["+step"] + helmert
                   + ["+step", "+inv", "+proj=cart"] + wgs)
        from_pipe = (["+proj=pipeline", "+step", "+proj=cart"] + wgs + ["+step", "+inv"] + helmert
                     + ["+step", "+inv", "+proj=cart"] + own)
        # The kernel's way back applies the negated parameters to the WGS 84
        # coordinates (the linearised inverse): the forward Helmert with every
        # parameter negated.
        negated = ["+proj=helmert"] + ["+%s=%s" % (k, fmt(-float(x))) for k, x in
                                       (("x", v[0]), ("y", v[1]), ("z", v[2]), ("rx", v[3]),
                                        ("ry", v[4]), ("rz", v[5]))] + [
            "+s=" + fmt(-float(v[6]) * 1e6), "+convention=coordinate_frame"]
        linear_pipe = (["+proj=pipeline", "+step", "+proj=cart"] + wgs + ["+step"] + negated
                       + ["+step", "+inv", "+proj=cart"] + own)
        lines = ["%d %d %d" % p for p in points]
        to = run(["cct", "-d", "12"] + to_pipe, lines)
        frm = run(["cct", "-d", "12"] + from_pipe, lines)
        lin = run(["cct", "-d", "12"] + linear_pipe, lines)
        for p, t, f, l in zip(points, to, frm, lin):
            out.append('    {"%s", %d, %d, %d, %s, %s, %s, %s, %s, %s, %s, %s, %s},'
                       % ((code,) + p + tuple(t[:3]) + tuple(f[:3]) + tuple(l[:3])))
    return out


def main():
    ellipsoids, datums = read_tables()
    version = subprocess.run(["cct", "--version"], capture_output=True, text=True).stdout.strip()
    parts = [
        "// Generated by tests/gis/coords/gen_oracle.py with " + version.splitlines()[0] + ".",
        "// Reference results of PROJ's cct and proj tools; do not edit.",
        "// clang-format off",
        "#pragma once",
        "",
        "namespace oracle {",
        "",
        "// Ellipsoids PROJ lists with the same a and 1/f: our code, PROJ's name, a,",
        "// 1/f as `proj -le` lists them, and b as the geocentric Z of the pole",
        "// (`cct +proj=cart +ellps=NAME`).",
        "struct EllipsoidRow { const char* Code; const char* ProjName; double A; double Rf; double B; };",
        "inline const EllipsoidRow kEllipsoids[] = {",
    ] + ellipsoid_rows(ellipsoids) + [
        "};",
        "",
        "// `cct +proj=cart +ellps=WGS84`: longitude, latitude (degrees), height ->",
        "// X, Y, Z; then `cct -I` of that X, Y, Z -> longitude, latitude, height.",
        "struct CartRow { double Lon, Lat, H, X, Y, Z, InvLon, InvLat, InvH; };",
        "inline const CartRow kCart[] = {",
    ] + cart_rows() + [
        "};",
        "",
        "// Two points 10 pixels apart eastwards from a view centre (degrees, pixel",
        "// size in degrees) through `cct +proj=cart +ellps=WGS84`.",
        "struct ScaleRow { double Lon, Lat, Pixel, X1, Y1, Z1, X2, Y2, Z2; };",
        "inline const ScaleRow kScale[] = {",
    ] + scale_rows() + [
        "};",
        "",
        "// `cct +proj=merc +ellps=WGS84` at longitude 0: latitude (degrees) ->",
        "// northing (metres).",
        "struct MercatorRow { double Lat, Y; };",
        "inline const MercatorRow kMercator[] = {",
    ] + mercator_rows() + [
        "};",
        "",
        "// `cct +proj=molodensky` for every three-parameter datum at the centre of",
        "// its validity box, height 100 m: datum -> WGS 84 (To*) and",
        "// WGS 84 -> datum (From*), degrees and metres.",
        "struct MolodenskyRow { const char* Code; double Lon, Lat, H, ToLon, ToLat, ToH, FromLon, FromLat, FromH; };",
        "inline const MolodenskyRow kMolodensky[] = {",
    ] + molodensky_rows(ellipsoids, datums) + [
        "};",
        "",
        "// The seven-parameter datums through PROJ's geocentric Helmert pipeline",
        "// (coordinate-frame rotations): datum -> WGS 84 (To*), the inverse",
        "// pipeline WGS 84 -> datum (From*), and WGS 84 -> datum by the forward",
        "// Helmert with every parameter negated (Linear*), degrees and metres.",
        "// Tolerances: To* and Linear* within 1 cm. The system's way back from",
        "// WGS 84 is that linearised reverse, so it misses PROJ's exact inverse",
        "// (From*) by the scale and rotations applied to the shift: up to 1.7 cm",
        "// in height for OGB-7; From* is met within 2 cm.",
        "inline constexpr double kHelmertTolerance = 0.01;",
        "inline constexpr double kHelmertExactInverseTolerance = 0.02;",
        "struct HelmertRow { const char* Code; double Lon, Lat, H, ToLon, ToLat, ToH, FromLon, FromLat, FromH, LinearLon, LinearLat, LinearH; };",
        "inline const HelmertRow kHelmert[] = {",
    ] + helmert_rows(ellipsoids, datums) + [
        "};",
        "",
        "} // namespace oracle",
        "",
    ]
    with open(OUT, "w", encoding="utf-8") as f:
        f.write("\n".join(parts))


if __name__ == "__main__":
    main()
