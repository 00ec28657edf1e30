// The main window with a central database: a panel of its own in the status
// bar tells the state; a server that never answers does not hold up the
// display of the scale; without dane/baza.ini nothing of it is there.

#include "app/ui/main_window.h"
#include "app/ui/main_window_test_options.h"
#include "central/central_sender.h"
#include "central/pg_server.h"
#include "output/main_layout.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestMainWindowCentral : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;

    QString Dane(const char *name) const { return dir_.filePath(QStringLiteral("dane/") + name); }
    static QLabel *Panel(MainWindow &w) { return w.findChild<QLabel *>("StatusPanelBaza"); }
    qint64 JournalLines() const { return ReadAll(Dane("dziennik.txt")).count("\r\n"); }

private slots:
    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.filePath("dane"));
    }

    void withoutBazaIniTheWindowIsAsEver()
    {
        {
            MainWindow w(TestOptions(dir_, &prompts_));
            QCOMPARE(Panel(w), nullptr);
            QCOMPARE(w.CentralSending(), nullptr);
        }
        // An empty connection is the same as no file.
        WriteAll(Dane("baza.ini"), "polaczenie=\r\nstanowisko=Waga 1\r\n");
        MainWindow w(TestOptions(dir_, &prompts_));
        QCOMPARE(Panel(w), nullptr);
        QCOMPARE(w.CentralSending(), nullptr);
    }

    void anUnreadableBazaIniIsShownAsASettingsError()
    {
        QDir().mkpath(Dane("baza.ini"));
        MainWindow w(TestOptions(dir_, &prompts_));
        QVERIFY(Panel(w));
        QCOMPARE(Panel(w)->text(), QString("Baza: błąd ustawień"));
        QCOMPARE(Panel(w)->toolTip(), QString("Nie można odczytać pliku dane/baza.ini"));
        QVERIFY(prompts_.messages.isEmpty());
    }

    void thePanelIsWhollyInsideTheWindowAtItsUsualWidth()
    {
        WriteAll(Dane("baza.ini"), "polaczenie=host=127.0.0.1 port=1 dbname=x user=y connect_timeout=1\r\n"
                                   "stanowisko=Waga 1\r\n");
        MainWindow w(TestOptions(dir_, &prompts_));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int width : {MainLayout::kDesignWidth, MainLayout::kDesignWidth + 300}) {
            w.resize(width, w.height());
            QTRY_COMPARE(w.width(), width);
            QLabel *panel = Panel(w);
            QVERIFY(panel->isVisible());
            const QRect inBar(panel->mapTo(w.statusBar(), QPoint(0, 0)), panel->size());
            QVERIFY2(inBar.right() < w.statusBar()->width(), qPrintable(QString::number(inBar.right())));
            QVERIFY(panel->fontMetrics().horizontalAdvance("Baza: brak połączenia, czeka 99999") < panel->width());
            // The scale's panel keeps room for the link's text.
            QVERIFY(w.findChild<QLabel *>("StatusPanel1")->width() >= 130);
        }
    }

    void theDisplayFollowsTheScaleWhileTheServerNeverAnswers()
    {
        QTcpServer mute;  // accepts, then says nothing: libpq would wait for ever
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        WriteAll(Dane("baza.ini"), "polaczenie=host=127.0.0.1 port=" + QByteArray::number(mute.serverPort()) +
                                       " dbname=pomiary user=waga1\r\nstanowisko=Waga 1\r\n");
        QTcpServer scale;
        QVERIFY(scale.listen(QHostAddress::LocalHost));
        WriteAll(Dane("konfig.ini"), "Polaczenie_wagi=1\r\nAdres_IP_wagi=127.0.0.1\r\nPort_IP_wagi=" +
                                         QByteArray::number(scale.serverPort()) + "\r\n");
        MainWindow w(TestOptions(dir_, &prompts_));
        w.show();
        QVERIFY(Panel(w));
        QCOMPARE(Panel(w)->text(), QString("Baza: łączenie..."));
        QVERIFY(QTest::qWaitFor([&] { return scale.hasPendingConnections(); }, 10000));
        QTcpSocket *peer = scale.nextPendingConnection();

        // While the sender waits on the mute server (5 s), every weight sent
        // reaches the display at once and the event loop never stalls.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, worstGap = 0, worstLag = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            worstGap = std::max(worstGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        beat.start(10);
        int sent = 0;
        while (!Panel(w)->text().startsWith("Baza: brak połączenia") && clock.elapsed() < 15000) {
            const QString weight = QStringLiteral("%1.25").arg(++sent, 4, 10, QLatin1Char('0'));
            peer->write("ST,GS,+" + weight.toLatin1() + "kg\r\n");
            peer->flush();
            QElapsedTimer lag;
            lag.start();
            QVERIFY2(QTest::qWaitFor([&] { return ShownWeight(w) == weight; }, 2000), qPrintable(weight));
            worstLag = std::max(worstLag, lag.elapsed());
            QTest::qWait(90);
        }
        beat.stop();
        QVERIFY2(worstGap < 250, qPrintable(QString("the window stalled %1 ms").arg(worstGap)));
        QVERIFY2(worstLag < 500, qPrintable(QString("a weight took %1 ms").arg(worstLag)));
        // The attempt lasted its whole timeout, all the while the weights came.
        QVERIFY2(sent >= 40, qPrintable(QString("%1 weights").arg(sent)));
        QVERIFY(QTest::qWaitFor([&] { return Panel(w)->text().startsWith("Baza: brak połączenia"); }, 10000));
        QCOMPARE(Panel(w)->text(), QString("Baza: brak połączenia, czeka %1").arg(JournalLines()));
        QCOMPARE(Panel(w)->toolTip(), QString("Przekroczony czas oczekiwania na serwer bazy"));
        // Closing does not wait for the attempt under way.
        clock.restart();
        w.close();
        QVERIFY(prompts_.messages.isEmpty());
    }

    void aReachableServerIsShownConnectedAndGetsTheJournal()
    {
        central_test::PgServer pg;
        QVERIFY2(pg.Start(), qPrintable(pg.LastError()));
        QVERIFY2(pg.SetUpCentral({{"Waga 1", "waga1"}}), qPrintable(pg.LastError()));
        WriteAll(Dane("baza.ini"), "polaczenie=" + pg.Conninfo("waga1") + "\r\nstanowisko=Waga 1\r\n");
        MainWindow w(TestOptions(dir_, &prompts_));
        w.show();
        QVERIFY(QTest::qWaitFor([&] { return Panel(w)->text() == "Baza: połączono"; }, 15000));
        QCOMPARE(Panel(w)->toolTip(), QString("Wszystkie zdarzenia dziennika są w bazie"));
        w.Scale().DecodeLine("12.50");
        w.findChild<QPushButton *>("BBdodaj")->click();
        // Whatever the journal holds by now reaches the server, and nothing else.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return pg.Query("SELECT ostatni_seq FROM pomiary.stanowiska").toLongLong() == JournalLines() - 1 &&
                       Panel(w)->text() == "Baza: połączono";
            },
            15000));
        QCOMPARE(pg.Query("SELECT count(*) FROM pomiary.zdarzenia").toLongLong(), JournalLines());
        QCOMPARE(w.CentralSending()->Status().waiting, 0);
    }
};

QTEST_MAIN(TestMainWindowCentral)
#include "tst_main_window_central.moc"
