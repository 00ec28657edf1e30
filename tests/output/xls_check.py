#!/usr/bin/python3
# Reads an .xls file back for the writer's tests.
#
#   cells PATH [ROW...]  the sheet as xlrd sees it: "sheets", "size", then
#                        every cell (or those of the given rows, from 0) as
#                        "row col type value format", and "log ..." for each
#                        line xlrd complained about.
#   records PATH         checks what xlrd never looks at: the compound file's
#                        allocation (FAT, DIFAT, mini FAT, directory) and the
#                        records (sizes, the sheet's offset, INDEX and DBCELL,
#                        SST continuations and EXTSST); prints "sst ..." and
#                        "ok", or one line per problem.
import io
import math
import struct
import sys

import xlrd
from xlrd import compdoc

sys.stdout.reconfigure(encoding="utf-8")

CELL_RECORDS = {0x00FD, 0x027E, 0x0203, 0x0205, 0x0201, 0x0204, 0x00BD, 0x00BE, 0x0006}


def cells(path, rows):
    log = io.StringIO()
    book = xlrd.open_workbook(path, formatting_info=True, logfile=log)
    print("sheets", book.nsheets, *book.sheet_names(), sep="\t")
    sh = book.sheet_by_index(0)
    print("size", sh.nrows, sh.ncols, sep="\t")
    kinds = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "date",
             xlrd.XL_CELL_ERROR: "error", xlrd.XL_CELL_BOOLEAN: "bool", xlrd.XL_CELL_BLANK: "blank"}
    for r in rows or range(sh.nrows):
        for c in range(sh.row_len(r)):
            cell = sh.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
            v = cell.value
            if cell.ctype == xlrd.XL_CELL_DATE:
                v = f"{v!r} {xlrd.xldate_as_datetime(v, book.datemode):%Y-%m-%d %H:%M}"
            elif cell.ctype == xlrd.XL_CELL_NUMBER:
                v = repr(v)
            elif cell.ctype == xlrd.XL_CELL_ERROR:
                v = xlrd.error_text_from_code[v]
            print(r, c, kinds[cell.ctype], v, fmt, sep="\t")
    for line in log.getvalue().splitlines():
        print("log", line, sep="\t")


FREE, END, FATSECT, DIFSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC


def container(data):
    """The compound file as its format prescribes it; a list of problems."""
    problems = []
    n, rest = divmod(len(data) - 512, 512)
    hdr = struct.unpack_from("<8s16sHHHHH6sIIIIIIIII", data)
    if (hdr[0], hdr[1], hdr[2:7], hdr[7], hdr[8], hdr[12]) != (
            b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", bytes(16), (0x3E, 3, 0xFFFE, 9, 6), bytes(6), 0, 4096):
        problems.append(f"header {hdr}")
    if rest:
        problems.append(f"file of {len(data)} bytes is no whole number of sectors")
    nfat, dir_start, minifat_start, nminifat, difat_start, ndifat = hdr[9], hdr[10], hdr[13], hdr[14], hdr[15], hdr[16]

    def sector(i):
        if not 0 <= i < n:
            raise ValueError(f"sector {i} outside the file's {n}")
        return data[512 + 512 * i:1024 + 512 * i]

    def ids(raw):
        return list(struct.unpack(f"<{len(raw) // 4}I", raw))

    try:
        fat_list = ids(data[76:512])
        difat_sectors, d = [], difat_start
        for _ in range(ndifat):
            difat_sectors.append(d)
            entries = ids(sector(d))
            fat_list += entries[:127]
            d = entries[127]
        if d != END:
            problems.append(f"DIFAT chain ends with {d:#x}")
        used = [x for x in fat_list if x != FREE]
        if used != fat_list[:len(used)] or len(used) != nfat:
            problems.append(f"{len(used)} FAT sectors listed, header says {nfat}")
        fat = [e for f in used for e in ids(sector(f))]
        if len(fat) < n:
            problems.append(f"FAT maps {len(fat)} of {n} sectors")
        owner = {}
        for f in used:
            owner[f] = "FAT"
            if fat[f] != FATSECT:
                problems.append(f"FAT sector {f} marked {fat[f]:#x}")
        for f in difat_sectors:
            owner[f] = "DIFAT"
            if fat[f] != DIFSECT:
                problems.append(f"DIFAT sector {f} marked {fat[f]:#x}")
        if any(e != FREE for e in fat[n:]):
            problems.append("FAT entries past the end of the file in use")

        def chain(start, what):
            out = []
            while start != END:
                if start in owner or not 0 <= start < n:
                    raise ValueError(f"{what}: sector {start} again or outside")
                owner[start] = what
                out.append(start)
                start = fat[start]
            return out

        dir_sectors = chain(dir_start, "directory")
        entries = [b"".join(sector(x) for x in dir_sectors)[128 * i:128 * i + 128] for i in range(4 * len(dir_sectors))]

        def entry(e):
            name_len, kind = struct.unpack_from("<HB", e, 64)
            name = e[:max(name_len - 2, 0)].decode("utf-16-le")
            left, right, child = struct.unpack_from("<III", e, 68)
            start, size = struct.unpack_from("<IQ", e, 116)
            return name, kind, left, right, child, start, size

        root = entry(entries[0])
        if root[:2] != ("Root Entry", 5):
            problems.append(f"root entry {root}")
        book = None
        for i, e in enumerate(entries[1:], 1):
            name, kind, left, right, child, start, size = entry(e)
            if kind == 0 and (e[:64] != bytes(64) or (left, right, child) != (FREE, FREE, FREE)):
                problems.append(f"unused directory entry {i} not cleared")
            if name == "Workbook" and kind == 2:
                book = (i, start, size)
        if book is None or root[4] != book[0]:
            problems.append(f"no Workbook stream as the root's child ({root[4]})")
            return problems
        _, start, size = book
        mini_size, root_start = root[6], root[5]
        if size < 4096:
            container_sectors = chain(root_start, "mini stream")
            minifat = [e for x in chain(minifat_start, "mini FAT") for e in ids(sector(x))]
            if nminifat != len([x for x in owner.values() if x == "mini FAT"]):
                problems.append(f"header counts {nminifat} mini FAT sectors")
            if mini_size % 64 or len(container_sectors) != math.ceil(mini_size / 512):
                problems.append(f"mini stream of {mini_size} bytes in {len(container_sectors)} sectors")
            mini, s = [], start
            while s != END and len(mini) <= len(minifat):
                mini.append(s)
                s = minifat[s]
            if len(mini) != math.ceil(size / 64) or max(mini) * 64 + 64 > mini_size:
                problems.append(f"Workbook of {size} bytes in mini sectors {mini[:5]}...")
            if any(e != FREE for i, e in enumerate(minifat) if i not in mini):
                problems.append("mini FAT entries in use outside the Workbook")
        else:
            if (root_start, mini_size, minifat_start, nminifat) != (END, 0, END, 0):
                problems.append(f"a mini stream without small streams: {root_start:#x} {mini_size} {minifat_start:#x}")
            if len(chain(start, "Workbook")) != math.ceil(size / 512):
                problems.append(f"Workbook of {size} bytes in the wrong number of sectors")
        leaked = [i for i in range(n) if i not in owner and fat[i] != FREE]
        if leaked:
            problems.append(f"sectors in use by nothing: {leaked[:5]}")
    except (ValueError, IndexError, struct.error, UnicodeDecodeError) as e:
        problems.append(str(e))
    return ["cfb: " + p for p in problems]


def records(path):
    data = open(path, "rb").read()
    problems = container(data)
    log = io.StringIO()
    stream = compdoc.CompDoc(data, logfile=log).get_named_stream("Workbook")
    problems += [f"compdoc: {line}" for line in log.getvalue().splitlines()]

    recs = []
    pos = 0
    while pos + 4 <= len(stream):
        rid, n = struct.unpack_from("<HH", stream, pos)
        if n > 8224:
            problems.append(f"record {rid:#06x} at {pos}: {n} bytes")
        recs.append((pos, rid, stream[pos + 4:pos + 4 + n]))
        pos += 4 + n
    if pos != len(stream):
        problems.append(f"stream of {len(stream)} bytes ends inside a record at {pos}")
    at = {p: i for i, (p, _, _) in enumerate(recs)}

    def first(rid, start=0):
        return next(i for i in range(start, len(recs)) if recs[i][1] == rid)

    # Substreams: the globals at 0, the sheet where BOUNDSHEET says.
    sheet_pos = struct.unpack_from("<I", recs[first(0x0085)][2])[0]
    bofs = [(p, struct.unpack_from("<HH", b)[1]) for p, rid, b in recs if rid == 0x0809]
    if bofs != [(0, 0x0005), (sheet_pos, 0x0010)]:
        problems.append(f"BOF records {bofs}, sheet at {sheet_pos}")
    eofs = [i for i, r in enumerate(recs) if r[1] == 0x000A]
    if len(eofs) != 2 or eofs[1] != len(recs) - 1 or recs[eofs[0] + 1][0] != sheet_pos:
        problems.append(f"EOF records at {eofs} of {len(recs)}")

    # SST and its CONTINUE records; a string header never splits, a
    # continued string repeats its width flag.
    i = first(0x00FC)
    segs = [(recs[i][0], recs[i][2])]
    while recs[i + 1][1] == 0x003C:
        i += 1
        segs.append((recs[i][0], recs[i][2]))
    total, unique = struct.unpack_from("<II", segs[0][1])
    si, off, starts = 0, 8, []
    try:
        for _ in range(unique):
            if off == len(segs[si][1]):
                si, off = si + 1, 0
            body = segs[si][1]
            if off + 3 > len(body):
                raise ValueError(f"string header split at record {si}")
            starts.append((segs[si][0] + 4 + off, segs[si][0]))
            cch, flags = struct.unpack_from("<HB", body, off)
            off += 3
            if flags & ~1:
                raise ValueError(f"string flags {flags:#x}")
            wide, left = flags & 1, cch
            while left:
                if off == len(body):
                    si += 1
                    body = segs[si][1]
                    wide, off = body[0] & 1, 1
                take = min(left, (len(body) - off) // (1 + wide))
                if take == 0:
                    raise ValueError(f"character split at record {si}")
                off += take * (1 + wide)
                left -= take
        if si != len(segs) - 1 or off != len(segs[si][1]):
            raise ValueError("bytes after the last string")
    except (ValueError, IndexError, struct.error) as e:
        problems.append(f"SST: {e}")
    print("sst", f"strings={unique}", f"records={len(segs)}", sep="\t")

    ext = recs[first(0x00FF)][2]
    dsst = struct.unpack_from("<H", ext)[0]
    if dsst != max(unique // 128 + 1, 8):
        problems.append(f"EXTSST dsst {dsst} for {unique} strings")
    buckets = (len(ext) - 2) // 8
    if buckets != math.ceil(unique / dsst) or len(starts) != unique:
        problems.append(f"EXTSST {buckets} buckets for {unique} strings")
    else:
        for k in range(buckets):
            ib, cb = struct.unpack_from("<IH", ext, 2 + 8 * k)
            if (ib, ib - cb) != starts[k * dsst]:
                problems.append(f"EXTSST bucket {k}: {ib}/{cb}, string at {starts[k * dsst]}")

    # The sheet: INDEX names the rows, DEFCOLWIDTH and every DBCELL; a DBCELL
    # leads to its first ROW record and the first cell of each of its rows.
    s0 = at[sheet_pos]
    sheet = recs[s0:]
    if sheet[1][1] != 0x020B:
        problems.append("no INDEX after the sheet's BOF")
        return problems
    _, rw_mic, rw_mac, ib_xf = struct.unpack_from("<4I", sheet[1][2])
    index_cells = list(struct.unpack_from(f"<{(len(sheet[1][2]) - 16) // 4}I", sheet[1][2], 16))
    if ib_xf not in at or recs[at[ib_xf]][1] != 0x0055:
        problems.append(f"INDEX points at {ib_xf}, not DEFCOLWIDTH")
    dims = struct.unpack_from("<IIHH", recs[first(0x0200, s0)][2])
    if (rw_mic, rw_mac) != dims[:2]:
        problems.append(f"INDEX rows {rw_mic}..{rw_mac}, DIMENSIONS {dims}")
    dbcells = [p for p, rid, _ in sheet if rid == 0x00D7]
    if index_cells != dbcells:
        problems.append(f"INDEX lists {len(index_cells)} DBCELLs, the sheet has {len(dbcells)}")
    row_recs = {}
    row_cells = {}
    for p, rid, b in sheet:
        if rid == 0x0208:
            row_recs[struct.unpack_from("<H", b)[0]] = struct.unpack_from("<HH", b, 2)
        elif rid in CELL_RECORDS:
            r, c = struct.unpack_from("<HH", b)
            row_cells.setdefault(r, []).append(c)
            if not (dims[0] <= r < dims[1] and dims[2] <= c < dims[3]):
                problems.append(f"cell {r},{c} outside DIMENSIONS {dims}")
    for r, cols in row_cells.items():
        if row_recs.get(r) != (min(cols), max(cols) + 1):
            problems.append(f"row {r}: ROW {row_recs.get(r)}, cells {min(cols)}..{max(cols)}")
    for p in dbcells:
        b = recs[at[p]][2]
        rtrw = struct.unpack_from("<I", b)[0]
        offsets = struct.unpack_from(f"<{(len(b) - 4) // 2}H", b, 4)
        if not offsets:
            continue
        k = at.get(p - rtrw)
        block = [recs[k + j] for j in range(len(offsets))] if k is not None else []
        if not block or any(r[1] != 0x0208 for r in block):
            problems.append(f"DBCELL at {p}: no ROW records at {p - rtrw}")
            continue
        cell = block[0][0] + 20
        for j, off in enumerate(offsets):
            cell += off
            rw = struct.unpack_from("<H", block[j][2])[0]
            c = at.get(cell)
            prev = recs[c - 1] if c else None
            if (c is None or recs[c][1] not in CELL_RECORDS or struct.unpack_from("<H", recs[c][2])[0] != rw or
                    (prev[1] in CELL_RECORDS and struct.unpack_from("<H", prev[2])[0] == rw)):
                problems.append(f"DBCELL at {p}: row {rw} does not start at {cell}")
                break
    return problems


mode, path = sys.argv[1], sys.argv[2]
if mode == "cells":
    cells(path, [int(r) for r in sys.argv[3:]])
else:
    found = records(path)
    print("\n".join(found) if found else "ok")
