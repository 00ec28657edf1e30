// The road of a weighing through the main window: a scale on a real link,
// the adding and correcting buttons, the table parameters, the filter and
// automatic adding, down to the working file and back after a restart.

#include "app/ui/main_window.h"
#include "main_window_test_options.h"
#include "scale/scale_link.h"
#include "scale/ui/auto_add_window.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/measurement_record.h"
#include "tables/ui/filter_window.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/table_pages.h"
#include "tables/ui/table_params_window.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestMainWindowWeighings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    MainWindowOptions Options()
    {
        return TestOptions(dir_, &prompts_);
    }
    QString Dane(const char *name) const { return dir_.filePath(QStringLiteral("dane/") + name); }
    static QString Shown(MainWindow &w) { return ShownWeight(w); }

    // The simulator serving TCP; its port, or 0.
    static quint16 StartSimulatorOnTcp(QProcess &sim, const QStringList &args, quint16 port = 0)
    {
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.start(QStringLiteral(POMIARY_BIN_DIR "/scale-sim"),
                  QStringList{"--tcp", QString::number(port), "--bind", "127.0.0.1"} + args);
        if (!sim.waitForStarted() || !QTest::qWaitFor([&] { return sim.canReadLine(); }, 10000))
            return 0;
        const QByteArray line = sim.readLine().trimmed();  // "TCP <port>"
        return line.startsWith("TCP ") ? quint16(line.mid(4).toUInt()) : 0;
    }

    void WriteKonfigForTcp(quint16 port, const QByteArray &more = {})
    {
        WriteAll(Dane("konfig.ini"), "Polaczenie_wagi=1\r\nAdres_IP_wagi=127.0.0.1\r\nPort_IP_wagi=" +
                                         QByteArray::number(port) + "\r\n" + more);
    }

    // A load cycle of 30 lines at 50 ms: empty for a second, loading in
    // steps too large to be stable, four readings close together, unloading.
    QString CycleScript()
    {
        const QString path = dir_.filePath("cycle.txt");
        WriteAll(path, "0 20\n25\n55\n85\n120\n121\n122\n123\n70\n20\n0 3\n");
        return path;
    }

private slots:
    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.filePath("dane"));
        prompts_ = ScriptedPrompts();
    }

    void insertOnALiveScaleAddsARowThatSurvivesARestart()
    {
        // The simulator on a pseudo-terminal, as a serial scale.
        const QString link = dir_.filePath("ttyScale");
        QProcess sim;
        sim.start(QStringLiteral(POMIARY_BIN_DIR "/scale-sim"),
                  {"--pty", "--link", link, "--cycle", "fixed=12.5", "--interval-ms", "50"});
        QVERIFY(sim.waitForStarted() && QTest::qWaitFor([&] { return QFile::exists(link); }, 10000));
        WriteAll(Dane("konfig.ini"), "Predkosc_transmisji_wagi=9600\r\nUrzadzenie_portu_wagi=" + link.toUtf8() + "\r\n");
        {
            MainWindow w(Options());
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(QTest::qWaitFor([&] { return Shown(w) == "0012.50"; }, 10000));
            QTest::keyClick(w.findChild<QTabWidget *>("PCdata"), Qt::Key_Insert);
            QCOMPARE(w.Tables().Active().RowCount(), 1);
            QCOMPARE(Field(w.Tables().Active().Line(0), ColGross), QByteArray("0012.50"));
            QCOMPARE(Field(w.Tables().Active().Line(0), ColOperator), QByteArray("ADMINISTRATOR"));
            w.close();
        }
        sim.kill();
        sim.waitForFinished();
        QVERIFY(ReadAll(Dane("pomiary1.txt")).startsWith("1\t"));
        MainWindow again(Options());
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.Tables().Table(1).RowCount(), 1);
        QVERIFY(prompts_.messages.isEmpty());
    }

    void loadCyclesAddOneRowEachInTheFirstTwoModes()
    {
        for (int mode : {0, 1}) {
            init();
            QProcess sim;
            const quint16 port =
                StartSimulatorOnTcp(sim, {"--script", CycleScript(), "--interval-ms", "50", "--count", "60"});
            QVERIFY(port);
            WriteKonfigForTcp(port, "Auto_dodawanie=1\r\nAuto_dodawanie_min=50\r\nAuto_dodawanie_delta=10\r\n"
                                    "Auto_dodawanie_pierwszy=" +
                                        QByteArray::number(mode) + "\r\n");
            MainWindow w(Options());
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(w.findChild<QToolButton *>("SBauto_dodaj")->isChecked());
            QVERIFY(sim.waitForFinished(20000));
            QTest::qWait(300);
            MeasurementTable &t = w.Tables().Active();
            QCOMPARE(t.RowCount(), 2);
            const QByteArray expected = mode == 0 ? "0121.00" : "0123.00";
            for (int r = 0; r < 2; ++r)
                QCOMPARE(Field(t.Line(r), ColGross), expected);
            QCOMPARE(ReadAll(Dane("pomiary1.txt")).count('\n'), 2);
        }
    }

    void everyValueModeIgnoresAReconnectWithTheSameLoad()
    {
        auto sim = std::make_unique<QProcess>();
        const quint16 port = StartSimulatorOnTcp(*sim, {"--cycle", "fixed=40", "--interval-ms", "50"});
        QVERIFY(port);
        WriteKonfigForTcp(port, "Auto_dodawanie=1\r\nAuto_dodawanie_pierwszy=2\r\n");
        MainWindow w(Options());
        w.ScaleLink()->SetRetryInterval(200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(QTest::qWaitFor([&] { return w.Tables().Active().RowCount() == 1; }, 10000));
        // The simulator killed and started again: the link drops and comes back.
        for (const char *load : {"fixed=40", "fixed=40", "fixed=41"}) {
            sim->kill();
            sim->waitForFinished();
            QVERIFY(QTest::qWaitFor([&] { return Shown(w) == "- - - - -"; }, 10000));
            sim = std::make_unique<QProcess>();
            QCOMPARE(StartSimulatorOnTcp(*sim, {"--cycle", load, "--interval-ms", "50"}, port), port);
            QVERIFY(QTest::qWaitFor([&] { return Shown(w).startsWith("004"); }, 15000));
            QTest::qWait(200);
        }
        // Two reconnects with the same load added nothing; the new load did.
        QCOMPARE(w.Tables().Active().RowCount(), 2);
        sim->kill();
        sim->waitForFinished();
    }

    void buttonsOfTheBottomBarCorrectTheCurrentRow()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Scale().DecodeLine("100.00");
        w.findChild<QPushButton *>("BBdodaj")->click();
        w.findChild<QPushButton *>("BBdodaj")->click();
        prompts_.inputAnswers = {QString("15")};
        w.findChild<QPushButton *>("BBtara")->click();
        QCOMPARE(Field(w.Tables().Active().Line(1), ColTare), QByteArray("15.00"));
        QCOMPARE(Field(w.Tables().Active().Line(1), ColNet), QByteArray("85.00"));
        // The order window for the current row and the ones after it.
        w.Tables().Active().SetCurrentRow(0);
        QTimer::singleShot(0, [&] {
            auto *d = w.findChild<QDialog *>("TFinput_wz");
            d->findChild<QLineEdit *>("Ewz")->setText("WZ/12");
            d->findChildren<QRadioButton *>().at(1)->setChecked(true);
            d->findChild<QPushButton *>("BBok")->click();
        });
        w.findChild<QPushButton *>("BBwz")->click();
        QCOMPARE(Field(w.Tables().Active().Line(1), ColOrder), QByteArray("WZ/12"));
        QCOMPARE(ReadAll(Dane("pomiary1.txt")).count("WZ/12"), 2);
        prompts_.answers = {true};
        QTest::keyClick(w.Pages()->ActiveView(), Qt::Key_Delete);
        QCOMPARE(w.Tables().Active().RowCount(), 1);
        QCOMPARE(prompts_.questions.size(), 1);
    }

    void tableParametersRenameTheTabAndFillNewRows()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Pages()->SetActiveTable(2);
        QTimer::singleShot(0, [&] {
            auto *d = w.findChild<QDialog *>("TFparams");
            QCOMPARE(d->windowTitle(), QString("Parametry - tabela 2"));
            d->findChild<QLineEdit *>("Etabname")->setText("Linia B");
            d->findChild<QLineEdit *>("Etabheader")->setText(QString::fromUtf8("Odbiór"));
            d->findChild<QLineEdit *>("Ewz")->setText("WZ/7");
            d->findChild<QPushButton *>("BBok")->click();
        });
        w.findChild<QToolButton *>("TBparams2")->click();
        QCOMPARE(w.findChild<QTabWidget *>("PCdata")->tabText(1), QString("Linia B   (0)      "));
        QCOMPARE(w.findChild<QLabel *>("P2")->text(), QString::fromUtf8("Linia B - Odbiór"));
        w.Scale().DecodeLine("5.00");
        w.findChild<QPushButton *>("BBdodaj")->click();
        QCOMPARE(Field(w.Tables().Table(2).Line(0), ColOrder), QByteArray("WZ/7"));
        QCOMPARE(w.Tables().Table(1).RowCount(), 0);
    }

    void filterNarrowsTheTablesAndShowsItsLabel()
    {
        WriteAll(Dane("pomiary1.txt"), "1\t2024-05-17 10:00\t1.00\t1.00\t0.00\t0.00\t0.00\t\tPiasek\t\tJAN\t\r\n"
                                       "2\t2024-05-17 11:00\t1.00\t1.00\t0.00\t0.00\t0.00\t\tZwir\t\tJAN\t\r\n");
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.Tables().Table(1).RowCount(), 2);
        QTimer::singleShot(0, [&] {
            auto *d = w.findChild<QDialog *>("TFfilter");
            d->findChild<QLineEdit *>("Ematerial")->setText("piasek");
            d->findChild<QPushButton *>("BBok")->click();
        });
        w.findChild<QPushButton *>("BBfilter")->click();
        QCOMPARE(w.Tables().Table(1).RowCount(), 1);
        QVERIFY(w.findChild<QLabel *>("Lfilter_status")->isVisible());
        QTimer::singleShot(0, [&] {
            auto *d = w.findChild<QDialog *>("TFfilter");
            QCOMPARE(d->findChild<QLineEdit *>("Ematerial")->text(), QString("piasek"));
            d->findChild<QPushButton *>("BBclear")->click();
            d->findChild<QPushButton *>("BBok")->click();
        });
        w.findChild<QPushButton *>("BBfilter")->click();
        QCOMPARE(w.Tables().Table(1).RowCount(), 2);
        QVERIFY(!w.findChild<QLabel *>("Lfilter_status")->isVisible());
    }

    // Mode 1 after an append that failed: the scale's lines go on, the load
    // cannot be recorded. One box, opened from the event loop and not from
    // the line that failed; the display follows the scale while it is open.
    void aFailedWriteOnTheScalePathOpensOneBox()
    {
        for (int mode : {1, 2}) {
            init();
            WriteAll(Dane("konfig.ini"), "Auto_dodawanie=1\r\nAuto_dodawanie_min=50\r\nAuto_dodawanie_delta=10\r\n"
                                         "Auto_dodawanie_pierwszy=" + QByteArray::number(mode) + "\r\n");
            WriteAll(Dane("pomiary1.txt"), {});
            QVERIFY(QFile::setPermissions(Dane("pomiary1.txt"), QFileDevice::ReadOwner));
            MainWindowOptions o = Options();
            o.openScaleLink = false;
            MainWindow w(o);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            for (int i = 0; i < 100; ++i)
                w.Scale().DecodeLine(i < 2 ? "100.00" : QByteArray::number(100 + i % 3) + ".00");
            QVERIFY(prompts_.messages.isEmpty());  // not from inside the lines' handling
            // While the box is open the scale goes on: the display follows it.
            prompts_.whileMessageOpen = [&] {
                for (int i = 0; i < 100; ++i) {
                    w.Scale().DecodeLine(QByteArray::number(200 + i % 3) + ".5");
                    QCoreApplication::processEvents();
                }
                QCOMPARE(ShownWeight(w), QString("200.5"));
            };
            QTest::qWait(50);
            QVERIFY(prompts_.messages.value(0).text.endsWith(QString::fromUtf8("Pomiar nie został zapisany.")));
            if (mode == 1) {
                QTest::qWait(100);
                QCOMPARE(prompts_.messages.size(), 1);  // the load's row is gone: nothing to update
            } else {
                // Every new value failed too: once the box is closed, one box says so.
                QVERIFY(QTest::qWaitFor([&] { return prompts_.messages.size() >= 2; }, 5000));
                QTest::qWait(100);
                QCOMPARE(prompts_.messages.size(), 2);
                QVERIFY(prompts_.messages[1].text.startsWith(QString::fromUtf8("W czasie wyświetlania poprzedniego "
                                                                               "komunikatu wystąpiły kolejne (100).")));
            }
            QCOMPARE(w.Tables().Active().RowCount(), 0);
            QCOMPARE(ReadAll(Dane("pomiary1.txt")), QByteArray());
            QFile::setPermissions(Dane("pomiary1.txt"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }

    // A marked row whose net is not a number (a hand-edited file): every
    // update of the load refreshes the totals, but the message comes once.
    void aCellThatIsNotANumberGivesOneBoxForAWholeLoad()
    {
        WriteAll(Dane("konfig.ini"), "Auto_dodawanie=1\r\nAuto_dodawanie_pierwszy=1\r\n");
        WriteAll(Dane("pomiary1.txt"), "1\t2024-05-17 10:00\t1.00\t9O.00\t0.00\t0.00\t0.00\t\tPiasek\t\tJAN\t\r\n");
        MainWindowOptions o = Options();
        o.openScaleLink = false;
        MainWindow w(o);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Tables().Active().SetMark(0, true);
        for (int i = 0; i < 100; ++i)
            w.Scale().DecodeLine(QByteArray::number(100 + i % 3) + ".00");
        QTest::qWait(50);
        QCOMPARE(prompts_.MessageTexts(), QStringList{QString::fromUtf8("'9O.00' nie jest prawidłową liczbą.")});
        QCOMPARE(w.Tables().Active().RowCount(), 2);
        QCOMPARE(Field(w.Tables().Active().Line(1), ColGross), QByteArray("100.00"));  // the last reading
        QCOMPARE(ReadAll(Dane("pomiary1.txt")).count('\n'), 2);
        // After that box is closed, the readings that follow bring it back no more.
        for (int i = 0; i < 50; ++i) {
            w.Scale().DecodeLine(QByteArray::number(100 + i % 3) + ".00");
            QCoreApplication::processEvents();
        }
        QTest::qWait(50);
        QCOMPARE(prompts_.messages.size(), 1);
    }

    void autoAddButtonAsksForSettingsAndConfirmsSwitchingOff()
    {
        MainWindow w(Options());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *toggle = w.findChild<QToolButton *>("SBauto_dodaj");
        QTimer::singleShot(0, [&] {
            auto *d = w.findChild<QDialog *>("TFauto_dodaj");
            d->findChild<QLineEdit *>("Eautoadd_min")->setText("20");
            d->findChild<QRadioButton *>("RBmode1")->setChecked(true);
            d->findChild<QPushButton *>("BBok")->click();
        });
        toggle->click();
        QVERIFY(toggle->isChecked());
        QVERIFY(w.Config().autoAdd);
        QCOMPARE(w.Config().autoAddMin, 20.0);
        QCOMPARE(w.Config().autoAddMode, 1);
        prompts_.answers = {false, true};
        toggle->click();  // "Nie": stays on
        QVERIFY(toggle->isChecked());
        toggle->click();  // "Tak"
        QVERIFY(!toggle->isChecked());
        QVERIFY(!w.Config().autoAdd);
        QCOMPARE(prompts_.questions,
                 QStringList(2, QString::fromUtf8("Czy napewno wyłączyć automatyczne dodawanie pomiarów?")));
        QTimer::singleShot(0, [&] { w.findChild<QDialog *>("TFauto_dodaj")->findChild<QPushButton *>("BBcancel")->click(); });
        toggle->click();  // "Anuluj": released again
        QVERIFY(!toggle->isChecked());
    }
};

QTEST_MAIN(TestMainWindowWeighings)
#include "tst_main_window_weighings.moc"
