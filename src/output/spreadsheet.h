#pragma once

// A table as a spreadsheet sees it: the headings in row 1, then one row per
// weighing, each cell typed as a spreadsheet user expects ("nr" an integer,
// masses, price and value numbers shown with the decimals of their text,
// "czas pobrania" a date and time, everything else text as shown). The
// writers (xlsx_writer.h, xls_writer.h) take the rows one at a time from a
// SheetSource, so a long table is never copied whole.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct SheetCell {
    enum class Kind { Empty, Text, Integer, Number, DateTime };
    Kind kind = Kind::Empty;
    QString text;        // Text: the cell as shown
    double number = 0;   // Integer, Number; DateTime: days since 1899-12-30 (the spreadsheet serial date)
    int decimals = 0;    // Number: decimals to show

    static SheetCell Text(QString t) { return {Kind::Text, std::move(t), 0, 0}; }
    friend bool operator==(const SheetCell &, const SheetCell &) = default;
};

struct SheetSource {
    QStringList headings;  // row 1, columns A..
    int rows = 0;          // rows below the headings
    // The cells of row `row` (0 = the first below the headings), columns A.. in order.
    std::function<QList<SheetCell>(int row)> cells;
};

// Decimals a number format shows at most: a double holds no more.
constexpr int kMaxShownDecimals = 15;

// The cell of table column `column` (0 "nr" .. 11 "dostawca / klient") for
// its text (cp1250). A mass, price or value that ParseNumber reads is a
// number showing the decimals of its text ("12,50": 12.5 with 2); a
// bracketed text (a net in brackets) or one that is no number stays text
// exactly as shown.
SheetCell ClassifyCell(int column, QByteArrayView text);

// Characters (UTF-16 units) a cell holds; a longer text fails a workbook.
constexpr int kMaxCellText = 32767;

// Cuts `text` to kMaxCellText, never between the two halves of a surrogate
// pair; true when it was cut.
bool CutToCellLimit(QString &text);

// The widths both writers give the columns, noted cell by cell: the widest
// text of a column (its heading included) + 2 characters, 10 to 102.
class ColumnWidths {
public:
    void Note(int column, const SheetCell &cell);
    int Count() const { return int(widest_.size()); }
    int Chars(int column) const;

private:
    std::vector<int> widest_;  // characters shown, per column
};

// Number formats the writers give the typed cells.
QString NumberFormat(int decimals);        // "0", "0.00", "0.000", ...
QString DateTimeFormat();                  // "yyyy\-mm\-dd hh:mm"
