#!/usr/bin/python3
"""Usage: read_with_ssconvert.py FILE IMPORTER [--widths]: what Gnumeric makes of FILE, per
worksheet "sheet NAME" (with " frozen CELL" when panes are frozen) and a JSON array a row
({"n": number, "format": format} unless General); with --widths, per worksheet a line of its
columns' widths in points instead."""
import gzip
import json
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

GNM = "{http://www.gnumeric.org/v10.dtd}"
BOOLEAN, FLOAT, STRING = "20", "40", "60"


def number_formats(sheet):
    """(first column, last column, first row, last row, format) unless General."""
    regions = []
    for region in sheet.iter(GNM + "StyleRegion"):
        style = region.find(GNM + "Style")
        shown = style.get("Format") if style is not None else None
        if shown and shown != "General":
            bounds = (region.get(k) for k in ("startCol", "endCol", "startRow", "endRow"))
            regions.append((*map(int, bounds), shown))
    return regions


def cell_value(cell, regions, column, row):
    kind, text = cell.get("ValueType"), cell.text or ""
    if kind == STRING:
        return text
    if kind == BOOLEAN:
        return text.upper() == "TRUE"
    if kind != FLOAT:
        return "<ValueType %s: %s>" % (kind, text)
    number = float(text)
    if number.is_integer() and abs(number) < 2**53:
        number = int(number)
    for first_column, last_column, first_row, last_row, shown in regions:
        if first_column <= column <= last_column and first_row <= row <= last_row:
            return {"n": number, "format": shown}
    return number


def print_widths(sheet):
    """The widths of the columns that hold values, the sheet's default where none is set."""
    count = 1 + max((int(cell.get("Col")) for cell in sheet.iter(GNM + "Cell")), default=-1)
    columns = sheet.find(GNM + "Cols")
    widths = [float(columns.get("DefaultSizePts"))] * count
    for info in columns.iter(GNM + "ColInfo"):
        first = int(info.get("No"))
        for column in range(first, min(count, first + int(info.get("Count", "1")))):
            widths[column] = float(info.get("Unit"))
    print(" ".join(str(width) for width in widths))


def read_workbook(path, importer):
    with tempfile.TemporaryDirectory() as scratch:
        saved = os.path.join(scratch, "book.gnumeric")
        command = ["ssconvert", "--export-type=Gnumeric_XmlIO:sax",
                   "--import-type=" + importer, path, saved]
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0 or not os.path.exists(saved):
            raise RuntimeError("ssconvert failed: " + run.stderr.strip())
        with open(saved, "rb") as raw:
            xml = raw.read()
        return ElementTree.fromstring(gzip.decompress(xml) if xml[:2] == b"\x1f\x8b" else xml)


def main(path, importer, widths):
    sys.stdout.reconfigure(encoding="utf-8")
    for sheet in read_workbook(path, importer).iter(GNM + "Sheet"):
        if widths:
            print_widths(sheet)
            continue
        freeze = sheet.find(GNM + "SheetLayout/" + GNM + "FreezePanes")
        frozen = "" if freeze is None else " frozen " + freeze.get("UnfrozenTopLeft")
        print("sheet " + sheet.find(GNM + "Name").text + frozen)
        regions = number_formats(sheet)
        rows = {}
        for cell in sheet.iter(GNM + "Cell"):
            column, row = int(cell.get("Col")), int(cell.get("Row"))
            rows.setdefault(row, {})[column] = cell_value(cell, regions, column, row)
        width = 1 + max((column for cells in rows.values() for column in cells), default=-1)
        for row in range(1 + max(rows, default=-1)):
            cells = rows.get(row, {})
            print(json.dumps([cells.get(column) for column in range(width)],
                             ensure_ascii=False))


if __name__ == "__main__":
    try:
        main(sys.argv[1], sys.argv[2], "--widths" in sys.argv[3:])
    except Exception as error:  # the test shows whatever the reader refused
        print("ssconvert reading failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
