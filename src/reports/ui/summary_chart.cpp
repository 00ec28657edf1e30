#include "reports/ui/summary_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QHash>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>
#include <numeric>

SummaryChartData BuildSummaryChartData(const SummaryResult &result, SummaryMeasure measure, int maxCategories)
{
    // Sums per first-group label, so that the largest can be chosen and a
    // mean is a mean of the whole group, not a sum of means.
    QStringList firsts;
    QList<SummaryRow> sums;
    QHash<QString, qsizetype> at;
    QStringList seconds;
    QHash<QString, qsizetype> secondAt;
    QHash<QString, QHash<QString, double>> cell;
    const bool hasSecond = result.request.second != SummaryKey::None;
    for (const SummaryRow &row : result.rows) {
        auto it = at.constFind(row.first);
        if (it == at.constEnd()) {
            it = at.insert(row.first, firsts.size());
            firsts.append(row.first);
            SummaryRow sum;
            sum.first = row.first;
            sums.append(sum);
        }
        SummaryRow &sum = sums[*it];
        sum.count += row.count;
        sum.gross += row.gross;
        sum.net += row.net;
        sum.tare += row.tare;
        sum.value += row.value;
        if (hasSecond) {
            if (!secondAt.contains(row.second)) {
                secondAt.insert(row.second, seconds.size());
                seconds.append(row.second);
            }
            cell[row.first][row.second] += row.Measure(measure);
        }
    }

    QList<qsizetype> kept(firsts.size());
    std::iota(kept.begin(), kept.end(), 0);
    SummaryChartData data;
    if (maxCategories > 0 && kept.size() > maxCategories) {
        std::stable_sort(kept.begin(), kept.end(),
                         [&](qsizetype a, qsizetype b) { return sums[a].Measure(measure) > sums[b].Measure(measure); });
        data.omitted = int(kept.size()) - maxCategories;
        kept.resize(maxCategories);
        std::sort(kept.begin(), kept.end());
    }
    for (qsizetype i : kept)
        data.categories.append(firsts[i]);

    if (!hasSecond) {
        SummaryChartData::Set set{SummaryMeasureName(measure), {}};
        for (qsizetype i : kept)
            set.values.append(sums[i].Measure(measure));
        data.sets.append(set);
        return data;
    }
    // Means do not add up: side by side bars instead of a stack.
    data.stacked = measure != SummaryMeasure::MeanNet;
    for (const QString &second : seconds) {
        SummaryChartData::Set set{second, {}};
        for (qsizetype i : kept)
            set.values.append(cell.value(firsts[i]).value(second, 0.0));
        data.sets.append(set);
    }
    return data;
}

QChart *MakeSummaryChart(const SummaryResult &result, SummaryMeasure measure, int maxCategories)
{
    const SummaryChartData data = BuildSummaryChartData(result, measure, maxCategories);
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    QString title = SummaryMeasureName(measure);
    if (data.omitted > 0)
        title += QStringLiteral(" (%1 największych)").arg(data.categories.size());
    chart->setTitle(title);

    QAbstractBarSeries *series = data.stacked ? static_cast<QAbstractBarSeries *>(new QStackedBarSeries)
                                              : static_cast<QAbstractBarSeries *>(new QBarSeries);
    for (const SummaryChartData::Set &s : data.sets) {
        auto *set = new QBarSet(s.name);
        set->append(s.values);
        series->append(set);
    }
    chart->addSeries(series);

    auto *axisX = new QBarCategoryAxis;
    axisX->append(data.categories);
    qsizetype longest = 0;
    for (const QString &c : data.categories)
        longest = std::max(longest, c.size());
    // Labels that would not fit side by side are turned rather than hidden.
    if (data.categories.size() > 8 || longest * data.categories.size() > 40)
        axisX->setLabelsAngle(-60);
    // Whole labels, turned if need be, rather than "2..." for every bar.
    axisX->setTruncateLabels(false);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    auto *axisY = new QValueAxis;
    axisY->setLabelFormat(measure == SummaryMeasure::Count ? QStringLiteral("%.0f") : QStringLiteral("%.2f"));
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
    if (data.categories.isEmpty())
        axisY->setRange(0, 1);
    else
        axisY->applyNiceNumbers();

    chart->legend()->setVisible(result.request.second != SummaryKey::None);
    // Beside the bars the legend's names have room; below them they are cut.
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
}
