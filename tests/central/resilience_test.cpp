// Nothing is lost and nothing is doubled: the server stopped in the middle
// of a push and started again, the station's sender killed mid-batch and
// started again, a server that accepts a connection and never answers.

#include "central_support.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>

#include <csignal>

using namespace central_test;
using central::CentralStatus;

namespace {

PgServer *pg = nullptr;

class Resilience : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        pg = new PgServer;
        ASSERT_TRUE(pg->Start()) << pg->LastError().toStdString();
        ASSERT_TRUE(pg->SetUpCentral({{"Waga S", "waga_s"}, {"Waga K", "waga_k"}})) << pg->LastError().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete pg;
        pg = nullptr;
    }
    QTemporaryDir dir_;
};

// A backlog of `count` events over the five tables, with edits and deletes among the adds.
void Backlog(StationJournal &j, int count)
{
    for (int i = 0; j.NextSeq() < count; ++i) {
        const int tab = 1 + i % 5;
        j.Add(tab, StationJournal::Weighing(i + 1, "2024-05-17 10:00", "10.00", "8.00", "2.00", "1.00", "8.00",
                                            "m" + QByteArray::number(i % 7), "k"));
        if (i % 50 == 49)
            j.Delete(tab, 1);
        if (i % 30 == 29)
            j.Edit(tab, {{int(j.Lines(tab).size()), StationJournal::Weighing(i, "2024-05-17 11:00", "11.00", "9.00",
                                                                              "2.00", "1.00", "9.00", "e", "k")}});
    }
    j.SetBulk(false);
    j.WriteTables();
}

TEST_F(Resilience, TheServerStoppedDuringAPushLosesNothingAndSendingResumesByItself)
{
    StationJournal j(dir_.filePath("dane"));
    j.SetBulk(true);
    Backlog(j, 6000);
    auto o = TestSenderOptions(dir_.filePath("dane"), pg->Conninfo("waga_s"), "Waga S");
    o.batchEvents = 100;
    auto s = StartSender(o);
    ASSERT_TRUE(WaitFor([&] { return s->Status().confirmed >= 1500; }, 30000)) << s->Status().error.toStdString();
    ASSERT_TRUE(pg->Stop(true)) << pg->LastError().toStdString();
    ASSERT_TRUE(WaitFor([&] { return s->Status().state == CentralStatus::State::NotConnected; }, 20000));
    const CentralStatus down = s->Status();
    EXPECT_LT(down.confirmed, j.NextSeq() - 1);
    EXPECT_EQ(down.waiting, j.NextSeq() - 1 - down.confirmed);
    EXPECT_FALSE(down.error.isEmpty());
    EXPECT_EQ(central::StatusText(down), QString("Baza: brak połączenia, czeka %1").arg(down.waiting));

    // The station goes on weighing while the server is away.
    j.Add(1, StationJournal::Weighing(9001, "2024-05-18 10:00", "1.00", "1.00", "0.00", "1.00", "1.00", "po", "k"));
    j.WriteTables();
    ASSERT_TRUE(WaitFor([&] { return s->Status().waiting == down.waiting + 1; }, 5000));
    QThread::msleep(500);
    EXPECT_EQ(s->Status().state, CentralStatus::State::NotConnected);

    ASSERT_TRUE(pg->StartOnly()) << pg->LastError().toStdString();
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 60000)) << s->Status().error.toStdString();
    ExpectServerHolds(*pg, "Waga S", j);
}

TEST_F(Resilience, AStationKilledMidBatchAndStartedAgainLeavesNoEventMissingOrDoubled)
{
    StationJournal j(dir_.filePath("dane"));
    j.SetBulk(true);
    Backlog(j, 8000);
    const QString probe = QStringLiteral(POMIARY_BIN_DIR "/central_probe");
    const QStringList args{dir_.filePath("dane"), QString::fromUtf8(pg->Conninfo("waga_k")), "Waga K", "250"};
    auto serverHolds = [] {
        return pg->Query("SELECT ostatni_seq FROM pomiary.stanowiska WHERE nazwa = 'Waga K'").toLongLong();
    };
    int kills = 0;
    QRandomGenerator rng(20240517);
    while (serverHolds() < j.NextSeq() - 1 && kills < 12) {
        QProcess p;
        p.start(probe, args);
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(150 + rng.bounded(400));
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished();
        ++kills;
        // The journal grows between the runs.
        j.Add(2, StationJournal::Weighing(10000 + kills, "2024-05-18 10:00", "2.00", "2.00", "0.00", "1.00", "2.00",
                                          "k", "k"));
        j.WriteTables();
    }
    EXPECT_GE(kills, 3) << "the backlog went out before the sender could be killed often";
    QProcess last;
    last.start(probe, args);
    ASSERT_TRUE(last.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return serverHolds() == j.NextSeq() - 1; }, 60000));
    last.kill();
    last.waitForFinished();
    ExpectServerHolds(*pg, "Waga K", j);
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.odmowy"), "0");
}

TEST_F(Resilience, AServerThatNeverAnswersIsGivenUpWithinTheTimeoutAndTheStopIsQuick)
{
    QTcpServer mute;  // takes the connection, sends nothing
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost));
    StationJournal j(dir_.filePath("dane"));
    j.Add(1, StationJournal::Weighing(1, "2024-05-17 10:00", "1.00", "1.00", "0.00", "1.00", "1.00", "m", "k"));
    auto o = TestSenderOptions(dir_.filePath("dane"),
                               "host=127.0.0.1 port=" + QByteArray::number(mute.serverPort()) + " dbname=x user=y",
                               "Waga M");
    o.connectTimeoutMs = 700;
    QElapsedTimer t;
    t.start();
    auto s = StartSender(o);
    ASSERT_TRUE(WaitFor([&] { return s->Status().state == CentralStatus::State::NotConnected; }, 5000));
    EXPECT_GE(t.elapsed(), 600);
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(s->Status().waiting, 2);
    EXPECT_EQ(s->Status().error, QString("Przekroczony czas oczekiwania na serwer bazy"));
    // Stopping while an attempt waits on the mute server does not wait it out.
    QThread::msleep(150);
    t.restart();
    s->Stop();
    EXPECT_LT(t.elapsed(), 500);
}

}  // namespace
