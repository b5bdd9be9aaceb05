"""Reads schema.ini with Python's configparser.

Usage: read_schema_ini.py FILE SECTION

Prints the section names in file order as a JSON list, then every
key=value of SECTION in order. Duplicate sections or keys are errors.
"""
import configparser
import json
import sys


def main():
    path, wanted = sys.argv[1], sys.argv[2]
    parser = configparser.ConfigParser(interpolation=None, strict=True)
    parser.optionxform = str  # keys keep their case
    with open(path, encoding="utf-8") as f:
        parser.read_file(f)
    print(json.dumps(parser.sections(), ensure_ascii=False))
    for key, value in parser.items(wanted):
        print(f"{key}={value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
