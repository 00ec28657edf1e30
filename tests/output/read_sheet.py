#!/usr/bin/python3
# Prints every cell of the first sheet of an .xlsx (openpyxl) or .xls (xlrd)
# file, one per line: row, column (from 1), type, value, number format.
# Both readers are independent of the program's writers.
#
#   read_sheet.py PATH layout   prints instead "frozen ROWS COLUMNS" and
#                               "widths W1 W2 ..." (whole characters)
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


def layout_xlsx(path):
    import openpyxl
    from openpyxl.utils.cell import column_index_from_string, coordinate_to_tuple, get_column_letter
    ws = openpyxl.load_workbook(path).worksheets[0]
    row, col = coordinate_to_tuple(ws.freeze_panes) if ws.freeze_panes else (1, 1)
    print("frozen", row - 1, col - 1, sep="\t")
    last = max((column_index_from_string(k) for k in ws.column_dimensions), default=0)
    # libxlsxwriter stores a width with the padding a column takes: 10 as 10.71.
    print("widths", *(int(ws.column_dimensions[get_column_letter(c)].width) for c in range(1, last + 1)), sep="\t")


def layout_xls(path):
    import xlrd
    sh = xlrd.open_workbook(path, formatting_info=True).sheet_by_index(0)
    rows, cols = (sh.horz_split_pos, sh.vert_split_pos) if sh.panes_are_frozen else (0, 0)
    print("frozen", rows, cols, sep="\t")
    last = max(sh.colinfo_map, default=-1)
    print("widths", *(sh.colinfo_map[c].width // 256 for c in range(last + 1)), sep="\t")


path = sys.argv[1]
xlsx = path.lower().endswith(".xlsx")
if sys.argv[2:] == ["layout"]:
    (layout_xlsx if xlsx else layout_xls)(path)
else:
    (read_xlsx if xlsx else read_xls)(path)
