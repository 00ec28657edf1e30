// Stations push their journals into a real PostgreSQL: every event once and
// in order, the current weighings equal to the station's five files.

#include "central_support.h"

#include "central/pg_connection.h"
#include "support/temp_dir.h"

using namespace central_test;
using central::CentralStatus;

namespace {

PgServer *pg = nullptr;

class Push : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        pg = new PgServer;
        ASSERT_TRUE(pg->Start()) << pg->LastError().toStdString();
        ASSERT_TRUE(pg->SetUpCentral({{"Waga 1", "waga1"}, {"Waga Łódź", "waga2"}})) << pg->LastError().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete pg;
        pg = nullptr;
    }
    QTemporaryDir dir_;
};

// Every kind of event a station's journal holds, with Polish text, a byte
// cp1250 leaves unassigned, a bracketed net, a decimal comma and lines a
// hand made that are not numbers where numbers belong.
void FillVaried(StationJournal &j, int seed)
{
    const QByteArray mat = seed ? "\xBF" "wir" : "piasek";       // "żwir"
    const QByteArray cust = "Firma \x8C" "wi\xEAta " + QByteArray::number(seed);  // "Firma Święta"
    j.Login("ADMINISTRATOR");
    j.Whole(1, "opening", {StationJournal::Weighing(1, "2024-05-16 08:00", "10.00", "8.00", "2.00", "1.50", "12.00", mat, cust)});
    j.Add(1, StationJournal::Weighing(2, "2024-05-17 09:15", "20.00", "[20.00]", "0.00", "2.00", "40.00", mat, cust));
    j.Add(1, StationJournal::Weighing(3, "2024-05-17 09:20", "30,5", "(25.5)", "5.00", "1.00", "25.50", "cement", cust));
    j.Add(2, StationJournal::Weighing(1, "2024-05-17 10:00", "5.00", "5.00", "0.00", "", "", "cement", "Kowalski"));
    j.Add(2, "x\tnie-data\tabc\t\t\t\t\t\t\t\t\tklient\tz\ttabulatorami");
    j.Add(2, "99999999999\t2024-02-30 10:00\t1.2.3\t-0.5\t+3\t.5\t7.\t\x81\t\t\t\t");
    j.Edit(1, {{2, StationJournal::Weighing(2, "2024-05-17 09:15", "21.00", "[21.00]", "0.00", "2.00", "42.00", mat, cust)}});
    j.Add(3, StationJournal::Weighing(1, "2024-05-17 11:00", "1.00", "1.00", "0.00", "3.00", "3.00", "cement", "A"));
    j.Add(3, StationJournal::Weighing(2, "2024-05-17 11:01", "2.00", "2.00", "0.00", "3.00", "6.00", "cement", "B"));
    j.Add(3, StationJournal::Weighing(3, "2024-05-17 11:02", "3.00", "3.00", "0.00", "3.00", "9.00", "cement", "C"));
    j.Add(3, StationJournal::Weighing(4, "2024-05-17 11:03", "4.00", "4.00", "0.00", "3.00", "12.00", "cement", "D"));
    j.Delete(3, 2);
    j.Edit(3, {{1, {}}, {3, StationJournal::Weighing(4, "2024-05-17 11:03", "4.50", "4.50", "0.00", "3.00", "13.50", "cement", "D")}});
    j.Edit(3, {{1, StationJournal::Weighing(3, "2024-05-17 11:02", "3.25", "3.25", "0.00", "3.00", "9.75", "cement", "C")}}, "update");
    j.Archive(3);
    for (int i = 0; i < 6; ++i)
        j.Add(4, StationJournal::Weighing(i + 1, "2024-05-17 12:00", "1.00", "1.00", "0.00", "1.00", "1.00", "glina", "E"));
    j.Purge(4, {2, 5});
    j.External(4, 2, 1, {StationJournal::Weighing(7, "2024-05-17 12:30", "7.00", "7.00", "0.00", "1.00", "7.00", "glina", "F"),
                         StationJournal::Weighing(8, "2024-05-17 12:31", "8.00", "8.00", "0.00", "1.00", "8.00", "glina", "F")});
    j.Add(5, StationJournal::Weighing(1, "2024-05-17 13:00", "1.00", "1.00", "0.00", "1.00", "1.00", "glina", "G"));
    j.Series(5);
    j.Add(5, StationJournal::Weighing(1, "2024-05-17 13:05", "6.00", "6.00", "0.00", "1.00", "6.00", "glina", "G"));
    // A change that never reached its file: the server's lines follow the file, not the event.
    const std::vector<QByteArray> before = j.Lines(5);
    j.Add(5, StationJournal::Weighing(2, "2024-05-17 13:06", "9.00", "9.00", "0.00", "1.00", "9.00", "glina", "lost"));
    j.NotApplied(5, before);
    j.Whole(2, "archive_read", std::vector<QByteArray>(j.Lines(2)));
    j.Add(2, StationJournal::Weighing(4, "2024-05-18 07:00", "3.00", "3.00", "0.00", "1.00", "3.00", "cement", "Kowalski"));
    j.Whole(3, "rewrite", std::vector<QByteArray>(j.Lines(3)));
    j.WriteTables();
}

TEST_F(Push, TwoStationsHoldTheirEventsOnceInOrderAndTheViewEqualsTheirFiles)
{
    StationJournal a(dir_.filePath("a/dane"), QByteArray(32, 'a'), "ST-A");
    StationJournal b(dir_.filePath("b/dane"), QByteArray(32, 'b'), "ST-B");
    FillVaried(a, 0);
    FillVaried(b, 1);
    auto oa = TestSenderOptions(dir_.filePath("a/dane"), pg->Conninfo("waga1"), "Waga 1");
    auto ob = TestSenderOptions(dir_.filePath("b/dane"), pg->Conninfo("waga2"), "Waga Łódź");
    oa.batchEvents = 4;  // several batches, one station's beside the other's
    ob.batchEvents = 7;
    auto sa = StartSender(oa);
    auto sb = StartSender(ob);
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*sa, a) && AllConfirmed(*sb, b); }, 20000))
        << sa->Status().error.toStdString() << " / " << sb->Status().error.toStdString();
    ExpectServerHolds(*pg, "Waga 1", a);
    ExpectServerHolds(*pg, "Waga Łódź", b);
    EXPECT_EQ(pg->Query("SELECT identyfikator, ostatni_seq FROM pomiary.stanowiska ORDER BY nazwa"),
              "ST-A|" + QByteArray::number(a.NextSeq() - 1) + "\nST-B|" + QByteArray::number(b.NextSeq() - 1));
    EXPECT_EQ(sa->Status().waiting, 0);
    EXPECT_EQ(ReadAll(dir_.filePath("a/dane/baza.stan")),
              "stanowisko=Waga 1\r\npotwierdzone=" + QByteArray::number(a.NextSeq() - 1) + "\r\n");

    // New weighings go out as they are journaled, with the sender running.
    a.Add(1, StationJournal::Weighing(9, "2024-05-19 06:00", "11.00", "11.00", "0.00", "1.00", "11.00", "piasek", "Nowy"));
    a.WriteTables();
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*sa, a); }, 10000));
    ExpectServerHolds(*pg, "Waga 1", a);

    // A hand-made line gives NULL numbers, never an error; the tail keeps its TABs.
    EXPECT_EQ(pg->Query("SELECT coalesce(nr::text,'-'), coalesce(czas::text,'-'), coalesce(brutto::text,'-'), klient "
                        "FROM pomiary.pomiary_biezace WHERE stanowisko = 'Waga 1' AND tabela = 2 ORDER BY pozycja"),
              "1|2024-05-17 10:00:00|5.00|Kowalski\n-|-|-|klient\tz\ttabulatorami\n"
              "-|-|-|\n4|2024-05-18 07:00:00|3.00|Kowalski");
    // The byte cp1250 leaves unassigned comes back as U+0081, and a bracketed net counts.
    EXPECT_EQ(pg->Query("SELECT zamowienie = chr(129), netto, tara, cena, wartosc FROM pomiary.pomiary_biezace "
                        "WHERE stanowisko = 'Waga 1' AND tabela = 2 AND pozycja = 3"),
              "t|-0.5|3|0.5|7");
}

TEST_F(Push, AnEventSentTwiceIsStoredOnceAndADifferentOneAtAStoredNumberIsRefused)
{
    ASSERT_TRUE(pg->AddStation("Waga 3", "waga3"));
    StationJournal j(dir_.filePath("dane"));
    j.Add(1, StationJournal::Weighing(1, "2024-05-17 09:00", "1.00", "1.00", "0.00", "1.00", "1.00", "m", "k"));
    j.Add(1, StationJournal::Weighing(2, "2024-05-17 09:01", "2.00", "2.00", "0.00", "1.00", "2.00", "m", "k"));
    central::PgConnection c;
    QString error;
    ASSERT_TRUE(c.Open(pg->Conninfo("waga3"), 10000, &error)) << error.toStdString();
    auto send = [&](qint64 from, qint64 to, const QByteArray &replaceLast = {}, const QByteArray &firstPrev = {}) {
        std::vector<QByteArray> seqs, prev, lines;
        for (qint64 s = from; s <= to; ++s) {
            seqs.push_back(QByteArray::number(s));
            prev.push_back(s ? j.JournalLines()[size_t(s - 1)].right(66).left(64) : QByteArray(64, '0'));
            lines.push_back(j.JournalLines()[size_t(s)]);
        }
        if (!replaceLast.isEmpty())
            lines.back() = replaceLast;
        if (!firstPrev.isEmpty())
            prev.front() = firstPrev;
        const central::PgResult r = c.Exec(
            "SELECT ostatni_seq, coalesce(odmowa_seq::text, '-'), coalesce(odmowa, '-') "
            "FROM pomiary.dodaj_zdarzenia($1, $2::bigint[], $3::text[], $4::text[])",
            {"Waga 3", central::TextArray(seqs), central::TextArray(prev), central::TextArray(lines)});
        EXPECT_TRUE(r.Ok()) << r.Error().toStdString();
        return r.Value(0, 0) + '|' + r.Value(0, 1) + '|' + r.Value(0, 2);
    };
    EXPECT_EQ(send(0, 1), "1|-|-");
    EXPECT_EQ(send(0, 2), "2|-|-");
    EXPECT_EQ(send(0, 2), "2|-|-");
    EXPECT_EQ(send(1, 2), "2|-|-");
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.zdarzenia z JOIN pomiary.stanowiska s ON s.id = z.stanowisko "
                        "WHERE nazwa = 'Waga 3'"),
              "3");
    EXPECT_EQ(pg->Query("SELECT count(*) FROM pomiary.pomiary_biezace WHERE stanowisko = 'Waga 3'"), "2");
    QByteArray other = j.JournalLines()[2];
    other.replace("2.00", "9.00");
    EXPECT_EQ(send(1, 2, other), "2|2|Zdarzenie 2 różni się od zapisanego w bazie");
    // A gap, and an event that does not follow the last stored one.
    j.Add(1, StationJournal::Weighing(3, "2024-05-17 09:02", "3.00", "3.00", "0.00", "1.00", "3.00", "m", "k"));
    j.Add(1, StationJournal::Weighing(4, "2024-05-17 09:03", "4.00", "4.00", "0.00", "1.00", "4.00", "m", "k"));
    EXPECT_EQ(send(4, 4), "2|4|Oczekiwano zdarzenia 3, a przyszło 4");
    EXPECT_EQ(send(3, 4, {}, QByteArray(64, 'f')),
              "2|3|Zdarzenie 3 nie następuje po ostatnim zapisanym (inny poprzedni podpis)");
    EXPECT_EQ(pg->Query("SELECT ile FROM pomiary.odmowy o JOIN pomiary.stanowiska s ON s.id = o.stanowisko "
                        "WHERE nazwa = 'Waga 3' ORDER BY seq"),
              "1\n1\n1");
    EXPECT_EQ(send(3, 4), "4|-|-");
    EXPECT_EQ(pg->Query("SELECT string_agg(brutto::text, ',' ORDER BY pozycja) FROM pomiary.pomiary_biezace "
                        "WHERE stanowisko = 'Waga 3'"),
              "1.00,2.00,3.00,4.00");
}

TEST_F(Push, ReportQueriesOfTheReadmeGiveTheDayTotals)
{
    ASSERT_TRUE(pg->AddStation("Raport A", "raport_a"));
    ASSERT_TRUE(pg->AddStation("Raport B", "raport_b"));
    StationJournal a(dir_.filePath("ra/dane"), QByteArray(32, 'r'), "RA");
    StationJournal b(dir_.filePath("rb/dane"), QByteArray(32, 's'), "RB");
    a.Add(1, StationJournal::Weighing(1, "2030-01-02 08:00", "12.00", "10.00", "2.00", "2.00", "20.00", "piasek", "Kowalski"));
    a.Add(2, StationJournal::Weighing(1, "2030-01-02 09:00", "5.50", "[5.50]", "0.00", "2.00", "11.00", "\xBF" "wir", "Nowak"));
    a.Add(1, StationJournal::Weighing(2, "2030-01-03 09:00", "99.00", "99.00", "0.00", "2.00", "198.00", "piasek", "Kowalski"));
    b.Add(1, StationJournal::Weighing(1, "2030-01-02 10:00", "4.00", "4.00", "0.00", "1.00", "4.00", "piasek", "Nowak"));
    auto sa = StartSender(TestSenderOptions(dir_.filePath("ra/dane"), pg->Conninfo("raport_a"), "Raport A"));
    auto sb = StartSender(TestSenderOptions(dir_.filePath("rb/dane"), pg->Conninfo("raport_b"), "Raport B"));
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*sa, a) && AllConfirmed(*sb, b); }, 10000));
    // As in README.md, run by the office's role.
    EXPECT_EQ(pg->Query("SELECT czas::date AS dzien, material, sum(netto) AS netto, sum(wartosc) AS wartosc, "
                        "count(*) AS pomiarow FROM pomiary.pomiary_biezace WHERE czas >= '2030-01-01' "
                        "GROUP BY dzien, material ORDER BY dzien, material",
                        "biuro"),
              "2030-01-02|piasek|14.00|24.00|2\n2030-01-02|żwir|5.50|11.00|1\n2030-01-03|piasek|99.00|198.00|1");
    EXPECT_EQ(pg->Query("SELECT czas::date AS dzien, klient, sum(netto) AS netto, sum(wartosc) AS wartosc "
                        "FROM pomiary.pomiary_biezace WHERE czas >= '2030-01-01' "
                        "GROUP BY dzien, klient ORDER BY dzien, klient",
                        "biuro"),
              "2030-01-02|Kowalski|10.00|20.00\n2030-01-02|Nowak|9.50|15.00\n2030-01-03|Kowalski|99.00|198.00");
    EXPECT_EQ(pg->Query("SELECT czas::date AS dzien, stanowisko, sum(brutto) AS brutto, sum(netto) AS netto, "
                        "count(*) AS pomiarow FROM pomiary.pomiary_biezace WHERE czas >= '2030-01-01' "
                        "GROUP BY dzien, stanowisko ORDER BY dzien, stanowisko",
                        "biuro"),
              "2030-01-02|Raport A|17.50|15.50|2\n2030-01-02|Raport B|4.00|4.00|1\n2030-01-03|Raport A|99.00|99.00|1");
}

}  // namespace
