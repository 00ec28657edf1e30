#pragma once

// "Kopiuj tabelę do schowka" (TBcopytable1Click): the rows of the
// ActiveTable as TAB-separated text for a spreadsheet, at most 10,000 rows
// a time from a start row the user gives.
//
// The copy holds at most kTableCopyMaxChars characters, and only whole
// lines: a line that would pass the limit is left out with those after it,
// and the user is told how many were copied. The limit is 16,000,000
// rather than 1,000,000: 10,000 ordinary rows of about 110 characters
// already pass a million, and Qt's clipboard has no such bound.

#include <QString>
#include <array>
#include <functional>

#include "core/clipboard_limit.h"
#include "core/program_config.h"

class MeasurementTable;
class UserPrompts;

constexpr int kClipboardMaxRows = 10000;
constexpr qsizetype kTableCopyMaxChars = 16000000;

// Rows first .. first + count - 1 (from 0) of the table: the columns shown
// on screen (width > 0) but never "opakowanie", "." as "," in the five
// numeric columns, every field followed by TAB, every line by CR LF. Stops
// before a line that would pass `maxChars`; `rowsCopied` tells how many went in.
QString ClipboardText(const MeasurementTable &table, const std::array<int, ColumnCount> &screenWidths, int first,
                      int count, int *rowsCopied = nullptr, qsizetype maxChars = kTableCopyMaxChars);

struct ClipboardContext {
    const MeasurementTable &table;
    const std::array<int, ColumnCount> &screenWidths;
    UserPrompts &prompts;
    std::function<void(const QString &text)> setClipboard;
    std::function<void(bool on)> busy;  // may be null
};

// False when nothing was put on the clipboard (a wrong start row).
bool CopyTableToClipboard(ClipboardContext &ctx);
