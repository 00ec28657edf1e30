#include "output/ui/print_actions.h"

#include "core/clock.h"
#include "core/safe_file.h"
#include "core/user_prompts.h"
#include "output/ui/print_platform.h"
#include "output/ui/printer_text_stream.h"

#include <QFile>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPrinter>

namespace {

// The dialog's print-to-file: a PDF needs no installed printer. (Without
// any printer Qt keeps a printer in PDF format, but with no file to write.)
bool ToFile(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
}

// What status panel 3 shows for the chosen output.
QString ShownName(const QPrinter &printer)
{
    if (ToFile(printer))
        return QFileInfo(printer.outputFileName()).fileName();
    return printer.printerName();
}

// The preview draws on its own engine; printing from it draws on the printer's.
bool IsPreview(QPrinter &printer)
{
    return printer.paintEngine() && printer.paintEngine()->type() == QPaintEngine::Picture;
}

// After the dialog: a real printer needs one installed; the panel shows the choice.
bool Usable(const PrintEnvironment &env, const QPrinter &printer)
{
    if (!ToFile(printer) && env.platform->PrinterNames().isEmpty()) {
        env.prompts->Error(NoPrinterMessage());
        return false;
    }
    if (env.showPrinter)
        env.showPrinter(ShownName(printer));
    return true;
}

// A PDF Qt finished: it ends with its end-of-file mark (Qt reports no
// failed write of a PDF, so a full disk would leave a cut file unnoticed).
bool CompletePdf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 64 || !f.seek(f.size() - 32))
        return false;
    return f.read(32).contains("%%EOF");
}

// One print job of a document. A PDF is written aside first and put in
// place of the chosen file only when complete, as every file is.
template <typename Build>
bool PrintJob(const PrintEnvironment &env, QPrinter &printer, const QString &title, Build &&build)
{
    printer.setDocName(title);
    const QString target = ToFile(printer) ? printer.outputFileName() : QString();
    const QString aside = target.isEmpty() ? QString() : NewTemporaryPath(QFileInfo(target).fileName());
    if (!target.isEmpty() && !aside.isEmpty())
        printer.setOutputFileName(aside);
    // A file that cannot even be set aside is not printed.
    bool ok = target.isEmpty() || !aside.isEmpty();
    if (ok) {
        PrinterTextStream stream(&printer);
        build(stream);
        ok = stream.Close();
    }
    if (!target.isEmpty()) {
        printer.setOutputFileName(target);
        ok = ok && CompletePdf(aside) && ReplaceFileWith(target, aside);
        QFile::remove(aside);
    }
    if (!ok)
        env.prompts->Error(PrintFailedMessage(ShownName(printer)));
    return ok;
}

void LabelCopies(const PrintEnvironment &env, QPrinter &printer, const LabelSource &source)
{
    const int copies = printer.copyCount();
    printer.setCopyCount(1);
    const QString file = printer.outputFileName();
    for (int copy = 1; copy <= copies; ++copy) {
        LabelInput in = source();
        in.now = env.clock->Now();
        if (ToFile(printer))
            printer.setOutputFileName(CopyFileName(file, copy));
        if (!PrintJob(env, printer, LabelJobTitle(in.now, copy), [&](DocumentSink &s) { BuildLabel(in, s); }))
            break;
    }
    if (ToFile(printer))
        printer.setOutputFileName(file);
}

void ReportJob(const PrintEnvironment &env, QPrinter &printer, const ReportSource &source)
{
    printer.setCopyCount(1);
    ReportInput in = source();
    in.now = env.clock->Now();
    PrintJob(env, printer, ReportJobTitle(in.now), [&](DocumentSink &s) { BuildReport(in, s); });
}

bool NoMarkedRows(const PrintEnvironment &env, const LabelSource &source)
{
    if (source().count != QLatin1String("0"))
        return false;
    env.prompts->Error(NoMarkedRowsMessage());
    return true;
}

}  // namespace

QString NoMarkedRowsMessage()
{
    return QStringLiteral("Nie wskazano pomiarów!");
}

QString NoPrinterMessage()
{
    return QStringLiteral("Żadna drukarka nie jest aktualnie zainstalowana!");
}

QString PrintFailedMessage(const QString &printer)
{
    return QStringLiteral("Nie udało się wydrukować na drukarce: ") + printer + QLatin1Char('.');
}

QString CopyFileName(const QString &file, int copy)
{
    if (copy <= 1 || file.isEmpty())
        return file;
    const QString suffix = QStringLiteral(" c") + QString::number(copy);
    if (file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return file.left(file.size() - 4) + suffix + file.right(4);
    return file + suffix;
}

void PrintLabel(const PrintEnvironment &env, const LabelSource &source)
{
    if (NoMarkedRows(env, source))
        return;
    QPrinter printer(QPrinter::HighResolution);
    // Again after the dialog: a new series of the scale's records may have taken the marks meanwhile.
    if (!env.platform->ShowPrintDialog(printer, env.parent) || NoMarkedRows(env, source) || !Usable(env, printer))
        return;
    LabelCopies(env, printer, source);
}

void PrintReport(const PrintEnvironment &env, const ReportSource &source)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!env.platform->ShowPrintDialog(printer, env.parent) || !Usable(env, printer))
        return;
    ReportJob(env, printer, source);
}

void PreviewLabel(const PrintEnvironment &env, const LabelSource &source)
{
    if (NoMarkedRows(env, source))
        return;
    QPrinter printer(QPrinter::HighResolution);
    env.platform->ShowPreview(printer, env.parent, [&](QPrinter &p) {
        if (IsPreview(p)) {
            LabelInput in = source();
            in.now = env.clock->Now();
            PrinterTextStream stream(&p);
            BuildLabel(in, stream);
        } else if (Usable(env, p)) {
            LabelCopies(env, p, source);
        }
    });
}

void PreviewReport(const PrintEnvironment &env, const ReportSource &source)
{
    QPrinter printer(QPrinter::HighResolution);
    env.platform->ShowPreview(printer, env.parent, [&](QPrinter &p) {
        if (IsPreview(p)) {
            ReportInput in = source();
            in.now = env.clock->Now();
            PrinterTextStream stream(&p);
            BuildReport(in, stream);
        } else if (Usable(env, p)) {
            ReportJob(env, p, source);
        }
    });
}

bool UsablePrinter(const PrintEnvironment &env, const QPrinter &printer)
{
    return Usable(env, printer);
}

bool IsPreviewPrinter(QPrinter &printer)
{
    return IsPreview(printer);
}

bool PrintDocumentJob(const PrintEnvironment &env, QPrinter &printer, const QString &title,
                      const std::function<void(PrinterTextStream &stream)> &build)
{
    return PrintJob(env, printer, title, [&](PrinterTextStream &stream) { build(stream); });
}
