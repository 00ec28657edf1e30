#include "output/spreadsheet.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "core/program_config.h"

#include <QDate>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "-123": an optional minus and digits, nothing else.
bool PlainInteger(QByteArrayView t)
{
    qsizetype i = t.startsWith('-') ? 1 : 0;
    const qsizetype digitsStart = i;
    while (i < t.size() && IsDigit(t[i]))
        ++i;
    return i > digitsStart && i == t.size();
}

// Without the blanks ParseNumber allows around a number.
QByteArrayView Trimmed(QByteArrayView t)
{
    while (!t.isEmpty() && (t.front() == ' ' || t.front() == '\t'))
        t = t.sliced(1);
    while (!t.isEmpty() && (t.back() == ' ' || t.back() == '\t'))
        t.chop(1);
    return t;
}

std::optional<double> ToDouble(QByteArrayView t)
{
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size())
        return std::nullopt;
    return v;
}

// "yyyy-mm-dd hh:mm" as days since 1899-12-30.
std::optional<double> SerialDate(QByteArrayView t)
{
    if (t.size() != 16 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':')
        return std::nullopt;
    for (const int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15})
        if (!IsDigit(t[i]))
            return std::nullopt;
    auto n = [&](int at, int len) {
        int v = 0;
        for (int i = at; i < at + len; ++i)
            v = v * 10 + (t[i] - '0');
        return v;
    };
    const QDate date(n(0, 4), n(5, 2), n(8, 2));
    const int hour = n(11, 2), minute = n(14, 2);
    if (!date.isValid() || hour > 23 || minute > 59)
        return std::nullopt;
    return double(QDate(1899, 12, 30).daysTo(date)) + double(hour * 60 + minute) / 1440.0;
}

}  // namespace

SheetCell ClassifyCell(int column, QByteArrayView text)
{
    if (text.isEmpty())
        return {};
    switch (column) {
    case ColNr:
        // Integers a spreadsheet holds exactly; a longer "nr" stays text.
        if (PlainInteger(text) && text.size() <= 15)
            if (const auto v = ToDouble(text))
                return {SheetCell::Kind::Integer, {}, *v, 0};
        break;
    case ColTime:
        if (const auto v = SerialDate(text))
            return {SheetCell::Kind::DateTime, {}, *v, 0};
        break;
    case ColGross:
    case ColNet:
    case ColTare:
    case ColPrice:
    case ColValue:
        // Masses are kept as the scale sent them ("12,50", "+0033.5"); only
        // a bracketed text (a net shown in brackets) stays as shown.
        if (text[0] != '(' && text[0] != '[')
            if (const auto v = ParseNumber(text))
                return {SheetCell::Kind::Number, {}, *v, std::min(DecimalsOf(Trimmed(text)), kMaxShownDecimals)};
        break;
    default:
        break;
    }
    return SheetCell::Text(cp1250::Decode(text));
}

bool CutToCellLimit(QString &text)
{
    if (text.size() <= kMaxCellText)
        return false;
    text.truncate(kMaxCellText - (text[kMaxCellText - 1].isHighSurrogate() ? 1 : 0));
    return true;
}

namespace {

// Characters a cell takes on screen.
int ShownWidth(const SheetCell &c)
{
    switch (c.kind) {
    case SheetCell::Kind::Empty:
        return 0;
    case SheetCell::Kind::Text:
        return int(std::min<qsizetype>(c.text.size(), kMaxCellText));
    case SheetCell::Kind::DateTime:
        return 16;  // yyyy-mm-dd hh:mm
    case SheetCell::Kind::Integer:
    case SheetCell::Kind::Number:
        break;
    }
    double a = std::fabs(c.number);
    int digits = 1;
    while (a >= 10 && digits < 40) {
        a /= 10;
        ++digits;
    }
    const int decimals = c.kind == SheetCell::Kind::Number ? std::clamp(c.decimals, 0, 30) : 0;
    return digits + (decimals > 0 ? decimals + 1 : 0) + (c.number < 0 ? 1 : 0);
}

}  // namespace

void ColumnWidths::Note(int column, const SheetCell &cell)
{
    if (column < 0)
        return;
    if (column >= Count())
        widest_.resize(size_t(column) + 1, 0);
    widest_[size_t(column)] = std::max(widest_[size_t(column)], ShownWidth(cell));
}

int ColumnWidths::Chars(int column) const
{
    const int widest = column >= 0 && column < Count() ? widest_[size_t(column)] : 0;
    return std::clamp(widest, 8, 100) + 2;
}

QString NumberFormat(int decimals)
{
    return decimals <= 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(decimals, QLatin1Char('0'));
}

QString DateTimeFormat()
{
    return QStringLiteral("yyyy\\-mm\\-dd hh:mm");
}
