#!/usr/bin/env python3
"""Writes the synthetic SDTS transfers of the tests (ISO 8211 module files).

  dem/      a raster profile transfer: 3 rows x 4 columns of 16-bit cells,
            30 m cells, origin (300, 900), FILL -32767 and VOID -32768
  tvp/      a topological vector profile transfer: SFAX/SFAY 0.01,
            XORG 500000, YORG 4000000; two points, two lines, a polygon and
            a primary attribute module
  damaged/  the vector transfer with its line module cut short and a
            point module whose leader is not numeric

Usage: make_sdts.py <output folder> [<fuzz corpus folder>]
       (tests/data/sdts, fuzz/corpus: also the seeds of the two harnesses)
"""
import os
import struct
import sys

FT = b"\x1e"
UT = b"\x1f"


def ddr(fields):
    """fields: (tag, controls, name, labels, formats)."""
    tags, datas = [], []
    tags.append(b"0000")
    datas.append(b"0000;&   " + b"SDTS MODULE" + FT)
    tags.append(b"0001")
    datas.append(b"0100;&   " + b"DDF RECORD IDENTIFIER" + FT)
    for tag, controls, name, labels, formats in fields:
        tags.append(tag.encode())
        datas.append((controls + "   " + name).encode() + UT + labels.encode() + UT +
                     formats.encode() + FT)
    return record(tags, datas, ddr=True)


def record(tags, datas, ddr=False, leader_id=b"D"):
    size_len, size_pos, size_tag = 3, 4, 4
    entry = size_tag + size_len + size_pos
    directory = b""
    pos = 0
    for t, d in zip(tags, datas):
        directory += t + b"%03d" % len(d) + b"%04d" % pos
        pos += len(d)
    directory += FT
    base = 24 + len(directory)
    total = base + pos
    if ddr:
        leader = b"%05d" % total + b"3LE1 09" + b"%05d" % base + b" ! " + b"%d%d0%d" % (
            size_len, size_pos, size_tag)
    else:
        leader = b"%05d" % total + b" " + leader_id + b"     " + b"%05d" % base + b"   " + \
            b"%d%d0%d" % (size_len, size_pos, size_tag)
    assert len(leader) == 24
    return leader + directory + b"".join(datas)


def field(*values):
    """Delimited values, each closed by a unit terminator, the last by the field terminator."""
    out = b""
    for i, v in enumerate(values):
        if isinstance(v, (int, float)) and not isinstance(v, bool):
            v = repr(v) if isinstance(v, float) else str(v)
        if isinstance(v, str):
            v = v.encode()
        out += v + (UT if i + 1 < len(values) else b"")
    return out + FT


def module(fields, records):
    """records: lists of (tag, field bytes) after the record identifier."""
    out = ddr(fields)
    for n, rec in enumerate(records, 1):
        tags = [b"0001"] + [t.encode() for t, _ in rec]
        datas = [b"%6d" % n + FT] + [d for _, d in rec]
        out += record(tags, datas)
    return out


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def catalog(prefix, modules):
    fields = [("CATD", "1600;&", "CATALOG/DIRECTORY", "MODN!RCID!NAME!TYPE!FILE", "(A,I,3A)")]
    recs = [[("CATD", field("CATD", i, name, kind, prefix + name + ".DDF"))]
            for i, (name, kind) in enumerate(modules, 1)]
    return module(fields, recs)


def identification(raster):
    fields = [("IDEN", "1600;&", "IDENTIFICATION",
               "MODN!RCID!STID!STVS!DOCU!PRID!PRVS!PDOC!TITL!DAID!DAST!MPDT!DCDT!SCAL",
               "(A,I,11A,I)"),
              ("CONF", "1600;&", "CONFORMANCE", "FFYN!VGYN!GTYN!RCYN!EXSP!FTLV", "(4A,2I)")]
    if raster:
        conf = field("N", "N", "N", "Y", 1, 3)
        prof, title = "SDTS RASTER PROFILE", "SYNTHETIC DEM"
    else:
        conf = field("N", "Y", "N", "N", 1, 4)
        prof, title = "SDTS TOPOLOGICAL VECTOR PROFILE", "SYNTHETIC TVP"
    return module(fields, [[("IDEN", field("IDEN", 1, "SPATIAL DATA TRANSFER STANDARD", "1994",
                                           "DOC", prof, "1.0", "PDOC", title, "DAID-1", "DLG",
                                           "1990", "1999", 24000)),
                            ("CONF", conf)]])


def internal_reference(sfax, xorg, yorg, xhrs):
    fields = [("IREF", "1600;&", "INTERNAL SPATIAL REFERENCE",
               "MODN!RCID!SATP!XLBL!YLBL!HFMT!SFAX!SFAY!XORG!YORG!XHRS!YHRS", "(A,I,4A,6R)")]
    return module(fields, [[("IREF", field("IREF", 1, "2-TUPLE", "EASTING", "NORTHING", "BI32",
                                           sfax, sfax, xorg, yorg, xhrs, xhrs))]])


def external_reference():
    fields = [("XREF", "1600;&", "EXTERNAL SPATIAL REFERENCE", "MODN!RCID!RSNM!ZONE!HDAT",
               "(A,I,3A)")]
    return module(fields, [[("XREF", field("XREF", 1, "UTM", "18", "NAS"))]])


def statistics(counts):
    fields = [("STAT", "1600;&", "TRANSFER STATISTICS", "MODN!RCID!MNTF!MNRF!NREC!NSAD",
               "(A,I,2A,2I)")]
    return module(fields, [[("STAT", field("STAT", i, "X", name, n, 0))]
                           for i, (name, n) in enumerate(counts, 1)])


def sadr(*pairs):
    return b"".join(struct.pack(">ii", x, y) for x, y in pairs) + FT


def make_dem(out):
    p = "DEMO"
    mods = [("IDEN", "Identification"), ("IREF", "Internal Spatial Reference"),
            ("XREF", "External Spatial Reference"), ("STAT", "Transfer Statistics"),
            ("DDOM", "Data Dictionary/Domain"), ("DDSH", "Data Dictionary/Schema"),
            ("RSDF", "Raster Definition"), ("LDEF", "Layer Definition"),
            ("CEL0", "Cell Values")]
    write(out, p + "CATD.DDF", catalog(p, mods))
    write(out, p + "IDEN.DDF", identification(True))
    write(out, p + "IREF.DDF", internal_reference(1.0, 0.0, 0.0, 30.0))
    write(out, p + "XREF.DDF", external_reference())
    write(out, p + "STAT.DDF", statistics([("RSDF", 1), ("LDEF", 1), ("CEL0", 3)]))
    fields = [("DDOM", "1600;&", "DATA DICTIONARY/DOMAIN",
               "MODN!RCID!ATLB!AUTH!ATYP!ADVF!ADMU!RAVA!DVAL!DVDF", "(A,I,6A,R,A)")]
    doms = [("MIN", 100), ("MAX", 1200), ("FILL", -32767), ("VOID", -32768)]
    write(out, p + "DDOM.DDF", module(fields, [[("DDOM", field(
        "DDOM", i, "ELEVATION", "USGS", "INTEGER", "", "METERS", "", v, w))]
        for i, (w, v) in enumerate(doms, 1)]))
    fields = [("DDSH", "1600;&", "DATA DICTIONARY/SCHEMA",
               "MODN!RCID!NAME!TYPE!ETLB!EUTH!ATLB!AUTH!FMT!UNIT!PREC!MXLN", "(A,I,8A,R,I)")]
    write(out, p + "DDSH.DDF", module(fields, [[("DDSH", field(
        "DDSH", 1, "CEL0", "CELL", "ELEVATION", "USGS", "ELEVATION", "USGS", "BI16", "METERS",
        1.0, 6))]]))
    fields = [("RSDF", "1600;&", "RASTER DEFINITION", "MODN!RCID!OBRP!CSCD!AQMD!RWXT!CLXT!NLAY",
               "(A,I,3A,3I)"),
              ("SADR", "1600;&", "SPATIAL ADDRESS", "X!Y", "(2B(32))"),
              ("ISID", "1600;&", "INTERNAL SPATIAL ID", "MODN!RCID", "(A,I)"),
              ("LYID", "1600;&", "LAYER ID", "MODN!RCID", "(A,I)")]
    write(out, p + "RSDF.DDF", module(fields, [[
        ("RSDF", field("RSDF", 1, "G2", "G2", "CT", 3, 4, 1)),
        ("SADR", sadr((300, 900))), ("ISID", field("IREF", 1)), ("LYID", field("LDEF", 1))]]))
    fields = [("LDEF", "1600;&", "LAYER DEFINITION",
               "MODN!RCID!CMNM!LLBL!CODE!NROW!NCOL!SORI!SOCI!RWOO!CLOO!INTR",
               "(A,I,3A,6I,A)")]
    write(out, p + "LDEF.DDF", module(fields, [[("LDEF", field(
        "LDEF", 1, "CEL0", "ELEVATION", "", 3, 4, 1, 1, 0, 0, "CE"))]]))
    fields = [("CELL", "1600;&", "CELL", "MODN!RCID!ROWI!COLI", "(A,3I)"),
              ("CVLS", "2600;&", "CELL VALUES", "*ELEVATION", "(B(16))")]
    rows = [[100, 200, 300, -32767], [400, 500, 600, 700], [800, 900, 1000, 1100]]
    write(out, p + "CEL0.DDF", module(fields, [[
        ("CELL", field("CEL0", r + 1, r + 1, 1)),
        ("CVLS", struct.pack(">4h", *rows[r]) + FT)] for r in range(3)]))


def make_tvp(out, damaged=False):
    p = "TVPT"
    mods = [("IDEN", "Identification"), ("IREF", "Internal Spatial Reference"),
            ("XREF", "External Spatial Reference"), ("STAT", "Transfer Statistics"),
            ("NO01", "Point-Node"), ("LE01", "Line"), ("PC01", "Polygon"),
            ("AP01", "Attribute Primary")]
    write(out, p + "CATD.DDF", catalog(p, mods))
    write(out, p + "IDEN.DDF", identification(False))
    write(out, p + "IREF.DDF", internal_reference(0.01, 500000.0, 4000000.0, 1.0))
    write(out, p + "XREF.DDF", external_reference())
    write(out, p + "STAT.DDF", statistics([("NO01", 2), ("LE01", 2), ("PC01", 1), ("AP01", 2)]))
    fields = [("PNTS", "1600;&", "POINT-NODE", "MODN!RCID!OBRP", "(A,I,A)"),
              ("SADR", "1600;&", "SPATIAL ADDRESS", "X!Y", "(2B(32))"),
              ("ATID", "1600;&", "ATTRIBUTE ID", "MODN!RCID", "(A,I)")]
    points = module(fields, [
        [("PNTS", field("NO01", 1, "NO")), ("SADR", sadr((862, 912))), ("ATID", field("AP01", 1))],
        [("PNTS", field("NO01", 2, "NO")), ("SADR", sadr((-700, 150025))),
         ("ATID", field("AP01", 2))]])
    if damaged:
        # the last data record's leader: not a number
        last = points.rfind(b" D     ") - 5
        points = points[:last] + b"x" * 5 + points[last + 5:]
    write(out, p + "NO01.DDF", points)
    fields = [("LINE", "1600;&", "LINE", "MODN!RCID!OBRP", "(A,I,A)"),
              ("ATID", "1600;&", "ATTRIBUTE ID", "MODN!RCID", "(A,I)"),
              ("SADR", "1600;&", "SPATIAL ADDRESS", "X!Y", "(2B(32))")]
    lines = module(fields, [
        [("LINE", field("LE01", 1, "LE")), ("ATID", field("AP01", 1)),
         ("SADR", sadr((0, 0), (100, 250), (12345, -678), (20000, 30000), (5, 5)))],
        [("LINE", field("LE01", 2, "LE")), ("ATID", field("AP01", 2)),
         ("SADR", sadr((1000, 1000), (2000, 3000)))]])
    if damaged:
        lines = lines[:len(lines) - 20]
    write(out, p + "LE01.DDF", lines)
    fields = [("POLY", "1600;&", "POLYGON", "MODN!RCID!OBRP", "(A,I,A)"),
              ("ATID", "1600;&", "ATTRIBUTE ID", "MODN!RCID", "(A,I)")]
    write(out, p + "PC01.DDF", module(fields, [[("POLY", field("PC01", 1, "PC")),
                                                ("ATID", field("AP01", 1))]]))
    fields = [("ATPR", "1600;&", "ATTRIBUTE PRIMARY", "MODN!RCID", "(A,I)"),
              ("ATTP", "1600;&", "PRIMARY ATTRIBUTES", "NAME!CODE!TAG", "(A(4),I(6),A(2))")]
    write(out, p + "AP01.DDF", module(fields, [
        [("ATPR", field("AP01", 1)), ("ATTP", b"ABCD000012XY" + FT)],
        [("ATPR", field("AP01", 2)), ("ATTP", b"ROAD000345ZZ" + FT)]]))


def fuzz_seeds(out, corpus):
    """The samples as seeds: each module alone for the module reader, each
    transfer packed (name length, name, 32-bit length, bytes; the catalogue
    first) for the transfer harness."""
    for kind in ("dem", "tvp", "damaged"):
        folder = os.path.join(out, kind)
        names = sorted(os.listdir(folder), key=lambda n: (not n.endswith("CATD.DDF"), n))
        packed = b""
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            if kind != "damaged":
                write(os.path.join(corpus, "iso8211"), "seed-" + name.lower(), data)
            packed += bytes([len(name)]) + name.encode() + struct.pack("<I", len(data)) + data
        write(os.path.join(corpus, "sdts"), "seed-" + kind, packed)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    make_dem(os.path.join(out, "dem"))
    make_tvp(os.path.join(out, "tvp"))
    make_tvp(os.path.join(out, "damaged"), damaged=True)
    if len(sys.argv) > 2:
        fuzz_seeds(out, sys.argv[2])


if __name__ == "__main__":
    main()
