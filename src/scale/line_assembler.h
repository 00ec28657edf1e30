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
    // 200 characters after a line's leading spaces, so 64 KiB is generous:
    // leading spaces are only counted, and of the rest bytes past the bound
    // are dropped until the next line end; the line is decoded from its start.
    // A line comes out with at most kMaxLine leading spaces, which the decoder
    // skips whatever their number.
    static constexpr qsizetype kMaxLine = 64 * 1024;

    explicit LineAssembler(Source source) : source_(source) {}

    // Appends the bytes; returns the lines they completed, in order.
    QList<QByteArray> Feed(QByteArrayView bytes);

    void Clear()
    {
        buffer_.clear();
        leadingSpaces_ = 0;
    }
    // Bytes held for the line not yet ended (counted spaces take none).
    qsizetype Pending() const { return buffer_.size(); }

private:
    Source source_;
    QByteArray buffer_;  // the line after its leading spaces
    qsizetype leadingSpaces_ = 0;
};
