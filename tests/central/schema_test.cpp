// The schema is the program's: migrations applied in order, each once, the
// current weighings rebuilt from events stored before they existed, and a
// schema newer than the program refused by the owner's tool and the station.

#include "central_support.h"

#include "central/pg_connection.h"
#include "central/schema.h"

#include <QProcess>

using namespace central_test;
using central::CentralStatus;

namespace {

PgServer *pg = nullptr;

class Schema : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        pg = new PgServer;
        ASSERT_TRUE(pg->Start()) << pg->LastError().toStdString();
        // Version 1 only: events as sent, no current weighings yet.
        ASSERT_TRUE(pg->SetUpCentral({{"Waga 1", "waga1"}}, 1)) << pg->LastError().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete pg;
        pg = nullptr;
    }

    static QString Tool(const QStringList &args, int *code)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(POMIARY_BIN_DIR "/pomiary-baza"), args);
        p.waitForFinished(60000);
        *code = p.exitCode();
        return QString::fromUtf8(p.readAll());
    }
    QTemporaryDir dir_;
};

TEST_F(Schema, MigrationsApplyInOrderOnceAndRebuildWhatCameBefore)
{
    const QString owner = QString::fromUtf8(pg->Conninfo("pomiary_wlasciciel"));
    int code = -1;
    const int known = central::KnownSchemaVersion();
    EXPECT_EQ(Tool({"--wersja", owner}, &code), QString("Schemat bazy: wersja 1 (program zna %1)\n").arg(known));
    EXPECT_EQ(code, 0);

    // A station sends to the version-1 database.
    StationJournal j(dir_.filePath("dane"));
    j.Add(1, StationJournal::Weighing(1, "2024-05-17 10:00", "10.00", "8.00", "2.00", "1.00", "8.00", "m", "k"));
    j.Add(1, StationJournal::Weighing(2, "2024-05-17 10:05", "12.00", "10.00", "2.00", "1.00", "10.00", "m", "k"));
    j.Delete(1, 1);
    const std::vector<QByteArray> before = j.Lines(1);
    j.Add(1, StationJournal::Weighing(3, "2024-05-17 10:06", "1.00", "1.00", "0.00", "1.00", "1.00", "m", "k"));
    j.NotApplied(1, before);
    j.WriteTables();
    auto s = StartSender(TestSenderOptions(dir_.filePath("dane"), pg->Conninfo("waga1"), "Waga 1"));
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 10000)) << s->Status().error.toStdString();
    s.reset();
    EXPECT_EQ(pg->Query("SELECT to_regclass('pomiary.pomiary_biezace') IS NULL"), "t");

    // The owner brings it up to date: the stored events are replayed into the view.
    EXPECT_EQ(Tool({owner}, &code), QString("Schemat bazy: wersja 1 -> %1\n").arg(known));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(pg->Query("SELECT wersja, opis FROM pomiary.wersja_schematu ORDER BY wersja"),
              "1|zdarzenia stanowisk\n2|bieżące pomiary\n3|cofanie bez odtwarzania, pola bez powtórzeń\n"
              "4|łańcuchy stanowisk\n5|liczba linii i skrót plików sprawdzane\n6|sumy dzienne dla zestawień biura");
    ExpectServerHolds(*pg, "Waga 1", j);
    // The office's daily sums hold the lines that were there before them.
    const QByteArray sums = "SELECT sum(liczba), sum(netto) FROM pomiary.sumy_dzienne";
    EXPECT_EQ(pg->Query(sums), pg->Query("SELECT count(*), sum(netto) FROM pomiary.pomiary_biezace"));
    EXPECT_NE(pg->Query(sums), "|");
    EXPECT_EQ(Tool({owner}, &code), QString("Schemat bazy: wersja %1, nic do zrobienia\n").arg(known));

    // And events arriving now are replayed as they come.
    j.Add(1, StationJournal::Weighing(4, "2024-05-17 11:00", "3.00", "3.00", "0.00", "1.00", "3.00", "m", "k"));
    j.WriteTables();
    s = StartSender(TestSenderOptions(dir_.filePath("dane"), pg->Conninfo("waga1"), "Waga 1"));
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 10000));
    ExpectServerHolds(*pg, "Waga 1", j);
    EXPECT_EQ(pg->Query(sums), pg->Query("SELECT count(*), sum(netto) FROM pomiary.pomiary_biezace"));

    // Migrating twice at once: one waits for the other and finds nothing to do.
    central::PgConnection a, b;
    QString error;
    ASSERT_TRUE(a.Open(pg->Conninfo("pomiary_wlasciciel"), 5000, &error));
    ASSERT_TRUE(b.Open(pg->Conninfo("pomiary_wlasciciel"), 5000, &error));
    EXPECT_TRUE(central::Migrate(a, central::SchemaMigrations()).ok);
    const central::MigrationResult again = central::Migrate(b, central::SchemaMigrations());
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.from, known);
    EXPECT_EQ(again.to, known);
}

TEST_F(Schema, AStationCannotMakeTheSchemaAndAFailedMigrationLeavesTheVersion)
{
    // A station's role is refused at the first statement; nothing is left half made.
    central::PgConnection station;
    QString error;
    ASSERT_TRUE(station.Open(pg->Conninfo("waga1"), 5000, &error));
    const int known = central::KnownSchemaVersion();
    std::vector<central::Migration> extra = central::SchemaMigrations();
    extra.push_back({known + 1, "próba", "CREATE TABLE pomiary.proba (x int); SELECT 1/0;"});
    const QString failed = QStringLiteral("Migracja %1 (próba): ").arg(known + 1);
    central::MigrationResult r = central::Migrate(station, extra);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.to, known);
    EXPECT_EQ(r.error, failed + "permission denied for schema pomiary");

    central::PgConnection owner;
    ASSERT_TRUE(owner.Open(pg->Conninfo("pomiary_wlasciciel"), 5000, &error));
    r = central::Migrate(owner, extra);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, failed + "division by zero");
    EXPECT_EQ(pg->Query("SELECT max(wersja), to_regclass('pomiary.proba') IS NULL FROM pomiary.wersja_schematu"),
              QByteArray::number(known) + "|t");
}

TEST_F(Schema, ANewerSchemaIsRefusedByTheToolAndTheStation)
{
    ASSERT_TRUE(pg->Sql("INSERT INTO pomiary.wersja_schematu (wersja, opis) VALUES (7, 'z przyszłości')",
                        "pomiary_wlasciciel", "pomiary"));
    int code = -1;
    EXPECT_EQ(Tool({QString::fromUtf8(pg->Conninfo("pomiary_wlasciciel"))}, &code),
              QString("Schemat bazy w wersji 7 jest nowszy niż znany programowi (%1)\n").arg(central::KnownSchemaVersion()));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(pg->Query("SELECT max(wersja) FROM pomiary.wersja_schematu"), "7");

    StationJournal j(dir_.filePath("dane"));
    auto s = StartSender(TestSenderOptions(dir_.filePath("dane"), pg->Conninfo("waga1"), "Waga 1"));
    ASSERT_TRUE(WaitFor([&] { return s->Status().state == CentralStatus::State::NotConnected; }, 10000));
    EXPECT_EQ(s->Status().error, QString("Schemat bazy w wersji 7 jest nowszy niż znany programowi (%1)").arg(central::KnownSchemaVersion()));
    ASSERT_TRUE(pg->Sql("DELETE FROM pomiary.wersja_schematu WHERE wersja = 7", "pomiary_wlasciciel", "pomiary"));
}

TEST_F(Schema, NumbersAndTimesOfHandMadeLinesAreNullNeverAnError)
{
    const QByteArray r = pg->Query(
        "SELECT pomiary.liczba('[12.5]'), pomiary.liczba('(7,25)'), pomiary.liczba(' -3 '), pomiary.liczba('.5'), "
        "pomiary.liczba('5.'), coalesce(pomiary.liczba('1.2.3')::text, '-'), coalesce(pomiary.liczba('1e5')::text, '-'), "
        "coalesce(pomiary.liczba('[')::text, '-'), coalesce(pomiary.liczba(repeat('9', 400))::text, '-'), "
        "coalesce(pomiary.liczba('')::text, '-'), pomiary.calkowita(' 42 '), pomiary.calkowita('-2147483648'), "
        "coalesce(pomiary.calkowita('2147483648')::text, '-'), coalesce(pomiary.calkowita('4.0')::text, '-'), "
        "pomiary.czas_wiersza('2024-02-29 23:59'), coalesce(pomiary.czas_wiersza('2023-02-29 10:00')::text, '-'), "
        "coalesce(pomiary.czas_wiersza('2024-04-31 10:00')::text, '-'), coalesce(pomiary.czas_wiersza('2024-01-01 24:00')::text, '-'), "
        "coalesce(pomiary.czas_wiersza('0000-01-01 10:00')::text, '-'), pomiary.czas_zdarzenia('2024-05-17T14:03:22+02:00'), "
        "coalesce(pomiary.czas_zdarzenia('2024-13-17T14:03:22+02:00')::text, '-')");
    EXPECT_EQ(r, "12.5|7.25|-3|0.5|5|-|-|-|-|-|42|-2147483648|-|-|2024-02-29 23:59:00|-|-|-|-|"
                 "2024-05-17 12:03:22+00|-");
    // More times: seconds and blanks allowed in a row, nothing else; an event's
    // offset either way; a day no calendar has.
    const QByteArray t = pg->Query(
        "SELECT pomiary.czas_wiersza(' 2000-02-29 07:05:09\t'), coalesce(pomiary.czas_wiersza('v2024-05-17 10:00')::text, '-'), "
        "coalesce(pomiary.czas_wiersza('2024-05-17 10:00:60')::text, '-'), coalesce(pomiary.czas_wiersza('1900-02-29 10:00')::text, '-'), "
        "coalesce(pomiary.czas_wiersza('2024-5-17 10:00')::text, '-'), coalesce(pomiary.czas_wiersza(NULL)::text, '-'), "
        "pomiary.czas_zdarzenia('2024-01-01T00:10:00-11:30'), coalesce(pomiary.czas_zdarzenia('2023-02-29T10:00:00+00:00')::text, '-'), "
        "coalesce(pomiary.czas_zdarzenia('2024-05-17T14:03:22+16:00')::text, '-'), "
        "coalesce(pomiary.czas_zdarzenia('2024-05-17 14:03:22+02:00')::text, '-'), "
        "coalesce(pomiary.czas_zdarzenia('0000-05-17T14:03:22+02:00')::text, '-')");
    EXPECT_EQ(t, "2000-02-29 07:05:09|-|-|-|-|-|2024-01-01 11:40:00+00|-|-|-|-");
}

}  // namespace
