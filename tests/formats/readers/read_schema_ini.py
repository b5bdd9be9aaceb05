"""Reads schema.ini with Python's configparser (duplicate sections or keys
are errors).

Usage: read_schema_ini.py FILE SECTION

Prints the section names in file order as a JSON list, then every
key=value of SECTION in order.
"""
import configparser
import json
import sys

parser = configparser.ConfigParser(interpolation=None, strict=True)
parser.optionxform = str  # keys keep their case
with open(sys.argv[1], encoding="utf-8") as f:
    parser.read_file(f)
print(json.dumps(parser.sections(), ensure_ascii=False))
for key, value in parser.items(sys.argv[2]):
    print(f"{key}={value}")
