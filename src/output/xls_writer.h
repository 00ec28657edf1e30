#pragma once

// Excel 97-2003 workbooks (.xls) written by the program itself: one BIFF8
// worksheet in the "Workbook" stream of a compound document file. No Debian
// library writes this format, so it is kept to what a table needs: typed
// cells with their number formats, Unicode text, column widths, a frozen
// heading row.

#include "output/spreadsheet.h"

constexpr int kXlsMaxRows = 65536;  // rows of a BIFF8 sheet, the headings' row included
constexpr int kXlsMaxColumns = 256; // columns A..IV

// Writes one sheet ("Arkusz1"): headings in row 1 (text), the source's rows
// below. The file appears complete or not at all (written under a temporary
// name in the same folder, synced, then renamed over `path`); false on any
// failure, with no file left behind. A source that does not fit (rows + 1 >
// kXlsMaxRows, or more than kXlsMaxColumns cells in a row) is refused before
// anything is written.
//
// The heading row is frozen; the columns get the widths of ColumnWidths. A
// text longer than a cell holds is cut (CutToCellLimit); the sheet rows
// (from 1) where that happened go to `cutRows` when given.
//
// The rows are read twice: once to size the file, once to write it; a
// source whose cells change in between makes the write fail.
bool WriteXls(const QString &path, const SheetSource &source, QList<int> *cutRows = nullptr);
