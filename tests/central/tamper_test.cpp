// A journal changed on the station cannot be pushed silently: the server
// refuses the first event that does not follow what it holds, keeps what it
// had, and the station shows the refusal.

#include "central_support.h"

#include <QJsonDocument>
#include <QProcess>

using namespace central_test;
using central::CentralStatus;

namespace {

PgServer *pg = nullptr;

class Tamper : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        pg = new PgServer;
        ASSERT_TRUE(pg->Start()) << pg->LastError().toStdString();
        ASSERT_TRUE(pg->SetUpCentral({})) << pg->LastError().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete pg;
        pg = nullptr;
    }

    void SetUp() override
    {
        static int n = 0;
        role_ = "tamper" + QByteArray::number(++n);
        station_ = "Waga " + QString::fromLatin1(role_);
        ASSERT_TRUE(pg->AddStation(station_.toUtf8(), role_));
        journal_ = std::make_unique<StationJournal>(dir_.filePath("dane"));
        for (int i = 1; i <= 9; ++i)
            journal_->Add(1, StationJournal::Weighing(i, "2024-05-17 10:00", "10.00", "10.00", "0.00", "1.00", "10.00",
                                                      "m", "k"));
        journal_->WriteTables();
        sender_ = StartSender(Options());
        ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*sender_, *journal_); }, 10000));
        sender_.reset();
        before_ = Held();
    }

    central::SenderOptions Options() { return TestSenderOptions(dir_.filePath("dane"), pg->Conninfo(role_), station_); }

    QByteArray Held()
    {
        return pg->Query("SELECT count(*), max(seq), string_agg(md5(linia), ',' ORDER BY seq) FROM pomiary.zdarzenia z "
                         "JOIN pomiary.stanowiska s ON s.id = z.stanowisko WHERE s.rola = '" + role_ + "'") +
               pg->Query("SELECT string_agg(brutto::text, ',' ORDER BY pozycja) FROM pomiary.pomiary_biezace "
                         "WHERE stanowisko = '" + station_.toUtf8() + "'");
    }

    // Starts the sender and waits for its refusal.
    CentralStatus Refusal()
    {
        sender_ = StartSender(Options());
        EXPECT_TRUE(WaitFor([&] { return sender_->Status().state == CentralStatus::State::Refused; }, 10000))
            << central::StatusText(sender_->Status()).toStdString() << " " << sender_->Status().error.toStdString();
        return sender_->Status();
    }

    QByteArray RefusalOnServer()
    {
        return pg->Query("SELECT seq, powod FROM pomiary.odmowy o JOIN pomiary.stanowiska s ON s.id = o.stanowisko "
                         "WHERE s.rola = '" + role_ + "'");
    }

    QTemporaryDir dir_;
    QByteArray role_;
    QString station_;
    std::unique_ptr<StationJournal> journal_;
    std::unique_ptr<central::CentralSender> sender_;
    QByteArray before_;
};

TEST_F(Tamper, AWeighingChangedAndSignedAgainIsRefusedAndReported)
{
    // Someone with the key changes weighing 4 and signs every line after it again.
    std::vector<QByteArray> lines = journal_->JournalLines();
    QByteArray mac = lines[3].right(66).left(64);
    for (size_t i = 4; i < lines.size(); ++i) {
        QJsonObject o = QJsonDocument::fromJson(lines[i]).object();
        o.remove("mac");
        if (i == 4)
            o.insert("line", QString(o.value("line").toString()).replace("10.00", "99.00"));
        lines[i] = journal_->Sign(o, mac, &mac);
    }
    journal_->RewriteJournal(lines);
    journal_->Add(1, StationJournal::Weighing(10, "2024-05-17 10:10", "1.00", "1.00", "0.00", "1.00", "1.00", "m", "k"));
    const CentralStatus s = Refusal();
    EXPECT_EQ(s.refusedSeq, 9);
    EXPECT_EQ(s.error, QString("Zdarzenie 9 różni się od zapisanego w bazie"));
    EXPECT_EQ(central::StatusText(s), QString("Baza: odmowa (zdarzenie 9)"));
    EXPECT_EQ(central::StatusTip(s), QString("Serwer odrzucił zdarzenie 9: Zdarzenie 9 różni się od zapisanego w bazie"));
    EXPECT_EQ(s.waiting, 1);
    EXPECT_EQ(Held(), before_);
    EXPECT_EQ(RefusalOnServer(), "9|Zdarzenie 9 różni się od zapisanego w bazie");
    // It is tried again now and then, and refused again.
    ASSERT_TRUE(WaitFor([&] {
        return pg->Query("SELECT max(ile) FROM pomiary.odmowy o JOIN pomiary.stanowiska s ON s.id = o.stanowisko "
                         "WHERE s.rola = '" + role_ + "'") .toInt() >= 2; }, 10000));
    EXPECT_EQ(sender_->Status().state, CentralStatus::State::Refused);
    EXPECT_EQ(Held(), before_);
}

TEST_F(Tamper, ANewChainStartedOverTheOldOneIsRefused)
{
    // The journal replaced by one begun afresh, as long as the old one and longer.
    journal_ = std::make_unique<StationJournal>(dir_.filePath("nowe"), QByteArray(32, 'z'), "ST-NEW");
    for (int i = 1; i <= 12; ++i)
        journal_->Add(1, StationJournal::Weighing(i, "2024-05-17 10:00", "5.00", "5.00", "0.00", "1.00", "5.00", "m", "k"));
    QFile::remove(dir_.filePath("dane/dziennik.txt"));
    ASSERT_TRUE(QFile::copy(dir_.filePath("nowe/dziennik.txt"), dir_.filePath("dane/dziennik.txt")));
    const CentralStatus s = Refusal();
    EXPECT_EQ(s.refusedSeq, 9);
    EXPECT_EQ(Held(), before_);
}

TEST_F(Tamper, AJournalRestoredFromABackupIsTakenAsANewChainOnceTheOwnerSaysSo)
{
    // The data folder as a backup had it after event 5, then weighed on.
    auto restored = std::make_unique<StationJournal>(dir_.filePath("kopia"));
    for (int i = 1; i <= 5; ++i)
        restored->Add(1, StationJournal::Weighing(i, "2024-05-17 10:00", "10.00", "10.00", "0.00", "1.00", "10.00", "m", "k"));
    ASSERT_EQ(restored->JournalLines().back(), journal_->JournalLines()[5]);
    for (int i = 6; i <= 8; ++i)
        restored->Add(1, StationJournal::Weighing(i, "2024-05-18 08:00", "7.00", "7.00", "0.00", "1.00", "7.00", "m", "k"));
    journal_ = std::move(restored);
    QFile::remove(dir_.filePath("dane/dziennik.txt"));
    ASSERT_TRUE(QFile::copy(dir_.filePath("kopia/dziennik.txt"), dir_.filePath("dane/dziennik.txt")));
    Refusal();

    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(POMIARY_BIN_DIR "/pomiary-baza"),
               {"--nowy-lancuch", station_, QString::fromUtf8(pg->Conninfo("pomiary_wlasciciel"))});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(tool.readAll()),
              QString("Stanowisko \"%1\": łańcuch 0 odłożony (zdarzeń: 10, ostatnie: 9, wierszy: 9).\n"
                      "Stanowisko wyśle dziennik od zdarzenia 0 jako łańcuch 1. Co odłożony łańcuch ma ponad nowy: "
                      "pomiary.poza_lancuchem.\n").arg(station_));
    EXPECT_EQ(tool.exitCode(), 0);

    // The station goes on by itself: its journal is the station's new chain.
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*sender_, *journal_); }, 10000)) << sender_->Status().error.toStdString();
    ExpectServerHolds(*pg, station_, *journal_);
    EXPECT_EQ(pg->Query("SELECT lancuch FROM pomiary.stanowiska WHERE rola = '" + role_ + "'"), "1");
    // The old chain's weighings after the backup are kept apart and shown.
    EXPECT_EQ(pg->Query("SELECT string_agg(seq::text, ',' ORDER BY seq) FROM pomiary.poza_lancuchem WHERE stanowisko = '" +
                        station_.toUtf8() + "'", "biuro"),
              "6,7,8,9");
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.wiersze_dawne w JOIN pomiary.stanowiska s ON s.id = w.stanowisko "
                        "WHERE s.rola = '" + role_ + "' AND w.lancuch = 0"),
              "9");
    EXPECT_EQ(RefusalOnServer(), "");
}

TEST_F(Tamper, AnEventEditedByHandBeforeItWasSentIsRefusedWhereItBreaks)
{
    journal_->Add(1, StationJournal::Weighing(10, "2024-05-17 10:10", "1.00", "1.00", "0.00", "1.00", "1.00", "m", "k"));
    journal_->Add(1, StationJournal::Weighing(11, "2024-05-17 10:11", "1.00", "1.00", "0.00", "1.00", "1.00", "m", "k"));
    std::vector<QByteArray> lines = journal_->JournalLines();

    // A line taken out: the one in its place carries another number.
    std::vector<QByteArray> cut = lines;
    cut.erase(cut.begin() + 10);
    journal_->RewriteJournal(cut);
    CentralStatus s = Refusal();
    EXPECT_EQ(s.refusedSeq, 10);
    EXPECT_EQ(s.error, QString("Zdarzenie 10 nosi inny numer (11)"));
    EXPECT_EQ(Held(), before_);
    sender_.reset();

    // Broken by an editor: no JSON any more.
    std::vector<QByteArray> broken = lines;
    broken[10].chop(3);
    journal_->RewriteJournal(broken);
    s = Refusal();
    EXPECT_EQ(s.refusedSeq, 10);
    EXPECT_EQ(s.error, QString("Zdarzenie 10 nie jest obiektem JSON"));
    sender_.reset();

    // Saved by an editor in cp1250: the station cannot even send it as text.
    std::vector<QByteArray> cp = lines;
    cp[10].replace(",\"mac\"", ",\"x\":\"\xB3\",\"mac\"");
    journal_->RewriteJournal(cp);
    s = Refusal();
    EXPECT_EQ(s.refusedSeq, 10);
    EXPECT_EQ(s.error, QString("Zdarzenie 10 w dzienniku nie jest poprawnym tekstem UTF-8"));
    sender_.reset();
    EXPECT_EQ(Held(), before_);

    // Put back as it was, everything goes through.
    journal_->RewriteJournal(lines);
    sender_ = StartSender(Options());
    ASSERT_TRUE(WaitFor([&] { return sender_->Status().confirmed == 11; }, 10000));
    EXPECT_EQ(sender_->Status().state, CentralStatus::State::Connected);
}

}  // namespace
