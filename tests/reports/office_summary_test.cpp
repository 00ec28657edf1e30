// The office's summaries against a PostgreSQL of the test's own holding two
// stations' weighings: figures computed by hand, the order of the groups,
// unreadable rows, a session that cannot write, and a server that is down
// or does not answer.

#include "central/pg_server.h"
#include "core/cp1250.h"
#include "reports/summary_grouping.h"
#include "reports/office_settings.h"
#include "reports/office_summary.h"
#include "support/qt_printers.h"
#include "support/wait_for.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using central_test::PgServer;

namespace {

PgServer *pg = nullptr;
QByteArray officeConninfo;

struct Line {
    const char *station;
    int table;
    const char *text; // the twelve fields
};

// Good rows in 2026-12-28..2027-01-10, one of each kind of unreadable row, and rows just outside.
const Line kLines[] = {
    {"Warka", 1, "1\t2026-12-28 00:00\t100.00\t80.00\t20.00\t1.00\t80.00\tZ1\tłupek\tworek\tJan\tKowal"},
    {"Warka", 1, "2\t2026-12-31 23:59\t200.00\t150.00\t50.00\t2.00\t300.00\tZ1\tmarmur\t\tJan\tKowal"},
    {"Warka", 2, "3\t2027-01-03 12:00\t50\t40\t10\t1\t40\t\tpiasek\tworek\tEwa\tNowak"},
    {"Warka", 1, "4\t2027-01-04 08:00\t10,50\t8.25\t2.25\t2\t16.50\tZ2\tłupek\tworek\tJan\tKowal"},
    {"Warka", 1, "5\t2027-13-01 10:00\t1\t1\t0\t1\t1\tZ2\tłupek\tworek\tJan\tKowal"}, // no such month
    {"Warka", 1, "6\t2027-01-05 10:00\t1\tx\t0\t1\t1\tZ2\tłupek\tworek\tJan\tKowal"}, // net unreadable
    {"Warka", 1, "7\t2027-02-05 10:00\t1\tx\t0\t1\t1\tZ2\tłupek\tworek\tJan\tKowal"}, // the same, later
    {"Warka", 1, "8\t2026-12-27 23:59\t999\t999\t0\t1\t999\tZ2\tłupek\tworek\tJan\tKowal"},
    {"Warka", 1, "9\t2027-01-11 00:00\t999\t999\t0\t1\t999\tZ2\tłupek\tworek\tJan\tKowal"},
    {"Łomża", 1, "1\t2027-01-10 23:59\t300\t(250)\t50\t0\t0\t\t\t\t\tNowak"},
    {"Łomża", 3, "2\t2027-01-01 06:00\t1000\t900\t100\t1.5\t1350\tZ2\tmarmur\tbig bag\tEwa\tNowak"},
    {"Łomża", 3, "3\t2027-01-02\t1\t1\t0\t1\t1\tZ2\tmarmur\tbig bag\tEwa\tNowak"}, // time without hours
};

QByteArray RowText(const SummaryRow &r)
{
    const auto n = [](double x) { return QByteArray::number(x, 'g', 12); };
    return r.first.toUtf8() + '|' + r.second.toUtf8() + '|' + QByteArray::number(r.count) + '|' + n(r.gross) + '|' +
           n(r.net) + '|' + n(r.tare) + '|' + n(r.value);
}

QList<QByteArray> RowsText(const SummaryResult &r)
{
    QList<QByteArray> out;
    for (const SummaryRow &row : r.rows)
        out.append(RowText(row));
    return out;
}

struct Outcome {
    std::optional<SummaryResult> result;
    QString error;
    int finishedCount = 0;
    qint64 ms = 0;
};

Outcome Summarise(OfficeSummary &s, const SummaryRequest &request, int waitMs = 15000)
{
    Outcome o;
    QObject guard;
    QObject::connect(&s, &SummaryService::finished, &guard, [&](const SummaryResult &r) {
        o.result = r;
        ++o.finishedCount;
    });
    QObject::connect(&s, &SummaryService::failed, &guard, [&](const QString &e) { o.error = e; });
    QElapsedTimer t;
    t.start();
    s.Start(request);
    WaitFor([&] { return o.result || !o.error.isEmpty(); }, waitMs);
    o.ms = t.elapsed();
    return o;
}

SummaryRequest Request(SummaryKey first, SummaryKey second, QDate from = QDate(2026, 12, 28),
                       QDate to = QDate(2027, 1, 10))
{
    SummaryRequest r;
    r.from = from;
    r.to = to;
    r.first = first;
    r.second = second;
    return r;
}

class Office : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        pg = new PgServer;
        ASSERT_TRUE(pg->Start()) << pg->LastError().toStdString();
        ASSERT_TRUE(pg->SetUpCentral({{"Warka", "waga_warka"}, {"Łomża", "waga_lomza"}}))
            << pg->LastError().toStdString();
        int position[2][6] = {};
        for (const Line &l : kLines) {
            const int s = QByteArray(l.station) == "Warka" ? 0 : 1;
            const QByteArray sql = "INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq) SELECT id, " +
                                   QByteArray::number(l.table) + ", " + QByteArray::number(++position[s][l.table]) +
                                   ", '" + l.text + "', 0 FROM pomiary.stanowiska WHERE nazwa = '" + l.station + "'";
            ASSERT_TRUE(pg->Sql(sql, "pomiary_wlasciciel", "pomiary")) << pg->LastError().toStdString();
        }
        // The office connects the way an office PC would: by its dane/biuro.ini.
        QTemporaryDir dir;
        QFile ini(dir.filePath("biuro.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("host=" + QFile::encodeName(pg->SocketDir()) +
                  "\r\nport=5432\r\nbaza=pomiary\r\nuzytkownik=biuro\r\n");
        ini.close();
        OfficeSettings settings;
        ASSERT_EQ(ReadOfficeSettings(ini.fileName(), settings), OfficeSettingsFile::Read);
        officeConninfo = OfficeConnectionString(settings);
    }
    static void TearDownTestSuite()
    {
        delete pg;
        pg = nullptr;
    }
};

TEST_F(Office, FiguresEqualTheHandComputedOnes)
{
    struct Case {
        SummaryRequest request;
        QList<QByteArray> rows;
        qint64 skipped;
    };
    const Case cases[] = {
        // ISO weeks across the year end; stations by the Polish alphabet (Ł before W).
        {Request(SummaryKey::Week, SummaryKey::Station),
         {"2026-W53|Łomża|1|1000|900|100|1350", "2026-W53|Warka|3|350|270|80|420", "2027-W01|Łomża|1|300|250|50|0",
          "2027-W01|Warka|1|10.5|8.25|2.25|16.5"},
         3},
        // "ł" sorts before "m", though its code is after "z"; an empty field is "(brak)", last.
        {Request(SummaryKey::Material, SummaryKey::None),
         {"łupek||2|110.5|88.25|22.25|96.5", "marmur||2|1200|1050|150|1650", "piasek||1|50|40|10|40",
          "(brak)||1|300|250|50|0"},
         3},
        {Request(SummaryKey::Day, SummaryKey::None),
         {"2026-12-28||1|100|80|20|80", "2026-12-31||1|200|150|50|300", "2027-01-01||1|1000|900|100|1350",
          "2027-01-03||1|50|40|10|40", "2027-01-04||1|10.5|8.25|2.25|16.5", "2027-01-10||1|300|250|50|0"},
         3},
        {Request(SummaryKey::Month, SummaryKey::Table),
         {"2026-12|1|2|300|230|70|380", "2027-01|1|2|310.5|258.25|52.25|16.5", "2027-01|2|1|50|40|10|40",
          "2027-01|3|1|1000|900|100|1350"},
         3},
        {Request(SummaryKey::Year, SummaryKey::Operator),
         {"2026|Jan|2|300|230|70|380", "2027|Ewa|2|1050|940|110|1390", "2027|Jan|1|10.5|8.25|2.25|16.5",
          "2027|(brak)|1|300|250|50|0"},
         3},
        {Request(SummaryKey::Order, SummaryKey::Packaging),
         {"Z1|worek|1|100|80|20|80", "Z1|(brak)|1|200|150|50|300", "Z2|big bag|1|1000|900|100|1350",
          "Z2|worek|1|10.5|8.25|2.25|16.5", "(brak)|worek|1|50|40|10|40", "(brak)|(brak)|1|300|250|50|0"},
         3},
        // A narrower period: the unreadable net of 2027-01-05 is outside it, the unreadable times always count.
        {Request(SummaryKey::Station, SummaryKey::Customer, QDate(2027, 1, 1), QDate(2027, 1, 3)),
         {"Łomża|Nowak|1|1000|900|100|1350", "Warka|Nowak|1|50|40|10|40"},
         2},
        // Nothing in the period.
        {Request(SummaryKey::Day, SummaryKey::None, QDate(2030, 1, 1), QDate(2030, 12, 31)), {}, 2},
    };
    OfficeSummary office(officeConninfo);
    for (const Case &c : cases) {
        SCOPED_TRACE(
            (QByteArray::number(int(c.request.first)) + "/" + QByteArray::number(int(c.request.second))).constData());
        const Outcome o = Summarise(office, c.request);
        ASSERT_TRUE(o.result) << o.error.toStdString();
        EXPECT_EQ(RowsText(*o.result), c.rows);
        EXPECT_EQ(o.result->skipped, c.skipped);
        // The total is the sum of the rows shown.
        SummaryRow sum;
        for (const SummaryRow &r : o.result->rows) {
            sum.count += r.count;
            sum.gross += r.gross;
            sum.net += r.net;
            sum.tare += r.tare;
            sum.value += r.value;
        }
        sum.first = QStringLiteral("Razem");
        EXPECT_EQ(RowText(o.result->total), RowText(sum));
        EXPECT_EQ(o.result->request.from, c.request.from);
    }
}

TEST_F(Office, EachStationsRowsGiveTheStationsOwnFigures)
{
    // The station groups its own file lines; the office, grouping by station
    // first, must show the same groups and figures for that station's rows.
    OfficeSummary office(officeConninfo);
    for (const SummaryKey key : {SummaryKey::Day, SummaryKey::Week, SummaryKey::Material, SummaryKey::Customer,
                                 SummaryKey::Table, SummaryKey::Packaging}) {
        SCOPED_TRACE(SummaryKeyName(key).toStdString());
        const Outcome o = Summarise(office, Request(SummaryKey::Station, key));
        ASSERT_TRUE(o.result) << o.error.toStdString();
        qint64 skipped = 0;
        for (const char *station : {"Warka", "Łomża"}) {
            SummaryGrouping own(Request(key, SummaryKey::None));
            for (const Line &l : kLines)
                if (QByteArray(l.station) == station)
                    own.Add(*cp1250::Encode(QString::fromUtf8(l.text)), l.table);
            const SummaryResult mine = own.Result();
            skipped += mine.skipped;
            QList<QByteArray> expected;
            for (const SummaryRow &r : mine.rows) {
                SummaryRow asOffice = r;
                asOffice.second = r.first;
                asOffice.first = QString::fromUtf8(station);
                expected.append(RowText(asOffice));
            }
            QList<QByteArray> shown;
            for (const QByteArray &row : RowsText(*o.result))
                if (row.startsWith(QByteArray(station) + '|'))
                    shown.append(row);
            EXPECT_EQ(shown, expected) << station;
        }
        EXPECT_EQ(o.result->skipped, skipped);
    }
}

TEST_F(Office, ANewStartSupersedesTheRunningOne)
{
    OfficeSummary office(officeConninfo);
    QList<SummaryKey> answered;
    QObject::connect(&office, &SummaryService::finished,
                     [&](const SummaryResult &r) { answered.append(r.request.first); });
    office.Start(Request(SummaryKey::Day, SummaryKey::None));
    office.Start(Request(SummaryKey::Material, SummaryKey::None));
    ASSERT_TRUE(WaitFor([&] { return !answered.isEmpty(); }, 15000));
    WaitFor([] { return false; }, 500); // a late answer of the first would come by now
    EXPECT_EQ(answered, QList<SummaryKey>{SummaryKey::Material});
}

TEST_F(Office, TheOfficeNeverWrites)
{
    const auto state = [](const QByteArray &conninfo, bool session, const char *sql) -> QByteArray {
        central::PgConnection db;
        QString error;
        const bool open =
            session ? OpenOfficeSession(db, conninfo, 5000, 5000, &error) : db.Open(conninfo, 5000, &error);
        if (!open)
            return "connect: " + error.toUtf8();
        const central::PgResult r = db.Exec(sql);
        return r.Ok() ? QByteArray("ok") : r.State();
    };
    const char *insert =
        "INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq) VALUES (1, 5, 99, 'x', 0)";
    const char *update = "UPDATE pomiary.wiersze SET linia = 'x'";
    // The office's login has no right to change anything...
    EXPECT_EQ(state(officeConninfo, false, insert), "42501");
    EXPECT_EQ(state(officeConninfo, false, update), "42501");
    // ...and its session is read-only even for a role that could.
    EXPECT_EQ(state(pg->Conninfo("pomiary_wlasciciel"), true, update), "25006");
    EXPECT_EQ(state(pg->Conninfo("pomiary_wlasciciel"), false, "SELECT 1"), "ok");
}

TEST_F(Office, AServerDownOrSilentFailsWithinTheDeadline)
{
    QTemporaryDir nowhere;
    // Accepts connections and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    struct Case {
        QByteArray conninfo;
        const char *messageStart;
    };
    const Case cases[] = {
        {"host=" + QFile::encodeName(nowhere.path()) + " dbname=pomiary user=biuro", "Brak połączenia z bazą danych: "},
        {"host=127.0.0.1 port=" + QByteArray::number(silent.serverPort()) + " dbname=pomiary user=biuro",
         "Brak połączenia z bazą danych: "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.conninfo.constData());
        OfficeSummary office(c.conninfo);
        office.SetTimeouts(700, 700);
        const Outcome o = Summarise(office, Request(SummaryKey::Day, SummaryKey::None), 5000);
        EXPECT_FALSE(o.result);
        EXPECT_TRUE(o.error.startsWith(QString::fromUtf8(c.messageStart))) << o.error.toStdString();
        EXPECT_LT(o.ms, 2500);
    }

    // A server that holds the query back: the weighings locked by another session.
    central::PgConnection locker;
    QString error;
    ASSERT_TRUE(locker.Open(pg->Conninfo("pomiary_wlasciciel"), 5000, &error)) << error.toStdString();
    ASSERT_TRUE(locker.Exec("BEGIN; LOCK TABLE pomiary.wiersze, pomiary.sumy_dzienne IN ACCESS EXCLUSIVE MODE").Ok());
    {
        OfficeSummary office(officeConninfo);
        office.SetTimeouts(2000, 700);
        const Outcome o = Summarise(office, Request(SummaryKey::Day, SummaryKey::None), 5000);
        EXPECT_FALSE(o.result);
        EXPECT_EQ(o.error, QStringLiteral("Baza danych nie odpowiada."));
        EXPECT_LT(o.ms, 3000);
    }
    {
        // Closing the window while a query waits does not wait for it.
        QElapsedTimer t;
        t.start();
        {
            OfficeSummary office(officeConninfo);
            office.Start(Request(SummaryKey::Day, SummaryKey::None));
            WaitFor([] { return false; }, 300);
        }
        EXPECT_LT(t.elapsed(), 1500);
    }
    locker.Close();
    // Free again: the same office answers.
    OfficeSummary office(officeConninfo);
    EXPECT_TRUE(Summarise(office, Request(SummaryKey::Year, SummaryKey::None)).result);
}

TEST(OfficeSettingsFile, ConnectionStringFromTheFile)
{
    struct Case {
        QByteArray file;
        QByteArray conninfo;
        const char *problem; // the start of OfficeConnectionProblem, "" for none
    };
    const Case cases[] = {
        {"host=serwer\r\nport=5433\r\nbaza=pomiary\r\nuzytkownik=biuro\r\n",
         "host='serwer' port='5433' dbname='pomiary' user='biuro'", ""},
        // Blanks around are dropped, inside kept; quotes and backslashes escaped for libpq.
        {"host =  /run/post gres  \nuzytkownik=o'br\\ien\n", "host='/run/post gres' user='o\\'br\\\\ien'", ""},
        // A whole connection string wins; a password line is never used.
        {"polaczenie=postgresql://biuro@serwer/pomiary\r\nhost=inny\r\nhaslo=tajne\r\n",
         "postgresql://biuro@serwer/pomiary", ""},
        {"haslo=tajne\r\n", "", "Brak ustawień połączenia z bazą danych"},
        {"polaczenie=host=serwer password=tajne\r\n", "host=serwer password=tajne", "Hasło nie może być zapisane"},
        {"polaczenie=host='serwer\r\n", "host='serwer", "Błędny opis połączenia z bazą danych: "},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file.constData());
        QFile f(OfficeSettingsPath(dir.path() + '/'));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.file);
        f.close();
        OfficeSettings s;
        ASSERT_EQ(ReadOfficeSettings(f.fileName(), s), OfficeSettingsFile::Read);
        EXPECT_EQ(OfficeConnectionString(s), c.conninfo);
        const QString problem = OfficeConnectionProblem(OfficeConnectionString(s));
        if (*c.problem)
            EXPECT_TRUE(problem.startsWith(QString::fromUtf8(c.problem))) << problem.toStdString();
        else
            EXPECT_EQ(problem, QString());
    }
    OfficeSettings s;
    EXPECT_EQ(ReadOfficeSettings(dir.filePath("brak.ini"), s), OfficeSettingsFile::Missing);
}

} // namespace
