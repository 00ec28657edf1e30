// Each station may add only its own events: its role can call the two
// functions for its own name and nothing else; it reads no table, and
// changes no row, its own or another station's.

#include "central_support.h"

#include "central/pg_connection.h"

using namespace central_test;
using central::CentralStatus;

namespace {

PgServer *pg = nullptr;

class Roles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        pg = new PgServer;
        ASSERT_TRUE(pg->Start()) << pg->LastError().toStdString();
        ASSERT_TRUE(pg->SetUpCentral({{"Waga A", "waga_a"}, {"Waga B", "waga_b"}})) << pg->LastError().toStdString();
        // Station B has sent something of its own.
        QTemporaryDir dir;
        StationJournal b(dir.filePath("dane"));
        b.Add(1, StationJournal::Weighing(1, "2024-05-17 10:00", "1.00", "1.00", "0.00", "1.00", "1.00", "m", "k"));
        auto s = StartSender(TestSenderOptions(dir.filePath("dane"), pg->Conninfo("waga_b"), "Waga B"));
        ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, b); }, 10000));
    }
    static void TearDownTestSuite()
    {
        delete pg;
        pg = nullptr;
    }

    // The SQLSTATE of `sql` run by station A's role ("" when it succeeded).
    static QByteArray AsStationA(const QByteArray &sql)
    {
        central::PgConnection c;
        QString error;
        if (!c.Open(pg->Conninfo("waga_a"), 10000, &error))
            return "connect: " + error.toUtf8();
        const central::PgResult r = c.Exec(sql.constData());
        return r.Ok() ? QByteArray() : r.State();
    }
    QTemporaryDir dir_;
};

TEST_F(Roles, AStationCannotAddChangeOrRemoveAnotherStationsEvents)
{
    const QByteArray denied = "42501";
    const QByteArray line = "'{\"kind\":\"login\",\"seq\":1,\"mac\":\"" + QByteArray(64, 'a') + "\"}'";
    // Through the function, under the other station's name.
    EXPECT_EQ(AsStationA("SELECT * FROM pomiary.dodaj_zdarzenia('Waga B', ARRAY[1]::bigint[], ARRAY[repeat('0', 64)], "
                         "ARRAY[" + line + "])"),
              denied);
    EXPECT_EQ(AsStationA("SELECT * FROM pomiary.stan_stanowiska('Waga B')"), denied);
    // Straight into the tables.
    const QByteArray b = "(SELECT id FROM pomiary.stanowiska WHERE nazwa = 'Waga B')";
    EXPECT_EQ(AsStationA("INSERT INTO pomiary.zdarzenia (stanowisko, seq, poprzedni_mac, mac, rodzaj, linia) "
                         "VALUES (2, 1, '', '', 'login', " + line + ")"),
              denied);
    EXPECT_EQ(AsStationA("UPDATE pomiary.zdarzenia SET linia = '{}'"), denied);
    EXPECT_EQ(AsStationA("DELETE FROM pomiary.zdarzenia"), denied);
    EXPECT_EQ(AsStationA("UPDATE pomiary.wiersze SET linia = 'x'"), denied);
    EXPECT_EQ(AsStationA("DELETE FROM pomiary.wiersze"), denied);
    EXPECT_EQ(AsStationA("UPDATE pomiary.stanowiska SET ostatni_seq = -1"), denied);
    EXPECT_EQ(AsStationA("INSERT INTO pomiary.stanowiska (nazwa, rola) VALUES ('Waga C', 'waga_a')"), denied);
    EXPECT_EQ(AsStationA("TRUNCATE pomiary.zdarzenia"), denied);
    EXPECT_EQ(AsStationA("SELECT * FROM pomiary.zastosuj(2, 5, '{}', 0)"), denied);
    EXPECT_EQ(AsStationA("SELECT pomiary.zapisz_zdarzenia(2, '{1}', '{x}', ARRAY[" + line + "], '{}')"), denied);
    EXPECT_EQ(AsStationA("SELECT pomiary.zapisz_odmowe(2, 1, 'x', 'x')"), denied);
    EXPECT_EQ(AsStationA("SELECT pomiary.odtworz_tabele(2, 1::smallint)"), denied);
    // It reads nothing it should not change either.
    EXPECT_EQ(AsStationA("SELECT * FROM pomiary.zdarzenia"), denied);
    EXPECT_EQ(AsStationA("SELECT * FROM pomiary.pomiary_biezace"), denied);
    EXPECT_EQ(AsStationA("SELECT * FROM pomiary.stanowiska"), denied);
    // Nor makes anything in the schema.
    EXPECT_EQ(AsStationA("CREATE TABLE pomiary.moja (x int)"), denied);
    EXPECT_EQ(AsStationA("CREATE FUNCTION pomiary.dodaj_zdarzenia(text) RETURNS int LANGUAGE sql AS 'SELECT 1'"),
              denied);
    // What it may: read the version and its own state.
    EXPECT_EQ(AsStationA("SELECT max(wersja) FROM pomiary.wersja_schematu"), QByteArray());
    EXPECT_EQ(AsStationA("SELECT * FROM pomiary.stan_stanowiska('Waga A')"), QByteArray());

    // Station B's rows are as it sent them.
    EXPECT_EQ(pg->Query("SELECT count(*), max(seq) FROM pomiary.zdarzenia WHERE stanowisko = " + b), "2|1");
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.pomiary_biezace WHERE stanowisko = 'Waga B'"), "1");
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.odmowy"), "0");
}

TEST_F(Roles, ASenderUnderAnotherStationsNameIsToldWhyAndSendsNothing)
{
    StationJournal j(dir_.filePath("dane"));
    // Another station's name, one not registered (the same answer: a login
    // learns nothing of the others), and a name of a megabyte, cut short.
    const QString huge(1 << 20, 'x');
    const struct {
        QString name;
        QString shown;
    } cases[] = {{"Waga B", "Waga B"}, {"Waga Z", "Waga Z"}, {huge, huge.left(300) + "…"}};
    for (const auto &c : cases) {
        auto s = StartSender(TestSenderOptions(dir_.filePath("dane"), pg->Conninfo("waga_a"), c.name));
        ASSERT_TRUE(WaitFor([&] { return s->Status().state == CentralStatus::State::NotConnected; }, 10000));
        EXPECT_EQ(s->Status().error, "Rola waga_a nie może wysyłać zdarzeń stanowiska \"" + c.shown +
                                         "\" (nie ma go w bazie albo należy do innej roli)");
        EXPECT_EQ(s->Status().waiting, 1);
    }
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.zdarzenia"), "2");
}

TEST_F(Roles, TheOfficeReadsButAddsNothing)
{
    EXPECT_EQ(pg->Query("SELECT stanowisko, material FROM pomiary.pomiary_biezace", "biuro"), "Waga B|m");
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.zdarzenia", "biuro"), "2");
    EXPECT_EQ(pg->Query("SELECT * FROM pomiary.stan_stanowiska('Waga B')", "biuro"),
              "<permission denied for function stan_stanowiska>");
    EXPECT_EQ(pg->Query("DELETE FROM pomiary.wiersze", "biuro"), "<permission denied for table wiersze>");
}

TEST_F(Roles, APasswordInBazaIniIsRefusedBeforeAnyConnection)
{
    StationJournal j(dir_.filePath("dane"));
    auto s = StartSender(TestSenderOptions(dir_.filePath("dane"), pg->Conninfo("waga_a") + " password=waga_a-haslo",
                                           "Waga A"));
    ASSERT_TRUE(WaitFor([&] { return s->Status().state == CentralStatus::State::SettingsError; }, 5000));
    EXPECT_EQ(central::StatusText(s->Status()), QString("Baza: błąd ustawień"));
    EXPECT_EQ(central::StatusTip(s->Status()),
              QString("Hasło nie może być w pliku dane/baza.ini; wpisz je do ~/.pgpass (albo PGPASSFILE)"));
    QThread::msleep(300);
    EXPECT_EQ(pg->Query("SELECT ostatni_seq FROM pomiary.stanowiska WHERE nazwa = 'Waga A'"), "-1");
}

}  // namespace
