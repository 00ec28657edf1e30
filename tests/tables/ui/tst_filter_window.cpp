#include "core/clock.h"
#include "support/scripted_pickers.h"
#include "support/scripted_prompts.h"
#include "tables/filter_dates.h"
#include "tables/ui/filter_window.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class TestFilterWindow : public QObject {
    Q_OBJECT

    ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3))};
    ScriptedPrompts prompts;
    ScriptedPickers pickers;

    template <typename T>
    static T *Find(FilterWindow &w, const char *name)
    {
        T *c = w.findChild<T *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

private slots:
    void datesFromTheButtons()
    {
        FilterWindow w(&pickers, &prompts, &clock);
        Find<QPushButton>(w, "BBtoday")->click();
        QCOMPARE(Find<QLineEdit>(w, "MEday_from")->displayText(), QStringLiteral("2024/05/17   00:00"));
        QCOMPARE(Find<QLineEdit>(w, "MEday_to")->displayText(), QStringLiteral("2024/05/17   23:59"));
        auto f = w.TakeFields();
        QVERIFY(f);
        QCOMPARE(f->from, QByteArray("202405170000"));
        QCOMPARE(f->to, QByteArray("202405172359"));

        Find<QPushButton>(w, "BBmonth")->click();
        f = w.TakeFields();
        QCOMPARE(f->from, QByteArray("202405010000"));
        QCOMPARE(f->to, QByteArray("202405172359"));
    }

    void partlyTypedDateKeepsTheWindowOpen()
    {
        FilterWindow w(&pickers, &prompts, &clock);
        w.show();
        auto *from = Find<QLineEdit>(w, "MEday_from");
        from->setFocus();
        from->setCursorPosition(0);
        QTest::keyClicks(from, QStringLiteral("202405"));
        prompts.messages.clear();
        w.accept();
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(w.isVisible());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.messages[0].text.contains(QStringLiteral("Data od:")));

        // Completed, it is taken.
        QTest::keyClicks(from, QStringLiteral("171403"));
        w.accept();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(prompts.messages.size(), 1);
    }

    void pickersFillTheirFieldsAndClearButtonsEmptyThem()
    {
        FilterWindow w(&pickers, &prompts, &clock);
        pickers.opened.clear();
        pickers.answers = {Picked("Piasek p\xb3ukany"), std::nullopt, Picked("ADMINISTRATOR"), Picked("Kowalski")};
        Find<QPushButton>(w, "BBselect_material")->click();
        Find<QPushButton>(w, "BBselect_client")->click();  // cancelled: stays empty
        Find<QPushButton>(w, "BBselect_operator")->click();
        Find<QPushButton>(w, "BBselect_client")->click();
        // Material and customer pickers open with their apply-to group hidden.
        QCOMPARE(pickers.opened, (QStringList{"material", "customer", "operator", "customer"}));
        auto f = w.TakeFields();
        QCOMPARE(f->material, QByteArray("Piasek p\xb3ukany"));
        QCOMPARE(f->op, QByteArray("ADMINISTRATOR"));
        QCOMPARE(f->customer, QByteArray("Kowalski"));

        Find<QToolButton>(w, "SBclear_material")->click();
        QVERIFY(w.TakeFields()->material.isEmpty());
        QVERIFY(!Find<QToolButton>(w, "SBclear_client")->accessibleName().isEmpty());

        Find<QPushButton>(w, "BBtoday")->click();
        Find<QPushButton>(w, "BBclear")->click();
        QVERIFY(w.TakeFields()->IsEmpty());
    }

    void presetFromTheFilter()
    {
        FilterWindow w(&pickers, &prompts, &clock);
        DataFilter f;
        f.from = "202401020304";
        f.order = "WZ/1";
        f.customer = "\xa3UKASZ";
        w.SetFields(f);
        QCOMPARE(Find<QLineEdit>(w, "Eclient")->text(), QStringLiteral("ŁUKASZ"));
        QCOMPARE(*w.TakeFields(), f);
    }
};

QTEST_MAIN(TestFilterWindow)
#include "tst_filter_window.moc"
