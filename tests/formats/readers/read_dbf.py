#!/usr/bin/python3
"""Usage: read_dbf.py TABLE.dbf: dbfread's version, encoding (from the language driver byte)
and record count; each field (name, type, length, decimals); each record as JSON."""
import json
import sys

from dbfread import DBF

try:
    sys.stdout.reconfigure(encoding="utf-8")
    table = DBF(sys.argv[1])  # no encoding given: dbfread must find it in the header
    print("version 0x%02x %s records %d"
          % (table.header.dbversion, table.encoding, table.header.numrecords))
    for field in table.fields:
        print(field.name, field.type, field.length, field.decimal_count)
    for record in table:
        print(json.dumps(list(record.values()), ensure_ascii=False, default=str))
except Exception as error:  # the test shows whatever the reader refused
    print("dbfread failed: %s: %s" % (type(error).__name__, error))
    sys.exit(1)
