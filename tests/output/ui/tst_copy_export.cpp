// The clipboard and spreadsheet buttons of the tables' tool bars, from the
// main window: the table shown goes to the clipboard or to a file.

#include "app/ui/main_window.h"
#include "core/clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/ui/table_pages.h"

#include "../../app/ui/main_window_test_options.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QFileInfo>
#include <QToolButton>

class TestCopyExport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    ManualClock clock_{QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))};

private slots:
    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.filePath("dane"));
        WriteAll(dir_.filePath("dane/pomiary2.txt"),
                 "7\t2024-05-17 10:00\t100.00\t90.00\t10.00\t2.00\t180.00\tWZ/1\tPiasek\tPaleta\tJAN\tBudex\r\n");
        WriteAll(dir_.filePath("dane/konfig.ini"), "Wersja_excel=1\r\n");
        prompts_ = ScriptedPrompts();
    }

    void theButtonsOfTheTableShownCopyAndExportIt()
    {
        MainWindowOptions o = TestOptions(dir_, &prompts_);
        o.clock = &clock_;
        o.openScaleLink = false;
        MainWindow w(o);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Pages()->SetActiveTable(2);
        w.findChild<QToolButton *>("TBcopytable2")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString("7\t2024-05-17 10:00\t100,00\t90,00\t10,00\t2,00\t180,00\tWZ/1\tPiasek\tJAN\tBudex\t\r\n"));

        prompts_.saveAnswers = {dir_.filePath("t.xlsx")};
        w.findChild<QToolButton *>("TBexcel2")->click();
        QCOMPARE(prompts_.saveDialogs.value(0).suggestedName, QString("tab_2_20240305_140709.xlsx"));
        QCOMPARE(prompts_.saveDialogs.value(0).directory, dir_.path());
        QVERIFY(QFileInfo(dir_.filePath("t.xlsx")).size() > 0);
        QCOMPARE(prompts_.MessageTexts(), QStringList{"Pomiary zapisano do pliku: " + dir_.filePath("t.xlsx")});
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestCopyExport)
#include "tst_copy_export.moc"
