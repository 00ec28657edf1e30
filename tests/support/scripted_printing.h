#pragma once

// The printers and print dialog of a test: no printers unless the test
// names some, dialog answers queued by the test, PDF output into files the
// test chooses. The preview runs Qt's own preview widget offscreen.

#include "output/ui/print_platform.h"

#include <QPrintPreviewWidget>
#include <QPrinter>
#include <deque>
#include <optional>

class ScriptedPrinting : public PrintPlatform {
public:
    struct DialogAnswer {
        QString pdfFile;   // print to this file; empty: to `printer`
        QString printer;
        int copies = 1;
    };

    QStringList PrinterNames() const override { return printers; }
    QString DefaultPrinterName() const override { return printers.value(0); }

    bool ShowPrintDialog(QPrinter &printer, QWidget *) override
    {
        ++dialogs;
        return Apply(printer);
    }

    void ShowPreview(QPrinter &printer, QWidget *, const std::function<void(QPrinter &)> &paint) override
    {
        QPrintPreviewWidget preview(&printer);
        QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter *p) { paint(*p); });
        preview.updatePreview();
        previewPages.append(preview.pageCount());
        // "Drukuj" in the preview: its print dialog, then the printer paints.
        if (printFromPreview && Apply(printer))
            preview.print();
    }

    QStringList printers;  // installed; the first is the default
    std::deque<std::optional<DialogAnswer>> answers;
    bool printFromPreview = false;
    int dialogs = 0;
    QList<int> previewPages;

private:
    bool Apply(QPrinter &printer)
    {
        if (answers.empty() || !answers.front()) {
            if (!answers.empty())
                answers.pop_front();
            return false;
        }
        const DialogAnswer a = *answers.front();
        answers.pop_front();
        if (!a.pdfFile.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(a.pdfFile);
        } else {
            printer.setOutputFormat(QPrinter::NativeFormat);
            printer.setPrinterName(a.printer);
        }
        printer.setCopyCount(a.copies);
        return true;
    }
};
