// The main window's start-up login, the logged-in operator and the rights
// applied to its controls.

#include "app/ui/main_window.h"
#include "main_window_test_options.h"
#include "dictionaries/ui/operator_window.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

class TestMainWindowLogin : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    MainWindowOptions Options()
    {
        MainWindowOptions o = TestOptions(dir_, &prompts_);
        o.loginAs.clear();  // the login itself is under test
        o.openScaleLink = false;
        return o;
    }
    QString Dane(const char *file) const { return dir_.filePath(QString("dane/") + file); }

    static bool Enabled(MainWindow &w, const char *name) { return w.findChild<QPushButton *>(name)->isEnabled(); }
    static void CheckDefaultOperators(MainWindow &w, const QByteArray &name)
    {
        for (const TableParams &t : w.Config().tables)
            QCOMPARE(t.fields[TableParams::Operator], name);
    }
    // Runs `step` once the operator window is open.
    static void WhenOperatorWindowOpens(MainWindow &w, std::function<void()> step)
    {
        QTimer::singleShot(10, &w, [&w, step] {
            if (w.Operators()->isVisible())
                step();
            else
                WhenOperatorWindowOpens(w, step);
        });
    }

private slots:
    void init()
    {
        QDir(dir_.filePath("dane")).removeRecursively();
        // With its journal's key: a key left for the folder would take the new journal for a lost one.
        QDir(dir_.filePath("config")).removeRecursively();
        QDir(dir_.path()).mkpath("dane");
        prompts_ = ScriptedPrompts();
    }

    void freshStartCreatesTheFileAndTheAdministratorLogsInByHand()
    {
        WriteAll(Dane("konfig.ini"), "Parametry_tabela2=Linia B\t\t\t\tKowalski\r\n");
        MainWindow w(Options());
        QCOMPARE(ReadAll(Dane("operatorzy.txt")), SerializeOperators({{"ADMINISTRATOR", "957"}}));
        QCOMPARE(w.CurrentOperator(), QByteArray());
        bool selection = false;
        WhenOperatorWindowOpens(w, [&] {
            selection = w.Operators()->Mode() == OperatorWindowMode::Selection;
            prompts_.inputAnswers = {QString("957")};
            w.Operators()->findChild<QPushButton *>("BBok")->click();
        });
        w.show();
        QTRY_COMPARE(w.StatusPanel(5)->text(), QString("ADMINISTRATOR"));
        QVERIFY(selection);
        QVERIFY(w.isVisible());
        QCOMPARE(prompts_.inputs, QStringList{QString::fromUtf8("Hasło|Podaj hasło operatora:||*")});
        CheckDefaultOperators(w, "ADMINISTRATOR");
        for (const char *name : {"BBmasa", "BBprice", "BBusun", "BBwytop", "BBsetrs", "BBparams_adv", "BBoperators"})
            QVERIFY2(Enabled(w, name), name);
    }

    void noWeighingIsAddedAutomaticallyWhileTheLoginWaits()
    {
        // The last run's operator is still the table's default in konfig.ini;
        // automatic adding takes every new value, but nobody is logged in yet.
        WriteAll(Dane("konfig.ini"),
                 "Auto_dodawanie=1\r\nAuto_dodawanie_pierwszy=2\r\nParametry_tabela1=\t\t\t\tKowalski\r\n");
        MainWindow w(Options());
        WhenOperatorWindowOpens(w, [&] {
            // A load put on the scale while the login waits is added at once.
            w.Scale().DecodeLine("40.00");
            prompts_.inputAnswers = {QString("957")};
            w.Operators()->findChild<QPushButton *>("BBok")->click();
        });
        w.show();
        QTRY_COMPARE(w.StatusPanel(5)->text(), QString("ADMINISTRATOR"));
        MeasurementTable &t = w.Tables().Table(1);
        QCOMPARE(t.RowCount(), 0);
        // After the login the next new value is added, with the operator who logged in.
        w.Scale().DecodeLine("41.00");
        QCOMPARE(t.RowCount(), 1);
        QCOMPARE(t.Cell(0, ColOperator), QByteArray("ADMINISTRATOR"));
    }

    void cancelledLoginEndsTheProgramAndStillWritesKonfig()
    {
        MainWindow w(Options());
        WhenOperatorWindowOpens(w, [&] { w.Operators()->findChild<QPushButton *>("BBcancel")->click(); });
        w.show();
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(QFile::exists(Dane("konfig.ini")));
        QCOMPARE(w.CurrentOperator(), QByteArray());
    }

    void commandLineLowerCaseAdministratorLogsInAlone()
    {
        MainWindowOptions o = Options();
        o.arguments = {"administrator", "957"};
        MainWindow w(o);
        w.show();
        QTRY_COMPARE(w.StatusPanel(5)->text(), QString("ADMINISTRATOR"));
        QVERIFY(!w.Operators()->isVisible());
        QVERIFY(prompts_.messages.isEmpty());
        QVERIFY(prompts_.inputs.isEmpty());
        QVERIFY(w.Rights().manageOperators && w.Rights().tableHeaderAndOperator);
        QVERIFY(Enabled(w, "BBoperators"));
    }

    void commandLineWithAWrongPasswordLeavesTheWindowForAManualLogin()
    {
        WriteAll(Dane("operatorzy.txt"), SerializeOperators({{"ADMINISTRATOR", "957"}, {"Nowak", "n"}}));
        MainWindowOptions o = Options();
        o.arguments = {"nowak", "N"};
        MainWindow w(o);
        WhenOperatorWindowOpens(w, [&] {
            QTRY_COMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("Błędne hasło!")});
            auto *view = w.Operators()->findChild<QTreeWidget *>("LVoperatorzy");
            view->setCurrentItem(view->topLevelItem(1));
            prompts_.inputAnswers = {QString("n")};
            w.Operators()->findChild<QPushButton *>("BBok")->click();
        });
        w.show();
        QTRY_COMPARE(w.StatusPanel(5)->text(), QString("Nowak"));
        CheckDefaultOperators(w, "Nowak");
    }

    void rightsOfAnOperatorFollowTheSwitchesAtLogin()
    {
        WriteAll(Dane("konfig.ini"), "Zablokuj_edycje_masy=1\r\nZablokuj_usuwanie_pomiarow=1\r\n");
        MainWindowOptions o = Options();
        o.loginAs = "Nowak";
        MainWindow w(o);
        w.show();
        QCOMPARE(w.StatusPanel(5)->text(), QString("Nowak"));
        CheckDefaultOperators(w, "Nowak");
        QVERIFY(!Enabled(w, "BBmasa"));
        QVERIFY(Enabled(w, "BBprice"));
        QVERIFY(!Enabled(w, "BBusun"));
        for (const char *name : {"BBwytop", "BBsetrs", "BBparams_adv", "BBoperators"})
            QVERIFY2(!Enabled(w, name), name);
        QVERIFY(w.Rights().materialPrice);
        QVERIFY(!w.Rights().resetClearsOperator);
        // Applied once: a switch changed later does not move the controls.
        w.Config().lockPriceEdit = true;
        QVERIFY(Enabled(w, "BBprice"));
    }

    void operatorsButtonOpensManagementAndTheModeStaysForPickers()
    {
        MainWindowOptions o = Options();
        o.loginAs = "ADMINISTRATOR";
        MainWindow w(o);
        w.show();
        bool toolBar = false;
        WhenOperatorWindowOpens(w, [&] {
            toolBar = w.Operators()->findChild<QWidget *>("TBdodaj")->isVisible();
            prompts_.inputAnswers = {QString("Nowak"), QString("n")};
            w.Operators()->findChild<QToolButton *>("TBdodaj")->click();
            w.Operators()->findChild<QPushButton *>("BBclose")->click();
        });
        w.findChild<QPushButton *>("BBoperators")->click();
        QVERIFY(toolBar);
        QCOMPARE(ParseOperators(ReadAll(Dane("operatorzy.txt"))).size(), 2);
        QCOMPARE(w.Operators()->Mode(), OperatorWindowMode::Management);

        // The picker of a later action: management look, no password, the highlighted name.
        WhenOperatorWindowOpens(w, [&] {
            auto *view = w.Operators()->findChild<QTreeWidget *>("LVoperatorzy");
            view->setCurrentItem(view->topLevelItem(1));
            w.Operators()->findChild<QPushButton *>("BBclose")->click();
        });
        const std::optional<PickedEntry> picked = w.Operators()->Pick();
        QVERIFY(picked.has_value());
        QCOMPARE(picked->name, QByteArray("Nowak"));
        QCOMPARE(prompts_.inputs.size(), 2);  // only the adding asked
    }
};

QTEST_MAIN(TestMainWindowLogin)
#include "tst_main_window_login.moc"
