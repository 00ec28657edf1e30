#pragma once

// Little-endian fields of the .xls file: its records and its container
// store every number least significant byte first.

#include <QByteArray>
#include <QtEndian>

#include <bit>

namespace xls {

inline void Put16(QByteArray &b, quint16 v)
{
    const char c[2] = {char(v & 0xFF), char(v >> 8)};
    b.append(c, 2);
}

inline void Put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

inline void PutDouble(QByteArray &b, double v)
{
    char c[8];
    qToLittleEndian(std::bit_cast<quint64>(v), c);
    b.append(c, 8);
}

inline void Patch16(QByteArray &b, qsizetype at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}

inline void Patch32(QByteArray &b, qsizetype at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

inline quint64 CeilDiv(quint64 a, quint64 b)
{
    return (a + b - 1) / b;
}

} // namespace xls
