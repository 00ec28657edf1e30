#include "reports/summary_text.h"

#include "core/number_forms.h"

bool HasSecondGrouping(const SummaryRequest &request)
{
    return request.second != SummaryKey::None;
}

QStringList SummaryHeadings(const SummaryRequest &request)
{
    QStringList headings{SummaryKeyName(request.first)};
    if (HasSecondGrouping(request))
        headings.append(SummaryKeyName(request.second));
    for (SummaryMeasure m : kSummaryMeasures)
        headings.append(SummaryMeasureName(m));
    return headings;
}

QString SummaryCellText(const SummaryRow &row, SummaryMeasure measure)
{
    if (measure == SummaryMeasure::Count)
        return QString::number(row.count);
    // Sums of a year pass a million: 15 significant digits, not the 7 of a single mass.
    return QString::fromLatin1(FormatFixed(row.Measure(measure), 2));
}

QString SummaryPeriodText(const SummaryRequest &request)
{
    const QString format = QStringLiteral("yyyy-MM-dd");
    return QStringLiteral("od ") + request.from.toString(format) + QStringLiteral(" do ") + request.to.toString(format);
}

QString SummaryClipboardText(const SummaryResult &result)
{
    const bool second = HasSecondGrouping(result.request);
    const QString lineEnd = QStringLiteral("\r\n");
    auto rowLine = [&](const QString &first, const QString &secondLabel, const SummaryRow &row) {
        QStringList fields{first};
        if (second)
            fields.append(secondLabel);
        for (SummaryMeasure m : kSummaryMeasures)
            fields.append(SummaryCellText(row, m).replace(QLatin1Char('.'), QLatin1Char(',')));
        return fields.join(QLatin1Char('\t')) + lineEnd;
    };

    QString text = SummaryHeadings(result.request).join(QLatin1Char('\t')) + lineEnd;
    for (const SummaryRow &row : result.rows)
        text += rowLine(row.first, row.second, row);
    text += rowLine(QStringLiteral("Razem"), QString(), result.total);
    if (const QString skipped = result.SkippedText(); !skipped.isEmpty())
        text += skipped + lineEnd;
    return text;
}
