#pragma once

// One weighing: a check mark plus twelve text fields (cp1250), kept as its
// MeasurementLine (the fields joined by TAB). Column numbers are the Column
// enum of the configuration (ColNr .. ColCustomer).

#include "core/program_config.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

constexpr int kFieldCount = ColumnCount;  // 12
constexpr int kTabsPerLine = kFieldCount - 1;

// Header text of record column `col` (0..11): "nr", "czas pobrania", ...
QString ColumnHeader(int col);
// "nr", "brutto", "netto", "tara", "cena", "wartość" are right-aligned.
bool ColumnRightAligned(int col);

// Result of the split rule for one file line.
struct LineCheck {
    bool valid = false;
    // 0 valid (or a non-empty line without any TAB, rejected), -1 empty line,
    // 1..10 the number of TABs found.
    int code = 0;
};
LineCheck CheckLine(QByteArrayView line);

// Cuts field k (0..11) out of a line by the split rule: the last field keeps
// any further TABs. A missing field is empty.
QByteArrayView FieldView(QByteArrayView line, int k);
QByteArray Field(QByteArrayView line, int k);

// Offsets of the 11 separating TABs; false when the line has fewer.
bool TabPositions(QByteArrayView line, std::array<qsizetype, kTabsPerLine> &tabs);

// The line with field k replaced; missing fields are added empty first and
// the other fields stay byte for byte. nullopt when `text` holds a TAB, CR or
// LF (it would shift the fields of the row and of its file line) or k is not
// a column.
std::optional<QByteArray> WithField(QByteArrayView line, int k, QByteArrayView text);

struct MeasurementRecord {
    bool mark = false;
    std::array<QByteArray, kFieldCount> fields;

    // The fields joined by TAB; nullopt when a field holds a TAB, CR or LF.
    std::optional<QByteArray> Line() const;
    // `original` (the line this record was read from) with only the fields
    // that differ from it replaced: a last field that holds further TABs of
    // the file stays as it is unless it was changed itself. nullopt when a
    // changed field holds a TAB, CR or LF.
    std::optional<QByteArray> LineOver(QByteArrayView original) const;
    static MeasurementRecord FromLine(QByteArrayView line);
};

// Eleven TABs: the line of a row whose fields are all empty.
QByteArray EmptyLine();

// The net text of a weighing: `display` is the main display's text. With a
// zero tare the display text itself (in "[" "]" when `bracketed`); otherwise
// FormatMass(display - tare) (in "(" ")" when `bracketed`). nullopt when the
// tare, or with a non-zero tare the display, is not a number.
std::optional<QByteArray> NetText(QByteArrayView tareText, QByteArrayView display, int massDecimals,
                                  bool bracketed);

// Value of a row: FormatMoney(net x price); nullopt when either is not a number.
std::optional<QByteArray> ValueText(QByteArrayView netText, QByteArrayView priceText);
std::optional<QByteArray> ValueText(QByteArrayView netText, double price);

// A "nr" cell plus one, as decimal text of any length: an integer of any
// size (optional sign, blanks around) never overflows, so numbering never
// turns negative or starts again below the numbers a table holds.
// nullopt when the cell is empty or not an integer.
std::optional<QByteArray> NumberAfter(QByteArrayView nrText);
