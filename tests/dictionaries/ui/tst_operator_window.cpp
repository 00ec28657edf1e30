// The operator window under the offscreen platform: its two modes, keys,
// clicks and the picker result.

#include "dictionaries/ui/operator_window.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

class TestOperatorWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    QString Path() const { return dir_.filePath("operatorzy.txt"); }

    static QTreeWidget *View(OperatorWindow &w) { return w.findChild<QTreeWidget *>("LVoperatorzy"); }
    static QStringList Shown(OperatorWindow &w)
    {
        QStringList out;
        for (int i = 0; i < View(w)->topLevelItemCount(); ++i)
            out << View(w)->topLevelItem(i)->text(0);
        return out;
    }
    static QString Highlighted(OperatorWindow &w)
    {
        const auto selected = View(w)->selectedItems();
        return selected.size() == 1 ? selected.first()->text(0) : QString();
    }
    static void Select(OperatorWindow &w, int row) { View(w)->setCurrentItem(View(w)->topLevelItem(row)); }
    // A press and release, then the double click, as a mouse sends them.
    static void DoubleClick(QTreeWidget *view, QPoint at)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    static bool Visible(OperatorWindow &w, const char *name) { return w.findChild<QWidget *>(name)->isVisible(); }

    // Runs `step` once the window is shown by a modal call made after this.
    static void WhenShown(OperatorWindow &w, std::function<void()> step)
    {
        QTimer::singleShot(0, &w, [&w, step] {
            if (w.isVisible())
                step();
            else
                WhenShown(w, step);
        });
    }

private slots:
    void init()
    {
        prompts_ = ScriptedPrompts();
        WriteAll(Path(), SerializeOperators({{"ADMINISTRATOR", "957"}, {"Nowak", "n"}, {"Wilk", "w"}}));
    }

    void controlsAndTheTwoModes()
    {
        OperatorWindow w(Path(), {}, prompts_);
        QCOMPARE(w.objectName(), QString("TFwytop"));
        QCOMPARE(w.windowTitle(), QString("Wybierz operatora"));
        QCOMPARE(View(w)->headerItem()->text(0), QString::fromUtf8("Imię i nazwisko"));
        QCOMPARE(View(w)->columnCount(), 1);
        const std::pair<const char *, const char *> tools[] = {
            {"TBdodaj", "dodaj operatora"}, {"TBusun", "usuń operatora (del)"}, {"TBhaslo", "zmień hasło"}};
        for (const auto &[name, hint] : tools) {
            auto *b = w.findChild<QToolButton *>(name);
            QVERIFY2(b, name);
            QVERIFY(b->text().isEmpty());
            QCOMPARE(b->toolTip(), QString::fromUtf8(hint));
            QCOMPARE(b->accessibleName(), QString::fromUtf8(hint));
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.findChild<QToolBar *>()->isVisible());
        QVERIFY(Visible(w, "BBok") && Visible(w, "BBcancel") && !Visible(w, "BBclose"));
        QCOMPARE(w.findChild<QPushButton *>("BBok")->text(), QString("OK"));
        QCOMPARE(w.findChild<QPushButton *>("BBcancel")->text(), QString("Anuluj"));
        QCOMPARE(Shown(w), (QStringList{"ADMINISTRATOR", "Nowak", "Wilk"}));
        QCOMPARE(Highlighted(w), QString("ADMINISTRATOR"));
        QVERIFY(View(w)->hasFocus());

        w.SetMode(OperatorWindowMode::Management);
        QVERIFY(w.findChild<QToolBar *>()->isVisible());
        QVERIFY(!Visible(w, "BBok") && !Visible(w, "BBcancel") && Visible(w, "BBclose"));
        QCOMPARE(w.findChild<QPushButton *>("BBclose")->text(), QString("OK"));
    }

    void loginWithTheKeysAndAWrongPassword()
    {
        OperatorWindow w(Path(), {}, prompts_);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Select(w, 1);
        // Enter on the list presses "OK": the password is asked.
        prompts_.inputAnswers = {QString("N"), QString("n")};
        QTest::keyClick(View(w), Qt::Key_Return);
        QCOMPARE(prompts_.inputs, QStringList{QString::fromUtf8("Hasło|Podaj hasło operatora:||*")});
        QCOMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("Błędne hasło!")});
        QVERIFY(w.isVisible());
        QVERIFY(w.Login().Pending());
        QTest::keyClick(View(w), Qt::Key_Enter);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(w.Login().LoggedIn(), QByteArray("Nowak"));
    }

    void doubleClickChoosesOnlyInSelectionAndEscOnlyCancelsThere()
    {
        OperatorWindow w(Path(), {}, prompts_);
        w.Login().Succeed("ADMINISTRATOR");  // a picker: no password
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *view = View(w);
        const QRect second = view->visualItemRect(view->topLevelItem(2));
        DoubleClick(view, second.center());
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(w.List().CurrentEntry()->name, QByteArray("Wilk"));

        w.SetMode(OperatorWindowMode::Management);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(Highlighted(w), QString("ADMINISTRATOR"));  // every showing starts at the first row
        DoubleClick(view, second.center());
        QVERIFY(w.isVisible());
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QTest::keyClick(view, Qt::Key_Delete);  // the list has no keys of its own
        QVERIFY(prompts_.questions.isEmpty());
        QTest::keyClick(view, Qt::Key_Return);  // the closing "OK", no check
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));

        w.SetMode(OperatorWindowMode::Selection);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(prompts_.messages.isEmpty());
    }

    void managementToolBarAddsDeletesAndKeepsTheHighlight()
    {
        OperatorWindow w(Path(), {}, prompts_);
        w.Login().Succeed("ADMINISTRATOR");
        w.SetMode(OperatorWindowMode::Management);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        prompts_.inputAnswers = {QString::fromUtf8("Łukasz Żak"), QString("ł")};
        w.findChild<QToolButton *>("TBdodaj")->click();
        QCOMPARE(Shown(w), (QStringList{"ADMINISTRATOR", QString::fromUtf8("Łukasz Żak"), "Nowak", "Wilk"}));
        QCOMPARE(Highlighted(w), QString::fromUtf8("Łukasz Żak"));
        QCOMPARE(ParseOperators(ReadAll(Path())).size(), 4);

        prompts_.inputAnswers = {QString("nowak"), QString("x")};
        w.findChild<QToolButton *>("TBdodaj")->click();
        QCOMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("Operator już istnieje!")});

        // Deleting the last row highlights the new last row.
        Select(w, 3);
        prompts_.answers = {true};
        w.findChild<QToolButton *>("TBusun")->click();
        QCOMPARE(Shown(w), (QStringList{"ADMINISTRATOR", QString::fromUtf8("Łukasz Żak"), "Nowak"}));
        QCOMPARE(Highlighted(w), QString("Nowak"));
        QVERIFY(View(w)->hasFocus());

        // Nothing highlighted: the tool buttons say so.
        View(w)->clearSelection();
        prompts_ = ScriptedPrompts();
        w.findChild<QToolButton *>("TBhaslo")->click();
        w.findChild<QToolButton *>("TBusun")->click();
        QCOMPARE(prompts_.MessageTexts(), QStringList(2, QString::fromUtf8("Żaden operator nie został wskazany!")));

        Select(w, 0);
        prompts_.inputAnswers = {QString("nowe")};
        w.findChild<QToolButton *>("TBhaslo")->click();
        QCOMPARE(ParseOperators(ReadAll(Path())).first().password, QByteArray("nowe"));
    }

    void commandLineLoginClosesTheWindowByItself()
    {
        OperatorWindow w(Path(), {"wilk", "w"}, prompts_);
        QCOMPARE(w.exec(), int(QDialog::Accepted));
        QVERIFY(prompts_.messages.isEmpty());
        QVERIFY(prompts_.inputs.isEmpty());
        QCOMPARE(w.Login().LoggedIn(), QByteArray("Wilk"));
        QCOMPARE(w.List().CurrentEntry()->name, QByteArray("Wilk"));
    }

    void commandLineWithAWrongPasswordLeavesAManualChoice()
    {
        OperatorWindow w(Path(), {"Wilk", "W"}, prompts_);
        WhenShown(w, [&] {
            QTRY_COMPARE(prompts_.messages.size(), 1);
            Select(w, 1);
            prompts_.inputAnswers = {QString("n")};
            w.findChild<QPushButton *>("BBok")->click();
        });
        const std::optional<PickedEntry> picked = w.Pick();
        QCOMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("Błędne hasło!")});
        QVERIFY(picked.has_value());
        QCOMPARE(picked->name, QByteArray("Nowak"));
        QCOMPARE(w.Login().LoggedIn(), QByteArray("Nowak"));
    }

    void restoringAMinimisedWindowIsNoNewShowing()
    {
        OperatorWindow w(Path(), {"Wilk", "W"}, prompts_);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(prompts_.messages.size(), 1);
        Select(w, 2);
        // Restored from the task bar: the choice stays and the command line is not tried again.
        w.setWindowState(Qt::WindowMinimized);
        w.setWindowState(Qt::WindowNoState);
        QTest::qWait(20);
        QCOMPARE(Highlighted(w), QString("Wilk"));
        QCOMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("Błędne hasło!")});
    }

    void managementModeStaysForTheNextPicker()
    {
        OperatorWindow w(Path(), {}, prompts_);
        w.Login().Succeed("ADMINISTRATOR");
        w.SetMode(OperatorWindowMode::Management);
        WhenShown(w, [&] { w.findChild<QPushButton *>("BBclose")->click(); });
        QVERIFY(w.Pick().has_value());

        // A later picker (no mode set) shows the tool bar and the closing "OK";
        // the row chosen there is the result.
        bool toolBarShown = false;
        WhenShown(w, [&] {
            toolBarShown = w.findChild<QToolBar *>()->isVisible() && Visible(w, "BBclose") && !Visible(w, "BBok");
            Select(w, 2);
            w.findChild<QPushButton *>("BBclose")->click();
        });
        const std::optional<PickedEntry> picked = w.Pick();
        QVERIFY(toolBarShown);
        QVERIFY(picked.has_value());
        QCOMPARE(picked->name, QByteArray("Wilk"));

        WhenShown(w, [&] { w.reject(); });
        QVERIFY(!w.Pick().has_value());
    }
};

QTEST_MAIN(TestOperatorWindow)
#include "tst_operator_window.moc"
