#!/usr/bin/env bash
# Writes the seeds of the TIFF harness (fuzz/corpus/tiff_layer/) with GDAL,
# libtiff's tiffcp and ImageMagick: small images of every compression,
# layout and byte order the layer reads.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/corpus/tiff_layer"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
convert rose: -resize 24x16\! -depth 8 "$tmp/rgb.tif"
convert rose: -resize 24x16\! -colorspace gray -depth 8 "$tmp/grey.tif"
convert rose: -resize 40x20\! -monochrome -depth 1 -compress none "$tmp/bw.tif"
convert rose: -resize 24x16\! -colors 16 -type palette "$tmp/pal.tif"
g() { gdal_translate -q "$@"; }
g -co COMPRESS=LZW -co PREDICTOR=2 "$tmp/rgb.tif" "$out/rgb-lzw-pred.tif"
g -co COMPRESS=PACKBITS -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 "$tmp/rgb.tif" "$out/rgb-packbits-tiled.tif"
g -co COMPRESS=JPEG -co PHOTOMETRIC=YCBCR "$tmp/rgb.tif" "$out/rgb-jpeg-ycbcr.tif"
g -co INTERLEAVE=BAND -co ENDIANNESS=BIG "$tmp/rgb.tif" "$out/rgb-band-big.tif"
g -co COMPRESS=LZW -ot UInt16 -a_ullr 100 230 124 214 "$tmp/grey.tif" "$out/grid-u16-geo.tif"
g -co COMPRESS=LZW -co PREDICTOR=2 -ot Float32 "$tmp/grey.tif" "$out/grid-f32.tif"
g -co COMPRESS=CCITTRLE -co NBITS=1 "$tmp/bw.tif" "$out/bw-rle.tif"
tiffcp -c g4 -r 4 "$tmp/bw.tif" "$out/bw-g4.tif"
tiffcp -c packbits "$tmp/pal.tif" "$out/pal-packbits.tif"
tiffcp -c lzw "$tmp/grey.tif" "$tmp/pal.tif" "$out/two-pages.tif"
