#pragma once

// The summary printout: the company lines, the heading "Zestawienie" with
// the period and the groupings, the table (two heading lines, one line per
// group, the total "Razem") and the skipped text. The printing code draws
// the chart below it.

#include "output/company_header.h"
#include "output/print_document.h"
#include "reports/summary.h"

#include <QDateTime>

struct SummaryDocumentInput {
    SummaryResult result;
    CompanyHeader company;
    QDateTime now;  // "Data wydruku"
};

// "Zestawienie yyyy-MM-dd hh-mm-ss".
QString SummaryJobTitle(const QDateTime &now);

void BuildSummaryDocument(const SummaryDocumentInput &in, DocumentSink &sink);
