#!/usr/bin/python3
"""Usage: read_xls.py FILE.xls [--summary]: xlrd's BIFF version and encoding, per worksheet
its size and a JSON array a row (--summary: first two, last), dates as "date:..."."""
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
        timed = moment.hour or moment.minute or moment.second
        return "date:" + moment.strftime("%Y-%m-%d %H:%M:%S" if timed else "%Y-%m-%d")
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        number = cell.value
        return int(number) if number.is_integer() and abs(number) < 2**53 else number
    return cell.value if cell.ctype == xlrd.XL_CELL_TEXT else "ctype:%d" % cell.ctype


def main(path, summary):
    sys.stdout.reconfigure(encoding="utf-8")
    book = xlrd.open_workbook(path)
    print("biff %d encoding %s" % (book.biff_version, book.encoding))
    for sheet in book.sheets():
        print("sheet %s rows %d columns %d" % (sheet.name, sheet.nrows, sheet.ncols))
        rows = range(sheet.nrows)
        for row in sorted(set(rows[:2]) | set(rows[-1:])) if summary else rows:
            print(json.dumps([cell_value(book, cell) for cell in sheet.row(row)],
                             ensure_ascii=False))


if __name__ == "__main__":
    try:
        main(next(a for a in sys.argv[1:] if a != "--summary"), "--summary" in sys.argv)
    except Exception as error:  # the test shows whatever the reader refused
        print("xlrd failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
