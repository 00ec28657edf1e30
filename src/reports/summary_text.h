#pragma once

// A summary as text: the pieces every output shares (headings, cells,
// period) and the clipboard copy, which a spreadsheet takes as cells.

#include "reports/summary.h"

#include <QStringList>
#include <array>

// The measure columns in their order.
inline constexpr std::array<SummaryMeasure, 6> kSummaryMeasures = {
    SummaryMeasure::Count, SummaryMeasure::Gross, SummaryMeasure::Net,
    SummaryMeasure::Tare,  SummaryMeasure::Value, SummaryMeasure::MeanNet,
};

// True when the rows carry a second label.
bool HasSecondGrouping(const SummaryRequest &request);

// The grouping names (one or two), then the six measure names.
QStringList SummaryHeadings(const SummaryRequest &request);

// A measure of a row as the tables show numbers: a count as a whole number,
// everything else with 2 decimals and '.'.
QString SummaryCellText(const SummaryRow &row, SummaryMeasure measure);

// "od yyyy-MM-dd do yyyy-MM-dd".
QString SummaryPeriodText(const SummaryRequest &request);

// The summary for the clipboard, like the tables' copy: fields separated by
// TAB, lines ended by CR LF, ',' as the decimal mark (a Polish spreadsheet
// reads it as a number). The headings, the rows, "Razem", then the skipped
// text when rows were skipped.
QString SummaryClipboardText(const SummaryResult &result);
