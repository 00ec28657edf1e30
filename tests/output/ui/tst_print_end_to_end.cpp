// Printing through the real print path: QPrinter on a CUPS queue, the CUPS
// filters and the cups-pdf backend of a private scheduler; read back from
// the PDF it writes and from the document CUPS received.

#include "support/private_cups.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>

#include <optional>

namespace {

// A poppler tool's output; nothing when it failed.
std::optional<QString> Tool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

int Pages(const QString &pdf)
{
    const std::optional<QString> info = Tool("pdfinfo", {pdf});
    if (!info)
        return -1;
    for (const QString &line : info->split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

} // namespace

class PrintEndToEnd : public QObject {
    Q_OBJECT

    PrivateCups cups;

    // One job on the queue: the lines in Courier New 10 pt, one copy.
    bool Print(const QString &title, const QStringList &lines)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(PrivateCups::QueueName());
        if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName() != PrivateCups::QueueName()) {
            qWarning("the queue is not a native printer: format %d, name %s", int(printer.outputFormat()),
                     qPrintable(printer.printerName()));
            return false;
        }
        printer.setDocName(title);
        printer.setCopyCount(1);
        QPainter painter;
        if (!painter.begin(&printer))
            return false;
        painter.setFont(QFont("Courier New", 10));
        const QFontMetrics metrics = painter.fontMetrics();
        int y = metrics.ascent();
        for (const QString &line : lines) {
            painter.drawText(0, y, line);
            y += metrics.lineSpacing();
        }
        return painter.end();
    }

    QString Text(const QString &pdf)
    {
        return Tool("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"}).value_or(QString());
    }

private slots:
    void initTestCase()
    {
        // Before anything here touches QPrinter or QPrinterInfo.
        switch (cups.Start()) {
        case PrivateCups::Outcome::Running:
            break;
        case PrivateCups::Outcome::Unavailable:
            QSKIP(qPrintable(cups.Reason()));
        case PrivateCups::Outcome::Failed:
            QFAIL(qPrintable(cups.Reason()));
        }
    }

    void cleanupTestCase()
    {
        const qint64 pid = cups.DaemonPid();
        cups.Stop();
        QVERIFY(!QFileInfo::exists(PrivateCups::Folder()));
        QVERIFY(!QFileInfo::exists(PrivateCups::CupsPdfConfigFile()));
        QVERIFY(pid == 0 || !QFileInfo::exists(QString("/proc/%1").arg(pid)));
    }

    void aJobLandsAsPdfNamedByItsTitle()
    {
        QCOMPARE(QPrinterInfo::defaultPrinterName(), PrivateCups::QueueName());
        QVERIFY2(QPrinterInfo::availablePrinterNames().contains(PrivateCups::QueueName()),
                 qPrintable(QPrinterInfo::availablePrinterNames().join(", ")));

        const QString title = "Etykieta 2024-03-05 14-07-09 c2";
        const QStringList lines = {
            "Waga netto:     12,345 kg",
            "Materiał: ąęłńóśźż ĄĘŁŃÓŚŹŻ",
            "Operator: ŻÓŁW Gęś",
        };
        QVERIFY(Print(title, lines));
        const QString pdf = cups.WaitForPdf(title);
        QVERIFY2(!pdf.isEmpty(), qPrintable(cups.Diagnostics()));
        QCOMPARE(QFileInfo(pdf).fileName(), QString("Etykieta_2024-03-05_14-07-09_c2.pdf"));
        QCOMPARE(Pages(pdf), 1);
        // The printed page keeps the layout and the plain text; Ghostscript
        // may turn some Polish letters into bitmaps on the way.
        const QString printed = Text(pdf);
        QVERIFY2(printed.contains(lines[0]), qPrintable(printed));
        QVERIFY2(printed.indexOf(lines[0]) < printed.indexOf("Operator:"), qPrintable(printed));

        // What CUPS received for the job holds every letter.
        const QString document = cups.JobDocument(title);
        QVERIFY(!document.isEmpty());
        QCOMPARE(Pages(document), 1);
        const QString sent = Text(document);
        for (const QString &line : lines)
            QVERIFY2(sent.contains(line), qPrintable(line + "\nnot in:\n" + sent));

        // Two more jobs, two more files, each with its own text; ':' in a
        // title becomes '_', the dots of a date stay.
        cups.RemovePdfs();
        QVERIFY(Print("Raport 05.03.2024 14:07", {"Pierwszy raport"}));
        QVERIFY(Print("Raport 05.03.2024 14:08", {"Drugi raport"}));
        QVERIFY(cups.WaitUntilIdle());
        QCOMPARE(cups.Pdfs(), (QStringList{"Raport_05.03.2024_14_07.pdf", "Raport_05.03.2024_14_08.pdf"}));
        const QString first = cups.WaitForPdf("Raport 05.03.2024 14:07");
        const QString second = cups.WaitForPdf("Raport 05.03.2024 14:08");
        QVERIFY(Text(first).contains("Pierwszy raport"));
        QVERIFY(Text(second).contains("Drugi raport"));
        QVERIFY(!Text(second).contains("Pierwszy"));
    }
};

QTEST_MAIN(PrintEndToEnd)
#include "tst_print_end_to_end.moc"
