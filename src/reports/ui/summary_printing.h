#pragma once

// Printing a summary ("Drukuj...") and saving it as PDF ("PDF..."): the
// summary document on A4 through the program's print path, with the chart
// below the table. The chart is drawn by the caller (the window renders its
// chart view), so this needs no chart of its own.

#include "output/ui/print_actions.h"
#include "reports/summary_document.h"

#include <QRectF>
#include <functional>

class QPainter;

// Draws the chart into `area` (device units of the page).
using SummaryChartPainter = std::function<void(QPainter *painter, const QRectF &area)>;
// The summary as it is at the moment of printing; `now` is set per job.
using SummarySource = std::function<SummaryDocumentInput()>;

// "Drukuj...": the preview, from which the user prints.
void PreviewSummary(const PrintEnvironment &env, const SummarySource &source, const SummaryChartPainter &drawChart);
// The print dialog, then one job.
void PrintSummary(const PrintEnvironment &env, const SummarySource &source, const SummaryChartPainter &drawChart);
// "PDF...": straight into `path` (chosen by the caller), A4, no dialog and no
// printer needed. False when it failed; the error was shown (env.prompts).
bool SummaryToPdf(const PrintEnvironment &env, const QString &path, const SummarySource &source,
                  const SummaryChartPainter &drawChart);
