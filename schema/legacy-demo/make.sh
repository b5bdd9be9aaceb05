#!/usr/bin/env bash
# Regenerates the demo dBASE III tables in main/ and history/ from the UTF-8
# CSV files in source/ (column types and widths in the matching .csvt files).
#
# The tables are written by GDAL's ogr2ogr through scripts/dbf-from-csv.sh,
# in code page 437 (DOS, US; language driver byte 0x01).
#
# Afterwards two documented one-byte-range patches are made with printf | dd,
# because GDAL has no way to write them:
#   1. LOG.DBF record 27 (Walter Kowalsky, a misspelled duplicate of record 9)
#      gets the deletion flag '*' in the first byte of the record, as dBASE's
#      DELETE command leaves it (the record stays in the file and is counted in
#      the header's record count).
#   2. STOCK.DBF record 26 (SW-PWR-TV): its empty LASTDATE becomes 8 spaces,
#      which is how dBASE itself stores an empty date. Record 18 (SPL-2W) keeps
#      the "00000000" GDAL/shapelib writes for an empty date, so both forms of
#      a blank date are present.
#
# Usage: ./make.sh   (needs ogr2ogr from the gdal-bin package; run from any
# directory; safe to run again: it rebuilds main/ and history/ from scratch)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"

rm -rf main history
../../scripts/dbf-from-csv.sh 1 main LOG STOCK MFG STORES VENDOR XSERCODES XLABOR XSERV_LIT
../../scripts/dbf-from-csv.sh 1 history ARCHIVE

# ---- helpers for the two patches (offsets read from the header itself) ----
u8()  { od -An -tu1 -j"$2" -N1 "$1" | tr -d ' \n'; }
u16() { echo $(( $(u8 "$1" "$2") + 256 * $(u8 "$1" $(( $2 + 1 ))) )); }
u32() { echo $(( $(u16 "$1" "$2") + 65536 * $(u16 "$1" $(( $2 + 2 ))) )); }
getbytes() { dd if="$1" bs=1 skip="$2" count="$3" status=none; }
putbytes() { printf '%s' "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

# field FILE NAME -> "offset length" of the field inside a record (the
# deletion-flag byte is offset 0), from the 32-byte field descriptors.
field() {
  local f="$1" want="$2" pos=32 off=1 name len
  while [ "$(u8 "$f" $pos)" != 13 ]; do
    name="$(getbytes "$f" $pos 11 | tr -d '\000')"
    len="$(u8 "$f" $(( pos + 16 )))"
    if [ "$name" = "$want" ]; then echo "$off $len"; return 0; fi
    off=$(( off + len )); pos=$(( pos + 32 ))
  done
  echo "make.sh: no field $want in $f" >&2; return 1
}

# record_start FILE N -> byte offset of record N (1-based)
record_start() {
  local f="$1" n="$2"
  local count hlen rlen
  count="$(u32 "$f" 4)"; hlen="$(u16 "$f" 8)"; rlen="$(u16 "$f" 10)"
  [ "$n" -ge 1 ] && [ "$n" -le "$count" ] || { echo "make.sh: $f has no record $n" >&2; return 1; }
  echo $(( hlen + (n - 1) * rlen ))
}

# expect FILE N FIELD VALUE: refuse to patch if the record is not the intended one
expect() {
  local f="$1" n="$2" fld="$3" want="$4" rec fo fl got
  rec="$(record_start "$f" "$n")"; read -r fo fl < <(field "$f" "$fld")
  got="$(getbytes "$f" $(( rec + fo )) "$fl" | sed 's/ *$//')"
  [ "$got" = "$want" ] || { echo "make.sh: $f record $n $fld is '$got', expected '$want' (source changed?)" >&2; exit 1; }
}

# 1. deletion flag on LOG.DBF record 27
expect main/LOG.DBF 27 LNAME Kowalsky
putbytes main/LOG.DBF "$(record_start main/LOG.DBF 27)" '*'

# 2. dBASE-style empty date (8 spaces) in STOCK.DBF record 26
expect main/STOCK.DBF 26 PARTNO SW-PWR-TV
expect main/STOCK.DBF 26 LASTDATE 00000000
read -r fo fl < <(field main/STOCK.DBF LASTDATE)
putbytes main/STOCK.DBF $(( $(record_start main/STOCK.DBF 26) + fo )) '        '

ogr2ogr --version
ls -l main history
