// The one-line input window.

#include "app/ui/input_dialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestInputDialog : public QObject {
    Q_OBJECT

private slots:
    void okReturnsTheTextAndCancelReturnsNothing()
    {
        InputDialog w;
        QTimer::singleShot(0, [&] {
            auto *edit = w.findChild<QLineEdit *>("Etext");
            QCOMPARE(edit->selectedText(), QString("0012.50"));  // typing replaces the old text
            QTest::keyClicks(edit, "2,5");
            QTest::keyClick(edit, Qt::Key_Return);  // OK is the default button
        });
        QCOMPARE(w.Ask("Tara", "Podaj tarę:", "0012.50", false), std::optional<QString>("2,5"));
        QCOMPARE(w.windowTitle(), QString("Tara"));
        QCOMPARE(w.objectName(), QString("TFinput"));
        QCOMPARE(w.findChild<QLabel *>("Ldesc")->text(), QString("Podaj tarę:"));

        QTimer::singleShot(0, [&] { w.findChild<QPushButton *>("BBcancel")->click(); });
        QCOMPARE(w.Ask("Tara", "Podaj tarę:", "1", false), std::nullopt);
    }

    void pastedTabsAndLineBreaksBecomeVisibleSpaces()
    {
        // Text copied from a spreadsheet or a note: kept, but never a field separator or a line end.
        InputDialog w;
        QTimer::singleShot(0, [&] {
            auto *edit = w.findChild<QLineEdit *>("Etext");
            QGuiApplication::clipboard()->setText(QString("WZ\t12\r\n3"));
            edit->paste();
            QCOMPARE(edit->text(), QString("WZ 12  3"));
            edit->insert(QString::fromUtf8("\n日"));  // one character cp1250 cannot hold refuses the whole insert
            QCOMPARE(edit->text(), QString("WZ 12  3"));
            w.accept();
        });
        QCOMPARE(w.Ask(QString::fromUtf8("Zamówienie"), "Podaj numer:", "", false),
                 std::optional<QString>("WZ 12  3"));
        w.Prepare("Tara", "Podaj tarę:", "1\t2", false);
        QCOMPARE(w.Text(), QString("1 2"));
    }

    void maskedInputShowsStars()
    {
        InputDialog w;
        w.Prepare("Hasło", "Podaj hasło:", "", true);
        QCOMPARE(w.findChild<QLineEdit *>("Etext")->echoMode(), QLineEdit::Password);
        QCOMPARE(w.findChild<QPushButton *>("BBok")->text(), QString("OK"));
        QCOMPARE(w.findChild<QPushButton *>("BBcancel")->text(), QString("Anuluj"));
        QVERIFY(w.findChild<QPushButton *>("BBok")->isDefault());
        w.Prepare("Tara", "Podaj tarę:", "", false);
        QCOMPARE(w.findChild<QLineEdit *>("Etext")->echoMode(), QLineEdit::Normal);
    }
};

QTEST_MAIN(TestInputDialog)
#include "tst_input_dialog.moc"
