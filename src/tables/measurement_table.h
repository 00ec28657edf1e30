#pragma once

// One of the five tables: its rows in order of adding, their check marks and
// the highlighted CurrentRow.
//
// Rows are kept as their MeasurementLines in one shared byte buffer plus a
// small index entry per row (offset, length, mark): a 100,000-row table costs
// little more than its file. An edit appends the new line to the buffer; the
// space of replaced lines is reclaimed once it reaches a quarter of the live lines.
//
// The table announces every change with signals shaped like a Qt model's
// (about-to / done), so a model over it stays in step whoever changes it.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <vector>

class MeasurementTable : public QObject {
    Q_OBJECT
public:
    // A line inside a load buffer.
    struct Span {
        qsizetype offset;
        qsizetype length;
    };

    explicit MeasurementTable(int number = 0, QObject *parent = nullptr);

    int number() const { return number_; }
    void setNumber(int number) { number_ = number; }

    int RowCount() const { return int(rows_.size()); }
    bool IsEmpty() const { return rows_.empty(); }

    // The row's MeasurementLine. The view is valid only until the next change of the table.
    QByteArrayView LineView(int row) const;
    QByteArray Line(int row) const { return LineView(row).toByteArray(); }
    // Field `col` (0..11) of the row; column -1 is the row's own caption, always empty.
    QByteArray Cell(int row, int col) const;

    void SetLine(int row, QByteArrayView line);
    // False, and the row unchanged, when `text` holds a TAB, CR or LF or
    // `col` is not a column.
    bool SetCell(int row, int col, QByteArrayView text);

    // Appends a row with this line, unmarked; returns its index.
    int AddLine(QByteArrayView line);
    // Appends a row with all fields empty; returns its index.
    int AddRow();
    void DeleteRow(int row);
    void Clear();
    // Replaces all rows by the given lines of `buffer` (unmarked). Used by loading.
    void Assign(QByteArray buffer, std::vector<Span> lines);
    // Replaces all rows by those of `from` (a table read aside), which is
    // left empty without signals of its own.
    void TakeRows(MeasurementTable &from);

    bool Mark(int row) const { return rows_[size_t(row)].mark; }
    void SetMark(int row, bool on);
    // Marks rows first..last (inclusive) in one go.
    void SetMarks(int first, int last, bool on);
    void SetAllMarks(bool on);
    int MarkedCount() const;
    QList<int> MarkedRows() const;

    // The highlighted row, -1 when none.
    int CurrentRow() const { return currentRow_; }
    void SetCurrentRow(int row);
    int SelectedCount() const { return currentRow_ >= 0 ? 1 : 0; }
    bool IsSelected(int row) const { return row >= 0 && row == currentRow_; }
    void SetSelected(int row, bool on);

    // Bytes held by the rows (buffer capacity plus index), for measurements.
    qsizetype MemoryBytes() const;

signals:
    void aboutToReset();
    void reset();
    void aboutToInsertRows(int first, int last);
    void rowsInserted(int first, int last);
    void aboutToRemoveRows(int first, int last);
    void rowsRemoved(int first, int last);
    // The lines of rows first..last changed.
    void rowsChanged(int first, int last);
    // The marks of rows first..last changed.
    void marksChanged(int first, int last);
    void currentRowChanged(int row);

private:
    struct Row {
        qsizetype offset;
        quint32 length;
        bool mark;
    };

    qsizetype Store(QByteArrayView line);
    void CompactIfWasteful();

    int number_;
    QByteArray buffer_;
    std::vector<Row> rows_;
    qsizetype garbage_ = 0;
    int currentRow_ = -1;
};

// The "nr" for the row `newRow` just appended: the first non-empty integer
// "nr" met walking from the row before it towards the first row, plus 1
// (NumberAfter: exact for integers of any length); 1 when there is none. A
// "nr" that is not an integer (a hand-edited file) is passed over like an
// empty one.
QByteArray NextNumber(const MeasurementTable &table, int newRow);
// The same for the last row of the table.
inline QByteArray NextNumber(const MeasurementTable &table)
{
    return NextNumber(table, table.RowCount() - 1);
}
