#pragma once

// The date fields of the filter window: the bounds of "dzisiaj" and
// "bież. miesiąc", and the twelve digits kept from the masked text.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <optional>

struct FilterBounds {
    QByteArray from;  // yyyymmddhhmm
    QByteArray to;
};

// Today from 00:00 to 23:59.
FilterBounds TodayBounds(QDate today);
// The first of the month at 00:00 to today at 23:59.
FilterBounds MonthBounds(QDate today);

// The edit mask of the date fields: year/month/day, three blanks, hours:minutes.
inline constexpr char kFilterDateMask[] = "0000/00/00   00:00;_";

// The digits of a masked date text ("2024/05/17   14:03", blanks as '_' or
// ' '): the 12 digits when complete, an empty text when nothing is typed,
// nullopt when only partly typed.
std::optional<QByteArray> FilterDateDigits(const QString &maskedText);

// The masked text showing `digits` (12 digits or empty).
QString FilterDateText(const QByteArray &digits);
