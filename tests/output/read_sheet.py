#!/usr/bin/python3
# Prints every cell of the first sheet of an .xlsx (openpyxl) or .xls (xlrd)
# file, one per line: row, column (from 1), type, value, number format.
# Both readers are independent of the program's writers.
import sys


def out(r, c, kind, value, fmt):
    print(f"{r}\t{c}\t{kind}\t{value}\t{fmt}")


def read_xlsx(path):
    import openpyxl
    ws = openpyxl.load_workbook(path, read_only=True).worksheets[0]
    for r, row in enumerate(ws.iter_rows(), start=1):
        for c, cell in enumerate(row, start=1):
            v = cell.value
            if v is None:
                continue
            if cell.is_date:
                out(r, c, "date", v.strftime("%Y-%m-%d %H:%M"), cell.number_format)
            elif isinstance(v, (int, float)):
                out(r, c, "number", repr(float(v)), cell.number_format)
            else:
                out(r, c, "text", v, cell.number_format)
    print("rows", ws.max_row)


def read_xls(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    sh = book.sheet_by_index(0)
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            cell = sh.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            fmt = book.format_map[book.xf_list[cell.xf_index].format_key].format_str
            if cell.ctype == xlrd.XL_CELL_DATE:
                d = xlrd.xldate_as_datetime(cell.value, book.datemode)
                out(r + 1, c + 1, "date", d.strftime("%Y-%m-%d %H:%M"), fmt)
            elif cell.ctype == xlrd.XL_CELL_NUMBER:
                out(r + 1, c + 1, "number", repr(float(cell.value)), fmt)
            else:
                out(r + 1, c + 1, "text", cell.value, fmt)
    print("rows", sh.nrows)


path = sys.argv[1]
(read_xlsx if path.lower().endswith(".xlsx") else read_xls)(path)
