#include "scale/ui/auto_add_window.h"
#include "support/scripted_prompts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

class TestAutoAddWindow : public QObject {
    Q_OBJECT

    template <typename T>
    static T *Find(QWidget &w, const QString &name)
    {
        T *c = w.findChild<T *>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }

private slots:
    void showsAndTakesTheSettings()
    {
        ScriptedPrompts prompts;
        AutoAddWindow w(&prompts);
        QCOMPARE(w.windowTitle(), QStringLiteral("Automatyczne dodawanie pomiarów"));
        w.SetSettings({50.0, 7.5, 1, true});
        QCOMPARE(Find<QLineEdit>(w, "Eautoadd_min")->text(), QStringLiteral("50.00"));
        QCOMPARE(Find<QLineEdit>(w, "Eautoadd_delta")->text(), QStringLiteral("7.50"));
        QCOMPARE(Find<QLineEdit>(w, "Eautoadd_min")->maxLength(), 8);
        QVERIFY(Find<QRadioButton>(w, "RBmode1")->isChecked());
        QVERIFY(Find<QCheckBox>(w, "CBdzwiek")->isChecked());

        Find<QLineEdit>(w, "Eautoadd_min")->setText(QStringLiteral("12,5"));
        Find<QRadioButton>(w, "RBmode2")->setChecked(true);
        const auto s = w.TakeSettings();
        QVERIFY(s);
        QCOMPARE(s->minMass, 12.5);
        QCOMPARE(s->delta, 7.5);
        QCOMPARE(s->mode, 2);
        QVERIFY(prompts.messages.isEmpty());
    }

    void valuesFromTheFileAreShownAndKeptWhole()
    {
        // Auto_dodawanie_min=123456789 and a delta finer than the two decimals shown.
        ScriptedPrompts prompts;
        AutoAddWindow w(&prompts);
        auto *min = Find<QLineEdit>(w, "Eautoadd_min");
        auto *delta = Find<QLineEdit>(w, "Eautoadd_delta");
        QTimer::singleShot(0, &w, [&w] { Find<QPushButton>(w, "BBok")->click(); });
        const auto s = w.Edit({123456789.0, 0.125, 0, false});
        QVERIFY(s);
        QCOMPARE(min->text(), QStringLiteral("123456789.00"));
        QCOMPARE(delta->text(), QStringLiteral("0.13"));
        QCOMPARE(s->minMass, 123456789.0);
        QCOMPARE(s->delta, 0.125);
        QVERIFY(prompts.messages.isEmpty());
    }

    void typingIsLimitedAndATypedValueIsTaken()
    {
        ScriptedPrompts prompts;
        AutoAddWindow w(&prompts);
        w.SetSettings({123456789.0, 0.125, 0, false});
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *min = Find<QLineEdit>(w, "Eautoadd_min");
        auto *delta = Find<QLineEdit>(w, "Eautoadd_delta");
        min->setFocus();
        min->selectAll();
        QTest::keyClick(min, Qt::Key_Delete);
        QTest::keyClicks(min, QStringLiteral("1234567890"));
        QCOMPARE(min->text(), QStringLiteral("12345678"));
        // Typed back to the very text it showed, the field is the user's again.
        delta->selectAll();
        QTest::keyClicks(delta, QStringLiteral("0.13"));
        const auto s = w.TakeSettings();
        QVERIFY(s);
        QCOMPARE(s->minMass, 12345678.0);
        QCOMPARE(s->delta, 0.13);
    }

    void leavingABadFieldComplainsAndReturns()
    {
        ScriptedPrompts prompts;
        AutoAddWindow w(&prompts);
        w.SetSettings({});
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *min = Find<QLineEdit>(w, "Eautoadd_min");
        auto *delta = Find<QLineEdit>(w, "Eautoadd_delta");
        min->setFocus();
        min->setText(QStringLiteral("1x"));
        QTest::keyClick(min, Qt::Key_Tab);
        QCOMPARE(prompts.MessageTexts(), QStringList{"Nieprawidłowa wartość!"});
        QCOMPARE(QApplication::focusWidget(), min);

        // OK with the field never left refuses the same way and stays open.
        delta->setText(QStringLiteral("abc"));
        min->setText(QStringLiteral("5"));
        w.accept();
        QCOMPARE(prompts.messages.size(), 2);
        QVERIFY(w.isVisible());
        QCOMPARE(QApplication::focusWidget(), delta);

        // "Anuluj" closes whatever the fields hold.
        Find<QPushButton>(w, "BBcancel")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }

    void helpTexts()
    {
        ScriptedPrompts prompts;
        AutoAddWindow w(&prompts);
        Find<QToolButton>(w, "Eautoadd_min_help")->click();
        Find<QToolButton>(w, "Eautoadd_delta_help")->click();
        QCOMPARE(prompts.MessageTexts(),
                 (QStringList{"Pomiary o masie mniejszej od [masy minimalnej] nie są automatycznie dodawane.",
                              "Pomiar uważa się za stabilny, jeśli zmiana masy w porównaniu z poprzednim pomiarem "
                              "\njest mniejsza lub równa od [kryterium stabilizacji]."}));
        QCOMPARE(prompts.messages[0].icon, UserPrompts::Icon::Information);
    }
};

QTEST_MAIN(TestAutoAddWindow)
#include "tst_auto_add_window.moc"
