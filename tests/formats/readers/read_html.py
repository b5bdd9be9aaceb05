"""Usage: read_html.py FILE: doctype, charset, title, tables, each row as "th/td [cells]" by
html.parser; refuses all but UTF-8 with elements closed in order and text only in cells."""
import json
import sys
from html.parser import HTMLParser

VOID = {"meta", "br", "hr", "img", "input", "link", "col", "wbr", "area", "base", "source"}


class TableReader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.found = {"doctype": None, "charset": None, "title": None, "tables": 0}
        self.stack, self.rows, self.errors = [], [], []

    def handle_decl(self, decl):
        self.found["doctype"] = decl

    def handle_starttag(self, tag, attrs):
        if tag == "meta":
            self.found["charset"] = dict(attrs).get("charset", self.found["charset"])
        if tag in VOID:
            return
        if tag == "table":
            self.found["tables"] += 1
        if tag == "tr":
            if "table" not in self.stack:
                self.errors.append("row outside a table")
            self.rows.append((None, []))
        if tag in ("th", "td"):
            if self.stack[-1:] != ["tr"]:
                self.errors.append(f"<{tag}> outside a row")
            kind, cells = self.rows[-1]
            if kind not in (None, tag):
                self.errors.append("a row mixes th and td")
            self.rows[-1] = (tag, cells + [""])
        self.stack.append(tag)

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if self.stack[-1:] != [tag]:
            self.errors.append(f"</{tag}> closes {self.stack[-1:] or 'nothing'}")
        else:
            self.stack.pop()

    def handle_data(self, data):
        where = self.stack[-1] if self.stack else None
        if where == "title":
            self.found["title"] = (self.found["title"] or "") + data
        elif where in ("th", "td"):
            self.rows[-1][1][-1] += data
        elif where != "style" and data.strip():
            self.errors.append(f"text outside cells: {data!r}")


def main():
    reader = TableReader()
    with open(sys.argv[1], "rb") as f:
        reader.feed(f.read().decode("utf-8"))
    reader.close()
    if reader.stack:
        reader.errors.append(f"left open: {reader.stack}")
    for error in reader.errors:
        print("error:", error)
    for key, value in reader.found.items():
        print(f"{key}: {value}")
    for kind, cells in reader.rows:
        print(kind or "empty", json.dumps(cells, ensure_ascii=False))
    return 1 if reader.errors else 0


if __name__ == "__main__":
    sys.exit(main())
