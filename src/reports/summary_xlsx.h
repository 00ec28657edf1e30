#pragma once

// A summary as an Excel workbook (.xlsx): the sheet "Zestawienie" with the
// title and period, the headings, one row per group with typed cells
// (counts whole numbers, the rest numbers shown "0.00"), the total "Razem",
// the skipped text, and a native column chart of one measure beside the
// table. With a second grouping the chart stacks one series per second
// label over the first labels, from a small block of chart data written
// below the table (a chart can only show cells).

#include "reports/summary.h"

// Written aside and put in place of `path` only when complete, like every
// file of the program; `path` is left as it was on failure and `error` (when
// given) gets the message to show.
bool WriteSummaryXlsx(const QString &path, const SummaryResult &result, SummaryMeasure chartMeasure,
                      const QString &title, QString *error);

// A chart holds at most this many series (Excel's limit); further second
// labels are left out of the chart, not out of the table.
constexpr int kMaxChartSeries = 255;
