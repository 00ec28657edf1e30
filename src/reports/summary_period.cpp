#include "reports/summary_period.h"

QString QuickChoiceName(QuickChoice choice)
{
    switch (choice) {
    case QuickChoice::Today:
        return QStringLiteral("Dziś");
    case QuickChoice::Yesterday:
        return QStringLiteral("Wczoraj");
    case QuickChoice::ThisWeek:
        return QStringLiteral("Ten tydzień");
    case QuickChoice::ThisMonth:
        return QStringLiteral("Ten miesiąc");
    case QuickChoice::PreviousMonth:
        return QStringLiteral("Poprzedni miesiąc");
    case QuickChoice::ThisYear:
        return QStringLiteral("Ten rok");
    }
    return {};
}

QList<QuickChoice> QuickChoices()
{
    return {QuickChoice::Today,     QuickChoice::Yesterday,     QuickChoice::ThisWeek,
            QuickChoice::ThisMonth, QuickChoice::PreviousMonth, QuickChoice::ThisYear};
}

QPair<QDate, QDate> QuickPeriod(QuickChoice choice, QDate today)
{
    if (!today.isValid())
        return {};
    switch (choice) {
    case QuickChoice::Today:
        return {today, today};
    case QuickChoice::Yesterday:
        return {today.addDays(-1), today.addDays(-1)};
    case QuickChoice::ThisWeek: {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        return {monday, monday.addDays(6)};
    }
    case QuickChoice::ThisMonth: {
        const QDate first(today.year(), today.month(), 1);
        return {first, first.addMonths(1).addDays(-1)};
    }
    case QuickChoice::PreviousMonth: {
        const QDate first = QDate(today.year(), today.month(), 1).addMonths(-1);
        return {first, first.addMonths(1).addDays(-1)};
    }
    case QuickChoice::ThisYear:
        return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
    }
    return {};
}
