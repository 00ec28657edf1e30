// The main window under the offscreen platform.

#include "app/ui/main_window.h"
#include "main_window_test_options.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <QAccessible>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QRandomGenerator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    ManualClock clock_{QDateTime(QDate(2024, 5, 17), QTime(14, 3))};

    MainWindowOptions Options()
    {
        MainWindowOptions o = TestOptions(dir_, &prompts_);
        o.clock = &clock_;
        o.openScaleLink = false;
        return o;
    }
    QString Konfig() const { return dir_.filePath("dane/konfig.ini"); }

private slots:
    void init()
    {
        QDir(dir_.path()).mkpath("dane");
        QFile::remove(Konfig());
        prompts_ = ScriptedPrompts();
    }

    void captionStatusBarAndControls()
    {
        MainWindow w(Options());
        QCOMPARE(w.objectName(), QString("TForm1"));
        QCOMPARE(w.windowTitle(), QString("Program do archiwizacji pomiarów - QZ"));
        QCOMPARE(w.minimumSize(), QSize(920, 573));
        QCOMPARE(w.StatusPanel(0)->text(), QString("Połączenie z wagą:"));
        QCOMPARE(w.StatusPanel(2)->text(), QString("Połączenie z drukarką:"));
        QCOMPARE(w.StatusPanel(4)->text(), QString("Operator:"));
        QCOMPARE(w.StatusPanel(3)->text(), QString("<brak drukarki>"));  // offscreen has no printer
        w.show();

        const char *names[] = {"Ldisplay", "Ljednost", "Ltara", "BBset_tare", "Ltarefrombox", "BBdodaj",
                               "SBauto_dodaj", "BBfilter", "Lfilter_status", "GBdrukuj", "BBdrukuj",
                               "PCustawienia", "Eparam1", "Eparam2", "BBusun", "BBmasa", "BBtara", "BBprice",
                               "BBwz", "BBmaterial", "BBbox", "BBwytop", "BBklient", "Ptop_center", "Label1",
                               "Image1", "Ldisp_etyk_sum_g", "Ldisp_etyk_value", "SBselectall", "SBselectdown"};
        for (const char *n : names)
            QVERIFY2(w.findChild<QWidget *>(n), n);
        // No link was opened: no weight is current.
        QCOMPARE(w.findChild<QLabel *>("Ldisplay")->text(), QString("- - - - -"));
        QCOMPARE(w.findChild<QLabel *>("Ljednost")->text(), QString("kg"));
        QCOMPARE(w.findChild<QPushButton *>("BBdodaj")->text(), QString("  Dodaj pomiar"));
        QCOMPARE(w.findChild<QToolButton *>("SBauto_dodaj")->accessibleName(),
                 QString("Automatyczne dodawanie pomiarów"));
        QCOMPARE(w.findChild<QLineEdit *>("Eparam1")->maxLength(), 40);
        QVERIFY(w.findChild<QLabel *>("Image1")->toolTip().count('\n') == 2);
        auto *pages = w.findChild<QTabWidget *>("PCustawienia");
        QCOMPARE(pages->tabText(pages->currentIndex()), QString("Zegar"));
        QVERIFY(!pages->isTabVisible(0));
        QVERIFY(!w.findChild<QLabel *>("Lfilter_status")->isVisible());
        QVERIFY(!w.findChild<QLabel *>("Ltarefrombox")->isVisible());
        QVERIFY(w.findChild<QLabel *>("Ltara")->isVisible());
        QVERIFY(prompts_.messages.isEmpty());
    }

    void insertFromAnyFocusedControlReachesTheAddHandler()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy adds(&w, &MainWindow::addWeighingRequested);
        w.Scale().DecodeLine("12.50");
        auto *edit = w.findChild<QLineEdit *>("Eparam1");
        w.findChild<QTabWidget *>("PCustawienia")->setCurrentIndex(3);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Insert);
        QCOMPARE(adds.size(), 1);
        QVERIFY(edit->text().isEmpty());  // the key never reached the field
        auto *button = w.findChild<QPushButton *>("BBfilter");
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Insert);
        QCOMPARE(adds.size(), 2);
        QTest::keyClick(button, Qt::Key_Delete);  // no other key is handled
        QCOMPARE(adds.size(), 2);
        QCOMPARE(w.Log().lastAddCode, 3);
        QCOMPARE(w.Tables().Active().RowCount(), 2);
    }

    void konfigWrittenOnCloseWithEveryKeyAndTheUserFields()
    {
        WriteAll(Konfig(), "log\r\nJednostka=t\r\nSzerokosc_kolumny_cena=0\r\nTara_z_opakowania=1\r\n");
        {
            MainWindow w(Options());
            QCOMPARE(w.findChild<QLabel *>("Ljednost")->text(), QString("t"));
            QCOMPARE(w.findChild<QLabel *>("Ldisp_etyk_sum_n")->text(), QString("0.00 t"));
            w.show();
            QVERIFY(!w.findChild<QPushButton *>("BBprice")->isVisible());
            QVERIFY(!w.findChild<QPushButton *>("BBset_tare")->isVisible());
            QVERIFY(w.findChild<QLabel *>("Ltarefrombox")->isVisible());
            auto *param1 = w.findChild<QLineEdit *>("Eparam1");
            param1->setText(QString::fromUtf8("Odbiorca: Żwirownia"));
            param1->insert(QString::fromUtf8("日"));  // typed or pasted: no cp1250 byte for it
            QCOMPARE(param1->text(), QString("Odbiorca: Żwirownia"));
            // A pasted line break would split the setting's line in konfig.ini.
            w.findChild<QLineEdit *>("Eparam2")->insert("Plac 2\r\nBrama 1");
            w.close();
        }
        const QByteArray written = ReadAll(Konfig());
        QVERIFY(written.startsWith("Numer_portu_wagi=2\r\n"));
        QVERIFY(written.endsWith("\r\nlog\r\n"));
        QVERIFY(written.contains("\r\nDane_uzytkownika1=Odbiorca: \xAFwirownia\r\n"));
        QVERIFY(written.contains("\r\nDane_uzytkownika2=Plac 2  Brama 1\r\n"));
        QVERIFY(written.contains("\r\nJednostka=t\r\n"));
        QCOMPARE(written.count("\r\n"), 88);  // 67 keys, 20 of our own, "log"
    }

    void userFieldsHoldWhatTheirKeysHold()
    {
        // 40 characters, as much as Dane_uzytkownika1 keeps.
        const QByteArray full = "Kopalnia \xafwiru \x8cl\xb9sk, " + QByteArray(12, '9') + " Toru\xf1";
        QCOMPARE(full.size(), 40);
        // A TAB in the second one is shown as a blank but written back as it was.
        WriteAll(Konfig(), "Dane_uzytkownika1=" + full + "\r\nDane_uzytkownika2=Plac\t2\r\n");
        {
            MainWindow w(Options());
            QCOMPARE(w.findChild<QLineEdit *>("Eparam1")->text().size(), 40);
            QCOMPARE(w.findChild<QLineEdit *>("Eparam2")->text(), QString("Plac 2"));
            w.close();
        }
        QVERIFY(ReadAll(Konfig()).contains("\r\nDane_uzytkownika2=Plac\t2\r\n"));
        {
            MainWindow w(Options());
            auto *param2 = w.findChild<QLineEdit *>("Eparam2");
            param2->clear();
            QTest::keyClicks(param2, QString(45, u'x'));
            QCOMPARE(param2->text(), QString(40, u'x'));
            w.close();
        }
        const QByteArray written = ReadAll(Konfig());
        QVERIFY(written.contains("\r\nDane_uzytkownika1=" + full + "\r\n"));
        QVERIFY(written.contains("\r\nDane_uzytkownika2=" + QByteArray(40, 'x') + "\r\n"));
    }

    void konfigThatCannotBeReadIsToldOnceAndKeptAtClose()
    {
        // A FIFO: opening it for reading would wait for a writer forever.
        QVERIFY(::mkfifo(QFile::encodeName(Konfig()).constData(), 0600) == 0);
        {
            MainWindow w(Options());
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(prompts_.MessageTexts(),
                     QStringList{QString::fromUtf8("Nie można odczytać pliku konfiguracyjnego: %1.\n"
                                                   "Ustawienia nie zostaną zapisane.")
                                     .arg(Konfig())});
            QCOMPARE(prompts_.messages[0].icon, UserPrompts::Icon::Warning);
            w.close();
        }
        QCOMPARE(prompts_.messages.size(), 1);
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(Konfig()).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QFile::remove(Konfig());
    }

    void secondCopyIsRefusedAndWritesNothing()
    {
        MainWindow first(Options());
        QVERIFY(!first.TerminateRequested());
        MainWindow second(Options());
        QVERIFY(second.TerminateRequested());
        QCOMPARE(prompts_.MessageTexts(), QStringList{"Program jest już w uruchomiony!"});
        QVERIFY(!QFile::exists(Konfig()));
        // The same data folder is refused even where the machine lock is another one.
        MainWindowOptions o = Options();
        o.instanceLockPath = dir_.filePath("other-machine.lock");
        MainWindow third(o);
        QVERIFY(third.TerminateRequested());
        QCOMPARE(prompts_.MessageTexts().size(), 2);
    }

    void tareButtonAndTypedTare()
    {
        MainWindow w(Options());
        w.Scale().FeedSerialBytes("ST,GS,+0012.50kg\r");
        QCOMPARE(w.findChild<QLabel *>("Ldisplay")->text(), QString("0012.50"));
        w.findChild<QPushButton *>("BBset_tare")->click();
        QCOMPARE(w.findChild<QLabel *>("Ltara")->text(), QString("0012.50"));
        w.Scale().FeedSerialBytes("600.00\r");
        QCOMPARE(w.findChild<QLabel *>("Ldisplay")->text(), QString("* * * * *"));
        w.BBset_tareClick();
        QCOMPARE(prompts_.MessageTexts(), QStringList{"Brak pomiaru!"});
        prompts_.inputAnswers = {QString("2,5")};
        QTest::mouseClick(w.findChild<QLabel *>("Ltara"), Qt::LeftButton);
        QCOMPARE(w.findChild<QLabel *>("Ltara")->text(), QString("2.50"));
    }

    void labelGroupAndStatusPanels()
    {
        // Their places with and without the value total: tst_main_window_layout.
        MainWindow w(Options());
        w.show();
        QCOMPARE(w.findChild<QGroupBox *>("GBdrukuj")->title(), QString("    Drukuj etykietę"));
        QCOMPARE(w.findChild<QPushButton *>("BBdrukuj")->text(), QString("    Drukuj etykietę"));
        const std::tuple<const char *, const char *, const char *, const char *> totals[] = {
            {"Ldisp_etyk_sum_g0", "Suma brutto:", "Ldisp_etyk_sum_g", "Łączna masa brutto na etykiecie"},
            {"Ldisp_etyk_sum_n0", "Suma netto:", "Ldisp_etyk_sum_n", "Łączna masa netto na etykiecie"},
            {"Ldisp_etyk_sum_tare0", "Suma tara:", "Ldisp_etyk_sum_tare", "Łączna tara na etykiecie"},
            {"Ldisp_etyk_num0", "Ilość pom.:", "Ldisp_etyk_num", "Liczba pozycji na etykiecie"},
            {"Ldisp_etyk_value0", "Wartość:", "Ldisp_etyk_value", "Łączna wartość w tabeli"}};
        for (const auto &[captionName, caption, valueName, hint] : totals) {
            QCOMPARE(w.findChild<QLabel *>(captionName)->text(), QString::fromUtf8(caption));
            QCOMPARE(w.findChild<QLabel *>(valueName)->toolTip(), QString::fromUtf8(hint));
        }
        QCOMPARE(w.findChild<QToolButton *>("SBselectall")->toolTip(), QString("Zaznacz / odznacz wszystkie pomiary"));
        QCOMPARE(w.findChild<QToolButton *>("SBselectdown")->accessibleName(),
                 QString("Zaznacz / odznacz bieżący pomiar i następne"));
        for (int i : {0, 2, 4})
            QCOMPARE(w.StatusPanel(i)->frameShadow(), QFrame::Raised);
        for (int i : {0, 2})
            QVERIFY(w.StatusPanel(i)->alignment() & Qt::AlignRight);
    }

    void insertInAnOpenDialogDoesNotAdd()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy adds(&w, &MainWindow::addWeighingRequested);
        QDialog dialog(&w);
        auto *edit = new QLineEdit(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Insert);
        QCOMPARE(adds.size(), 0);
        dialog.close();
        QTest::keyClick(w.findChild<QPushButton *>("BBdodaj"), Qt::Key_Insert);
        QCOMPARE(adds.size(), 1);
    }

    void oddScaleInputNeverHurtsTheWindow()
    {
        MainWindow w(Options());
        w.show();
        QRandomGenerator rng(42);
        QElapsedTimer timer;
        timer.start();
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (int i = 0; i < 64; ++i) {  // 4 MiB of random bytes on each source
            rng.fillRange(reinterpret_cast<quint32 *>(chunk.data()), chunk.size() / 4);
            w.Scale().FeedSerialBytes(chunk);
            w.Scale().FeedSocketBytes(chunk);
        }
        // Then lines that are nearly numbers, and no line end at all for a long while.
        for (const char *line : {"-", ".", ",", "--1", "1e999", "ST,GS,", "ST,GS", "US,NT,-", "0 ", " 0 -", "1 +", "9"})
            w.Scale().FeedSerialBytes(QByteArray(line) + '\r');
        w.Scale().FeedSerialBytes(QByteArray(8 << 20, '7'));
        w.Scale().FeedSerialBytes("\r1.25\r");
        QCOMPARE(w.findChild<QLabel *>("Ldisplay")->text(), QString("1.25"));
        qInfo() << "8 MiB random + 8 MiB without line end took" << timer.elapsed() << "ms";
        QVERIFY(timer.elapsed() < 60000);
    }

    void screenReaderHearsWhatTheDisplayShows()
    {
        // The accessible name is what a screen reader reads; Qt announces each
        // change of it (offscreen has no accessibility bridge to watch that).
        MainWindow w(Options());
        auto *display = w.findChild<QLabel *>("Ldisplay");
        auto spoken = [&] { return QAccessible::queryAccessibleInterface(display)->text(QAccessible::Name); };
        QCOMPARE(spoken(), QString("Aktualna masa: - - - - -"));
        w.Scale().FeedSerialBytes("ST,GS,+0012.50kg\r");
        QCOMPARE(spoken(), QString("Aktualna masa: 0012.50 kg"));
        w.Scale().FeedSerialBytes("600\r");
        QCOMPARE(spoken(), QString("Aktualna masa: * * * * *"));
        w.Scale().FeedSerialBytes("12.5.3\r");  // unreadable: the display is empty
        QCOMPARE(spoken(), QString("Aktualna masa"));
    }

    void longWeightsShrinkToFitTheDisplay()
    {
        MainWindow w(Options());
        auto *display = w.findChild<QLabel *>("Ldisplay");
        w.Scale().DecodeLine("-9999.99");
        QCOMPARE(display->font().pixelSize(), 96);
        w.Scale().SetMaxMass(1000000);
        w.Scale().DecodeLine("US,GS,+00123456.789kg");
        QCOMPARE(display->text(), QString("00123456.789"));
        QVERIFY(display->font().pixelSize() < 96);
        QVERIFY(QFontMetrics(display->font()).horizontalAdvance(display->text()) <= display->width());
        w.Scale().DecodeLine("1.5");
        QCOMPARE(display->font().pixelSize(), 96);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
