#pragma once

// GoogleTest prints Qt strings as text rather than as arrays of bytes.

#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << '"' << b.toStdString() << '"';
}
