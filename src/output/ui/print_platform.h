#pragma once

// What printing asks of the system: the installed printers, the print
// dialog (PrintDialog1) and the preview window. The main window takes the
// system's; tests give their own, so nothing depends on the printers of the
// machine a test runs on.

#include <QStringList>
#include <functional>

class QPrinter;
class QWidget;

class PrintPlatform {
public:
    virtual ~PrintPlatform() = default;

    virtual QStringList PrinterNames() const = 0;
    // Empty when no printer is installed.
    virtual QString DefaultPrinterName() const = 0;
    // Lets the user choose the printer (or a PDF file) and the copies on
    // `printer`; false when cancelled.
    virtual bool ShowPrintDialog(QPrinter &printer, QWidget *parent) = 0;
    // Shows the preview of `printer`; `paint` draws on it, for the preview
    // itself and for printing from it.
    virtual void ShowPreview(QPrinter &printer, QWidget *parent, const std::function<void(QPrinter &)> &paint) = 0;
};

class SystemPrintPlatform : public PrintPlatform {
public:
    QStringList PrinterNames() const override;
    QString DefaultPrinterName() const override;
    bool ShowPrintDialog(QPrinter &printer, QWidget *parent) override;
    void ShowPreview(QPrinter &printer, QWidget *parent, const std::function<void(QPrinter &)> &paint) override;
};
