#!/usr/bin/env bash
# Remakes the vector-format fixtures under tests/data/ with GDAL's ogr2ogr and
# writes the reference dumps the tests compare with (python3-gdal).
# Usage: bash tests/data/make_formats.sh   (needs gdal-bin and python3-gdal)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
py=/usr/bin/python3 # the system interpreter has the osgeo bindings
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# ---- shapefiles -----------------------------------------------------------------------
shp="$here/shp"
mkdir -p "$shp"
rm -f "$shp"/*.shp "$shp"/*.shx "$shp"/*.dbf "$shp"/*.prj "$shp"/*.cpg "$shp"/*.dump

cat > "$work/points.csv" <<'CSV'
WKT,name,count,value,day
"POINT (1.5 2.25)",alpha,1,0.125,2020/01/02
"POINT (-180 -90)",beta,-7,1e10,1999/12/31
"POINT (0.1 0.2)",,0,,
"POINT (12345678.123456789 -0.000001)",gamma,123456789,-3.25,2000/02/29
CSV
cat > "$work/lines.csv" <<'CSV'
WKT,id,label
"LINESTRING (0 0,1 1,2 0)",1,one
"MULTILINESTRING ((10 10,11 12),(20 20,21 22,23 25))",2,two parts
"LINESTRING (0.3 0.7,0.1 0.9)",3,
CSV
cat > "$work/polygons.csv" <<'CSV'
WKT,id,area_name
"POLYGON ((0 0,0 10,10 10,10 0,0 0),(2 2,4 2,4 4,2 4,2 2))",1,holed
"MULTIPOLYGON (((20 20,20 30,30 30,20 20)),((40 40,40 45,45 45,40 40)))",2,two
"POLYGON ((-1 -1,-1 1,1 1,-1 -1))",3,small
CSV
cat > "$work/multipoints.csv" <<'CSV'
WKT,id
"MULTIPOINT (1 1,2 2,3 3)",1
"MULTIPOINT (5 5)",2
CSV
cat > "$work/withnull.csv" <<'CSV'
WKT,id
"POINT (1 1)",1
,2
"POINT (3 3)",3
,4
"POINT (5 5)",5
CSV
cat > "$work/zm.csv" <<'CSV'
WKT,id
"POLYGON ZM ((0 0 1 5,0 10 2 6,10 10 3 7,0 0 1 5))",1
"POLYGON ZM ((20 20 1 1,20 30 1 1,30 30 1 1,20 20 1 1))",2
CSV
cat > "$work/linez.csv" <<'CSV'
WKT,id
"LINESTRING Z (0 0 5,1 1 6,2 0 7)",1
"LINESTRING Z (3 3 1,4 4 2)",2
CSV
cat > "$work/pointm.csv" <<'CSV'
WKT,id
"POINT M (7 8 9)",1
CSV

conv() { # name nlt
  ogr2ogr -q -f "ESRI Shapefile" "$shp/$1.shp" "$work/$1.csv" -oo GEOM_POSSIBLE_NAMES=WKT \
    -oo KEEP_GEOM_COLUMNS=NO -oo AUTODETECT_TYPE=YES -nlt "$2" -lco ENCODING=UTF-8
}
conv points POINT
conv lines MULTILINESTRING
conv polygons MULTIPOLYGON
conv multipoints MULTIPOINT
conv withnull POINT
conv zm POLYGONZM
conv linez LINESTRING25D
conv pointm POINTM
rm -f "$shp"/*.prj "$shp"/*.cpg

# An empty point file, as GDAL makes it (the first 36 bytes are compared).
ogr2ogr -q -f "ESRI Shapefile" "$shp/empty.shp" "$work/points.csv" -oo GEOM_POSSIBLE_NAMES=WKT \
  -oo KEEP_GEOM_COLUMNS=NO -nlt POINT -where "1=0"
rm -f "$shp"/*.prj "$shp"/*.cpg

# Damaged copies: the last record cut short; a part count beyond the content.
head -c $(( $(stat -c %s "$shp/lines.shp") - 10 )) "$shp/lines.shp" > "$shp/truncated.shp"
cp "$shp/lines.shx" "$shp/truncated.shx"; cp "$shp/lines.dbf" "$shp/truncated.dbf"
cp "$shp/polygons.shp" "$shp/badcount.shp"
cp "$shp/polygons.shx" "$shp/badcount.shx"; cp "$shp/polygons.dbf" "$shp/badcount.dbf"
# first record: header 100 + 8 record header + 4 type + 32 box -> part count at 144
printf '\xff\xff\x00\x00' | dd of="$shp/badcount.shp" bs=1 seek=144 conv=notrunc status=none

# Reference dumps: one line per feature: FID, then every vertex as hex
# doubles, then the attribute values as GDAL gives them.
for f in points lines polygons multipoints withnull zm linez pointm; do
  "$py" "$here/dump_ogr.py" "$shp/$f.shp" > "$shp/$f.dump"
done

# Fuzz seeds: two lengths, then .shp, .shx and .dbf.
corpus="$here/../../fuzz/corpus/shapefile"
mkdir -p "$corpus"
for f in points lines polygons multipoints withnull zm truncated badcount; do
  "$py" - "$shp/$f" "$corpus/seed-$f" <<'PY'
import struct, sys
stem, out = sys.argv[1], sys.argv[2]
parts = [open(stem + ext, "rb").read() for ext in (".shp", ".shx", ".dbf")]
open(out, "wb").write(struct.pack("<II", len(parts[0]), len(parts[1])) + b"".join(parts))
PY
done

# ---- MIF/MID -----------------------------------------------------------------------------
mif="$here/mif"
mkdir -p "$mif"
rm -f "$mif"/*
cat > "$work/mixed.csv" <<'CSV'
WKT,name,count,value,day,tm,after
"POINT (1.5 2.25)",alpha,1,0.125,2020/01/02,12:30:00,x1
"LINESTRING (0 0,1 1,2 0)",beta,-7,1000,1999/12/31,01:02:03,x2
"MULTILINESTRING ((10 10,11 12),(20 20,21 22,23 25))",,0,,,,x3
"POLYGON ((0 0,0 10,10 10,10 0,0 0),(2 2,4 2,4 4,2 4,2 2))",gamma,5,-3.25,2000/02/29,23:59:59,x4
"MULTIPOINT (1 1,2 2)",delta,6,7.5,2001/01/01,00:00:01,x5
CSV
echo '"String","String","Integer","Real","Date","Time","String"' > "$work/mixed.csvt"
ogr2ogr -q -f "MapInfo File" "$mif/mixed.mif" "$work/mixed.csv" -dsco FORMAT=MIF \
  -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO
"$py" "$here/dump_ogr.py" "$mif/mixed.mif" > "$mif/mixed.dump"
# Objects that give no shape in the middle: a Text and a Multipoint (GDAL
# reads both), each with its row.
"$py" - "$mif/mixed" "$mif/objects" <<'PY'
import sys
src, dst = sys.argv[1], sys.argv[2]
mif = open(src + ".mif", newline="").read()
mid = open(src + ".mid", newline="").read().splitlines(True)
head, body = mif.split("Data", 1)
at = body.index("Pline")
body = body[:at] + 'Text\n    "hello"\n    1 1 2 2\nMultipoint 2\n5 5\n6 6\n' + body[at:]
open(dst + ".mif", "w", newline="").write(head + "Data" + body)
rows = mid[:1] + ['"text",,,,,"t1"\n', '"multi",9,,,,"m1"\n'] + mid[1:]
open(dst + ".mid", "w", newline="").write("".join(rows))
PY
"$py" "$here/dump_ogr.py" "$mif/objects.mif" > "$mif/objects.dump"
# Damaged: a region whose ring count runs past the end of the file.
printf 'Version 300\nColumns 1\n  a Char(5)\nData\n\nRegion 3\n  2\n1 2\n' > "$mif/damaged.mif"
printf '"x"\n' > "$mif/damaged.mid"

# Fuzz seeds: a length, then .mif and .mid.
corpus="$here/../../fuzz/corpus/mif"
mkdir -p "$corpus"
for f in mixed objects damaged; do
  "$py" - "$mif/$f" "$corpus/seed-$f" <<'PY'
import struct, sys
stem, out = sys.argv[1], sys.argv[2]
parts = [open(stem + ext, "rb").read() for ext in (".mif", ".mid")]
open(out, "wb").write(struct.pack("<I", len(parts[0])) + b"".join(parts))
PY
done

# ---- DGN (design files written by GDAL from its seed files) ------------------------------
dgn="$here/dgn"
mkdir -p "$dgn"
rm -f "$dgn"/*.dgn "$dgn"/*.dump "$dgn"/*.pens "$dgn"/*.extent "$dgn"/*.vectors
"$py" "$dgn/make_dfloat_vectors.py" > "$dgn/dfloat.vectors"
"$py" - "$work/elements.csv" <<'PY'
import math, sys
rows = [
    '"LINESTRING (0 0,10 10)",3,5,2,1,',
    '"LINESTRING (1 1,2 5,3 2,4 8)",4,12,0,2,',
    '"POLYGON ((0 0,0 10,10 10,10 0,0 0))",5,200,3,0,',
    '"POINT (5 5)",6,7,1,0,hello',
    # 250 vertices: a complex chain of 7 line strings
    '"LINESTRING (%s)",7,33,4,3,' % ",".join(
        "%g %g" % (i * 0.5, 30 + round(math.sin(i / 10.0) * 20, 3)) for i in range(250)),
    # a holed polygon: a cell with two shapes
    '"POLYGON ((20 20,20 40,40 40,40 20,20 20),(25 25,30 25,30 30,25 30,25 25))",8,100,2,4,',
    '"POINT (100 200)",9,255,6,5,',
    '"POINT (50.5 60.25)",10,0,0,7,angle text',
]
open(sys.argv[1], "w").write("WKT,Level,ColorIndex,Weight,Style,Text\n" + "\n".join(rows) + "\n")
PY
# (GDAL reports that the design-file layer takes no new fields; the file is written.)
ogr2ogr -q -f DGN "$dgn/gdal2d.dgn" "$work/elements.csv" 2>/dev/null
ogr2ogr -q -f DGN "$dgn/gdal3d.dgn" "$work/elements.csv" -dsco SEED=/usr/share/gdal/seed_3d.dgn \
  2>/dev/null
# 256 lines, one per colour byte, and a colour table (type 5 on level 1)
# inserted after the design-file header: GDAL's pen colours are the oracle.
"$py" - "$work/colors.csv" <<'PY'
import sys
rows = ['"LINESTRING (%d 0,%d 5)",1,%d,0,0,' % (i, i, i) for i in range(256)]
open(sys.argv[1], "w").write("WKT,Level,ColorIndex,Weight,Style,Text\n" + "\n".join(rows) + "\n")
PY
ogr2ogr -q -f DGN "$work/colors.dgn" "$work/colors.csv" 2>/dev/null
"$py" - "$work/colors.dgn" "$dgn/colors.dgn" <<'PY'
import random, struct, sys
data = open(sys.argv[1], "rb").read()
first = 4 + 2 * (data[2] | data[3] << 8)  # after the design-file header
rnd = random.Random(5)
table = bytes(rnd.randrange(256) for _ in range(768))
body = bytes(32) + b"\0\0" + table
element = bytes([1, 5]) + struct.pack("<H", len(body) // 2) + body
open(sys.argv[2], "wb").write(data[:first] + element + data[first:])
PY
for f in gdal2d gdal3d; do
  "$py" "$here/dump_ogr.py" "$dgn/$f.dgn" > "$dgn/$f.dump"
done
ogrinfo -q -al "$dgn/colors.dgn" | sed -n 's/.*PEN(.*c:#\([0-9a-f]*\).*/\1/p' > "$dgn/colors.pens"
ogrinfo -so -al "$dgn/gdal2d.dgn" | sed -n 's/^Extent: //p' > "$dgn/gdal2d.extent"
# Damaged: the 2D file cut inside the complex chain, and a header whose
# words-to-follow run far past the end.
head -c 10000 "$dgn/gdal2d.dgn" > "$dgn/truncated.dgn"
printf '\x08\x09\xfe\x02\x08\x03\xff\x7f' > "$dgn/damaged.dgn"

# ---- DLG (no oracle: hand-made files in the standard's layouts) -------------------------
dlg="$here/dlg"
mkdir -p "$dlg"
rm -f "$dlg"/*.opt "$dlg"/*.dlg
"$py" - "$dlg" <<'PY'
import sys
out = sys.argv[1]
def cat(name, nodes, areas, lines):
    return "%-24s%6d%6d 01 %6d%6d 010%6d%6d 000%6d%2d" % (name, nodes, nodes, areas, areas, lines, lines, 0, 0)
head = ["USGS TEST QUADRANGLE", "HYDROGRAPHY 1:24000"] + ["header record %d" % i for i in range(3, 15)]
body = [cat("HYDROGRAPHY", 2, 1, 2),
        "N    1      100.50      200.25     0     1     0     3     0     0",
        "    50   300     0     0     0     0",
        "N    2      110.00      210.00     0     1     0     3     0     0",
        "    50     4     0     0     0     0",
        "A    1      105.00      205.00     0     1     0     3     0     0",
        "    50   421     0     0     0     0",
        "L    1     1     2     1     1                 4     3     0",
        "      100.50      200.25      103.00      204.00      107.00      207.00",
        "      110.00      210.00",
        "    50   412    50   610     0     0",
        "L    2     2     1     1     1                 2     3     0",
        "      110.00      210.00      100.50      200.25",
        "    50   200"]
# optional: 80-byte records with CR LF, the last one short
recs = ["%-80s" % r for r in head + body]
recs[-1] = body[-1]
open(out + "/good.opt", "wb").write("\r\n".join(recs).encode())
# standard: text lines, the category on line 16, tokens split at blanks
std = head + ["header record 15"] + [cat("HYDROGRAPHY", 2, 1, 2)] + [
    "N 1 100.50 200.25", "050 0300", "", "N 2 110 210", "050 0004", "A 1 105 205", "050 0421",
    "L 1 1 2 1 1 4", "100.50 200.25 103 204", "107 207 110 210", "050 0412 050 0610",
    "L 2 2 1 1 1 2", "110 210 100.50 200.25", "050 0200"]
open(out + "/good.dlg", "w").write("\n".join(std) + "\n")
# damaged: a line whose coordinates are cut to an odd count
bad = std[:std.index("100.50 200.25 103 204")] + ["100.50 200.25 103"]
open(out + "/damaged.dlg", "w").write("\n".join(bad) + "\n")
PY
corpus="$here/../../fuzz/corpus/dlg"
mkdir -p "$corpus"
for f in good.opt good.dlg damaged.dlg; do cp "$dlg/$f" "$corpus/seed-$f"; done

# ---- MapInfo native tables (TAB/MAP/ID/DAT) -------------------------------------------------
tab="$here/tab"
mkdir -p "$tab"
rm -f "$tab"/objects* "$tab"/wide* "$tab"/big* "$tab"/text* "$tab"/dbftable* "$tab"/smallint* \
  "$tab"/damaged-*.map "$tab"/damaged-*.id "$tab"/damaged-*.dat "$tab"/damaged-map.tab \
  "$tab"/damaged-chain.tab "$tab"/*.dump
cat > "$work/objects.csv" <<'CSV'
WKT,name,count,small,value,dec,day,tm,dt,flag,after
"POINT (1.5 2.25)",alpha,1,-1,0.125,12.5,2020/01/02,12:30:00,2020/01/02 10:00:00,1,x1
"LINESTRING (0 0,1 1,2 0)",beta,-7,300,1000,-3.25,1999/12/31,01:02:03,2020/01/02 10:00:00,0,x2
"MULTILINESTRING ((10 10,11 12),(20 20,21 22,23 25),(30 30,31 31))",,0,,,,,,,,x3
"POLYGON ((0 0,0 10,10 10,10 0,0 0),(2 2,4 2,4 4,2 4,2 2))",gamma,5,-32768,-3.25,0.01,2000/02/29,23:59:59,,1,x4
"MULTIPOLYGON (((20 20,20 30,30 30,20 20)),((40 40,40 45,45 45,40 40),(41 41,42 41,42 42,41 41)))",delta,6,7,7.5,1,2001/01/01,00:00:01,2001/01/01 00:00:01,0,x5
,nogeom,7,8,9,1,,,,,x6
"POINT (-0.000001 123.456)",eps,8,9,10,2,,,,,x7
CSV
echo '"String","String","Integer","Integer","Real","Real(10.2)","Date","Time","DateTime","Integer(Boolean)","String"' \
  > "$work/objects.csvt"
totab() { # name source [options...]
  local name="$1" src="$2"
  shift 2
  ogr2ogr -q -f "MapInfo File" "$tab/$name.tab" "$src" "$@"
}
# Bounds of +-1e6 store 1000 units per map unit: lines and regions get
# compressed coordinates; bounds of +-1000 store 1e6 units per map unit: full
# coordinates. Both scales are powers of ten and the coordinates have no more
# decimals than they resolve, so the stored integers are exact (GDAL rounds
# what it reads to the resolution's decimals; this reader does not).
wide=(-lco BOUNDS=-1000,-1000,1000,1000)
near=(-lco BOUNDS=-1000000,-1000000,1000000,1000000)
totab objects "$work/objects.csv" -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO "${near[@]}"
totab wide "$work/objects.csv" -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO "${wide[@]}"
# More than 32767 vertices: the wide section headers, compressed and not.
"$py" - "$work/big.csv" <<'PY'
import math, sys
n = 33000
ring = ",".join("%.3f %.3f" % (50 + 30 * math.cos(2 * math.pi * k / n), 50 + 30 * math.sin(2 * math.pi * k / n)) for k in range(n))
ring += ",%.3f %.3f" % (80, 50)
hole = "45 45,45 46,46 46,45 45"
line1 = ",".join("%d.5 %d.25" % (k % 59, k % 53) for k in range(16500))
line2 = ",".join("%d.75 %d.5" % (k % 47, k % 43) for k in range(16500))
with open(sys.argv[1], "w") as f:
    f.write("WKT,id\n")
    f.write('"POLYGON ((%s),(%s))",1\n' % (ring, hole))
    f.write('"MULTILINESTRING ((%s),(%s))",2\n' % (line1, line2))
    f.write('"LINESTRING (%s)",3\n' % line2)
PY
totab big "$work/big.csv" -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO "${near[@]}"
totab bigwide "$work/big.csv" -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO "${wide[@]}"
# A text object comes through MIF.
printf 'Version 300\nCharset "Neutral"\nDelimiter ","\nColumns 1\n  name Char(10)\nData\n\n' \
  > "$work/text.mif"
printf 'Point 1 2\nText\n    "hello"\n    3 4 5 5\nPoint 6 7\n' >> "$work/text.mif"
printf '"p1"\n"t1"\n"p2"\n' > "$work/text.mid"
totab text "$work/text.mif" "${wide[@]}"
# A dBASE table: the geometry of a native table, the attributes in a .dbf.
cat > "$work/dbftable.csv" <<'CSV'
WKT,name,count,value
"POINT (1 2)",one,-5,1.5
"POINT (3 4)",two,123456,-2.25
CSV
echo '"String","String","Integer","Real"' > "$work/dbftable.csvt"
totab dbftable "$work/dbftable.csv" -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO "${wide[@]}"
rm -f "$tab/dbftable.dat"
ogr2ogr -q -f "ESRI Shapefile" "$work/dbftable.shp" "$work/dbftable.csv" \
  -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO
cp "$work/dbftable.dbf" "$tab/dbftable.dbf"
printf '!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n  Type DBF Charset "WindowsLatin1"\n  Fields 3\n    name Char (80) ;\n    count Integer ;\n    value Float ;\n' \
  > "$tab/dbftable.tab"
# A Smallint column: the Integer column "small" of the objects table cut to
# two bytes per row.
"$py" - "$tab/objects" "$tab/smallint" <<'PY'
import shutil, struct, sys
src, dst = sys.argv[1], sys.argv[2]
for ext in (".map", ".id"):
    shutil.copy(src + ext, dst + ext)
tabtext = open(src + ".tab").read().replace("small Integer ;", "small Smallint ;")
open(dst + ".tab", "w").write(tabtext)
dat = open(src + ".dat", "rb").read()
count, hlen, rlen = struct.unpack_from("<IHH", dat, 4)
fields, off, pos = [], 1, 32
while dat[pos] != 0x0D:
    name = dat[pos:pos + 11].split(b"\0")[0]
    fields.append((name, off, dat[pos + 16], pos))
    off += dat[pos + 16]
    pos += 32
name, at, width, dpos = [f for f in fields if f[0] == b"small"][0]
head = bytearray(dat[:hlen])
head[dpos + 16] = 2
struct.pack_into("<H", head, 10, rlen - 2)
body = bytearray()
for r in range(count):
    rec = dat[hlen + r * rlen:hlen + (r + 1) * rlen]
    body += rec[:at] + rec[at:at + 2] + rec[at + 4:]
open(dst + ".dat", "wb").write(bytes(head) + bytes(body) + dat[hlen + count * rlen:])
PY
for f in objects wide text dbftable; do
  "$py" "$here/dump_ogr.py" "$tab/$f.tab" > "$tab/$f.dump"
done
for f in big bigwide; do
  "$py" "$here/dump_ogr.py" --digest "$tab/$f.tab" > "$tab/$f.dump"
done
# Damaged: the first line's data offset beyond the file; a coordinate chain
# that links back to itself.
"$py" - "$tab" <<'PY'
import shutil, struct, sys
d = sys.argv[1] + "/"
def copy(src, dst):
    for ext in (".tab", ".id", ".dat"):
        shutil.copy(d + src + ext, d + dst + ext)
    return bytearray(open(d + src + ".map", "rb").read()), open(d + src + ".id", "rb").read()
m, ids = copy("objects", "damaged-map")
off = struct.unpack_from("<i", ids, 4)[0] # row 2: a compressed line
struct.pack_into("<i", m, off + 5, 0x7ffffff0)
open(d + "damaged-map.map", "wb").write(m)
m, ids = copy("big", "damaged-chain")
# every coordinate block links to itself
for b in range(512, len(m), 512):
    if m[b] == 3:
        struct.pack_into("<i", m, b + 4, b)
open(d + "damaged-chain.map", "wb").write(m)
PY

# Fuzz seeds: three lengths, then .tab, .map, .id and .dat.
corpus="$here/../../fuzz/corpus/tab"
mkdir -p "$corpus"
for f in objects wide text smallint damaged-map; do
  "$py" - "$tab/$f" "$corpus/seed-$f" <<'PY'
import struct, sys
stem, out = sys.argv[1], sys.argv[2]
parts = [open(stem + ext, "rb").read() for ext in (".tab", ".map", ".id", ".dat")]
open(out, "wb").write(struct.pack("<III", *[len(p) for p in parts[:3]]) + b"".join(parts))
PY
done

# SDTS: synthetic transfers (a DEM, a vector transfer and its damaged copy)
# and the seeds of the module and transfer harnesses.
"$py" "$here/sdts/make_sdts.py" "$here/sdts" "$here/../../fuzz/corpus"
