#pragma once

// Printing a label ("    Drukuj etykietę", BBdrukujClick) and a table
// report ("Drukuj tabelę", TBprinttable1Click): the checks and messages,
// the print dialog, the copies and job titles, and the documents drawn by
// PrinterTextStream; and the preview of either.
//
// A label is printed once per copy, each copy its own job titled
// "Etykieta <time>" (" c2", " c3" from the second on); a report is always
// one job. The printer's own copy count is left at 1. Printing to a PDF file
// needs no installed printer; copies after the first go to files named
// like the first with " c2", " c3" before ".pdf".

#include "output/label_document.h"
#include "output/report_document.h"

#include <functional>

class Clock;
class PrintPlatform;
class QPrinter;
class PrinterTextStream;
class QWidget;
class UserPrompts;

struct PrintEnvironment {
    PrintPlatform *platform = nullptr;
    UserPrompts *prompts = nullptr;
    const Clock *clock = nullptr;
    QWidget *parent = nullptr;
    // Status panel 3: the printer chosen.
    std::function<void(const QString &name)> showPrinter;
};

// The inputs as they are at the moment of printing; `now` is set per job.
using LabelSource = std::function<LabelInput()>;
using ReportSource = std::function<ReportInput()>;

void PrintLabel(const PrintEnvironment &env, const LabelSource &source);
void PrintReport(const PrintEnvironment &env, const ReportSource &source);
void PreviewLabel(const PrintEnvironment &env, const LabelSource &source);
void PreviewReport(const PrintEnvironment &env, const ReportSource &source);

// The steps every printout goes through, for other printouts (summaries).
// After the print dialog: a real printer needs one installed (the error
// otherwise); the status panel shows the choice.
bool UsablePrinter(const PrintEnvironment &env, const QPrinter &printer);
// True while `printer` paints a preview page rather than printing.
bool IsPreviewPrinter(QPrinter &printer);
// One print job titled `title`: `build` draws it. A PDF is written aside
// and replaces its file only when complete; a failure is shown.
bool PrintDocumentJob(const PrintEnvironment &env, QPrinter &printer, const QString &title,
                      const std::function<void(PrinterTextStream &stream)> &build);

// Messages.
QString NoMarkedRowsMessage();    // "Nie wskazano pomiarów!"
QString NoPrinterMessage();       // "Żadna drukarka nie jest aktualnie zainstalowana!"
QString PrintFailedMessage(const QString &printer);

// The file a copy goes to when printing to `file`: copy 2 of "etykieta.pdf" is "etykieta c2.pdf".
QString CopyFileName(const QString &file, int copy);
