#pragma once

// The bar chart of one measure of a SummaryResult: one bar per first-group
// label; with a second grouping one bar set per second-group value, stacked
// where the measure adds up.

#include "reports/summary.h"

#include <QStringList>

class QChart;

struct SummaryChartData {
    QStringList categories; // first-group labels, in the summary's order
    struct Set {
        QString name;         // the second-group value, or the measure's name
        QList<double> values; // one per category
    };
    QList<Set> sets;
    bool stacked = false;
    int omitted = 0; // first-group labels left out (only the largest are drawn)
};

// At most `maxCategories` first-group labels, those with the largest measure.
SummaryChartData BuildSummaryChartData(const SummaryResult &result, SummaryMeasure measure, int maxCategories = 40);

// A new chart (owned by the caller) of that data.
QChart *MakeSummaryChart(const SummaryResult &result, SummaryMeasure measure, int maxCategories = 40);
