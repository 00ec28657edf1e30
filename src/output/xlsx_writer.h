#pragma once

// Excel 2007 and later workbooks (.xlsx) through libxlsxwriter, one sheet,
// streamed row by row in its constant-memory mode.

#include "output/spreadsheet.h"

// Writes the source as the one sheet of a new workbook. The file appears
// complete or not at all: it is written under a temporary name in the same
// folder and renamed over `path`; false on any failure, nothing left behind.
// The heading row is frozen; the columns get the widths of ColumnWidths. A
// text longer than a cell holds is cut (CutToCellLimit); the sheet rows
// (from 1) where that happened go to `cutRows` when given.
bool WriteXlsx(const QString &path, const SheetSource &source, QList<int> *cutRows = nullptr);
