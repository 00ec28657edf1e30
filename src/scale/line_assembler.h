#pragma once

// Turns the bytes of one source into lines. The serial rule: STX or CR ends
// a line, LF is dropped. The socket rule: LF ends a line, CR is dropped, STX
// stays in the line.

#include <QByteArray>
#include <QList>

class LineAssembler {
public:
    enum class Source { Serial, Socket };

    // A scale that never sends a line end must not grow memory without limit.
    // Real indicator lines are under 100 bytes and the decoder reads at most
    // 200 characters of a line, so 64 KiB is generous; bytes past it are
    // dropped until the next line end, and the line is decoded from its start.
    static constexpr qsizetype kMaxLine = 64 * 1024;

    explicit LineAssembler(Source source) : source_(source) {}

    // Appends the bytes; returns the lines they completed, in order.
    QList<QByteArray> Feed(QByteArrayView bytes);

    void Clear() { buffer_.clear(); }
    qsizetype Pending() const { return buffer_.size(); }

private:
    Source source_;
    QByteArray buffer_;
};
