// What the server makes of the events themselves: a not_applied undoes its
// event without touching the rest of the table, a NUL of a table line is
// stored, a repeated member is refused; and a sender whose batch the server
// cannot finish in time, or which waits on a lock, is never stuck silently.

#include "central_support.h"

#include "central/pg_connection.h"

#include <QCryptographicHash>

using namespace central_test;
using central::CentralStatus;

namespace {

PgServer *pg = nullptr;

class Events : public ::testing::Test {
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

    // A station of its own for each use.
    QByteArray NewStation()
    {
        static int n = 0;
        const QByteArray role = "ev" + QByteArray::number(++n);
        EXPECT_TRUE(pg->AddStation("Waga " + role, role)) << pg->LastError().toStdString();
        return role;
    }

    central::SenderOptions Options(const QString &sub, const QByteArray &role)
    {
        return TestSenderOptions(dir_.filePath(sub), pg->Conninfo(role), "Waga " + QString::fromLatin1(role));
    }

    QTemporaryDir dir_;
};

QByteArray W(int nr, const char *gross = "1.00")
{
    return StationJournal::Weighing(nr, "2024-05-17 10:00", gross, gross, "0.00", "1.00", gross, "m", "k");
}

// Every kind of table event, each followed by a not_applied and then by a
// change that did reach the file.
void FillUndone(StationJournal &j)
{
    j.Login("ADMINISTRATOR");
    j.Whole(1, "opening", {W(1), W(2), W(3), W(4), W(5), W(6)});
    int nr = 100;
    auto undone = [&](const std::function<void()> &change) {
        const std::vector<QByteArray> before = j.Lines(1);
        change();
        j.NotApplied(1, before);
        j.Add(1, W(++nr));
    };
    undone([&] { j.Add(1, W(7)); });
    undone([&] { j.Add(1, W(8), "auto", {{"load", true}}); });
    undone([&] { j.Edit(1, {{2, {}}, {4, W(40, "4.00")}, {5, {}}}); });
    undone([&] { j.Edit(1, {{1, W(10, "9.00")}}, "update"); });
    undone([&] { j.Delete(1, 3); });
    undone([&] { j.Purge(1, {1, 4, 6}); });
    undone([&] { j.Whole(1, "purge", {}); });
    undone([&] { j.Series(1); });
    undone([&] { j.Whole(1, "opening", {W(50)}); });
    undone([&] { j.Whole(1, "archive_read", {W(51), W(52)}); });
    undone([&] { j.Whole(1, "rewrite", {W(53)}); });
    undone([&] { j.External(1, 2, 2, {W(60), W(61), W(62)}); });
    undone([&] { j.External(1, 3, 0, {W(63)}); });
    undone([&] { j.External(1, 1, 3, {}); });
    // A run of adds, its last one undone.
    j.Add(1, W(70));
    undone([&] { j.Add(1, W(71)); });
    j.Other("state_lost", {{"note", "stan utracony"}});
    j.Add(2, W(1), "auto", {{"load", true}});
    j.WriteTables();
}

TEST_F(Events, ANotAppliedUndoesEveryKindOfEventWhateverTheBatches)
{
    for (const int batch : {1, 3, 5000}) {
        SCOPED_TRACE(batch);
        const QByteArray role = NewStation();
        const QString sub = QString::fromLatin1(role) + "/dane";
        StationJournal j(dir_.filePath(sub));
        FillUndone(j);
        auto o = Options(sub, role);
        o.batchEvents = batch;
        auto s = StartSender(o);
        ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 20000)) << s->Status().error.toStdString();
        ExpectServerHolds(*pg, "Waga " + QString::fromLatin1(role), j);
    }
}

TEST_F(Events, ANotAppliedRewritesNoLineItsEventDidNotWrite)
{
    const QByteArray role = NewStation();
    StationJournal j(dir_.filePath("dane"));
    std::vector<QByteArray> lines;
    for (int i = 1; i <= 3000; ++i)
        lines.push_back(W(i));
    j.Whole(1, "opening", lines);
    j.WriteTables();
    auto s = StartSender(Options("dane", role));
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 20000)) << s->Status().error.toStdString();
    // Rows still as the opening's transaction wrote them.
    const QByteArray rows = "FROM pomiary.wiersze w JOIN pomiary.stanowiska s ON s.id = w.stanowisko WHERE s.rola = '" +
                            role + "'";
    const QByteArray opening = pg->Query("SELECT min(w.xmin::text) " + rows);
    const QByteArray untouched = "SELECT count(*) " + rows + " AND w.xmin::text = '" + opening + "'";
    ASSERT_EQ(pg->Query(untouched), "3000");
    for (int i = 0; i < 5; ++i) {
        const std::vector<QByteArray> before = j.Lines(1);
        j.Add(1, W(5000 + i));
        j.NotApplied(1, before);
    }
    j.WriteTables();
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 20000)) << s->Status().error.toStdString();
    EXPECT_EQ(pg->Query(untouched), "3000");
    ExpectServerHolds(*pg, "Waga " + QString::fromLatin1(role), j);
}

TEST_F(Events, HandWrittenEventsAreStoredOrRefusedByWhatTheyHold)
{
    const QByteArray role = NewStation();
    central::PgConnection c;
    QString error;
    ASSERT_TRUE(c.Open(pg->Conninfo(role), 10000, &error)) << error.toStdString();
    qint64 seq = 0;
    QByteArray last(64, '0');
    // Lines written by hand: the server checks the chain, not the key.
    auto send = [&](const QByteArray &members) {
        const QByteArray mac = QCryptographicHash::hash(QByteArray::number(seq) + members, QCryptographicHash::Sha256).toHex();
        const QByteArray line = "{\"seq\":" + QByteArray::number(seq) + ",\"t\":\"2024-05-17T14:03:22+02:00\"," +
                                members + ",\"mac\":\"" + mac + "\"}";
        const central::PgResult r =
            c.Exec("SELECT coalesce(odmowa, 'ok') FROM pomiary.dodaj_zdarzenia($1, ARRAY[$2]::bigint[], "
                   "ARRAY[$3], ARRAY[$4])",
                   {"Waga " + role, QByteArray::number(seq), last, line});
        EXPECT_TRUE(r.Ok()) << r.Error().toStdString();
        if (r.Value(0, 0) == "ok") {
            ++seq;
            last = mac;
        }
        return QString::fromUtf8(r.Value(0, 0));
    };
    struct Case {
        const char *members;
        QByteArray file;  // table 1's bytes after the event, whose digest it carries
        const char *result;
    };
    const QByteArray nul("\0", 1);
    const Case cases[] = {
        {R"("kind":"journal","format":1,"station":"S")", {}, "ok"},
        // A power cut zero-filled part of the file.
        {R"("kind":"external","tab":1,"from":1,"drop":0,"lines":["a\u0000b","\u0000\u0000"],"differ":[],"n":2)",
         "a" + nul + "b\r\n" + nul + nul + "\r\n", "ok"},
        // An escaped backslash before "u0000" is text, not a NUL.
        {R"("kind":"add","tab":1,"at":3,"line":"c\\u0000d","n":3)", "a" + nul + "b\r\n" + nul + nul + "\r\nc\\u0000d\r\n",
         "ok"},
        {R"("kind":"edit","tab":1,"rows":[{"at":1,"line":"x"}],"rows":[{"at":2,"line":"y"}],"n":3)", "",
         "Zdarzenie 3 ma powtórzone pole \"rows\""},
        {R"("kind":"edit","tab":1,"rows":[{"at":1,"line":"x","line":"y"}],"n":3)", "",
         "Zdarzenie 3 ma powtórzone pole \"line\""},
        {R"("kind":"add","tab":1,"at":4,"line":"z","n":4,"\u006Bind":"add")", "", "Zdarzenie 3 ma powtórzone pole \"kind\""},
        // What a login alone could store: lines the file never held.
        {R"("kind":"add","tab":1,"at":4,"line":"z","n":5)", "", "Zdarzenie 3 nie wynika z poprzednich zdarzeń tabeli 1 (liczba linii)"},
        {R"("kind":"add","tab":1,"at":4,"line":"z","n":4)", "something else",
         "Zdarzenie 3 nie wynika z poprzednich zdarzeń tabeli 1 (skrót pliku)"},
        {R"("kind":"delete","tab":1,"at":9,"line":"z","n":2)", "", "Zdarzenie 3 nie wynika z poprzednich zdarzeń tabeli 1 (liczba linii)"},
        // The same member in two objects is no repetition.
        {R"("kind":"edit","tab":1,"rows":[{"at":1,"line":"e"},{"at":2,"line":"f"}],"n":3)", "e\r\nf\r\nc\\u0000d\r\n", "ok"},
        // Line ends from outside, a last line without one, ended by the next add.
        {R"("kind":"opening","tab":1,"lines":["x","y","z"],"eol":{"2":"\n","3":""},"n":3)", "x\r\ny\nz", "ok"},
        {R"("kind":"add","tab":1,"at":4,"line":"w","n":4)", "x\r\ny\nz\r\nw\r\n", "ok"},
        {R"("kind":"not_applied","ref":5)", {}, "ok"},
        {R"("kind":"add","tab":1,"at":4,"line":"v","n":4)", "x\r\ny\nz\r\nv\r\n", "ok"},
    };
    for (const Case &k : cases) {
        QByteArray members = k.members;
        if (members.contains("\"tab\""))
            members += ",\"sha\":\"" + QCryptographicHash::hash(k.file, QCryptographicHash::Sha256).toHex() + "\"";
        EXPECT_EQ(send(members), QString::fromUtf8(k.result)) << k.members;
    }
    EXPECT_EQ(pg->Query("SELECT string_agg(linia || replace(replace(eol, E'\\r', 'R'), E'\\n', 'N'), '|' ORDER BY pozycja) "
                        "FROM pomiary.wiersze w JOIN pomiary.stanowiska s ON s.id = w.stanowisko WHERE s.rola = '" + role + "'"),
              "xRN|yN|zRN|vRN");
    // The event itself is kept as it was sent.
    EXPECT_EQ(pg->Query("SELECT position('\"a\\u0000b\"' in linia) > 0 FROM pomiary.zdarzenia z JOIN pomiary.stanowiska "
                        "s ON s.id = z.stanowisko WHERE s.rola = '" + role + "' AND seq = 1"),
              "t");
}

TEST_F(Events, ABatchTheServerCannotFinishInTimeIsHalvedUntilItGoes)
{
    const QByteArray role = NewStation();
    StationJournal j(dir_.filePath("dane"));
    for (int i = 1; i < 160; ++i)
        j.Add(1 + i % 5, W(i));
    j.WriteTables();
    // 20 ms for every event stored: the whole backlog takes over 3 s.
    ASSERT_TRUE(pg->Sql("CREATE FUNCTION pomiary.wolno() RETURNS trigger LANGUAGE plpgsql AS "
                        "'BEGIN PERFORM pg_sleep(0.02); RETURN NEW; END';"
                        "CREATE TRIGGER wolno BEFORE INSERT ON pomiary.zdarzenia FOR EACH ROW "
                        "EXECUTE FUNCTION pomiary.wolno()",
                        "postgres", "pomiary"))
        << pg->LastError().toStdString();
    auto o = Options("dane", role);
    o.queryTimeoutMs = 1500;
    auto s = StartSender(o);
    const bool done = WaitFor([&] { return AllConfirmed(*s, j); }, 30000);
    ASSERT_TRUE(pg->Sql("DROP TRIGGER wolno ON pomiary.zdarzenia; DROP FUNCTION pomiary.wolno()", "postgres", "pomiary"));
    ASSERT_TRUE(done) << central::StatusText(s->Status()).toStdString() << " " << s->Status().error.toStdString();
    ExpectServerHolds(*pg, "Waga " + QString::fromLatin1(role), j);
}

TEST_F(Events, WhileABatchWaitsOnALockThePanelCountsWhatWaits)
{
    const QByteArray role = NewStation();
    StationJournal j(dir_.filePath("dane"));
    j.Add(1, W(1));
    auto s = StartSender(Options("dane", role));
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 10000));
    central::PgConnection lock;
    QString error;
    ASSERT_TRUE(lock.Open(pg->Conninfo("pomiary_wlasciciel"), 10000, &error)) << error.toStdString();
    ASSERT_TRUE(lock.Exec("BEGIN").Ok());
    ASSERT_TRUE(lock.Exec("SELECT 1 FROM pomiary.stanowiska WHERE rola = $1 FOR UPDATE", {role}).Ok());
    j.Add(1, W(2));
    ASSERT_TRUE(WaitFor([&] { return s->Status().answerWaitS >= 1; }, 10000));
    j.Add(1, W(3));
    const bool counted = WaitFor([&] { return s->Status().waiting == 2; }, 5000);
    const CentralStatus waitingOnLock = s->Status();
    ASSERT_TRUE(lock.Exec("ROLLBACK").Ok());
    EXPECT_TRUE(counted) << central::StatusText(waitingOnLock).toStdString();
    EXPECT_EQ(central::StatusText(waitingOnLock), QString("Baza: połączono, wysyła 2"));
    EXPECT_TRUE(central::StatusTip(waitingOnLock).startsWith("Serwer bazy jeszcze nie potwierdził wysłanych zdarzeń ("))
        << central::StatusTip(waitingOnLock).toStdString();
    ASSERT_TRUE(WaitFor([&] { return AllConfirmed(*s, j); }, 10000));
    EXPECT_EQ(s->Status().answerWaitS, 0);
}

}  // namespace
