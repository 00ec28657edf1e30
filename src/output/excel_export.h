#pragma once

// "Zapisz tabelę do pliku Excel" (TBexcel1Click): the whole ActiveTable into
// a new workbook, .xls (Wersja_excel 0) or .xlsx (1), written by the program
// itself: the save dialog SD1, the overwrite question, the messages.
//
// An existing file is replaced only once the new one is complete: a failed
// write leaves it as it was (it is not deleted beforehand).

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

class MeasurementTable;
class UserPrompts;
struct SheetSource;

struct ExcelExportContext {
    const MeasurementTable &table;
    int excelVersion = 0;      // Wersja_excel
    QString startDir;          // the folder the program started in
    QDateTime now;
    UserPrompts &prompts;
    std::function<void(bool on)> busy;  // the hourglass while writing; may be null
};

// "tab_" + N + "_" + yyyyMMdd_hhmmss + ".xls" / ".xlsx".
QString ExcelFileName(int tableNumber, const QDateTime &now, int excelVersion);

// The sheet of a table: the twelve headings, then every row with typed cells.
SheetSource TableSheet(const MeasurementTable &table);

// True when a file was written.
bool ExportTableToExcel(ExcelExportContext &ctx);

QString TooManyRowsForXlsMessage(int rows);

// After a save in which fields longer than a cell holds were cut: the sheet
// rows (from 1, ascending), the first ten listed, the rest counted.
QString CutRowsMessage(const QList<int> &rows);
