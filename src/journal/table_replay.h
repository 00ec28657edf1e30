#pragma once

// Rebuilding a table file from its journal events, and comparing the result
// with the file on disk (journal_format.h, "REPLAY").

#include "journal/journal_line.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace journal {

QByteArray EolBytes(Eol e);

struct ReplayLine {
    QByteArray text;
    qint64 id = 0;  // the event that brought the line: seq << 24 | its index in the event
    Eol eol = Eol::CrLf;
    bool SameAs(const ReplayLine &o) const { return eol == o.eol && text == o.text; }
};

inline qint64 LineId(qint64 seq, qsizetype index)
{
    return seq << 24 | qint64(index);
}
inline qint64 SeqOfLineId(qint64 id)
{
    return id >> 24;
}

// The lines of a file, in blocks: a removal in the middle of 100,000 lines
// moves at most one block.
class LineList {
public:
    qsizetype Size() const { return size_; }
    const ReplayLine &At(qsizetype i) const;
    ReplayLine &At(qsizetype i);
    const ReplayLine &Last() const { return blocks_.back().back(); }
    ReplayLine &Last() { return blocks_.back().back(); }
    void Append(ReplayLine line);
    void Remove(qsizetype i);
    void Assign(std::vector<ReplayLine> lines);
    std::vector<ReplayLine> Flat() const;
    // Lines from..from+drop-1 replaced by `lines`.
    void Splice(qsizetype from, qsizetype drop, std::vector<ReplayLine> lines);
    // The file's bytes.
    QByteArray Bytes() const;

    template <typename F>
    void ForEach(F &&f) const
    {
        for (const auto &b : blocks_)
            for (const ReplayLine &l : b)
                f(l);
    }

private:
    std::pair<size_t, size_t> Find(qsizetype i) const;

    std::vector<std::vector<ReplayLine>> blocks_;
    qsizetype size_ = 0;
};

// The lines of a file's bytes, split as the table storage splits them.
std::vector<ReplayLine> SplitFile(QByteArrayView data);

// A line an event brought, changed or removed: its id and its position
// (from 0) in the file before the event (after it, for a line brought).
struct Touch {
    qint64 id;
    qsizetype at;
};

class TableReplay {
public:
    // Applies one event of this table. False, with `problem` (Polish), when
    // the event does not fit the lines it is applied to; what could be
    // applied still is. `touched` gets the lines it brought, changed or removed.
    bool Apply(const Event &e, QString *problem, std::vector<Touch> *touched = nullptr);

    LineList lines;
};

struct RowDifference {
    enum Kind { Changed, OnlyInJournal, OnlyInFile };
    Kind kind = Changed;
    qsizetype line = 0;  // from 1: in the file (Changed, OnlyInFile) or in the journal's version
    ReplayLine journal;
    ReplayLine file;
};

// Where the journal's version and the file part: both share `prefix` lines
// at the start and `suffix` at the end; the rows between differ.
struct FileComparison {
    qsizetype prefix = 0;
    qsizetype suffix = 0;
    std::vector<RowDifference> rows;
    bool Same() const { return rows.empty(); }
};

FileComparison CompareLines(const std::vector<ReplayLine> &journal, const std::vector<ReplayLine> &file);

// The last update of a mode 1 load is all that differs: only the newest
// row, only in the columns an update writes, and the table's last event
// (`last`) is the add that opened that load ("load": true), so the journal
// itself says the load is still open. `lines`: the file's line count.
bool OnlyLoadUpdateMissing(const FileComparison &c, qsizetype lines, const Event &last);

// What differs in a changed row: "brutto: w dzienniku "10.00", w pliku "12.00"".
QString DescribeChange(const ReplayLine &journal, const ReplayLine &file);
// The columns (0..11) whose text differs; all twelve when the line ends differ only.
std::vector<int> ChangedColumns(QByteArrayView a, QByteArrayView b);

}  // namespace journal
