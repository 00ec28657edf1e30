#include "reports/summary.h"

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
    return 0.0;
}

QString SummaryResult::SkippedText() const
{
    if (skipped <= 0)
        return {};
    return QStringLiteral("Pominięto %1 pomiarów z nieczytelną datą lub masą").arg(skipped);
}

QString EmptyFieldLabel()
{
    return QStringLiteral("(brak)");
}
