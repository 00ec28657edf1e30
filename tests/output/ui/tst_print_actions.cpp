// Labels and table reports printed from the main window: the checks and
// messages, the print dialog's copies and the job titles, PDF output without
// an installed printer, the preview, and the company lines of the data
// folder. Printed files are read back with pdftotext.

#include "app/ui/main_window.h"
#include "core/clock.h"
#include "output/ui/print_actions.h"
#include "support/scripted_printing.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "../../tables/file_size_limit.h"
#include "tables/table_set.h"
#include "tables/ui/table_pages.h"

#include "../../app/ui/main_window_test_options.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

QString PdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return {};
    // pdftotext guesses the spacing of a line: compare words, not blanks.
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

const QByteArray kRows = "1\t2024-05-17 10:00\t100.00\t90.00\t10.00\t2.00\t180.00\tWZ/1\tPiasek\tPaleta\tJAN\tBudex\r\n"
                         "2\t2024-05-17 11:00\t50.00\t50.00\t0.00\t2.00\t100.00\tWZ/2\tZwir\t\tEWA\tNowak\r\n";

}  // namespace

class TestPrintActions : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    ScriptedPrinting printing_;
    ManualClock clock_{QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))};

    MainWindowOptions Options()
    {
        MainWindowOptions o = TestOptions(dir_, &prompts_);
        o.printing = &printing_;
        o.clock = &clock_;
        o.openScaleLink = false;
        return o;
    }
    QString Out(const QString &name) const { return dir_.filePath(name); }
    static QString Panel3(MainWindow &w) { return w.StatusPanel(3)->text(); }

private slots:
    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.filePath("dane"));
        WriteAll(dir_.filePath("dane/pomiary1.txt"), kRows);
        prompts_ = ScriptedPrompts();
        printing_ = ScriptedPrinting();
    }

    void thePrinterPanelShowsWhatIsInstalled()
    {
        {
            MainWindow w(Options());
            QCOMPARE(Panel3(w), QString("<brak drukarki>"));
        }
        printing_.printers = {"Biuro", "Magazyn"};
        MainWindow w(Options());
        QCOMPARE(Panel3(w), QString("Biuro"));
    }

    void aLabelNeedsMarkedRowsAndAPrinterOrAFile()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QPushButton *>("BBdrukuj")->click();
        QCOMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("Nie wskazano pomiarów!")});
        QCOMPARE(printing_.dialogs, 0);

        w.Tables().Active().SetMark(0, true);
        w.Pages()->RefreshTotals();
        printing_.answers = {std::nullopt, ScriptedPrinting::DialogAnswer{{}, "Biuro", 1}};
        w.findChild<QPushButton *>("BBdrukuj")->click();  // cancelled: nothing, no message
        w.findChild<QPushButton *>("BBdrukuj")->click();  // a printer, but none installed
        QCOMPARE(prompts_.MessageTexts().value(1),
                 QString::fromUtf8("Żadna drukarka nie jest aktualnie zainstalowana!"));
        QCOMPARE(prompts_.messages.size(), 2);
        QCOMPARE(Panel3(w), QString("<brak drukarki>"));
    }

    // Three copies: three jobs with their own titles, each a file of its own.
    void labelCopiesGoToAPdfFileWithoutAnyPrinter()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Tables().Active().SetAllMarks(true);
        w.Pages()->RefreshTotals();
        printing_.answers = {ScriptedPrinting::DialogAnswer{Out("etykieta.pdf"), {}, 3}};
        w.findChild<QPushButton *>("BBdrukuj")->click();
        QVERIFY(prompts_.messages.isEmpty());
        QCOMPARE(Panel3(w), QString("etykieta.pdf"));
        for (const char *name : {"etykieta.pdf", "etykieta c2.pdf", "etykieta c3.pdf"}) {
            const QString text = PdfText(Out(name));
            QVERIFY2(text.contains(QString::fromUtf8("Łączna masa brutto: 150.00 kg")), name);
            QVERIFY(text.contains("Data wydruku: 2024-03-05 14:07"));
            QVERIFY(text.contains(QString::fromUtf8("Stanowisko ważenia")));  // the built-in company lines
            QVERIFY(text.contains("(podpis)"));
        }
        QVERIFY(!QFile::exists(Out("etykieta c4.pdf")));
        QVERIFY(w.Tables().Active().Mark(0));  // the marks stay
    }

    void aReportIsOneJobWhateverTheCopies()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        printing_.answers = {ScriptedPrinting::DialogAnswer{Out("raport.pdf"), {}, 3}};
        w.findChild<QToolButton *>("TBprinttable1")->click();
        const QString text = PdfText(Out("raport.pdf"));
        QVERIFY(text.contains("Nazwa tabeli: Tabela 1 -"));
        QVERIFY(text.contains(QString::fromUtf8("Ilość pomiarów: 2")));
        QVERIFY(text.contains(QString::fromUtf8("Łączna wartość: 280.00 zł")));
        QVERIFY(text.contains("Koniec wydruku."));
        QVERIFY(!QFile::exists(Out("raport c2.pdf")));
        QVERIFY(prompts_.messages.isEmpty());
    }

    // The preview shows the document; printing from it keeps the copy rules.
    void previewsPrintByTheSameRules()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Tables().Active().SetMark(1, true);
        w.Pages()->RefreshTotals();
        printing_.printFromPreview = true;
        printing_.answers = {ScriptedPrinting::DialogAnswer{Out("podglad.pdf"), {}, 2},
                             ScriptedPrinting::DialogAnswer{Out("tabela.pdf"), {}, 2}};
        w.PreviewLabelClick();
        w.PreviewTableClick();
        QCOMPARE(printing_.previewPages, (QList<int>{1, 1}));
        QVERIFY(PdfText(Out("podglad.pdf")).contains("Materiał: Zwir"));
        QVERIFY(PdfText(Out("podglad c2.pdf")).contains("Materiał: Zwir"));
        QVERIFY(PdfText(Out("tabela.pdf")).contains("Koniec wydruku."));
        QVERIFY(!QFile::exists(Out("tabela c2.pdf")));

        // The menus that offer them.
        w.findChild<QPushButton *>("BBdrukuj")->setContextMenuPolicy(Qt::CustomContextMenu);
        QTimer::singleShot(0, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->actions().value(0)->text(), QString::fromUtf8("Podgląd wydruku..."));
            menu->close();
        });
        emit w.findChild<QPushButton *>("BBdrukuj")->customContextMenuRequested({5, 5});
    }

    // A PDF cut short by a full disk is reported, and the file chosen keeps
    // what it held (Qt itself does not report a failed PDF write).
    void aPdfThatCannotBeWrittenWholeIsReported()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        WriteAll(Out("raport.pdf"), "stary raport");
        printing_.answers = {ScriptedPrinting::DialogAnswer{Out("raport.pdf"), {}, 1}};
        {
            const FileSizeLimit full(4000);
            w.TBprinttable1Click();
        }
        QCOMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("Nie udało się wydrukować na drukarce: raport.pdf.")});
        QCOMPARE(ReadAll(Out("raport.pdf")), QByteArray("stary raport"));
        printing_.answers = {ScriptedPrinting::DialogAnswer{Out("raport.pdf"), {}, 1}};
        w.TBprinttable1Click();
        QVERIFY(PdfText(Out("raport.pdf")).contains("Koniec wydruku."));
    }

    void theCompanyLinesAreTheDataFoldersOwn()
    {
        WriteAll(dir_.filePath("dane/naglowek.txt"), "Kopalnia \xafwiru\r\nul. Polna 1\r\n62-030 Lubo\xf1\r\nNIP 1\r\n");
        MainWindow w(Options());
        QCOMPARE(w.findChild<QLabel *>("Label1")->text(), QString::fromUtf8("Kopalnia Żwiru"));
        QCOMPARE(w.findChild<QLabel *>("Label3")->text(), QString::fromUtf8("62-030 Luboń"));
        QCOMPARE(w.findChild<QLabel *>("Image1")->toolTip(),
                 QString::fromUtf8("Kopalnia Żwiru\nul. Polna 1\n62-030 Luboń"));
        QCOMPARE(w.Company()[3], QString("NIP 1"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        printing_.answers = {ScriptedPrinting::DialogAnswer{Out("r.pdf"), {}, 1}};
        w.TBprinttable1Click();
        QVERIFY(PdfText(Out("r.pdf")).contains(QString::fromUtf8("Kopalnia Żwiru")));
    }
};

QTEST_MAIN(TestPrintActions)
#include "tst_print_actions.moc"
