"""Usage: read_csv.py FILE [--unquoted-as-numbers]: each record of a UTF-8 file without BOM
as Python's csv reads it (the option: csv.QUOTE_NONNUMERIC), a JSON list a line."""
import csv
import io
import json
import sys

with open(sys.argv[1], "rb") as f:
    raw = f.read()
if raw.startswith(b"\xef\xbb\xbf"):
    sys.exit("error: byte-order mark")
numbers = "--unquoted-as-numbers" in sys.argv[2:]
for record in csv.reader(io.StringIO(raw.decode("utf-8"), newline=""), strict=True,
                         quoting=csv.QUOTE_NONNUMERIC if numbers else csv.QUOTE_MINIMAL):
    print(json.dumps(record, ensure_ascii=False))
