// The weighing journal seen from the main window: the warning at a start
// after a table file was changed outside the program, and the history of a
// weighing ("Historia pomiaru...", Ctrl+H) as it is added, corrected and
// deleted.

#include "app/ui/main_window.h"
#include "journal/journal.h"
#include "journal/journal_check.h"
#include "journal/ui/weighing_history_window.h"
#include "main_window_test_options.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/table_pages.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindowJournal : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    QString Dane(const char *name) const { return dir_.filePath(QStringLiteral("dane/") + name); }
    QString KeyDir() const { return TestOptions(dir_, nullptr).journalKeyDir; }

    static QStringList Column(QTableWidget *list, int col)
    {
        QStringList out;
        for (int r = 0; r < list->rowCount(); ++r)
            out << list->item(r, col)->text();
        return out;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.filePath("dane"));
        prompts_ = ScriptedPrompts();
    }

    void aFileChangedOutsideIsNamedAtTheNextStart()
    {
        WriteAll(Dane("pomiary2.txt"), "1\t2024-05-17 14:03\t10.00\t10.00\t0.00\t1.00\t10.00\t\tPiasek\t\tJAN\t\r\n");
        {
            MainWindow w(TestOptions(dir_, &prompts_));
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(w.WeighingJournal().IsKept());
        }
        QVERIFY(prompts_.messages.isEmpty());
        WriteAll(Dane("pomiary2.txt"), "1\t2024-05-17 14:03\t19.00\t19.00\t0.00\t1.00\t19.00\t\tPiasek\t\tJAN\t\r\n");
        {
            MainWindow w(TestOptions(dir_, &prompts_));
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
        }
        QCOMPARE(prompts_.messages.size(), 1);
        QCOMPARE(prompts_.messages[0].icon, UserPrompts::Icon::Warning);
        QCOMPARE(prompts_.messages[0].text,
                 "Plik " + Dane("pomiary2.txt") +
                     " został zmieniony poza programem (różnych wierszy: 1).\nZmianę zapisano w dzienniku pomiarów.");
        // Once: the journal goes on from the file as it is.
        MainWindow again(TestOptions(dir_, &prompts_));
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(prompts_.messages.size(), 1);
    }

    void aWeighingAddedCorrectedAndDeletedShowsItsHistory()
    {
        MainWindow w(TestOptions(dir_, &prompts_));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Scale().DecodeLine("100.00");
        w.findChild<QPushButton *>("BBdodaj")->click();
        QTest::keyClick(w.Pages()->ActiveView(), Qt::Key_Insert);
        prompts_.inputAnswers = {QString("15")};
        w.findChild<QPushButton *>("BBtara")->click();

        // The second row's context menu, then its "Historia pomiaru...".
        MeasurementView *list = w.Pages()->ActiveView();
        w.Tables().Active().SetCurrentRow(0);
        const QRect second = list->visualRect(list->model()->index(1, 1));
        emit list->customContextMenuRequested(second.center());
        QCOMPARE(w.Tables().Active().CurrentRow(), 1);
        QMenu *menu = w.Pages()->RowMenu();
        QVERIFY(menu->isVisible());
        auto *item = menu->findChild<QAction *>("MIhistoria");
        QCOMPARE(item->text(), QString("Historia pomiaru..."));
        item->trigger();
        menu->hide();

        WeighingHistoryWindow *h = w.HistoryWindow();
        QCOMPARE(h->objectName(), QString("TFhistoria"));
        QVERIFY(h->isVisible());
        QCOMPARE(h->windowTitle(), QString("Historia pomiaru"));
        QCOMPARE(h->findChild<QLabel *>("Lpomiar")->text(), QString("Tabela 1, pomiar nr 2"));
        QTableWidget *rows = h->List();
        // The journal is read on a thread of its own.
        QTRY_COMPARE(Column(rows, 1), (QStringList{"ADMINISTRATOR", "ADMINISTRATOR"}));
        QCOMPARE(h->findChild<QLabel *>("Lstan")->text(), QString());
        QCOMPARE(Column(rows, 2), (QStringList{"Dodanie (klawisz Insert)", "Korekta: tara"}));
        QCOMPARE(rows->item(1, 3)->text(), QString("netto: 100.00 → 85.00; tara: 0.00 → 15.00"));
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(rows->item(0, 0)->text()).hasMatch());
        h->close();
        w.activateWindow();  // a window manager gives it back; the offscreen platform does not
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // Ctrl+H on the first row; it follows the weighing through its deletion.
        w.Tables().Active().SetCurrentRow(0);
        QTest::keyClick(list, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(h->isVisible());
        QTRY_COMPARE(Column(rows, 2), QStringList{"Dodanie (przycisk)"});
        prompts_.answers = {true};
        w.findChild<QPushButton *>("BBusun")->click();
        QCOMPARE(w.Tables().Active().RowCount(), 1);
        QTRY_COMPARE(Column(rows, 2), (QStringList{"Dodanie (przycisk)", "Usunięcie"}));
        QCOMPARE(h->findChild<QLabel *>("Lstan")->text(), QString("Pomiaru nie ma już w tabeli."));
        QCOMPARE(CheckJournal(Dane(""), KeyDir(), 1).ExitCode(), 0);
    }

    // A shift operator's account sharing the data folder has no key: its
    // weighings are refused, and the database's panel says nothing is sent.
    void anAccountWithoutTheKeyIsRefusedAndShownNotSending()
    {
        {
            MainWindow w(TestOptions(dir_, &prompts_));
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
        }
        WriteAll(Dane("baza.ini"), "polaczenie=host=127.0.0.1 port=1 dbname=x user=y connect_timeout=1\r\n"
                                   "stanowisko=Waga 1\r\n");
        MainWindowOptions o = TestOptions(dir_, &prompts_);
        o.journalKeyDir = dir_.filePath("another-account/pomiary/dziennik");
        MainWindow w(o);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.WeighingJournal().IsKept());
        QLabel *panel = w.findChild<QLabel *>("StatusPanelBaza");
        QCOMPARE(panel->text(), QString("Baza: nie wysyła"));
        QCOMPARE(panel->toolTip(), QString("Zmiany nie są zapisywane: brak klucza dziennika pomiarów na tym koncie."));
        QCOMPARE(prompts_.messages.size(), 1);  // the missing key, at the start
        w.Scale().DecodeLine("100.00");
        w.findChild<QPushButton *>("BBdodaj")->click();
        QCOMPARE(w.Tables().Active().RowCount(), 0);
        QCOMPARE(prompts_.messages.size(), 2);
        QCOMPARE(prompts_.messages[1].text, QString("Zmiana nie została zapisana: brak klucza dziennika pomiarów na "
                                                    "tym koncie.\nPomiar nie został zapisany."));
        QTest::qWait(200);
        QCOMPARE(panel->text(), QString("Baza: nie wysyła"));
    }

    void withoutARowTheHistoryAsksForOne()
    {
        MainWindow w(TestOptions(dir_, &prompts_));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::keyClick(w.Pages()->ActiveView(), Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(prompts_.MessageTexts(), QStringList{"Nie wskazano pomiaru!"});
        QVERIFY(!w.HistoryWindow()->isVisible());
    }
};

QTEST_MAIN(TestMainWindowJournal)
#include "tst_main_window_journal.moc"
