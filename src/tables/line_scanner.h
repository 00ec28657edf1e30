#pragma once

// How a table file splits into lines, for the storage and for the journal's
// replay: lines end at CR LF, LF or a lone CR. A last line without its end is
// still a line; a final line end adds none.

#include <QByteArray>

#include <cstring>

// One line of a file buffer: [begin, end) without its terminator, `next` at the following line.
struct LineSpan {
    qsizetype begin, end, next;
    bool terminated;
};

class LineScanner {
public:
    explicit LineScanner(QByteArrayView data) : data_(data.data()), size_(data.size()) {}

    bool Next(LineSpan &s)
    {
        if (pos_ >= size_)
            return false;
        const char *p = data_ + pos_;
        const char *end = data_ + size_;
        const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *stop = nl ? nl : end;
        const char *cr = static_cast<const char *>(std::memchr(p, '\r', size_t(stop - p)));
        s.begin = pos_;
        if (cr) {
            s.end = cr - data_;
            s.next = (cr + 1 < end && cr[1] == '\n') ? s.end + 2 : s.end + 1;
            s.terminated = true;
        } else if (nl) {
            s.end = nl - data_;
            s.next = s.end + 1;
            s.terminated = true;
        } else {
            s.end = size_;
            s.next = size_;
            s.terminated = false;
        }
        pos_ = s.next;
        return true;
    }

private:
    const char *data_;
    qsizetype size_;
    qsizetype pos_ = 0;
};

// The number of lines of a file buffer, as LineScanner counts them.
inline qsizetype CountLines(QByteArrayView data)
{
    LineScanner scanner(data);
    LineSpan s;
    qsizetype n = 0;
    while (scanner.Next(s))
        ++n;
    return n;
}
