#!/usr/bin/env bash
# Writes legacy dBASE III tables from UTF-8 CSV files with GDAL's ogr2ogr, for
# the fixture scripts that make the legacy DOS application's tables.
#
#   scripts/dbf-from-csv.sh LDID OUTDIR NAME...
#
# Reads source/NAME.csv (column types and widths in source/NAME.csvt) below
# the current directory and writes OUTDIR/NAME.DBF. The ESRI Shapefile driver
# writes a layer without geometry as a lone .dbf, version byte 0x03:
#   -lco ENCODING=LDID/n      text recoded from UTF-8 to the DOS code page of
#                             language driver n, which goes to header byte 29
#   -lco DBF_DATE_LAST_UPDATE a fixed "last update" date in the header, so the
#                             output is byte-for-byte reproducible
# GDAL writes an empty date as "00000000" and an empty number as asterisks.
set -euo pipefail

command -v ogr2ogr >/dev/null || { echo "dbf-from-csv.sh: ogr2ogr not found (apt-get install gdal-bin)" >&2; exit 1; }

ldid="$1" outdir="$2"
shift 2
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$outdir"
for name in "$@"; do
  ogr2ogr -q -f "ESRI Shapefile" \
    -lco ENCODING="LDID/$ldid" \
    -lco DBF_DATE_LAST_UPDATE=1999-11-30 \
    -nln "$name" "$tmp/$name.dbf" "source/$name.csv"
  # Only the .dbf, under its upper-case DOS name; whatever else the driver
  # wrote (.shp, .shx, .prj, .cpg) goes with $tmp.
  mv "$tmp/$name.dbf" "$outdir/$name.DBF"
done
