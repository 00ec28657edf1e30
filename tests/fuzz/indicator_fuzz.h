#pragma once

// Shared body of the indicator decoder fuzz targets: the bytes fed whole and
// in pseudo-random chunks must give the same frames, and no frame breaks the
// promises the display relies on.

#include "scale/protocols/indicator_frame.h"

#include <QList>

#include <algorithm>

#include <cstddef>
#include <cstdint>

namespace fuzz {

struct Seen {
    QByteArray raw;
    IndicatorFrame::Kind kind;
    QByteArray weight;
    bool operator==(const Seen &) const = default;
};

inline bool IsWeightText(const QByteArray &w)
{
    qsizetype i = 0;
    if (i < w.size() && w[i] == '-')
        ++i;
    const qsizetype digits = i;
    while (i < w.size() && w[i] >= '0' && w[i] <= '9')
        ++i;
    if (i == digits || (i - digits > 1 && w[digits] == '0'))
        return false;  // no digits, or a leading zero
    if (i < w.size() && w[i] == '.') {
        const qsizetype frac = ++i;
        while (i < w.size() && w[i] >= '0' && w[i] <= '9')
            ++i;
        if (i == frac)
            return false;
    }
    if (i != w.size())
        return false;
    if (w.startsWith('-')) {  // a minus on zero is dropped
        bool zero = true;
        for (char c : w)
            zero = zero && (c == '-' || c == '0' || c == '.');
        if (zero)
            return false;
    }
    return true;
}

inline QList<Seen> Run(IndicatorDecoder &d, QByteArrayView bytes, uint32_t seed, bool lineFamily)
{
    QList<Seen> seen;
    const auto sink = [&](QByteArrayView raw, const IndicatorFrame &f) {
        if (raw.isEmpty() || raw.size() > kMaxIndicatorFrame)
            __builtin_trap();
        if (f.kind == IndicatorFrame::Kind::Weight ? !IsWeightText(f.weightText) : !f.weightText.isEmpty())
            __builtin_trap();
        if (lineFamily)
            for (qsizetype i = 0; i + 1 < raw.size(); ++i)
                if (raw[i] == '\r' || raw[i] == '\n')
                    __builtin_trap();  // one line per frame
        seen.append({raw.toByteArray(), f.kind, f.weightText});
    };
    qsizetype i = 0;
    while (i < bytes.size()) {
        qsizetype n = bytes.size() - i;
        if (seed) {
            seed = seed * 1103515245u + 12345u;
            n = std::min<qsizetype>(n, 1 + (seed >> 16) % 40);
        }
        d.Feed(bytes.sliced(i, n), sink);
        i += n;
    }
    return seen;
}

inline void Check(IndicatorProtocol protocol, QByteArrayView bytes, const QByteArray &pattern = {},
                  const QByteArray &stableText = {})
{
    const bool lineFamily = protocol != IndicatorProtocol::ToledoContinuous && protocol != IndicatorProtocol::Sma;
    uint32_t seed = 2166136261u;
    for (char c : bytes)
        seed = (seed ^ uint8_t(c)) * 16777619u;
    const auto whole = MakeIndicatorDecoder(protocol, pattern, stableText);
    const auto chunked = MakeIndicatorDecoder(protocol, pattern, stableText);
    if (Run(*whole, bytes, 0, lineFamily) != Run(*chunked, bytes, seed | 1, lineFamily))
        __builtin_trap();
}

}  // namespace fuzz
