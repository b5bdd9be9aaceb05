"""Usage: read_schema_ini.py FILE SECTION: the section names as a JSON list, then each
key=value of SECTION, as a strict configparser reads them."""
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
