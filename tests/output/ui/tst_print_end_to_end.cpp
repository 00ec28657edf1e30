// Printing through the real print path: QPrinter on a CUPS queue, the CUPS
// filters and the cups-pdf backend of a private scheduler; read back from
// the PDF it writes and from the document CUPS received. Labels and reports
// are printed from the real main window, only its print dialog answered.

#include "app/ui/main_window.h"
#include "core/clock.h"
#include "output/ui/print_platform.h"
#include "support/private_cups.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/table_set.h"
#include "tables/ui/table_pages.h"

#include "../../app/ui/main_window_test_options.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

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

// The system's printers, with the print dialog confirmed on the default
// printer and the copies a test asks for.
class ConfirmedPrintDialog : public SystemPrintPlatform {
public:
    bool ShowPrintDialog(QPrinter &printer, QWidget *) override
    {
        printer.setPrinterName(DefaultPrinterName());
        printer.setCopyCount(copies);
        return true;
    }
    int copies = 1;
};

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

    // Two copies of a label: two jobs titled by the time, the second with
    // " c2"; one report whatever the copies. The printer panel names the queue.
    void labelAndReportFromTheMainWindow()
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("dane"));
        WriteAll(dir.filePath("dane/pomiary1.txt"),
                 "1\t2024-05-17 10:00\t525.00\t500.00\t25.00\t12.50\t6250.00\tWZ/1\tPiasek p\xb3ukany\tPaleta\t"
                 "KOWALSKI\tBudmax\r\n"
                 "2\t2024-05-17 11:00\t50.00\t50.00\t0.00\t2.00\t100.00\tWZ/2\t\xafwir\t\tNOWAK\t\r\n");
        ScriptedPrompts prompts;
        ConfirmedPrintDialog printing;
        ManualClock clock{QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))};
        MainWindowOptions o = TestOptions(dir, &prompts);
        o.printing = &printing;
        o.clock = &clock;
        o.openScaleLink = false;
        MainWindow w(o);
        QCOMPARE(w.StatusPanel(3)->text(), PrivateCups::QueueName());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        cups.RemovePdfs();

        w.Tables().Active().SetAllMarks(true);
        w.Pages()->RefreshTotals();
        printing.copies = 2;
        w.findChild<QPushButton *>("BBdrukuj")->click();
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.MessageTexts().join('\n')));
        QVERIFY(cups.WaitUntilIdle());
        QCOMPARE(cups.Pdfs(), (QStringList{"Etykieta_2024-03-05_14-07-09.pdf", "Etykieta_2024-03-05_14-07-09_c2.pdf"}));
        for (const QString title : {"Etykieta 2024-03-05 14-07-09", "Etykieta 2024-03-05 14-07-09 c2"}) {
            const QString sent = Text(cups.JobDocument(title)).simplified();
            QVERIFY2(sent.contains(QString::fromUtf8("Łączna masa brutto: 575.00 kg")), qPrintable(sent));
            QVERIFY(sent.contains(QString::fromUtf8("Piasek płukan Paleta")));
            QCOMPARE(Pages(cups.WaitForPdf(title)), 1);
            const QString paper = Text(cups.WaitForPdf(title)).simplified();
            // Ghostscript may lose a letter or two on the way to paper; the text is that sent.
            QVERIFY2(paper.contains("wydruku: 2024-03-05 14:07") && paper.contains("(podpis)"), qPrintable(paper));
        }

        cups.RemovePdfs();
        printing.copies = 3;
        w.findChild<QToolButton *>("TBprinttable1")->click();
        QVERIFY(cups.WaitUntilIdle());
        QCOMPARE(cups.Pdfs(), QStringList{QString::fromUtf8("Ważenia_2024-03-05_14-07-09.pdf")});
        const QString report = Text(cups.JobDocument(QString::fromUtf8("Ważenia 2024-03-05 14-07-09"))).simplified();
        QVERIFY2(report.contains(QString::fromUtf8("Ilość pomiarów: 2")), qPrintable(report));
        QVERIFY(report.contains("Koniec wydruku."));
        QCOMPARE(w.StatusPanel(3)->text(), PrivateCups::QueueName());
        QVERIFY(prompts.messages.isEmpty());
    }
};

QTEST_MAIN(PrintEndToEnd)
#include "tst_print_end_to_end.moc"
