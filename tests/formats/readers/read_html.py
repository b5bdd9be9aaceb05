"""Reads an HTML table document with Python's html.parser.

Usage: read_html.py FILE

Checks that the document is UTF-8, declares <!DOCTYPE html> and a utf-8
charset, that every element is closed in order, and that cells sit in rows
inside a table. Prints "doctype: ...", "charset: ...", "title: ...",
"tables: N", then each row as "th [...]" or "td [...]" with the cell texts
(character references resolved) as a JSON list.
"""
import json
import sys
from html.parser import HTMLParser

VOID = {"meta", "br", "hr", "img", "input", "link", "col", "wbr", "area", "base", "source"}


class TableReader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.doctype = None
        self.charset = None
        self.title = None
        self.tables = 0
        self.stack = []
        self.rows = []
        self.cell = None
        self.errors = []

    def handle_decl(self, decl):
        self.doctype = decl

    def handle_starttag(self, tag, attrs):
        if tag == "meta":
            self.charset = dict(attrs).get("charset", self.charset)
        if tag in VOID:
            return
        if tag == "table":
            self.tables += 1
        if tag == "tr":
            if "table" not in self.stack:
                self.errors.append("row outside a table")
            self.rows.append(None)
        if tag in ("th", "td"):
            if not self.stack or self.stack[-1] != "tr":
                self.errors.append(f"<{tag}> outside a row")
            kind, cells = self.rows[-1] or (tag, [])
            if kind != tag:
                self.errors.append("a row mixes th and td")
            cells.append("")
            self.rows[-1] = (kind, cells)
        self.stack.append(tag)

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.errors.append(f"</{tag}> closes {self.stack[-1:] or 'nothing'}")
            return
        self.stack.pop()

    def handle_data(self, data):
        if self.stack and self.stack[-1] == "title":
            self.title = (self.title or "") + data
        elif self.stack and self.stack[-1] in ("th", "td"):
            kind, cells = self.rows[-1]
            cells[-1] += data
        elif self.stack and self.stack[-1] == "style":
            pass
        elif data.strip():
            self.errors.append(f"text outside cells: {data!r}")


def main():
    with open(sys.argv[1], "rb") as f:
        text = f.read().decode("utf-8")
    reader = TableReader()
    reader.feed(text)
    reader.close()
    if reader.stack:
        reader.errors.append(f"left open: {reader.stack}")
    for error in reader.errors:
        print("error:", error)
    print("doctype:", reader.doctype)
    print("charset:", reader.charset)
    print("title:", reader.title)
    print("tables:", reader.tables)
    for kind, cells in (row or ("empty", []) for row in reader.rows):
        print(kind, json.dumps(cells, ensure_ascii=False))
    return 1 if reader.errors else 0


if __name__ == "__main__":
    sys.exit(main())
