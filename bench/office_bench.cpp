// The office's summaries over 2,000,000 current weighings of ten stations
// (a year of them): the time of
// day x material and month x station over the whole year and over one month,
// as the office's login. Prints its figures; never fails.
//
//     office_bench [rows]      (2000000 by default)
//
// POMIARY_BENCH_SCHEMA=<version> makes the schema only up to that version
// (to compare with an earlier one). It starts a server of its own, as the tests do.

#include "central/pg_server.h"
#include "reports/office_summary.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kStations = 10;

// The rows straight into the table: the trigger that cuts a line into its
// fields is passed over (the fields are given), so the load takes seconds;
// the daily sums are made by their own trigger, as for any write. Each
// station serves 40 regular customers, each with its material, packaging and
// monthly order, three operators in turns. POMIARY_BENCH_SPREAD makes every
// weighing a combination of its own instead (the worst case for the sums).
bool Load(central_test::PgServer &pg, int rows)
{
    const QByteArray perStation = QByteArray::number(rows / kStations);
    const bool spread = qEnvironmentVariableIsSet("POMIARY_BENCH_SPREAD");
    const QByteArray fields = spread ? "'Z' || (i % 50), 'materiał ' || (i % 300), 'worek', 'operator ' || (i % 20),"
                                       " 'odbiorca ' || (i % 400)"
                                     : "'Z' || c || '/' || extract(month FROM t), 'materiał ' || (c % 12),"
                                       " 'opakowanie ' || (c % 3), 'operator ' || (i / 100 % 3), 'odbiorca ' || c";
    return pg.Sql("ALTER TABLE pomiary.wiersze DISABLE TRIGGER wiersze_pola", "postgres", "pomiary") &&
           pg.Sql("INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq, nr, czas, brutto, netto,"
                  " tara, cena, wartosc, zamowienie, material, opakowanie, operator, klient)"
                  " SELECT s.id, 1 + c % 2, 1 + i, 'linia', i, i, t, b, b - 250, 250, 0.35, (b - 250) * 0.35, " +
                      fields + "  FROM pomiary.stanowiska s, generate_series(0, " + perStation +
                      " - 1) i,"
                      "  LATERAL (SELECT timestamp '2026-01-01' + (i::float8 * 525599 / " +
                      perStation +
                      ") * interval '1 minute' AS t,"
                      "                  1000 + (i * 7919 % 5000) / 100.0 AS b, i * 7919 % 40 AS c) x"
                      " WHERE s.nazwa LIKE 'Waga %'",
                  "postgres", "pomiary") &&
           pg.Sql("ALTER TABLE pomiary.wiersze ENABLE TRIGGER wiersze_pola", "postgres", "pomiary") &&
           pg.Sql("VACUUM ANALYZE pomiary.wiersze", "postgres", "pomiary") &&
           pg.Sql("VACUUM ANALYZE pomiary.sumy_dzienne", "postgres", "pomiary");
}

void Time(const char *what, const QByteArray &conninfo, const SummaryRequest &request)
{
    central::PgConnection db;
    QString error;
    if (!OpenOfficeSession(db, conninfo, 10000, 60000, &error)) {
        std::printf("%s: %s\n", what, error.toUtf8().constData());
        return;
    }
    std::vector<double> ms;
    SummaryResult result;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        if (!RunOfficeSummary(db, request, 60000, &result, &error)) {
            std::printf("%s: %s\n", what, error.toUtf8().constData());
            return;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-40s %6lld rows in %8lld weighings: median %7.1f ms, best %7.1f ms (target: under 1000 ms)\n", what,
                qlonglong(result.rows.size()), qlonglong(result.total.count), ms[ms.size() / 2], ms.front());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(kStations, atoi(argv[1])) : 2000000;
    central_test::PgServer pg;
    std::vector<std::pair<QByteArray, QByteArray>> stations;
    for (int s = 1; s <= kStations; ++s)
        stations.emplace_back("Waga " + QByteArray::number(s), "waga" + QByteArray::number(s));
    if (!pg.Start() || !pg.SetUpCentral(stations, qEnvironmentVariableIntValue("POMIARY_BENCH_SCHEMA"))) {
        std::printf("no server: %s\n", pg.LastError().toUtf8().constData());
        return 0;
    }
    QElapsedTimer t;
    t.start();
    if (!Load(pg, rows)) {
        std::printf("load failed: %s\n", pg.LastError().toUtf8().constData());
        return 0;
    }
    std::printf("loaded %s weighings of %d stations in %.1f s; schema version %s; %s daily sums\n",
                pg.Query("SELECT count(*) FROM pomiary.wiersze").constData(), kStations, t.elapsed() / 1000.0,
                pg.Query("SELECT max(wersja) FROM pomiary.wersja_schematu").constData(),
                pg.Query("SELECT count(*) FROM pomiary.sumy_dzienne").constData());
    const QByteArray office = pg.Conninfo("biuro");
    const auto request = [](SummaryKey a, SummaryKey b, QDate from, QDate to) {
        SummaryRequest r;
        r.first = a;
        r.second = b;
        r.from = from;
        r.to = to;
        return r;
    };
    const QDate jan1(2026, 1, 1), dec31(2026, 12, 31), mar1(2026, 3, 1), mar31(2026, 3, 31);
    // POMIARY_BENCH_EXPLAIN: the server's plan of the year's month x station.
    if (qEnvironmentVariableIsSet("POMIARY_BENCH_EXPLAIN")) {
        QByteArray sql = "EXPLAIN (ANALYZE, BUFFERS) " + OfficeSummaryQuery(SummaryKey::Month, SummaryKey::Station);
        sql.replace("$1", "'2026-01-01'").replace("$2", "'2026-12-31'");
        std::printf("%s\n", pg.Query(sql, "biuro").replace('|', ' ').constData());
    }
    Time("year: day x material", office, request(SummaryKey::Day, SummaryKey::Material, jan1, dec31));
    Time("year: month x station", office, request(SummaryKey::Month, SummaryKey::Station, jan1, dec31));
    Time("year: week x customer", office, request(SummaryKey::Week, SummaryKey::Customer, jan1, dec31));
    Time("March: day x material", office, request(SummaryKey::Day, SummaryKey::Material, mar1, mar31));
    Time("March: month x station", office, request(SummaryKey::Month, SummaryKey::Station, mar1, mar31));
    // POMIARY_BENCH_KEEP: the server stays up for a look at "pomiary --biuro" until the bench is stopped.
    if (qEnvironmentVariableIsSet("POMIARY_BENCH_KEEP")) {
        std::printf("office connection: %s\n", office.constData());
        std::fflush(stdout);
        return app.exec();
    }
    return 0;
}
