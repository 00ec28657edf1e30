#pragma once

// Small text helpers on cp1250 bytes, shared by every subsystem.

#include <QByteArray>

// Every space removed; a name or password is blank when this leaves nothing.
QByteArray StripSpaces(QByteArrayView text);

// The fields joined by single TABs (none at the end).
template <typename Fields>
QByteArray JoinWithTabs(const Fields &fields)
{
    qsizetype n = 0;
    for (const QByteArray &f : fields)
        n += f.size() + 1;
    QByteArray out;
    out.reserve(n);
    bool first = true;
    for (const QByteArray &f : fields) {
        if (!first)
            out.append('\t');
        out.append(f);
        first = false;
    }
    return out;
}

// Data fields never hold TAB, CR or LF: the data files part fields by TAB
// and rows by line ends, with no escaping.
bool IsFieldText(QByteArrayView text);

// Field k (from 0) of a TAB-separated line; a missing field is empty.
QByteArray SplitField(QByteArrayView line, int k);

QByteArray CommaToDot(QByteArrayView text);
QByteArray DotToComma(QByteArrayView text);

// Upper-casing by byte value: a-z and the nine Polish small letters of cp1250.
QByteArray UpperPolish(QByteArrayView text);
