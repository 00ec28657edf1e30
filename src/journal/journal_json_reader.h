// The strict JSON reader behind ParseEvent: much faster than QJsonDocument
// on a long journal, and it refuses what the format does not allow
// (journal_format.h). Private to journal_parse.cpp.
#pragma once

#include "core/cp1250.h"
#include "journal/journal_line.h"

#include <QSet>

#include <array>
#include <cctype>
#include <climits>
#include <cstring>
#include <list>

namespace journal::json {

// Unicode -> cp1250 byte, for the characters above ASCII (-1: none).
struct ReverseCp1250 {
    static constexpr char32_t kSize = 0x2200;
    std::array<qint16, kSize> byte;
    ReverseCp1250()
    {
        byte.fill(-1);
        for (int b = 0x80; b < 0x100; ++b) {
            const char c = char(b);
            const QChar u = cp1250::Decode(QByteArrayView(&c, 1)).at(0);
            if (u.unicode() < kSize)
                byte[u.unicode()] = qint16(b);
        }
    }
};

// The names of one object's members: a repeated one is refused, since
// readers differ on which of two values counts (a signed line could show
// one value to the program and another to a script).
class MemberNames {
public:
    // `temporary`: the name's bytes are reused for the next name (decoded from escapes).
    bool Add(QByteArrayView key, bool temporary)
    {
        if (temporary) {
            decoded_.push_back(key.toByteArray());
            key = decoded_.back();
        }
        // Most objects have a few members: compared one by one, without allocating.
        if (count_ < few_.size()) {
            for (size_t i = 0; i < count_; ++i)
                if (few_[i] == key)
                    return false;
            few_[count_++] = key;
            return true;
        }
        if (many_.isEmpty())
            for (const QByteArrayView k : few_)
                many_.insert(k);
        const qsizetype before = many_.size();
        many_.insert(key);
        return many_.size() > before;
    }

private:
    std::array<QByteArrayView, 16> few_;
    size_t count_ = 0;
    QSet<QByteArrayView> many_;
    std::list<QByteArray> decoded_;
};

// A strict reader of the JSON the journal is written in, many times faster
// than QJsonDocument on a long journal: it fills the event's members
// directly and decodes table text straight to cp1250 bytes.
class Reader {
public:
    explicit Reader(QByteArrayView s) : p_(s.data()), end_(s.data() + s.size()) {}

    void Ws()
    {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r'))
            ++p_;
    }
    bool Eat(char c)
    {
        Ws();
        if (p_ < end_ && *p_ == c) {
            ++p_;
            return true;
        }
        return false;
    }
    bool AtEnd()
    {
        Ws();
        return p_ == end_;
    }

    // The code points of a string to `sink` (false from it stops); runs of
    // plain ASCII to `run`.
    template <typename Run, typename Sink>
    bool String(Run &&run, Sink &&sink)
    {
        if (!Eat('"'))
            return false;
        for (;;) {
            const char *start = p_;
            while (p_ < end_ && *p_ != '"' && *p_ != '\\' && uchar(*p_) >= 0x20 && uchar(*p_) < 0x80)
                ++p_;
            if (p_ > start)
                run(start, p_ - start);
            if (p_ >= end_)
                return false;
            const uchar c = uchar(*p_++);
            if (c == '"')
                return true;
            char32_t cp;
            if (c == '\\') {
                if (p_ >= end_)
                    return false;
                switch (*p_++) {
                case '"': cp = '"'; break;
                case '\\': cp = '\\'; break;
                case '/': cp = '/'; break;
                case 'b': cp = '\b'; break;
                case 'f': cp = '\f'; break;
                case 'n': cp = '\n'; break;
                case 'r': cp = '\r'; break;
                case 't': cp = '\t'; break;
                case 'u': {
                    if (!Hex4(cp))
                        return false;
                    if (cp >= 0xD800 && cp < 0xDC00) {
                        char32_t low;
                        if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u')
                            return false;
                        p_ += 2;
                        if (!Hex4(low) || low < 0xDC00 || low >= 0xE000)
                            return false;
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else if (cp >= 0xDC00 && cp < 0xE000) {
                        return false;
                    }
                    break;
                }
                default:
                    return false;
                }
            } else if (c < 0x20) {
                return false;
            } else {
                // UTF-8 of two to four bytes.
                const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
                if (extra < 0 || c > 0xF4 || end_ - p_ < extra)
                    return false;
                cp = c & (0x3F >> extra);
                for (int i = 0; i < extra; ++i) {
                    const uchar cc = uchar(*p_++);
                    if ((cc & 0xC0) != 0x80)
                        return false;
                    cp = cp << 6 | (cc & 0x3F);
                }
                if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
                    (cp >= 0xD800 && cp < 0xE000))
                    return false;
            }
            if (!sink(cp))
                return false;
        }
    }

    // At most the bytes up to the string's closing quote: what its text can take.
    qsizetype StringSpan() const
    {
        const char *q = p_;
        while (q < end_) {
            q = static_cast<const char *>(std::memchr(q + 1, '"', size_t(end_ - q - 1)));
            if (!q)
                return end_ - p_;
            const char *b = q;
            while (b > p_ && b[-1] == '\\')
                --b;
            if ((q - b) % 2 == 0)
                return q - p_;
        }
        return end_ - p_;
    }
    bool Bytes(QByteArray &out)
    {
        static const ReverseCp1250 reverse;
        out.clear();
        out.reserve(StringSpan());
        return String([&](const char *s, qsizetype n) { out.append(s, n); },
                      [&](char32_t cp) {
                          const int b = cp < 0x80 ? int(cp) : cp < ReverseCp1250::kSize ? reverse.byte[cp] : -1;
                          if (b < 0)
                              return false;
                          out.append(char(b));
                          return true;
                      });
    }
    bool Text(QString &out)
    {
        out.clear();
        out.reserve(StringSpan());
        return String([&](const char *s, qsizetype n) { out.append(QLatin1String(s, n)); },
                      [&](char32_t cp) {
                          if (QChar::requiresSurrogates(cp)) {
                              out.append(QChar(QChar::highSurrogate(cp)));
                              out.append(QChar(QChar::lowSurrogate(cp)));
                          } else {
                              out.append(QChar(char16_t(cp)));
                          }
                          return true;
                      });
    }
    bool Integer(qint64 &v)
    {
        Ws();
        const char *start = p_;
        if (p_ < end_ && *p_ == '-')
            ++p_;
        const char *digits = p_;
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9')
            ++p_;
        // JSON has no leading zeros ("02").
        if (p_ == digits || p_ - digits > 18 || (p_ - digits > 1 && *digits == '0') ||
            (p_ < end_ && (*p_ == '.' || *p_ == 'e' || *p_ == 'E')))
            return false;
        v = QByteArrayView(start, p_ - start).toLongLong();
        return true;
    }
    bool Int(int &v)
    {
        qint64 w = 0;
        if (!Integer(w) || w < INT_MIN || w > INT_MAX)
            return false;
        v = int(w);
        return true;
    }
    bool Bool(bool &v)
    {
        Ws();
        if (end_ - p_ >= 4 && QByteArrayView(p_, 4) == "true") {
            p_ += 4;
            v = true;
            return true;
        }
        if (end_ - p_ >= 5 && QByteArrayView(p_, 5) == "false") {
            p_ += 5;
            v = false;
            return true;
        }
        return false;
    }
    // Any value, read over.
    bool Skip(int depth = 0)
    {
        Ws();
        if (p_ >= end_ || depth > 64)
            return false;
        if (*p_ == '"')
            return String([](const char *, qsizetype) {}, [](char32_t) { return true; });
        if (*p_ == '{' || *p_ == '[') {
            const bool object = *p_++ == '{';
            if (Eat(object ? '}' : ']'))
                return true;
            do {
                if (object) {
                    Ws();
                    if (p_ >= end_ || *p_ != '"' || !Skip(depth + 1) || !Eat(':'))
                        return false;
                }
                if (!Skip(depth + 1))
                    return false;
            } while (Eat(','));
            return Eat(object ? '}' : ']');
        }
        for (const char *word : {"true", "false", "null"}) {
            const qsizetype n = qsizetype(std::strlen(word));
            if (end_ - p_ >= n && QByteArrayView(p_, n) == word) {
                p_ += n;
                return true;
            }
        }
        // A number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
        auto digits = [&] {
            const char *start = p_;
            while (p_ < end_ && std::isdigit(uchar(*p_)))
                ++p_;
            return p_ - start;
        };
        if (p_ < end_ && *p_ == '-')
            ++p_;
        const char *first = p_;
        const qsizetype whole = digits();
        if (whole == 0 || (whole > 1 && *first == '0'))
            return false;
        if (p_ < end_ && *p_ == '.') {
            ++p_;
            if (digits() == 0)
                return false;
        }
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            if (p_ < end_ && (*p_ == '+' || *p_ == '-'))
                ++p_;
            if (digits() == 0)
                return false;
        }
        return true;
    }
    // { key: value, ... } with `member(key)` reading each value.
    template <typename Member>
    bool Object(Member &&member)
    {
        if (!Eat('{'))
            return false;
        if (Eat('}'))
            return true;
        QByteArray scratch;
        MemberNames names;
        do {
            QByteArrayView key;
            if (!Key(key, scratch))
                return false;
            const bool decoded = !scratch.isEmpty() && key.data() == scratch.constData();
            if (!names.Add(key, decoded) || !Eat(':') || !member(key))
                return false;
        } while (Eat(','));
        return Eat('}');
    }
    // A text that is mostly one of `known` (an event's kind, how a weighing
    // was added): shares that string instead of making its own.
    template <size_t N>
    bool KnownText(QString &out, const std::array<QString, N> &known)
    {
        QByteArrayView plain;
        if (!PlainAscii(plain))
            return Text(out);
        const QLatin1String text(plain.data(), plain.size());
        for (const QString &k : known)
            if (k == text) {
                out = k;
                return true;
            }
        out = text;
        return true;
    }
    // A plain ASCII string as it stands, without its quotes; false (and
    // nothing read) for any other.
    bool PlainAscii(QByteArrayView &text)
    {
        Ws();
        if (p_ >= end_ || *p_ != '"')
            return false;
        const char *q = p_ + 1;
        while (q < end_ && *q != '"' && *q != '\\' && uchar(*q) >= 0x20 && uchar(*q) < 0x80)
            ++q;
        if (q >= end_ || *q != '"')
            return false;
        text = QByteArrayView(p_ + 1, q - p_ - 1);
        p_ = q + 1;
        return true;
    }
    // An event's time: in its fixed place when it has the usual length.
    bool Time(Event &e)
    {
        QByteArrayView text;
        if (PlainAscii(text) && text.size() == qsizetype(e.timeText.size())) {
            std::memcpy(e.timeText.data(), text.data(), e.timeText.size());
            return true;
        }
        if (!text.isNull()) {
            e.timeOther = QString::fromLatin1(text);
            return true;
        }
        return Text(e.timeOther);
    }
    // A file's digest: in its fixed place when it has the usual length.
    bool Sha(Event &e)
    {
        QByteArrayView text;
        if (PlainAscii(text) && text.size() == qsizetype(e.shaText.size())) {
            std::memcpy(e.shaText.data(), text.data(), e.shaText.size());
            e.hasShaText = true;
            return true;
        }
        if (!text.isNull()) {
            e.shaOther = text.toByteArray();
            return true;
        }
        return Bytes(e.shaOther);
    }
    // Bytes that mostly repeat from one event to the next (the operator):
    // the same text shares `last` instead of making its own.
    bool RepeatedBytes(QByteArray &out, QByteArray &last)
    {
        QByteArrayView text;
        QByteArray decoded;
        if (!PlainAscii(text)) {
            if (!Bytes(decoded))
                return false;
            text = decoded;
        }
        if (text != QByteArrayView(last) || last.isNull())
            last = text.toByteArray();
        out = last;
        return true;
    }
    // A member's name: a plain ASCII one is looked at where it stands.
    bool Key(QByteArrayView &key, QByteArray &scratch)
    {
        if (PlainAscii(key))
            return true;
        if (!Bytes(scratch))
            return false;
        key = scratch;
        return true;
    }
    template <typename Item>
    bool Array(Item &&item)
    {
        if (!Eat('['))
            return false;
        if (Eat(']'))
            return true;
        do {
            if (!item())
                return false;
        } while (Eat(','));
        return Eat(']');
    }

private:
    bool Hex4(char32_t &cp)
    {
        if (end_ - p_ < 4)
            return false;
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *p_++;
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0)
                return false;
            cp = cp << 4 | char32_t(d);
        }
        return true;
    }

    const char *p_;
    const char *end_;
};

}  // namespace journal::json
