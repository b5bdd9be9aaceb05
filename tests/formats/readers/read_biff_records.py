#!/usr/bin/python3
"""Usage: read_biff_records.py FILE.xls [REFERENCE.xls]: the stream (by xlrd's compound file
reader) and its size; each record as id:length, "*N" after a run; the SST's counts checked
against its strings and the LABELSST cells, EXTSST against where the strings start; with
REFERENCE, whether the records but cells keep its order."""
import itertools
import struct
import sys

from xlrd import compdoc

SST, CONTINUE, EXTSST, LABELSST = 0x00FC, 0x003C, 0x00FF, 0x00FD
CELLS = {0x0203, 0x027E, 0x0204, 0x0205, 0x00FD}  # NUMBER RK LABEL BOOLERR LABELSST


def records(stream):
    """(offset, id, data) of each record up to the padding after the last EOF."""
    pos = 0
    while pos + 4 <= len(stream):
        rid, length = struct.unpack_from("<HH", stream, pos)
        if rid == 0 and length == 0:
            break
        yield pos, rid, stream[pos + 4:pos + 4 + length]
        pos += 4 + length


def string_starts(table):
    """(stream offset, offset in its record) of each string of the SST and its CONTINUEs;
    raises unless the strings take every byte of the records."""
    starts = []
    (offset, _, data), rest = table[0], table[1:]
    at = 8
    for _ in range(struct.unpack_from("<I", data, 4)[0]):
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
    if at != len(data) or rest:
        raise ValueError("the SST holds more than its %d strings" % len(starts))
    return starts


def check_sst(listed, table):
    total, unique = struct.unpack_from("<II", table[0][2])
    cells = [struct.unpack_from("<I", data, 6)[0] for _, rid, data in listed if rid == LABELSST]
    if total != len(cells) or any(index >= unique for index in cells):
        return "sst counts %d cells of %d strings, the sheets %d cells up to string %d" % (
            total, unique, len(cells), max(cells, default=-1))
    return "sst ok, %d strings for %d cells" % (unique, total)


def check_extsst(listed):
    ids = [rid for _, rid, _ in listed]
    if SST not in ids:
        return None
    end = first = ids.index(SST)
    while end + 1 < len(ids) and ids[end + 1] == CONTINUE:
        end += 1
    sst = check_sst(listed, listed[first:end + 1])
    extsst = next((data for _, rid, data in listed if rid == EXTSST), None)
    if extsst is None:
        return sst + "\nextsst missing"
    per_bucket = struct.unpack_from("<H", extsst)[0]
    buckets = [struct.unpack_from("<IH", extsst, at) for at in range(2, len(extsst), 8)]
    expected = string_starts(listed[first:end + 1])[::per_bucket]
    for i, (bucket, start) in enumerate(itertools.zip_longest(buckets, expected)):
        if bucket != start:
            return sst + "\nextsst bucket %d: %s, the string starts at %s" % (i, bucket, start)
    return sst + "\nextsst ok, %d buckets of %d strings" % (len(buckets), per_bucket)


def workbook_stream(path):
    raw = open(path, "rb").read()
    if raw[:8] != b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1":
        return "file", raw
    document = compdoc.CompDoc(raw, logfile=open("/dev/null", "w"))
    return next((n, bytes(found)) for n in ("Workbook", "Book")
                if (found := document.get_named_stream(n)) is not None)


def main(path, reference):
    name, stream = workbook_stream(path)
    print("stream %s %d" % (name, len(stream)))
    listed = list(records(stream))
    runs = itertools.groupby("%04X:%d" % (rid, len(data)) for _, rid, data in listed)
    print(" ".join(r + ("*%d" % n if n > 1 else "") for r, n in
                   ((r, len(list(same))) for r, same in runs)))
    verdict = check_extsst(listed)
    if verdict:
        print(verdict)
    if reference:
        theirs = iter(rid for _, rid, _ in records(workbook_stream(reference)[1]))
        # "in" goes on through `theirs` from where the last record was found.
        out_of_order = [rid for _, rid, _ in listed if rid not in CELLS and rid not in theirs]
        print("order of %s: %s" % (reference.rsplit("/", 1)[-1], "%04X out of it" %
                                   out_of_order[0] if out_of_order else "kept"))


if __name__ == "__main__":
    try:
        main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)
    except Exception as error:  # the test shows whatever the reader refused
        print("reading the records failed: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
