#include "scale/protocols/weight_text.h"

#include <cstring>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

QByteArrayView TrimSpaces(QByteArrayView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.sliced(b, e - b);
}

bool NormaliseWeightText(QByteArrayView text, QByteArray &out, WeightSyntax syntax)
{
    const QByteArrayView t = TrimSpaces(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negative = t[i] == '-';
        ++i;
        if (syntax.spaceAfterSign)
            while (i < t.size() && t[i] == ' ')
                ++i;
    }
    while (i + 1 < t.size() && t[i] == '0' && IsDigit(t[i + 1]))
        ++i;  // leading zeros
    const qsizetype intBegin = i;
    while (i < t.size() && IsDigit(t[i]))
        ++i;
    const qsizetype intEnd = i;
    qsizetype fracBegin = i;
    qsizetype fracEnd = i;
    if (i < t.size() && (t[i] == '.' || (syntax.commaDecimal && t[i] == ','))) {
        fracBegin = ++i;
        while (i < t.size() && IsDigit(t[i]))
            ++i;
        fracEnd = i;
    }
    if (i != t.size() || (intBegin == intEnd && fracBegin == fracEnd))
        return false;

    bool allZero = true;
    for (qsizetype k = intBegin; k < fracEnd && allZero; ++k)
        allZero = t[k] == '0' || k == intEnd;
    const qsizetype intLen = intEnd - intBegin;
    const qsizetype fracLen = fracEnd - fracBegin;
    const bool sign = negative && !allZero;
    out.resize(qsizetype(sign) + (intLen ? intLen : 1) + (fracLen ? fracLen + 1 : 0));
    char *d = out.data();
    if (sign)
        *d++ = '-';
    if (intLen) {
        memcpy(d, t.data() + intBegin, size_t(intLen));
        d += intLen;
    } else {
        *d++ = '0';
    }
    if (fracLen) {
        *d++ = '.';
        memcpy(d, t.data() + fracBegin, size_t(fracLen));
    }
    return true;
}

QByteArray UnitText(QByteArrayView unit)
{
    static constexpr const char *kKnown[] = {"kg", "g", "t", "lb", "oz", "mg", "ct", "N"};
    for (const char *known : kKnown)
        if (unit == QByteArrayView(known))
            return QByteArray::fromRawData(known, unit.size());
    return unit.toByteArray();
}

bool SplitWeightAndUnit(QByteArrayView rest, QByteArray &weight, QByteArray &unit, WeightSyntax syntax)
{
    const QByteArrayView t = TrimSpaces(rest);
    const qsizetype space = t.lastIndexOf(' ');
    if (space < 0)
        return false;
    const QByteArrayView u = t.sliced(space + 1);
    for (char c : u)
        if (c <= ' ' || c > '~')
            return false;
    if (IsDigit(u.front()) || u.front() == '.')
        return false;  // a number where the unit should be
    if (!NormaliseWeightText(t.first(space), weight, syntax))
        return false;
    unit = UnitText(u);
    return true;
}
