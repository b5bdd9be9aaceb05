#!/usr/bin/python3
"""Lists the BIFF records of an Excel file and checks its string index.

Usage: read_biff_records.py FILE.xls

The workbook stream is taken out of the compound file by xlrd's own
compound file reader (Debian's python3-xlrd); a BIFF3 or BIFF4 worksheet is
the file itself. Line 1 names the stream ("file" for none) and its size;
then one line per record up to the workbook's last EOF: its identifier in
hex and its data length. When the file has a shared string table, a last
line checks its EXTSST index against where the strings really start:
"extsst ok, N buckets of M strings", or the first mismatch.
"""
import struct
import sys

from xlrd import compdoc

OLE_MAGIC = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
SST, CONTINUE, EXTSST, BOF, EOF = 0x00FC, 0x003C, 0x00FF, 0x0809, 0x000A


def records(stream):
    """(offset, id, data) of each record up to the end of the last substream."""
    pos = 0
    while pos + 4 <= len(stream):
        rid, length = struct.unpack_from("<HH", stream, pos)
        if rid == 0 and length == 0:
            break  # padding after the last EOF
        yield pos, rid, stream[pos + 4:pos + 4 + length]
        pos += 4 + length


def string_starts(table):
    """Stream offset and offset within its record of each string of the
    SST, which `table` lists as its record and CONTINUE records."""
    starts = []
    (offset, _, data), rest = table[0], table[1:]
    count = struct.unpack_from("<I", data, 4)[0]
    at = 8
    for _ in range(count):
        if at == len(data):
            (offset, _, data), rest = rest[0], rest[1:]
            at = 0
        starts.append((offset + 4 + at, 4 + at))
        characters, flags = struct.unpack_from("<HB", data, at)
        at += 3
        size = 2 if flags & 1 else 1
        while True:
            part = min(characters, (len(data) - at) // size)
            at += part * size
            characters -= part
            if characters == 0:
                break
            (offset, _, data), rest = rest[0], rest[1:]
            size = 2 if data[0] & 1 else 1
            at = 1
    return starts


def check_extsst(listed):
    table = []
    for record in listed:
        if record[1] == SST or (table and record[1] == CONTINUE):
            table.append(record)
        elif table:
            break
    extsst = [data for _, rid, data in listed if rid == EXTSST]
    if not table:
        return None
    if not extsst:
        return "extsst missing"
    starts = string_starts(table)
    per_bucket = struct.unpack_from("<H", extsst[0], 0)[0]
    buckets = (len(extsst[0]) - 2) // 8
    expected = starts[::per_bucket]
    if buckets != len(expected):
        return "extsst has %d buckets, the table needs %d" % (buckets, len(expected))
    for i, (stream_offset, in_record) in enumerate(expected):
        got = struct.unpack_from("<IH", extsst[0], 2 + 8 * i)
        if got != (stream_offset, in_record):
            return "extsst bucket %d names %s, the string starts at %s" % (
                i, got, (stream_offset, in_record))
    return "extsst ok, %d buckets of %d strings" % (buckets, per_bucket)


def main(path):
    raw = open(path, "rb").read()
    name = "file"
    stream = raw
    if raw[:8] == OLE_MAGIC:
        document = compdoc.CompDoc(raw, logfile=open("/dev/null", "w"))
        for candidate in ("Workbook", "Book"):
            found = document.get_named_stream(candidate)
            if found is not None:
                name, stream = candidate, bytes(found)
                break
    print("stream %s %d" % (name, len(stream)))
    listed = list(records(stream))
    for _, rid, data in listed:
        print("%04X %d" % (rid, len(data)))
    verdict = check_extsst(listed)
    if verdict:
        print(verdict)


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Exception as error:  # the test shows whatever the reader refused
        print("reading the records failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
