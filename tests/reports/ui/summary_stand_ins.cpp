// Stand-in definitions of the summary names and quick periods, built only
// while the logic's own are missing from this tree (src/reports/ui/CMakeLists.txt).

#include "reports/summary.h"
#include "reports/summary_period.h"

QString SummaryKeyName(SummaryKey key)
{
    switch (key) {
    case SummaryKey::None:
        return QStringLiteral("(brak)");
    case SummaryKey::Day:
        return QStringLiteral("dzień");
    case SummaryKey::Week:
        return QStringLiteral("tydzień");
    case SummaryKey::Month:
        return QStringLiteral("miesiąc");
    case SummaryKey::Year:
        return QStringLiteral("rok");
    case SummaryKey::Material:
        return QStringLiteral("materiał");
    case SummaryKey::Packaging:
        return QStringLiteral("opakowanie");
    case SummaryKey::Customer:
        return QStringLiteral("dostawca/odbiorca");
    case SummaryKey::Operator:
        return QStringLiteral("operator");
    case SummaryKey::Order:
        return QStringLiteral("zlecenie");
    case SummaryKey::Table:
        return QStringLiteral("tabela");
    case SummaryKey::Station:
        return QStringLiteral("stanowisko");
    }
    return {};
}

QString SummaryMeasureName(SummaryMeasure measure)
{
    switch (measure) {
    case SummaryMeasure::Count:
        return QStringLiteral("Liczba pomiarów");
    case SummaryMeasure::Gross:
        return QStringLiteral("Masa brutto");
    case SummaryMeasure::Net:
        return QStringLiteral("Masa netto");
    case SummaryMeasure::Tare:
        return QStringLiteral("Tara");
    case SummaryMeasure::Value:
        return QStringLiteral("Wartość");
    case SummaryMeasure::MeanNet:
        return QStringLiteral("Średnia masa netto");
    }
    return {};
}

double SummaryRow::Measure(SummaryMeasure m) const
{
    switch (m) {
    case SummaryMeasure::Count:
        return double(count);
    case SummaryMeasure::Gross:
        return gross;
    case SummaryMeasure::Net:
        return net;
    case SummaryMeasure::Tare:
        return tare;
    case SummaryMeasure::Value:
        return value;
    case SummaryMeasure::MeanNet:
        return MeanNet();
    }
    return 0;
}

QString SummaryResult::SkippedText() const
{
    if (skipped == 0)
        return {};
    return QStringLiteral("Pominięto %1 pomiarów z nieczytelną datą lub masą").arg(skipped);
}

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
    return {today, today};
}
