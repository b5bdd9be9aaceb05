#!/usr/bin/python3
"""Usage: read_xlsx.py FILE.xlsx [--widths]: what openpyxl makes of FILE, per worksheet
"sheet NAME" (with " frozen CELL" when panes are frozen) and a JSON array a row, as
read_with_ssconvert.py prints them (dates {"n": serial, "format": format}); with --widths,
per worksheet a line of its columns' widths instead."""
import datetime
import json
import sys

import openpyxl
from openpyxl.utils import get_column_letter
from openpyxl.utils.datetime import to_excel
from openpyxl.utils.escape import unescape


def cell_value(cell):
    value = cell.value
    if isinstance(value, (datetime.datetime, datetime.date)):
        serial = to_excel(value)
        return {"n": int(serial) if float(serial).is_integer() else serial,
                "format": cell.number_format}
    if isinstance(value, str):  # openpyxl undoes "_x000D_" in shared strings alone
        return unescape(value)
    if isinstance(value, float) and value.is_integer() and abs(value) < 2**53:
        return int(value)
    return value


def print_widths(sheet):
    """The widths of the columns that hold values, openpyxl's default where none is set."""
    print(" ".join(str(sheet.column_dimensions[get_column_letter(column)].width)
                   for column in range(1, sheet.max_column + 1)))


def main(path, widths):
    sys.stdout.reconfigure(encoding="utf-8")
    book = openpyxl.load_workbook(path)
    for sheet in book.worksheets:
        if widths:
            print_widths(sheet)
            continue
        frozen = " frozen " + sheet.freeze_panes if sheet.freeze_panes else ""
        print("sheet " + sheet.title + frozen)
        for row in sheet.iter_rows():
            print(json.dumps([cell_value(cell) for cell in row], ensure_ascii=False))


if __name__ == "__main__":
    try:
        main(sys.argv[1], "--widths" in sys.argv[2:])
    except Exception as error:  # the test shows whatever the reader refused
        print("openpyxl reading failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
