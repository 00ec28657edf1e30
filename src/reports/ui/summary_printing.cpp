#include "reports/ui/summary_printing.h"

#include "core/clock.h"
#include "output/ui/print_platform.h"
#include "output/ui/printer_text_stream.h"

#include <QPageSize>
#include <QPrinter>

namespace {

// The chart takes the page's width at a landscape aspect, at most a page.
constexpr qreal kChartAspect = 0.6;

SummaryDocumentInput Input(const PrintEnvironment &env, const SummarySource &source)
{
    SummaryDocumentInput in = source();
    if (env.clock)
        in.now = env.clock->Now();
    return in;
}

void Draw(PrinterTextStream &stream, const SummaryDocumentInput &in, const SummaryChartPainter &drawChart)
{
    BuildSummaryDocument(in, stream);
    if (drawChart) {
        const QSizeF page = stream.PageSize();
        stream.AddPicture(std::min(page.width() * kChartAspect, page.height()), drawChart);
    }
}

bool Job(const PrintEnvironment &env, QPrinter &printer, const SummarySource &source,
         const SummaryChartPainter &drawChart)
{
    printer.setCopyCount(1);
    const SummaryDocumentInput in = Input(env, source);
    return PrintDocumentJob(env, printer, SummaryJobTitle(in.now),
                            [&](PrinterTextStream &stream) { Draw(stream, in, drawChart); });
}

void A4(QPrinter &printer)
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
}

}  // namespace

void PreviewSummary(const PrintEnvironment &env, const SummarySource &source, const SummaryChartPainter &drawChart)
{
    QPrinter printer(QPrinter::HighResolution);
    A4(printer);
    env.platform->ShowPreview(printer, env.parent, [&](QPrinter &p) {
        if (IsPreviewPrinter(p)) {
            PrinterTextStream stream(&p);
            Draw(stream, Input(env, source), drawChart);
        } else if (UsablePrinter(env, p)) {
            Job(env, p, source, drawChart);
        }
    });
}

void PrintSummary(const PrintEnvironment &env, const SummarySource &source, const SummaryChartPainter &drawChart)
{
    QPrinter printer(QPrinter::HighResolution);
    A4(printer);
    if (!env.platform->ShowPrintDialog(printer, env.parent) || !UsablePrinter(env, printer))
        return;
    Job(env, printer, source, drawChart);
}

bool SummaryToPdf(const PrintEnvironment &env, const QString &path, const SummarySource &source,
                  const SummaryChartPainter &drawChart)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    A4(printer);
    return Job(env, printer, source, drawChart);
}
