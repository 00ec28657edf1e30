#include "output/ui/print_platform.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

QStringList SystemPrintPlatform::PrinterNames() const
{
    return QPrinterInfo::availablePrinterNames();
}

QString SystemPrintPlatform::DefaultPrinterName() const
{
    return QPrinterInfo::defaultPrinterName();
}

bool SystemPrintPlatform::ShowPrintDialog(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    return dialog.exec() == QDialog::Accepted;
}

void SystemPrintPlatform::ShowPreview(QPrinter &printer, QWidget *parent, const std::function<void(QPrinter &)> &paint)
{
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Podgląd wydruku"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&paint](QPrinter *p) { paint(*p); });
    preview.exec();
}
