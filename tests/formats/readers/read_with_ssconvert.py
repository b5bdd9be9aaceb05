#!/usr/bin/python3
"""Prints what Gnumeric's importers make of a spreadsheet file.

Usage: read_with_ssconvert.py FILE [IMPORTER]

ssconvert (Debian's gnumeric) reads FILE, with IMPORTER when given (an
ssconvert --import-type such as Gnumeric_Excel:excel or
Gnumeric_lotus:lotus; else ssconvert guesses from the contents), and saves
the workbook in Gnumeric's own XML, which keeps each cell's type and
number format. Printed per worksheet: "sheet NAME", then one JSON array per
row from the first row to the last used one: text cells as strings,
numbers as numbers (whole numbers without ".0"), numbers shown in a format
other than General as {"n": number, "format": format}, booleans as
true/false, empty cells as null.
"""
import gzip
import json
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

GNM = "{http://www.gnumeric.org/v10.dtd}"
BOOLEAN, FLOAT, STRING = "20", "40", "60"


def as_number(text):
    value = float(text)
    return int(value) if value.is_integer() and abs(value) < 2**53 else value


def non_general_formats(sheet):
    """(first column, last column, first row, last row, format) of each
    style region whose number format is not General."""
    regions = []
    for region in sheet.iter(GNM + "StyleRegion"):
        style = region.find(GNM + "Style")
        number_format = style.get("Format") if style is not None else None
        if number_format and number_format != "General":
            regions.append((int(region.get("startCol")), int(region.get("endCol")),
                            int(region.get("startRow")), int(region.get("endRow")),
                            number_format))
    return regions


def format_at(regions, column, row):
    for first_column, last_column, first_row, last_row, number_format in regions:
        if first_column <= column <= last_column and first_row <= row <= last_row:
            return number_format
    return None


def cell_value(cell, regions, column, row):
    kind, text = cell.get("ValueType"), cell.text or ""
    if kind == STRING:
        return text
    if kind == BOOLEAN:
        return text.upper() == "TRUE"
    if kind == FLOAT:
        number = as_number(text)
        number_format = format_at(regions, column, row)
        return {"n": number, "format": number_format} if number_format else number
    return "<ValueType %s: %s>" % (kind, text)


def read_workbook(path, importer):
    with tempfile.TemporaryDirectory() as scratch:
        saved = os.path.join(scratch, "book.gnumeric")
        command = ["ssconvert", "--export-type=Gnumeric_XmlIO:sax"]
        if importer:
            command.append("--import-type=" + importer)
        run = subprocess.run(command + [path, saved], capture_output=True, text=True)
        if run.returncode != 0 or not os.path.exists(saved):
            raise RuntimeError("ssconvert failed: " + run.stderr.strip())
        with open(saved, "rb") as raw:
            compressed = raw.read(2) == b"\x1f\x8b"
        with (gzip.open(saved) if compressed else open(saved, "rb")) as xml:
            return ElementTree.parse(xml).getroot()


def main(path, importer):
    sys.stdout.reconfigure(encoding="utf-8")
    book = read_workbook(path, importer)
    for sheet in book.iter(GNM + "Sheet"):
        print("sheet " + sheet.find(GNM + "Name").text)
        regions = non_general_formats(sheet)
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
        main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)
    except Exception as error:  # the test shows whatever the reader refused
        print("ssconvert reading failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
