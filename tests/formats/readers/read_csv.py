"""Reads a comma-delimited file with Python's own csv module.

Usage: read_csv.py FILE [--unquoted-as-numbers]

Prints each record as a JSON list, one per line. The file must be UTF-8
without a byte-order mark. With --unquoted-as-numbers the reader converts
every unquoted field to a number (csv.QUOTE_NONNUMERIC), so quoted text
stays text and anything unquoted that is not a number is an error.
"""
import csv
import io
import json
import sys


def main():
    path = sys.argv[1]
    quoting = csv.QUOTE_NONNUMERIC if "--unquoted-as-numbers" in sys.argv[2:] else csv.QUOTE_MINIMAL
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xef\xbb\xbf"):
        print("error: byte-order mark")
        return 1
    text = raw.decode("utf-8")
    reader = csv.reader(io.StringIO(text, newline=""), strict=True, quoting=quoting)
    for record in reader:
        print(json.dumps(record, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main())
