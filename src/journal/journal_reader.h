#pragma once

// Reading a whole journal: its lines, and the replay of its events with the
// rule that a not_applied event cancels the event just before it.

#include "journal/journal_line.h"
#include "journal/table_replay.h"
#include "core/safe_file.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace journal {

struct JournalLines {
    QByteArray data;
    // Each line's bytes, without its line end.
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    bool tornTail = false;  // the last line has no line end (not in `spans`)

    QByteArrayView Line(size_t i) const
    {
        return QByteArrayView(data.constData() + spans[i].first, spans[i].second - spans[i].first);
    }
};

// False when the file is missing or cannot be read.
bool ReadJournalLines(const QString &path, JournalLines &out);

// A journal read piece by piece, for checking one of many years in little
// memory. Like ReadJournalLines: up to the size it had when opened, lines
// without their ends, a last line without its end left out (TornTail).
// A line longer than `maxLine` is no line the program wrote: only its first
// `maxLine` bytes are handed out (it reads as broken), the rest is read over
// piece by piece, so junk appended to the journal costs no more memory.
class JournalStream {
public:
    // `piece`: about how many bytes are read at a time.
    explicit JournalStream(qsizetype piece = kPiece, qsizetype maxLine = kMaxLine)
        : piece_(std::max<qsizetype>(1, piece)), maxLine_(std::max<qsizetype>(1, maxLine))
    {
    }
    JournalStream(const JournalStream &) = delete;
    JournalStream &operator=(const JournalStream &) = delete;
    ~JournalStream();

    // From byte `from` of the file on.
    FileRead Open(const QString &path, qint64 from = 0);
    // The next complete lines, as views valid until the next call; false
    // (and no lines) at the end or on a read error (Failed()). `ends`, when
    // given, gets where each line ends in the file (after its line end).
    bool Next(std::vector<QByteArrayView> &lines, std::vector<qint64> *ends = nullptr);
    bool TornTail() const { return tornTail_; }
    bool Failed() const { return failed_; }

    static constexpr qsizetype kPiece = 8 << 20;
    static constexpr qsizetype kMaxLine = 96 << 20;

private:
    // Reads up to `want` more bytes onto the end of buffer_; false on a read error.
    bool Fill(qsizetype want);

    qsizetype piece_;
    qsizetype maxLine_;
    qint64 bufferStart_ = 0;  // where buffer_ begins in the file
    qint64 dropped_ = 0;      // bytes of buffer_'s first line read over
    int fd_ = -1;
    qint64 left_ = 0;  // bytes still to read of the size at opening
    QByteArray buffer_;
    qsizetype used_ = 0;  // bytes of buffer_ handed out as lines
    bool tornTail_ = false;
    bool failed_ = false;
};

// Replays events fed in journal order. A table event is held back until
// the next event shows it was not cancelled.
class EventReplay {
public:
    // Only the tables for which `wanted` is true are replayed (all: null).
    explicit EventReplay(std::function<bool(int table)> wanted = nullptr) : wanted_(std::move(wanted)) {}

    // `problem` is told of an event that does not fit the lines it changes.
    void Feed(Event e, const std::function<void(const Event &, const QString &)> &problem = nullptr);
    // The event still held back, if any: the journal's last table event.
    const std::optional<Event> &Held() const { return held_; }
    // Applies the event held back.
    void Flush(const std::function<void(const Event &, const QString &)> &problem = nullptr);

    TableReplay &Table(int n) { return tables_[size_t(n - 1)]; }
    // The last event applied to each table (none: seq -1).
    const Event &LastApplied(int n) const { return lastApplied_[size_t(n - 1)]; }
    // Ids of lines each applied event touched, by event (for the history).
    std::function<void(const Event &, const std::vector<Touch> &)> onTouched;

private:
    // Applies `e` and keeps it (moved) as its table's last applied event.
    void Apply(Event &e, const std::function<void(const Event &, const QString &)> &problem);

    std::function<bool(int)> wanted_;
    std::array<TableReplay, 5> tables_;
    std::array<Event, 5> lastApplied_;
    std::optional<Event> held_;
};

}  // namespace journal
