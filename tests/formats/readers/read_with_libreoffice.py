#!/usr/bin/python3
"""Usage: read_with_libreoffice.py FILE...: what LibreOffice makes of each FILE, converted
to CSV in one headless run: per worksheet "sheet NAME" and a JSON array a row, as
read_with_ssconvert.py prints them, but with what CSV shows alone: quoted text as text,
TRUE and FALSE as booleans, other unquoted values as numbers, or {"shown": text} where
they are not (dates), and null for nothing."""
import json
import os
import re
import subprocess
import sys
import tempfile

# Comma-separated, quoted with ", UTF-8 (76), text cells always quoted, values as shown,
# every worksheet into a file of its own, "<file name>-<worksheet name>.csv".
CSV_FILTER = 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,true,false,false,-1'
SECONDS = 60  # a fresh profile takes a few seconds; a hang must not stall the tests
FIELD = re.compile(r'"((?:[^"]|"")*)"|([^,\n]*)')


def bare_value(text):
    if text == "":
        return None
    if text in ("TRUE", "FALSE"):
        return text == "TRUE"
    for number in (int, float):
        try:
            return number(text)
        except ValueError:
            pass
    return {"shown": text}


def rows(text):
    """The rows of a CSV file, its fields typed by whether they are quoted."""
    row, at = [], 0
    while at < len(text):
        field = FIELD.match(text, at)
        quoted = field.group(1)
        row.append(quoted.replace('""', '"') if quoted is not None else bare_value(field.group(2)))
        at = field.end()
        if text.startswith(",", at):
            at += 1
            continue
        yield row
        row, at = [], at + 1


def convert(paths, scratch):
    """Runs soffice once over every file, in a profile of its own (so that runs beside
    each other do not share one), and leaves the CSV files in `scratch`."""
    profile = "file://" + os.path.join(scratch, "profile")
    command = ["soffice", "-env:UserInstallation=" + profile, "--headless",
               "--convert-to", CSV_FILTER, "--outdir", scratch, *paths]
    run = subprocess.run(command, capture_output=True, text=True, timeout=SECONDS)
    if run.returncode != 0:
        raise RuntimeError("soffice failed: " + (run.stderr + run.stdout).strip())


def main(paths):
    sys.stdout.reconfigure(encoding="utf-8")
    with tempfile.TemporaryDirectory() as scratch:
        convert(paths, scratch)
        for path in paths:
            prefix = os.path.splitext(os.path.basename(path))[0] + "-"
            sheets = sorted(name for name in os.listdir(scratch)
                            if name.startswith(prefix) and name.endswith(".csv"))
            if not sheets:
                raise RuntimeError("soffice wrote no worksheet of " + path)
            for name in sheets:
                print("sheet " + name[len(prefix):-len(".csv")])
                with open(os.path.join(scratch, name), encoding="utf-8", newline="") as csv:
                    for row in rows(csv.read()):
                        print(json.dumps(row, ensure_ascii=False))


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except Exception as error:  # the test shows whatever the reader refused
        print("LibreOffice reading failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
