#include "tables/measurement_table.h"

#include "tables/measurement_record.h"

#include <algorithm>
#include <utility>

MeasurementTable::MeasurementTable(int number, QObject *parent) : QObject(parent), number_(number) {}

QByteArrayView MeasurementTable::LineView(int row) const
{
    const Row &r = rows_[size_t(row)];
    return QByteArrayView(buffer_.constData() + r.offset, qsizetype(r.length));
}

QByteArray MeasurementTable::Cell(int row, int col) const
{
    if (col < 0)
        return {};
    return Field(LineView(row), col);
}

qsizetype MeasurementTable::Store(QByteArrayView line)
{
    // `line` may point into buffer_ itself; copy before the buffer can move.
    if (line.data() >= buffer_.constData() && line.data() < buffer_.constData() + buffer_.size()) {
        const QByteArray copy = line.toByteArray();
        return Store(copy);
    }
    const qsizetype at = buffer_.size();
    // Modest growth: a loaded table's buffer is already the size of its file.
    if (buffer_.capacity() < at + line.size())
        buffer_.reserve(std::max<qsizetype>(at + line.size(), at + at / 8 + 4096));
    buffer_.append(line.data(), line.size());
    return at;
}

void MeasurementTable::CompactIfWasteful()
{
    const qsizetype live = buffer_.size() - garbage_;
    if (garbage_ < 64 * 1024 || garbage_ * 4 < live)
        return;
    QByteArray fresh;
    fresh.reserve(live);
    for (Row &r : rows_) {
        const qsizetype at = fresh.size();
        fresh.append(buffer_.constData() + r.offset, qsizetype(r.length));
        r.offset = at;
    }
    buffer_ = std::move(fresh);
    garbage_ = 0;
}

void MeasurementTable::SetLine(int row, QByteArrayView line)
{
    const qsizetype oldLength = rows_[size_t(row)].length;
    const qsizetype at = Store(line);
    Row &r = rows_[size_t(row)];
    r.offset = at;
    r.length = quint32(line.size());
    garbage_ += oldLength;
    CompactIfWasteful();
    emit rowsChanged(row, row);
}

bool MeasurementTable::SetCell(int row, int col, QByteArrayView text)
{
    const std::optional<QByteArray> line = WithField(LineView(row), col, text);
    if (!line)
        return false;
    SetLine(row, *line);
    return true;
}

int MeasurementTable::AddLine(QByteArrayView line)
{
    const int row = RowCount();
    emit aboutToInsertRows(row, row);
    const qsizetype at = Store(line);
    rows_.push_back(Row{at, quint32(line.size()), false});
    emit rowsInserted(row, row);
    return row;
}

int MeasurementTable::AddRow()
{
    return AddLine(EmptyLine());
}

void MeasurementTable::DeleteRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    emit aboutToRemoveRows(row, row);
    garbage_ += rows_[size_t(row)].length;
    rows_.erase(rows_.begin() + row);
    const int oldCurrent = currentRow_;
    if (currentRow_ == row)
        currentRow_ = -1;
    else if (currentRow_ > row)
        --currentRow_;
    if (rows_.empty()) {
        buffer_.clear();
        garbage_ = 0;
    } else {
        CompactIfWasteful();
    }
    emit rowsRemoved(row, row);
    if (currentRow_ != oldCurrent)
        emit currentRowChanged(currentRow_);
}

void MeasurementTable::Clear()
{
    Assign({}, {});
}

void MeasurementTable::Assign(QByteArray buffer, std::vector<Span> lines)
{
    emit aboutToReset();
    buffer_ = std::move(buffer);
    rows_.clear();
    rows_.shrink_to_fit();
    rows_.reserve(lines.size());
    qsizetype live = 0;
    for (const Span &s : lines) {
        rows_.push_back(Row{s.offset, quint32(s.length), false});
        live += s.length;
    }
    garbage_ = buffer_.size() - live;
    if (rows_.empty()) {
        buffer_.clear();
        buffer_.squeeze();
        garbage_ = 0;
    } else {
        CompactIfWasteful();
    }
    const bool hadCurrent = currentRow_ >= 0;
    currentRow_ = -1;
    emit reset();
    if (hadCurrent)
        emit currentRowChanged(-1);
}

void MeasurementTable::TakeRows(MeasurementTable &from)
{
    emit aboutToReset();
    buffer_ = std::exchange(from.buffer_, {});
    rows_ = std::exchange(from.rows_, {});
    garbage_ = std::exchange(from.garbage_, 0);
    from.currentRow_ = -1;
    const bool hadCurrent = currentRow_ >= 0;
    currentRow_ = -1;
    emit reset();
    if (hadCurrent)
        emit currentRowChanged(-1);
}

void MeasurementTable::SetMark(int row, bool on)
{
    Row &r = rows_[size_t(row)];
    if (r.mark == on)
        return;
    r.mark = on;
    emit marksChanged(row, row);
}

void MeasurementTable::SetMarks(int first, int last, bool on)
{
    first = std::max(first, 0);
    last = std::min(last, RowCount() - 1);
    if (first > last)
        return;
    int lo = -1, hi = -1;
    for (int i = first; i <= last; ++i) {
        Row &r = rows_[size_t(i)];
        if (r.mark != on) {
            r.mark = on;
            if (lo < 0)
                lo = i;
            hi = i;
        }
    }
    if (lo >= 0)
        emit marksChanged(lo, hi);
}

void MeasurementTable::SetAllMarks(bool on)
{
    SetMarks(0, RowCount() - 1, on);
}

int MeasurementTable::MarkedCount() const
{
    int n = 0;
    for (const Row &r : rows_)
        n += r.mark ? 1 : 0;
    return n;
}

QList<int> MeasurementTable::MarkedRows() const
{
    QList<int> out;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].mark)
            out.append(int(i));
    return out;
}

void MeasurementTable::SetCurrentRow(int row)
{
    if (row < -1 || row >= RowCount())
        row = -1;
    if (row == currentRow_)
        return;
    currentRow_ = row;
    emit currentRowChanged(row);
}

void MeasurementTable::SetSelected(int row, bool on)
{
    if (on)
        SetCurrentRow(row);
    else if (row == currentRow_)
        SetCurrentRow(-1);
}

qsizetype MeasurementTable::MemoryBytes() const
{
    return buffer_.capacity() + qsizetype(rows_.capacity() * sizeof(Row));
}

QByteArray NextNumber(const MeasurementTable &table, int newRow)
{
    for (int row = std::min(newRow, table.RowCount()) - 1; row >= 0; --row) {
        if (auto next = NumberAfter(FieldView(table.LineView(row), ColNr)))
            return *std::move(next);
    }
    return "1";
}
