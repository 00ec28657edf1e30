#include "support/scripted_pickers.h"
#include "tables/ui/table_params_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class TestTableParamsWindow : public QObject {
    Q_OBJECT

    template <typename T>
    static T *Find(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

    static TableParams Sample()
    {
        TableParams p = TableParams::Defaults(2);
        p.fields[TableParams::Order] = "WZ/7";
        p.fields[TableParams::Material] = "Piasek";
        p.fields[TableParams::Operator] = "Kowalski";
        p.fields[TableParams::Customer] = "\xa3UKASZ";
        return p;
    }

private slots:
    void presetAndTakenBackUnchanged()
    {
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        w.SetParams(2, Sample());
        QCOMPARE(w.windowTitle(), QStringLiteral("Parametry - tabela 2"));
        QCOMPARE(Find<QLineEdit>(w, "Etabname")->text(), QStringLiteral("Tabela 2"));
        QCOMPARE(Find<QLineEdit>(w, "Eclient")->text(), QStringLiteral("ŁUKASZ"));
        QCOMPARE(Find<QLineEdit>(w, "Etabname")->maxLength(), 10);
        QCOMPARE(Find<QLineEdit>(w, "Etabheader")->maxLength(), 40);
        // The system colour stays a system colour when not touched.
        QCOMPARE(w.TakeParams().fields, Sample().fields);
        QCOMPARE(Find<QLabel>(w, "Panel1")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }

    void coloursAreStoredInThePlatformForm()
    {
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        QList<std::optional<QColor>> answers{QColor(255, 0, 0), std::nullopt, QColor(0, 128, 255)};
        w.SetColourChooser([&](const QColor &) {
            std::optional<QColor> a = answers.front();
            answers.pop_front();
            return a;
        });
        w.SetParams(1, TableParams::Defaults(1));
        Find<QPushButton>(w, "BBpanel_color")->click();
        Find<QPushButton>(w, "BBpanel_font_color")->click();  // cancelled: unchanged
        QCOMPARE(w.TakeParams().fields[TableParams::PanelColour], QByteArray("255"));
        QCOMPARE(w.TakeParams().fields[TableParams::PanelFontColour], QByteArray("16711680"));
        QCOMPARE(Find<QLabel>(w, "Panel1")->palette().color(QPalette::Window), QColor(255, 0, 0));
        Find<QPushButton>(w, "BBpanel_font_color")->click();
        QCOMPARE(w.TakeParams().fields[TableParams::PanelFontColour], QByteArray::number(0xFF8000));

        Find<QToolButton>(w, "SBset_default_colors")->click();
        QCOMPARE(w.TakeParams().fields[TableParams::PanelColour], QByteArray("-2147483633"));
        QCOMPARE(w.TakeParams().fields[TableParams::PanelFontColour], QByteArray("16711680"));
    }

    void enterMovesToTheNextControl()
    {
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        w.SetParams(1, TableParams::Defaults(1));
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>(w, "Etabname"));
        QTest::keyClick(Find<QLineEdit>(w, "Etabname"), Qt::Key_Return);
        QVERIFY(w.isVisible());
        QVERIFY(QApplication::focusWidget() != Find<QLineEdit>(w, "Etabname"));
    }

    void pickersAndClearing()
    {
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        w.SetParams(1, Sample());
        pickers.answers = {Picked("\xbfwir"), Picked("Nowak"), std::nullopt};
        Find<QPushButton>(w, "BBselect_material")->click();
        Find<QPushButton>(w, "BBselect_operator")->click();
        Find<QPushButton>(w, "BBselect_client")->click();
        QCOMPARE(pickers.opened, (QStringList{"material", "operator", "customer"}));
        TableParams p = w.TakeParams();
        QCOMPARE(p.fields[TableParams::Material], QByteArray("\xbfwir"));
        QCOMPARE(p.fields[TableParams::Operator], QByteArray("Nowak"));
        QCOMPARE(p.fields[TableParams::Customer], QByteArray("\xa3UKASZ"));

        Find<QPushButton>(w, "BBclear")->click();
        p = w.TakeParams();
        QVERIFY(p.fields[TableParams::Order].isEmpty() && p.fields[TableParams::Material].isEmpty() &&
                p.fields[TableParams::Customer].isEmpty() && p.fields[TableParams::Operator].isEmpty());
    }

    // Parametry_tabelaN as konfig.ini may hold it: every text field past its limit.
    static TableParams OverLong()
    {
        TableParams p = Sample();
        p.fields[TableParams::Name] = "Waga przy bramie";  // 16 > 10
        p.fields[TableParams::Description] = "Dostawa \xbfwiru z kopalni " + QByteArray(20, 'x');  // 44 > 40
        p.fields[TableParams::Order] = "WZ/" + QByteArray(110, '1');
        p.fields[TableParams::Material] = "\xafwir p\xb3ukany " + QByteArray(100, 'm');
        p.fields[TableParams::Operator] = "Kowalski " + QByteArray(100, 'k');
        p.fields[TableParams::Customer] = "\xa3UKASZ " + QByteArray(100, 'c');
        return p;
    }

    void overLongValuesAreShownAndKeptWhole_data()
    {
        QTest::addColumn<bool>("administrator");
        QTest::newRow("administrator") << true;
        QTest::newRow("other operator, fields disabled") << false;
    }

    void overLongValuesAreShownAndKeptWhole()
    {
        QFETCH(bool, administrator);
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        w.SetAdministrator(administrator);
        const TableParams p = OverLong();
        w.SetParams(3, p);
        QCOMPARE(Find<QLineEdit>(w, "Etabname")->text(), QStringLiteral("Waga przy bramie"));
        QCOMPARE(Find<QLineEdit>(w, "Ematerial")->text(), QStringLiteral("Żwir płukany ") + QString(100, u'm'));
        QCOMPARE(w.TakeParams().fields, p.fields);

        // The dialog's own way: shown, then OK.
        w.SetParams(3, TableParams::Defaults(3));
        QTimer::singleShot(0, &w, [&w] { Find<QPushButton>(w, "BBok")->click(); });
        const std::optional<TableParams> taken = w.Edit(3, p);
        QVERIFY(taken);
        QCOMPARE(taken->fields, p.fields);
    }

    void typingStopsAtTheLimit()
    {
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        w.SetParams(1, TableParams::Defaults(1));
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *name = Find<QLineEdit>(w, "Etabname");
        name->clear();
        QTest::keyClicks(name, QStringLiteral("Tabela wagi nr 1"));
        QCOMPARE(name->text(), QStringLiteral("Tabela wag"));
        auto *order = Find<QLineEdit>(w, "Ewz");
        order->clear();
        QTest::keyClicks(order, QString(120, u'7'));
        QCOMPARE(w.TakeParams().fields[TableParams::Order], QByteArray(100, '7'));
    }

    void editingAnOverLongValue()
    {
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        w.SetParams(1, OverLong());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        // Nothing can be added to a value already past the limit, but what is
        // there stays; shortening it lowers the ceiling with it.
        auto *name = Find<QLineEdit>(w, "Etabname");
        name->setFocus();
        QTest::keyClick(name, Qt::Key_End);
        QTest::keyClicks(name, QStringLiteral("X"));
        QCOMPARE(name->text(), QStringLiteral("Waga przy bramie"));
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, QStringLiteral("XY"));
        QCOMPARE(name->text(), QStringLiteral("Waga przy bram"));
        // The cursor stays where the user edits; a selection is still typed over.
        QTest::keyClick(name, Qt::Key_Home);
        QTest::keyClick(name, Qt::Key_Delete);
        QCOMPARE(name->cursorPosition(), 0);
        QTest::keyClick(name, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClicks(name, QStringLiteral("Z"));
        QCOMPARE(name->text(), QStringLiteral("Zga przy bram"));
        QCOMPARE(w.TakeParams().fields[TableParams::Name], QByteArray("Zga przy bram"));

        // Emptied, the field takes only as much as the limit again.
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Delete);
        QTest::keyClicks(name, QStringLiteral("Tabela wagi nr 1"));
        QCOMPARE(name->text(), QStringLiteral("Tabela wag"));

        // The clear button does the same for a default.
        Find<QToolButton>(w, "SBclear_material")->click();
        auto *material = Find<QLineEdit>(w, "Ematerial");
        QTest::keyClicks(material, QString(120, u'p'));
        QCOMPARE(material->text(), QString(100, u'p'));

        // A field that was changed gives what it holds; the others stay whole.
        const TableParams taken = w.TakeParams();
        QCOMPARE(taken.fields[TableParams::Name], QByteArray("Tabela wag"));
        QCOMPARE(taken.fields[TableParams::Material], QByteArray(100, 'p'));
        QCOMPARE(taken.fields[TableParams::Customer], OverLong().fields[TableParams::Customer]);
    }

    void nonAdministratorChangesOnlyTheThreeDefaults()
    {
        ScriptedPickers pickers;
        TableParamsWindow w(&pickers);
        w.SetAdministrator(false);
        w.SetParams(1, Sample());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const char *name : {"Eoperator", "BBselect_operator", "SBdelete_operator", "Etabname", "Etabheader",
                                 "BBpanel_color", "BBpanel_font_color", "SBset_default_colors"})
            QVERIFY2(!Find<QWidget>(w, name)->isEnabled(), name);
        QVERIFY(Find<QWidget>(w, "BBselect_material")->isEnabled());
        QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>(w, "Ewz"));
        Find<QPushButton>(w, "BBclear")->click();
        const TableParams p = w.TakeParams();
        QCOMPARE(p.fields[TableParams::Operator], QByteArray("Kowalski"));
        QVERIFY(p.fields[TableParams::Material].isEmpty());
    }
};

QTEST_MAIN(TestTableParamsWindow)
#include "tst_table_params_window.moc"
