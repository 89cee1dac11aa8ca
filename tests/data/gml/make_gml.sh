#!/usr/bin/env bash
# Remakes the GML fixtures made by GDAL (ogr2ogr, GML 2 and GML 3) and their
# reference dumps: a first line "#fields" with GDAL's field names, then
# tests/data/dump_ogr.py's lines.
# Usage: bash tests/data/gml/make_gml.sh   (needs gdal-bin and python3-gdal)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
py=/usr/bin/python3
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat > "$work/mixed.csv" <<'CSV'
WKT,name,count,note
"POINT (1.5 2.25)",alpha,1,a&b <c>
"MULTIPOINT ((1 2),(3 4),(-5.5 6.25))",beta,2,
"LINESTRING (0 0,1 1,2 0)",gamma,3,line
"MULTILINESTRING ((10 10,11 12),(20 20,21 22,23 25))",delta,4,two parts
"POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,2 4,4 4,4 2,2 2))",epsilon,5,hole
"POLYGON ((100 100,101 100,101 101,100 100))",zeta,6,
,eta,7,no geometry
"POINT (12345678.123456789 -0.000001)",theta,8,Łódź
CSV
cat > "$work/xyz.csv" <<'CSV'
WKT,name
"POINT Z (1 2 3)",p
"LINESTRING Z (0 0 1,1 1 2,2 0 3)",l
"POLYGON Z ((0 0 5,10 0 5,10 10 5,0 0 5))",a
CSV
cat > "$work/gml3.csv" <<'CSV'
WKT,name
"POINT (1.5 2.25)",p
"LINESTRING (0 0,1 1,2 0)",l
"POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,2 4,4 4,4 2,2 2),(6 6,6 8,8 8,6 6))",holes
CSV

dump() {
  {
    "$py" -c 'import sys
from osgeo import ogr
ds = ogr.Open(sys.argv[1])
d = ds.GetLayer(0).GetLayerDefn()
print("\t".join(["#fields"] + [d.GetFieldDefn(i).GetName() for i in range(d.GetFieldCount())]))' "$1"
    "$py" "$here/../dump_ogr.py" "$1"
  } > "$2"
}

make() { # csv, output stem, extra options
  local csv="$1" out="$2"; shift 2
  rm -f "$here/$out.gml" "$here/$out.xsd" "$here/$out.gfs"
  ogr2ogr -f GML "$here/$out.gml" "$work/$csv.csv" -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO "$@"
  rm -f "$here/$out.xsd"
  dump "$here/$out.gml" "$here/$out.dump"
  rm -f "$here/$out.gfs"
}

make mixed gdal2 -dsco FORMAT=GML2
make xyz gdal2z -dsco FORMAT=GML2
make gml3 gdal3 -dsco FORMAT=GML3
make xyz gdal3z -dsco FORMAT=GML3
