// The server's daily sums follow every kind of write to the current lines
// (adds, edits, removals that renumber, a table emptied): the office's
// summary over them equals a fresh grouping of the current weighings.

#include "central/pg_server.h"
#include "reports/office_summary.h"

#include <QStringList>

#include <gtest/gtest.h>

using central_test::PgServer;

namespace {

QString Row(const QString &a, const QString &b, qint64 n, double g, double ne, double t, double v)
{
    const auto x = [](double d) { return QString::number(d, 'g', 12); };
    return QStringList{a, b, QString::number(n), x(g), x(ne), x(t), x(v)}.join('|');
}

// Station x material straight from the view, as the office must show it.
QStringList FromView(PgServer &pg)
{
    QStringList out;
    const QByteArray rows = pg.Query(
        "SELECT stanowisko, CASE WHEN material = '' THEN '(brak)' ELSE material END, count(*), sum(brutto), "
        "sum(netto), sum(tara), sum(wartosc) FROM pomiary.pomiary_biezace WHERE czas IS NOT NULL AND brutto IS NOT "
        "NULL AND netto IS NOT NULL AND tara IS NOT NULL AND wartosc IS NOT NULL GROUP BY 1, 2");
    for (const QByteArray &line : rows.split('\n')) {
        const QList<QByteArray> f = line.split('|');
        if (f.size() == 7)
            out.append(Row(QString::fromUtf8(f[0]), QString::fromUtf8(f[1]), f[2].toLongLong(), f[3].toDouble(),
                           f[4].toDouble(), f[5].toDouble(), f[6].toDouble()));
    }
    out.sort();
    return out;
}

TEST(OfficeSums, FollowEveryWriteToTheLines)
{
    PgServer pg;
    ASSERT_TRUE(pg.Start()) << pg.LastError().toStdString();
    ASSERT_TRUE(pg.SetUpCentral({{"Warka", "waga_warka"}, {"Łomża", "waga_lomza"}})) << pg.LastError().toStdString();
    const auto owner = [&](const QByteArray &sql) {
        ASSERT_TRUE(pg.Sql(sql, "pomiary_wlasciciel", "pomiary")) << pg.LastError().toStdString() << "\n"
                                                                  << sql.constData();
    };
    const char *steps[] = {
        // Several lines in one statement, on two stations.
        "INSERT INTO pomiary.wiersze (stanowisko, tabela, pozycja, linia, seq) SELECT s.id, v.t, v.p, v.l, 0 "
        "FROM pomiary.stanowiska s JOIN (VALUES "
        "('Warka', 1, 1, E'1\\t2026-05-04 10:00\\t100\\t80\\t20\\t1\\t80\\t\\tpiasek\\t\\tJan\\tKowal'), "
        "('Warka', 1, 2, E'2\\t2026-05-04 11:00\\t200\\t150\\t50\\t1\\t150\\t\\tżwir\\t\\tJan\\tKowal'), "
        "('Warka', 1, 3, E'3\\t2026-05-05 11:00\\t30\\t20\\t10\\t1\\t20\\t\\tpiasek\\t\\tJan\\tKowal'), "
        "('Warka', 2, 1, E'4\\t2026-05-05 12:00\\t40\\t30\\t10\\t1\\t30\\t\\t\\t\\tJan\\tKowal'), "
        "('Łomża', 1, 1, E'1\\t2026-05-04 10:00\\t500\\t400\\t100\\t1\\t400\\t\\tpiasek\\t\\tEwa\\tNowak'), "
        "('Łomża', 1, 2, E'2\\t2026-05-06 10:00\\t5\\tx\\t1\\t1\\t4\\t\\tpiasek\\t\\tEwa\\tNowak')"
        ") v(n, t, p, l) ON v.n = s.nazwa",
        // An edit that moves a line to another material and mass.
        "UPDATE pomiary.wiersze SET linia = E'2\\t2026-05-04 "
        "11:00\\t210\\t160\\t50\\t1\\t160\\t\\tpiasek\\t\\tJan\\tKowal' "
        "WHERE tabela = 1 AND pozycja = 2 AND stanowisko = (SELECT id FROM pomiary.stanowiska WHERE nazwa = 'Warka')",
        // A removal that renumbers the lines after it.
        "SELECT pomiary.usun_pozycje((SELECT id FROM pomiary.stanowiska WHERE nazwa = 'Warka'), 1::smallint, ARRAY[1])",
        // An unreadable net made readable, and a readable time made unreadable.
        "UPDATE pomiary.wiersze SET linia = replace(linia, E'\\tx\\t', E'\\t4\\t') WHERE linia LIKE E'%\\tx\\t%'",
        "UPDATE pomiary.wiersze SET linia = replace(linia, '2026-05-05 12:00', '2026-05-05') WHERE tabela = 2",
        // A table emptied, then a station's lines all replaced.
        "DELETE FROM pomiary.wiersze WHERE tabela = 2",
        "DELETE FROM pomiary.wiersze WHERE stanowisko = (SELECT id FROM pomiary.stanowiska WHERE nazwa = 'Łomża')",
    };
    for (const char *step : steps) {
        SCOPED_TRACE(step);
        owner(step);
        central::PgConnection db;
        QString error;
        ASSERT_TRUE(OpenOfficeSession(db, pg.Conninfo("biuro"), 5000, 5000, &error)) << error.toStdString();
        SummaryRequest r;
        r.from = QDate(2026, 1, 1);
        r.to = QDate(2026, 12, 31);
        r.first = SummaryKey::Station;
        r.second = SummaryKey::Material;
        SummaryResult result;
        ASSERT_TRUE(RunOfficeSummary(db, r, 5000, &result, &error)) << error.toStdString();
        QStringList office;
        for (const SummaryRow &row : result.rows)
            office.append(Row(row.first, row.second, row.count, row.gross, row.net, row.tare, row.value));
        office.sort();
        EXPECT_EQ(office, FromView(pg));
        const QByteArray unreadable = pg.Query("SELECT count(*) FROM pomiary.pomiary_biezace WHERE czas IS NULL OR "
                                               "netto IS NULL OR brutto IS NULL OR tara IS NULL OR wartosc IS NULL");
        EXPECT_EQ(QByteArray::number(result.skipped), unreadable);
        // No key is left behind with nothing in it.
        EXPECT_EQ(pg.Query("SELECT count(*) FROM pomiary.sumy_dzienne WHERE liczba <= 0"), "0");
    }
    EXPECT_EQ(pg.Query("SELECT count(*) FROM pomiary.sumy_dzienne"), "2");
}

} // namespace
