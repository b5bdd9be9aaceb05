"""Reads a comma-delimited UTF-8 file (no byte-order mark) with Python's csv.

Usage: read_csv.py FILE [--unquoted-as-numbers]

Prints each record as a JSON list. With --unquoted-as-numbers every
unquoted field must be a number (csv.QUOTE_NONNUMERIC): quoted text stays
text.
"""
import csv
import io
import json
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xef\xbb\xbf"):
        print("error: byte-order mark")
        return 1
    numbers = "--unquoted-as-numbers" in sys.argv[2:]
    reader = csv.reader(io.StringIO(raw.decode("utf-8"), newline=""), strict=True,
                        quoting=csv.QUOTE_NONNUMERIC if numbers else csv.QUOTE_MINIMAL)
    for record in reader:
        print(json.dumps(record, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main())
