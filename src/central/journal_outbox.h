#pragma once

// The weighing journal dane/dziennik.txt read as the outbox of the central
// database (journal/journal_format.h describes it): line N is event N, one
// JSON object ended by CR LF, whose last member is its "mac". Only complete
// lines are taken; the file is read from where the last reading stopped.

#include <QByteArray>
#include <QString>

#include <vector>

namespace central {

struct OutboxEvent {
    qint64 seq = 0;           // the line's place in the journal, from 0
    QByteArray previousMac;   // the mac of the line before (64 '0' for line 0)
    QByteArray line;          // the line without its line end
    qint64 tooLong = 0;       // the bytes (with its line end) of a line over the limit, not read; line is empty
};

// The mac a journal line ends with (,"mac":"<64 hex>"}); empty when none.
QByteArray MacOfLine(QByteArrayView line);

class JournalOutbox {
public:
    explicit JournalOutbox(QString path) : path_(std::move(path)) {}

    enum class Change { None, Grew, Replaced, Failed };
    // Takes in the complete lines added since the last call. Replaced: the
    // file is not the one read before (another file, or cut shorter); it is
    // read again from its start. A missing file holds no lines.
    Change Refresh(QString *error = nullptr);

    // Complete lines read so far.
    qint64 Count() const { return qint64(starts_.size()); }

    // Events from line `first` on: at most `maxCount`, and not more than
    // `maxBytes` of lines unless the first one alone is larger. A line longer
    // than MaxLine() (junk, never an event) is taken alone and not read.
    bool Take(qint64 first, int maxCount, qint64 maxBytes, std::vector<OutboxEvent> &out,
              QString *error = nullptr) const;

    qint64 MaxLine() const { return maxLine_; }
    void SetMaxLine(qint64 bytes) { maxLine_ = bytes; }

private:
    void Reset();

    qint64 maxLine_ = qint64(96) << 20;
    QString path_;
    std::vector<qint64> starts_;  // where each complete line begins
    qint64 end_ = 0;              // just after the last complete line
    quint64 inode_ = 0;
    quint64 device_ = 0;
};

}  // namespace central
