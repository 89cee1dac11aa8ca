#!/usr/bin/env python3
"""Generates the built-in coordinate-system tables of gis/coords.

Usage:
    gen_tables.py            write the generated sources
    gen_tables.py --check    fail when the committed sources differ

The tables are the tab-separated data files beside this script:

    ellipsoids.tsv        23 ellipsoids
    datums_special.tsv    WGS 84 and WGS 72
    datums_seven.tsv      seven-parameter datums
    datums_three.tsv      three-parameter datums
    projections.tsv       projection registry

Each file starts with comment lines ("#"), then a header row of column names,
then one row per entry. Nothing is typed by hand: every number and text of the
generated rows is the cell text of a data file. Each row also keeps its data
line, and each table a 64-bit FNV-1a checksum of its data lines joined by
"\\n", so that the tests can check the compiled rows against the lines they
came from.

The only values that do not come from the tables are the validity boxes listed
in datum_box_corrections.csv (boxes that are empty or lie away from the place
the datum is named after); each corrected row records where its box comes
from, and when PROJ's proj.db is installed (or named by the PROJ_DB
environment variable) every corrected box is checked against the EPSG extent
it names.
"""

import csv
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT_DIR = os.path.dirname(HERE)
DATUM_OUT = os.path.join(OUT_DIR, "GisDatumTablesData.cpp")
PROJ_OUT = os.path.join(OUT_DIR, "GisProjectionTableData.cpp")
CORRECTIONS = os.path.join(HERE, "datum_box_corrections.csv")
# Where the corrected boxes come from; checked when it is installed.
PROJ_DB = os.environ.get("PROJ_DB", "/usr/share/proj/proj.db")

# Data file and its column names, for each table.
TABLES = {
    "ellipsoids": ("ellipsoids.tsv", ["Code", "a (m)", "1/f", "Description"]),
    "special": ("datums_special.tsv", ["Code", "Kind", "Ellipsoid", "Description"]),
    "seven": ("datums_seven.tsv", ["Code", "Ellipsoid", "ΔX", "ΔY", "ΔZ", "Rotation X",
                                   "Rotation Y", "Rotation Z", "Scale", "Description"]),
    "three": ("datums_three.tsv", ["Code", "Ellipsoid", "ΔX", "ΔY", "ΔZ", "σ", "Latitude",
                                   "Longitude", "Description"]),
    "projections": ("projections.tsv", ["Code", "Class", "Description text", "Mask"]),
}

EXPECTED_ROWS = {"ellipsoids": 23, "special": 2, "seven": 3, "three": 222, "projections": 27}

NUMBER = re.compile(r"^-?(\d+(\.\d*)?|\.\d+)([eE][-+]?\d+)?$")


def fail(text):
    sys.exit("gen_tables.py: " + text)


def read_table(name):
    """Returns the data lines of a table's data file, after checking its header row."""
    file_name, columns = TABLES[name]
    with open(os.path.join(HERE, file_name), encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if not line.startswith("#")]
    if not lines or lines[0].split("\t") != columns:
        fail("%s: the header row must name the columns %s" % (file_name, ", ".join(columns)))
    rows = [line for line in lines[1:] if line.strip()]
    if len(rows) != EXPECTED_ROWS[name]:
        fail("%s has %d rows, expected %d" % (file_name, len(rows), EXPECTED_ROWS[name]))
    return rows


def cells(row, count):
    parts = [c.strip() for c in row.split("\t")]
    if len(parts) != count:
        fail("row %r has %d cells, expected %d" % (row, len(parts), count))
    return parts


def number(text):
    if not NUMBER.match(text):
        fail("not a number: %r" % text)
    return text


def interval(text):
    m = re.match(r"^(-?[\d.]+)\.\.(-?[\d.]+)$", text)
    if not m:
        fail("not an interval: %r" % text)
    return number(m.group(1)), number(m.group(2))


def backticked(text):
    m = re.match(r"^`([A-Za-z0-9_]+)`", text)
    if not m:
        fail("no class name in %r" % text)
    return m.group(1)


def quoted(text):
    m = re.match(r'^"(.*)"$', text)
    if not m:
        fail("not a quoted text: %r" % text)
    return m.group(1)


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def c_double(text):
    # Integers get a ".0" so that every literal is a floating-point one.
    return text if re.search(r"[.eE]", text) else text + ".0"


def fnv1a64(lines):
    h = 0xcbf29ce484222325
    for byte in "\n".join(lines).encode("utf-8"):
        h ^= byte
        h = (h * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h


def read_corrections():
    result = {}
    with open(CORRECTIONS, encoding="utf-8") as f:
        for row in csv.reader(line for line in f if not line.startswith("#")):
            if not row:
                continue
            code, south, north, west, east, source = [c.strip() for c in row]
            for v in (south, north, west, east):
                number(v)
            result[code] = (south, north, west, east, source)
    return result


def check_corrections_against_extents(corrections, db_path):
    """Checks every corrected box against the extent its source names in the
    EPSG extent table of `db_path` (PROJ's proj.db)."""
    import sqlite3
    con = sqlite3.connect("file:%s?mode=ro" % db_path, uri=True)
    try:
        for code, (south, north, west, east, source) in corrections.items():
            m = re.match(r'^EPSG extent (\d+) ', source)
            if not m:
                fail("correction of %s names no EPSG extent: %r" % (code, source))
            row = con.execute("select south_lat, north_lat, west_lon, east_lon from extent "
                              "where auth_name = 'EPSG' and code = ?", (m.group(1),)).fetchone()
            if row is None:
                fail("EPSG extent %s of %s is not in %s" % (m.group(1), code, db_path))
            if [float(v) for v in (south, north, west, east)] != [float(v) for v in row]:
                fail("box of %s differs from EPSG extent %s: %s" % (code, m.group(1), row))
    finally:
        con.close()


def check_box(code, south, north, west, east):
    if not (float(south) < float(north) and float(west) < float(east)):
        fail("validity box of %s is empty: %s..%s x %s..%s" % (code, south, north, west, east))


def datum_rows():
    """Returns (datum rows in order of addition, checksum lines)."""
    corrections = read_corrections()
    if PROJ_DB and os.path.exists(PROJ_DB):
        check_corrections_against_extents(corrections, PROJ_DB)
    special = read_table("special")
    seven = read_table("seven")
    three = read_table("three")
    rows = []
    kinds = {"`gisDatumWGS84`": "gisDatumWGS84", "`gisDatumWGS72`": "gisDatumWGS72"}
    for line in special:
        code, kind, ell, desc = cells(line, 4)
        if kind not in kinds:
            fail("unknown datum kind %r" % kind)
        rows.append((kinds[kind], code, ell, desc, ["0"] * 10, line, None))
    three_rows = []
    for line in three:
        code, ell, dx, dy, dz, sigma, lat, lon, desc = cells(line, 9)
        sx, sy, sz = (number(s) for s in sigma.split("/"))
        south, north = interval(lat)
        west, east = interval(lon)
        source = None
        if code in corrections:
            south, north, west, east, source = corrections.pop(code)
        check_box(code, south, north, west, east)
        values = [number(dx), sx, number(dy), sy, number(dz), sz, south, north, west, east]
        three_rows.append(("gisDatumThreeParameter", code, ell, desc, values, line, source))
    if corrections:
        fail("corrections for datums that are not listed: %s" % ", ".join(sorted(corrections)))
    seven_rows = []
    for line in seven:
        code, ell, dx, dy, dz, rx, ry, rz, scale, desc = cells(line, 10)
        values = [number(v) for v in (dx, dy, dz, rx, ry, rz, scale)] + ["0", "0", "0"]
        seven_rows.append(("gisDatumSevenParameter", code, ell, desc, values, line, None))
    rows += three_rows + seven_rows
    codes = [r[1].upper() for r in rows]
    if len(set(codes)) != len(codes):
        fail("duplicate datum codes")
    return rows, special, seven, three


def ellipsoid_rows():
    table = read_table("ellipsoids")
    rows = []
    for line in table:
        code, a, rf, desc = cells(line, 4)
        rows.append((code, desc, number(a), number(rf), line))
    return rows, table


def projection_rows():
    table = read_table("projections")
    rows = []
    for line in table:
        code, cls, desc, mask = cells(line, 4)
        if not mask.isdigit() or int(mask) > 0xFFFF:
            fail("bad mask %r" % mask)
        rows.append((code, backticked(cls), quoted(desc), mask, line))
    return rows, table


BANNER = """\
// Generated by gis/coords/gen/gen_tables.py from the data files of built-in
// ellipsoids, datums and projections beside it. Do not edit: change the
// generator or its data files and run it again.
// clang-format off
"""


def render_datums():
    ellipsoids, ell_table = ellipsoid_rows()
    datums, special, seven, three = datum_rows()
    ell_codes = {e[0].upper() for e in ellipsoids}
    for d in datums:
        if d[2].upper() not in ell_codes:
            fail("datum %s names the unlisted ellipsoid %s" % (d[1], d[2]))
    out = [BANNER, '#include "gis/coords/GisDatumTables.h"', "", "namespace {", ""]
    out.append("const TGIS_EllipsoidRow kEllipsoids[] = {")
    for code, desc, a, rf, line in ellipsoids:
        out.append("    {%s, %s, %sL, %sL,\n     %s}," % (
            c_string(code), c_string(desc), c_double(a), c_double(rf), c_string(line)))
    out.append("};")
    out.append("")
    out.append("const TGIS_DatumRow kDatums[] = {")
    for kind, code, ell, desc, values, line, source in datums:
        out.append("    {%s, %s, %s, %s,\n     {%s},\n     %s,\n     %s}," % (
            kind, c_string(code), c_string(ell), c_string(desc),
            ", ".join(c_double(v) for v in values), c_string(line),
            c_string(source) if source else "nullptr"))
    out.append("};")
    out.append("")
    out.append("} // namespace")
    out.append("")
    out.append("std::span<const TGIS_EllipsoidRow> GisBuiltinEllipsoidRows() { return kEllipsoids; }")
    out.append("std::span<const TGIS_DatumRow> GisBuiltinDatumRows() { return kDatums; }")
    out.append("")
    out.append("// FNV-1a checksums of the data lines of each table, joined by \"\\n\".")
    out.append("const uint64_t GisBuiltinEllipsoidsChecksum = 0x%016xULL;" % fnv1a64(ell_table))
    out.append("const uint64_t GisBuiltinSpecialDatumsChecksum = 0x%016xULL;" % fnv1a64(special))
    out.append("const uint64_t GisBuiltinThreeParameterDatumsChecksum = 0x%016xULL;" % fnv1a64(three))
    out.append("const uint64_t GisBuiltinSevenParameterDatumsChecksum = 0x%016xULL;" % fnv1a64(seven))
    out.append("")
    return "\n".join(out)


def render_projections():
    rows, table = projection_rows()
    out = [BANNER, '#include "gis/coords/GisProjectionTable.h"', "", "namespace {", ""]
    out.append("const TGIS_ProjectionRow kProjections[] = {")
    for code, cls, desc, mask, line in rows:
        out.append("    {%s, %s, %s, %s,\n     %s}," % (
            c_string(code), c_string(cls), c_string(desc), mask, c_string(line)))
    out.append("};")
    out.append("")
    out.append("} // namespace")
    out.append("")
    out.append("std::span<const TGIS_ProjectionRow> GisProjectionTableRows() { return kProjections; }")
    out.append("")
    out.append("// FNV-1a checksum of the data lines of the table, joined by \"\\n\".")
    out.append("const uint64_t GisProjectionTableChecksum = 0x%016xULL;" % fnv1a64(table))
    out.append("")
    return "\n".join(out)


def main(argv):
    if len(argv) > 2 or (len(argv) == 2 and argv[1] != "--check"):
        sys.exit(__doc__)
    check = len(argv) == 2
    outputs = {DATUM_OUT: render_datums(), PROJ_OUT: render_projections()}
    stale = []
    for path, text in outputs.items():
        if check:
            try:
                with open(path, encoding="utf-8") as f:
                    if f.read() != text:
                        stale.append(path)
            except FileNotFoundError:
                stale.append(path)
        else:
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
    if stale:
        fail("out of date: " + ", ".join(stale))


if __name__ == "__main__":
    main(sys.argv)
