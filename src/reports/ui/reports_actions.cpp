#include "reports/ui/reports_actions.h"

#include "core/clock.h"
#include "core/user_prompts.h"
#include "reports/summary_text.h"
#include "reports/summary_xlsx.h"
#include "reports/ui/reports_window.h"
#include "reports/ui/summary_printing.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

// The chosen path, or empty when cancelled or an existing file is not to be overwritten.
QString AskPath(const ReportsOutputEnvironment &env, const QString &title, const QString &suffix)
{
    UserPrompts &prompts = *env.print.prompts;
    UserPrompts::SaveDialog dialog;
    dialog.objectName = QStringLiteral("SDzestawienie");
    dialog.title = title;
    dialog.directory = env.startDir;
    dialog.suggestedName = QStringLiteral("zestawienie_") +
                           env.print.clock->Now().toString(QStringLiteral("yyyyMMdd_hhmmss")) + '.' + suffix;
    dialog.filter = QStringLiteral("*.%1 (*.%1)").arg(suffix);
    dialog.defaultSuffix = suffix;
    const std::optional<QString> chosen = prompts.SaveFileName(dialog);
    if (!chosen || chosen->isEmpty())
        return {};
    if (QFileInfo::exists(*chosen) && !prompts.Question(QStringLiteral("Plik docelowy już istnieje, czy nadpisać go?")))
        return {};
    return *chosen;
}

}  // namespace

void ConnectReportsOutputs(ReportsWindow *window, ReportsOutputEnvironment env)
{
    const auto source = [window, env] {
        return [window, env] {
            SummaryDocumentInput input;
            input.result = window->Result();
            input.company = env.company ? env.company() : CompanyHeader{};
            input.now = env.print.clock->Now();
            return input;
        };
    };
    const SummaryChartPainter chart = [window](QPainter *painter, const QRectF &area) {
        window->RenderChart(painter, area);
    };
    QObject::connect(window, &ReportsWindow::printRequested, window,
                     [env, source, chart] { PreviewSummary(env.print, source(), chart); });
    QObject::connect(window, &ReportsWindow::pdfRequested, window, [env, source, chart] {
        const QString path = AskPath(env, QStringLiteral("Zapisz zestawienie jako PDF..."), QStringLiteral("pdf"));
        if (!path.isEmpty())
            SummaryToPdf(env.print, path, source(), chart);
    });
    QObject::connect(window, &ReportsWindow::xlsxRequested, window,
                     [env](const SummaryResult &result, SummaryMeasure measure) {
                         const QString path =
                             AskPath(env, QStringLiteral("Zapisz zestawienie..."), QStringLiteral("xlsx"));
                         if (path.isEmpty())
                             return;
                         QString error;
                         if (!WriteSummaryXlsx(path, result, measure, QStringLiteral("Zestawienie"), &error))
                             env.print.prompts->Error(error);
                     });
    QObject::connect(window, &ReportsWindow::copyRequested, window, [](const SummaryResult &result) {
        QGuiApplication::clipboard()->setText(SummaryClipboardText(result));
    });
}
