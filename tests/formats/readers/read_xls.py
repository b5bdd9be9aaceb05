#!/usr/bin/python3
"""Prints what Debian's xlrd makes of an Excel file (BIFF3 to BIFF8).

Usage: read_xls.py [--summary] FILE.xls

Line 1: the BIFF version xlrd found (30, 40, 50, 80) and the text encoding
it chose from the CODEPAGE record. Then, for each worksheet, a line
"sheet NAME rows R columns C" and one JSON array per row, cell by cell:
text as a string, a number as a number, a boolean as true/false, an empty
cell as null, and a date-formatted number (xlrd decides by the number
format) as "date:YYYY-MM-DD" or "date:YYYY-MM-DD HH:MM:SS" when it has a
time of day. With --summary only the first two rows and the last row of
each worksheet are printed.
"""
import json
import sys

import xlrd


def cell_value(book, cell):
    if cell.ctype == xlrd.XL_CELL_EMPTY:
        return None
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return bool(cell.value)
    if cell.ctype == xlrd.XL_CELL_DATE:
        moment = xlrd.xldate.xldate_as_datetime(cell.value, book.datemode)
        if moment.hour or moment.minute or moment.second:
            return "date:" + moment.strftime("%Y-%m-%d %H:%M:%S")
        return "date:" + moment.strftime("%Y-%m-%d")
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        number = cell.value
        return int(number) if number.is_integer() and abs(number) < 2**53 else number
    if cell.ctype == xlrd.XL_CELL_TEXT:
        return cell.value
    return "ctype:%d" % cell.ctype


def main(path, summary):
    sys.stdout.reconfigure(encoding="utf-8")
    book = xlrd.open_workbook(path, on_demand=False)
    print("biff %d encoding %s" % (book.biff_version, book.encoding))
    for sheet in book.sheets():
        print("sheet %s rows %d columns %d" % (sheet.name, sheet.nrows, sheet.ncols))
        rows = range(sheet.nrows)
        if summary:
            rows = sorted(set(rows[:2]) | set(rows[-1:]))
        for row in rows:
            print(json.dumps([cell_value(book, cell) for cell in sheet.row(row)],
                             ensure_ascii=False))


if __name__ == "__main__":
    try:
        summary = sys.argv[1] == "--summary"
        main(sys.argv[-1], summary)
    except Exception as error:  # the test shows whatever the reader refused
        print("xlrd failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
