// The main window reading a real scale link: the simulator on a
// pseudo-terminal, and a local TCP server that goes away and comes back.

#include "app/ui/main_window.h"
#include "main_window_test_options.h"
#include "scale/scale_link.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindowLink : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    MainWindowOptions Options()
    {
        return TestOptions(dir_, &prompts_);
    }
    static QString Shown(MainWindow &w) { return ShownWeight(w); }

    // The simulator on a pseudo-terminal reached through `link`, always `weight`.
    static bool StartSimulatorOnPty(QProcess &sim, const QString &link, const QString &weight)
    {
        sim.start(QStringLiteral(POMIARY_BIN_DIR "/scale-sim"),
                  {"--pty", "--link", link, "--cycle", "fixed=" + weight, "--interval-ms", "50"});
        return sim.waitForStarted() && QTest::qWaitFor([&] { return QFile::exists(link); }, 10000);
    }

private slots:
    void init() { QDir(dir_.path()).mkpath("dane"); }

    void serialDeviceAndRateComeFromKonfigAndTheDisplayFollows()
    {
        const QString link = dir_.filePath("ttyScale");
        QProcess sim;
        QVERIFY(StartSimulatorOnPty(sim, link, "12.5"));
        WriteAll(dir_.filePath("dane/konfig.ini"),
                 "Numer_portu_wagi=3\r\nPredkosc_transmisji_wagi=9600\r\nUrzadzenie_portu_wagi=" + link.toUtf8() +
                     "\r\n");
        {
            MainWindow w(Options());
            QCOMPARE(w.StatusPanel(1)->text(), QString("port COM3, 9600bps"));
            QVERIFY(QTest::qWaitFor([&] { return Shown(w) == "0012.50"; }, 10000));
            sim.kill();
            sim.waitForFinished();
            // The device is gone: the status says so and the old weight is not offered.
            QVERIFY(QTest::qWaitFor([&] { return w.StatusPanel(1)->text().startsWith("brak połączenia!"); }, 10000));
            QCOMPARE(Shown(w), QString("- - - - -"));
        }
    }

    void tcpLinkDropsAndRecoversWithoutUserAction()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        WriteAll(dir_.filePath("dane/konfig.ini"),
                 "Polaczenie_wagi=1\r\nAdres_IP_wagi=127.0.0.1\r\nPort_IP_wagi=" + QByteArray::number(port) + "\r\n");
        MainWindow w(Options());
        w.ScaleLink()->SetRetryInterval(200);
        QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 10000));
        QTcpSocket *peer = server.nextPendingConnection();
        QVERIFY(QTest::qWaitFor(
            [&] { return w.StatusPanel(1)->text() == QString("IP 127.0.0.1, port %1").arg(port); }, 10000));
        peer->write("ST,GS,+0003.25kg\r\n");
        QVERIFY(QTest::qWaitFor([&] { return Shown(w) == "0003.25"; }, 10000));

        peer->close();
        server.close();
        QVERIFY(QTest::qWaitFor([&] { return w.StatusPanel(1)->text() == "brak połączenia"; }, 10000));
        QCOMPARE(Shown(w), QString("- - - - -"));

        QVERIFY(server.listen(QHostAddress::LocalHost, port));
        QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 15000));
        peer = server.nextPendingConnection();
        peer->write("ST,GS,+0004.50kg\r\n");
        QVERIFY(QTest::qWaitFor([&] { return Shown(w) == "0004.50"; }, 10000));
        QVERIFY(prompts_.messages.isEmpty());
    }

    void portSettingsWindowReopensTheLinkOnOk()
    {
        const QString link = dir_.filePath("ttyScale2");
        QProcess sim;
        QVERIFY(StartSimulatorOnPty(sim, link, "7.25"));
        WriteAll(dir_.filePath("dane/konfig.ini"), "Urzadzenie_portu_wagi=" + dir_.filePath("nope").toUtf8() + "\r\n");
        MainWindow w(Options());
        QCOMPARE(w.StatusPanel(1)->text(), QString("brak połączenia! (port COM2, 1200bps)"));
        // "Waga...": COM3 at 9600 on the simulator's device, then OK.
        QTimer::singleShot(0, [&] {
            auto *dialog = w.findChild<QDialog *>("TFormUstaw");
            dialog->findChild<QRadioButton *>("RBport3")->setChecked(true);
            dialog->findChild<QRadioButton *>("RBspeed9600")->setChecked(true);
            dialog->findChild<QComboBox *>("CBdevice")->setEditText(link);
            dialog->findChild<QPushButton *>("BBok")->click();
        });
        w.findChild<QPushButton *>("BBsetrs")->click();
        QCOMPARE(w.StatusPanel(1)->text(), QString("port COM3, 9600bps"));
        QVERIFY(QTest::qWaitFor([&] { return Shown(w) == "0007.25"; }, 10000));
        QCOMPARE(w.Config().scalePort.portName, QByteArray("COM3"));
        sim.kill();
        sim.waitForFinished();
    }

    void missingDefaultPortShowsTheFailureText()
    {
        QFile::remove(dir_.filePath("dane/konfig.ini"));
        // COM2 is /dev/ttyS1 by default; point it at a path that cannot exist.
        WriteAll(dir_.filePath("dane/konfig.ini"), "Urzadzenie_portu_wagi=" + dir_.filePath("nope").toUtf8() + "\r\n");
        MainWindow w(Options());
        QCOMPARE(w.StatusPanel(1)->text(), QString("brak połączenia! (port COM2, 1200bps)"));
        QCOMPARE(w.StatusPanel(1)->toolTip(), "Urządzenie nie istnieje (" + dir_.filePath("nope") + ")");
        QCOMPARE(Shown(w), QString("- - - - -"));
        QVERIFY(prompts_.messages.isEmpty());
    }

    void ethernetScaleThatNeverConnectsShowsNoWeight()
    {
        quint16 port;
        {
            QTcpServer probe;  // a free port, then nobody listening there
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        WriteAll(dir_.filePath("dane/konfig.ini"),
                 "Polaczenie_wagi=1\r\nAdres_IP_wagi=127.0.0.1\r\nPort_IP_wagi=" + QByteArray::number(port) + "\r\n");
        MainWindow w(Options());
        // From the start: the start-up zero is no weight to take or tare.
        QCOMPARE(Shown(w), QString("- - - - -"));
        w.BBset_tareClick();
        QCOMPARE(prompts_.MessageTexts(), QStringList{"Brak pomiaru!"});
        const QString refused = QString("Odmowa połączenia (127.0.0.1:%1)").arg(port);
        QVERIFY(QTest::qWaitFor([&] { return w.StatusPanel(1)->toolTip() == refused; }, 10000));
        QCOMPARE(w.StatusPanel(1)->text(), QString("brak połączenia"));
        QCOMPARE(Shown(w), QString("- - - - -"));
    }
};

QTEST_MAIN(TestMainWindowLink)
#include "tst_main_window_link.moc"
