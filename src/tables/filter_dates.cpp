#include "tables/filter_dates.h"

namespace {
// Where the twelve digits stand in "yyyy/mm/dd   hh:mm".
constexpr int kDigitPositions[12] = {0, 1, 2, 3, 5, 6, 8, 9, 13, 14, 16, 17};
}  // namespace

FilterBounds TodayBounds(QDate today)
{
    const QByteArray day = today.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    return {day + "0000", day + "2359"};
}

FilterBounds MonthBounds(QDate today)
{
    const QByteArray month = today.toString(QStringLiteral("yyyyMM")).toLatin1();
    return {month + "010000", TodayBounds(today).to};
}

std::optional<QByteArray> FilterDateDigits(const QString &maskedText)
{
    QByteArray digits;
    int typed = 0;
    for (int pos : kDigitPositions) {
        const QChar c = pos < maskedText.size() ? maskedText.at(pos) : QChar(u' ');
        if (c >= u'0' && c <= u'9') {
            digits.append(char(c.unicode()));
            ++typed;
        }
    }
    if (typed == 0)
        return QByteArray();
    if (typed < 12)
        return std::nullopt;
    return digits;
}

QString FilterDateText(const QByteArray &digits)
{
    if (digits.size() != 12)
        return QString();
    const QString d = QString::fromLatin1(digits);
    return d.mid(0, 4) + u'/' + d.mid(4, 2) + u'/' + d.mid(6, 2) + QStringLiteral("   ") + d.mid(8, 2) + u':' +
           d.mid(10, 2);
}
