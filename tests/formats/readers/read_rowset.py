"""Usage: read_rowset.py FILE: an XML rowset's columns, its rows as JSON lists and "rows N",
read by ElementTree once xmllint finds it well-formed; refuses what breaks its own schema."""
import datetime
import decimal
import json
import math
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

NS = {"s": "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882",
      "dt": "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882",
      "rs": "urn:schemas-microsoft-com:rowset", "z": "#RowsetSchema"}
WHOLE = {"ui1": (0, 255), "i1": (-128, 127), "i2": (-32768, 32767), "ui2": (0, 65535),
         "int": (-2**31, 2**31 - 1), "i4": (-2**31, 2**31 - 1), "ui4": (0, 2**32 - 1),
         "i8": (-2**63, 2**63 - 1)}
BOOLEANS = {"True": True, "False": False, "true": True, "false": False, "1": True, "0": False}


class Invalid(Exception):
    pass


def require(condition, message):
    if not condition:
        raise Invalid(message)


def q(prefix, local):
    return "{%s}%s" % (NS[prefix], local)


def read_columns(schema):
    require(schema.tag == q("s", "Schema") and schema.get("id") == "RowsetSchema",
            "first child is %s id=%r" % (schema.tag, schema.get("id")))
    require(len(schema) == 1 and schema[0].tag == q("s", "ElementType"), "s:Schema content")
    row_type = schema[0]
    require(len(row_type) and row_type.get("name") == "row"
            and row_type.get("content") == "eltOnly",
            "ElementType %r" % row_type.attrib)
    *attribute_types, extends = list(row_type)
    require(extends.tag == q("s", "extends") and extends.get("type") == "rs:rowbase",
            "ElementType does not end in <s:extends type='rs:rowbase'/>")
    columns = []
    for number, attribute_type in enumerate(attribute_types, start=1):
        name = attribute_type.get("name")
        require(attribute_type.tag == q("s", "AttributeType") and name, "column %d" % number)
        require(attribute_type.get(q("rs", "number")) == str(number),
                "column %r has rs:number %r" % (name, attribute_type.get(q("rs", "number"))))
        require(all(c["name"] != name for c in columns), "two columns named %r" % name)
        require(len(attribute_type) == 1 and attribute_type[0].tag == q("s", "datatype"),
                "column %r does not hold one s:datatype" % name)
        data_type = attribute_type[0]
        column = {"name": name, "real_name": attribute_type.get(q("rs", "name"), name),
                  "long": data_type.get(q("rs", "long")) == "true"}
        for key, prefix in (("type", "dt"), ("dbtype", "rs"), ("maxLength", "dt"),
                            ("precision", "rs"), ("scale", "rs"), ("maybenull", "rs")):
            column[key] = data_type.get(q(prefix, key))
        require(column["type"], "column %r has no dt:type" % name)
        require((column["maxLength"] or "").isdigit(), "column %r dt:maxLength" % name)
        require(column["maybenull"] in ("true", "false"), "column %r rs:maybenull" % name)
        columns.append(column)
    return columns


def decode(column, text):
    kind = column["type"]
    if kind == "string":
        require(column["long"] or len(text) <= int(column["maxLength"]),
                "%r is longer than dt:maxLength %s" % (text, column["maxLength"]))
        return text
    if kind in WHOLE:
        low, high = WHOLE[kind]
        require(low <= int(text) <= high, "%s is outside %s" % (text, kind))
        return int(text)
    if kind in ("float", "r4", "r8"):
        require(math.isfinite(float(text)), "%r is not a finite number" % text)
        return float(text)
    if kind == "number":
        return str(decimal.Decimal(text))
    if kind == "boolean":
        require(text in BOOLEANS, "%r is not a boolean" % text)
        return BOOLEANS[text]
    if kind == "dateTime":
        return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%S").isoformat()
    raise Invalid("column %r has the unknown dt:type %r" % (column["name"], kind))


def main(path):
    with open(path, "rb") as f:
        raw = f.read()
    require(not raw.startswith(b"\xef\xbb\xbf"), "byte-order mark")
    raw.decode("utf-8")  # strict: raises on anything that is not UTF-8
    if shutil.which("xmllint"):
        lint = subprocess.run(["xmllint", "--noout", path], capture_output=True, text=True)
        require(lint.returncode == 0, "xmllint: " + lint.stderr.strip())
    prefixes = {}
    for event, item in ET.iterparse(path, events=("start-ns", "start")):
        if event == "start":
            break  # only the root's own declarations count
        prefixes[item[0]] = item[1]
    for prefix, uri in NS.items():
        require(prefixes.get(prefix) == uri, "prefix %s is bound to %r" % (prefix, prefixes.get(prefix)))
    root = ET.fromstring(raw)
    require(root.tag == "xml" and len(root) == 2, "root %s holds %d elements" % (root.tag, len(root)))
    columns = read_columns(root[0])
    require(root[1].tag == q("rs", "data"), "second child is %s, not rs:data" % root[1].tag)
    for number, c in enumerate(columns, start=1):
        print("column %d %s %s%s maxLength=%s%s%s maybenull=%s" % (
            number, json.dumps(c["real_name"], ensure_ascii=False), c["type"],
            "/" + c["dbtype"] if c["dbtype"] else "", c["maxLength"],
            " precision=" + c["precision"] if c["precision"] is not None else "",
            " scale=" + c["scale"] if c["scale"] is not None else "", c["maybenull"]))
    declared = {c["name"] for c in columns}
    for rows, row in enumerate(root[1], start=1):
        require(row.tag == q("z", "row") and len(row) == 0, "row %d is %s" % (rows, row.tag))
        require(set(row.attrib) <= declared, "row %d has undeclared attributes" % rows)
        values = []
        for c in columns:
            text = row.get(c["name"])
            require(text is not None or c["maybenull"] == "true",
                    "row %d lacks %r, declared rs:maybenull='false'" % (rows, c["name"]))
            try:
                values.append(None if text is None else decode(c, text))
            except (ValueError, decimal.InvalidOperation) as error:
                raise Invalid("row %d, column %r: %s" % (rows, c["name"], error))
        print(json.dumps(values, ensure_ascii=False))
    print("rows %d" % len(root[1]))


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except (Invalid, ET.ParseError, UnicodeDecodeError) as error:
        print("invalid rowset: %s" % error)
        sys.exit(1)
