"""Reads an XML rowset (the XML persistence format of a recordset) with
Python's xml.etree.ElementTree, after libxml2's xmllint has checked that
the file is well-formed.

Usage: read_rowset.py FILE

Checks: UTF-8 without byte-order mark; root <xml> declaring the prefixes
s, dt, rs and z for the rowset namespaces; <s:Schema id='RowsetSchema'>
holding one <s:ElementType name='row' content='eltOnly'> with one
<s:AttributeType> per column (rs:number 1..n in order, distinct names, one
<s:datatype> each with dt:type, dt:maxLength and rs:maybenull) closed by
<s:extends type='rs:rowbase'/>; then <rs:data> holding only z:row
elements whose attributes are declared columns. Every value is decoded by
its column's dt:type and must parse as that type; a column declared
rs:maybenull='false' must be present in every row.

Prints one line per column:
  column N "real name" TYPE[/DBTYPE] maxLength=M [precision=P] [scale=S] maybenull=B
(the real name is rs:name where present, else name), then each row as a
JSON list in column order (null for a missing attribute; whole numbers and
floats as JSON numbers, booleans as true/false, decimals and dates as the
text read), then "rows N".
"""
import datetime
import decimal
import json
import math
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

S = "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882"
DT = "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882"
RS = "urn:schemas-microsoft-com:rowset"
Z = "#RowsetSchema"
PREFIXES = {"s": S, "dt": DT, "rs": RS, "z": Z}

WHOLE_RANGES = {
    "ui1": (0, 255),
    "i1": (-128, 127),
    "i2": (-32768, 32767),
    "ui2": (0, 65535),
    "int": (-2**31, 2**31 - 1),
    "i4": (-2**31, 2**31 - 1),
    "ui4": (0, 2**32 - 1),
    "i8": (-2**63, 2**63 - 1),
}
FLOATS = {"float", "r4", "r8"}
BOOLEANS = {"True": True, "False": False, "true": True, "false": False, "1": True, "0": False}


class Invalid(Exception):
    pass


def require(condition, message):
    if not condition:
        raise Invalid(message)


def q(namespace, local):
    return "{%s}%s" % (namespace, local)


def check_with_xmllint(path):
    xmllint = shutil.which("xmllint")
    if xmllint is None:
        return
    result = subprocess.run([xmllint, "--noout", path], capture_output=True, text=True)
    require(result.returncode == 0, "xmllint: " + result.stderr.strip())


def declared_prefixes(path):
    prefixes = {}
    for event, item in ET.iterparse(path, events=("start-ns", "start")):
        if event == "start":
            break  # only the root's own declarations count
        prefix, uri = item
        prefixes[prefix] = uri
    return prefixes


def read_columns(schema):
    require(schema.tag == q(S, "Schema"), "first child is %s, not s:Schema" % schema.tag)
    require(schema.get("id") == "RowsetSchema", "s:Schema id is %r" % schema.get("id"))
    element_types = list(schema)
    require(len(element_types) == 1, "s:Schema holds %d elements" % len(element_types))
    row_type = element_types[0]
    require(row_type.tag == q(S, "ElementType"), "s:Schema holds %s" % row_type.tag)
    require(row_type.get("name") == "row", "ElementType name is %r" % row_type.get("name"))
    require(row_type.get("content") == "eltOnly",
            "ElementType content is %r" % row_type.get("content"))
    children = list(row_type)
    require(children and children[-1].tag == q(S, "extends")
            and children[-1].get("type") == "rs:rowbase",
            "ElementType does not end in <s:extends type='rs:rowbase'/>")
    columns = []
    for number, attribute_type in enumerate(children[:-1], start=1):
        require(attribute_type.tag == q(S, "AttributeType"),
                "ElementType holds %s" % attribute_type.tag)
        name = attribute_type.get("name")
        require(name, "AttributeType %d has no name" % number)
        require(attribute_type.get(q(RS, "number")) == str(number),
                "AttributeType %r has rs:number %r, expected %d"
                % (name, attribute_type.get(q(RS, "number")), number))
        require(all(c["name"] != name for c in columns), "two columns named %r" % name)
        data_types = list(attribute_type)
        require(len(data_types) == 1 and data_types[0].tag == q(S, "datatype"),
                "AttributeType %r does not hold one s:datatype" % name)
        data_type = data_types[0]
        column = {
            "name": name,
            "real_name": attribute_type.get(q(RS, "name"), name),
            "type": data_type.get(q(DT, "type")),
            "dbtype": data_type.get(q(RS, "dbtype")),
            "maxLength": data_type.get(q(DT, "maxLength")),
            "precision": data_type.get(q(RS, "precision")),
            "scale": data_type.get(q(RS, "scale")),
            "long": data_type.get(q(RS, "long")) == "true",
            "maybenull": data_type.get(q(RS, "maybenull")),
        }
        require(column["type"], "column %r has no dt:type" % name)
        require(column["maxLength"] and column["maxLength"].isdigit(),
                "column %r has dt:maxLength %r" % (name, column["maxLength"]))
        require(column["maybenull"] in ("true", "false"),
                "column %r has rs:maybenull %r" % (name, column["maybenull"]))
        columns.append(column)
    return columns


def decode(column, text):
    kind = column["type"]
    if kind == "string":
        require(column["long"] or len(text) <= int(column["maxLength"]),
                "%r is longer than dt:maxLength %s" % (text, column["maxLength"]))
        return text
    if kind in WHOLE_RANGES:
        value = int(text)
        low, high = WHOLE_RANGES[kind]
        require(low <= value <= high, "%s is outside %s" % (text, kind))
        return value
    if kind in FLOATS:
        value = float(text)
        require(math.isfinite(value), "%r is not a finite number" % text)
        return value
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
    check_with_xmllint(path)
    prefixes = declared_prefixes(path)
    for prefix, uri in PREFIXES.items():
        require(prefixes.get(prefix) == uri,
                "prefix %s is bound to %r, not %r" % (prefix, prefixes.get(prefix), uri))
    root = ET.fromstring(raw)
    require(root.tag == "xml", "root element is %s" % root.tag)
    parts = list(root)
    require(len(parts) == 2, "root holds %d elements, not s:Schema and rs:data" % len(parts))
    columns = read_columns(parts[0])
    require(parts[1].tag == q(RS, "data"), "second child is %s, not rs:data" % parts[1].tag)
    for number, column in enumerate(columns, start=1):
        line = "column %d %s %s" % (number, json.dumps(column["real_name"], ensure_ascii=False),
                                    column["type"])
        if column["dbtype"]:
            line += "/" + column["dbtype"]
        line += " maxLength=" + column["maxLength"]
        if column["precision"] is not None:
            line += " precision=" + column["precision"]
        if column["scale"] is not None:
            line += " scale=" + column["scale"]
        line += " maybenull=" + column["maybenull"]
        print(line)
    by_name = {column["name"]: column for column in columns}
    rows = 0
    for row in parts[1]:
        rows += 1
        require(row.tag == q(Z, "row"), "rs:data holds %s" % row.tag)
        require(len(row) == 0, "row %d has child elements" % rows)
        for attribute in row.attrib:
            require(attribute in by_name, "row %d has the undeclared attribute %r" % (rows, attribute))
        values = []
        for column in columns:
            text = row.get(column["name"])
            if text is None:
                require(column["maybenull"] == "true",
                        "row %d lacks %r, declared rs:maybenull='false'" % (rows, column["name"]))
                values.append(None)
            else:
                try:
                    values.append(decode(column, text))
                except (ValueError, decimal.InvalidOperation) as error:
                    raise Invalid("row %d, column %r: %s" % (rows, column["name"], error))
        print(json.dumps(values, ensure_ascii=False))
    print("rows %d" % rows)


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except (Invalid, ET.ParseError, UnicodeDecodeError) as error:
        print("invalid rowset: %s" % error)
        sys.exit(1)
