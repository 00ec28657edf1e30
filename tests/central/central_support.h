#pragma once

// What the central database tests share: waiting with the event loop
// running, a sender for a station folder, and the check that the server
// holds a station's journal and its five tables exactly.

#include "central/central_sender.h"
#include "central/central_settings.h"
#include "core/cp1250.h"
#include "core/number_forms.h"
#include "pg_server.h"
#include "station_journal.h"
#include "support/qt_printers.h"
#include "support/wait_for.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace central_test {

using ::WaitFor;

// Fast retries for tests; the rest as the program has it.
inline central::SenderOptions TestSenderOptions(const QString &dataDir, const QByteArray &conninfo,
                                                const QString &station)
{
    central::SenderOptions o;
    o.dataDir = dataDir.endsWith('/') ? dataDir : dataDir + '/';
    o.settings.connection = conninfo;
    o.settings.station = station;
    o.pollMs = 50;
    o.retryMinMs = 100;
    o.retryMaxMs = 400;
    o.refusedRetryMs = 300;
    return o;
}

inline std::unique_ptr<central::CentralSender> StartSender(const central::SenderOptions &o)
{
    auto s = std::make_unique<central::CentralSender>(o);
    s->Start();
    return s;
}

inline bool AllConfirmed(const central::CentralSender &s, const StationJournal &j)
{
    return s.Status().state == central::CentralStatus::State::Connected && s.Status().confirmed == j.NextSeq() - 1;
}

inline QByteArray Quoted(const QString &s)
{
    QByteArray q = s.toUtf8();
    q.replace('\'', "''");
    return '\'' + q + '\'';
}

// The field of a table line the way the view must give it: the program's
// own number reading, the nr as an integer, the time "yyyy-MM-dd hh:mm".
inline QByteArray ExpectedRow(const QByteArray &line)
{
    QList<QByteArray> f = line.split('\t');
    while (f.size() < 12)
        f.append(QByteArray());
    if (f.size() > 12) {
        QByteArray last = f.mid(11).join('\t');
        f = f.mid(0, 11);
        f.append(last);
    }
    QByteArray out;
    bool okNr = false;
    const qlonglong nr = f[0].trimmed().toLongLong(&okNr);
    const bool nrFits = okNr && nr >= INT_MIN && nr <= INT_MAX;
    out += nrFits ? QByteArray::number(nr) : QByteArray("∅");
    const QDate d = QDate::fromString(QString::fromLatin1(f[1].left(10)), "yyyy-MM-dd");
    const QTime t = QTime::fromString(QString::fromLatin1(f[1].mid(10)), " HH:mm");
    out += '|' + (f[1].size() == 16 && d.isValid() && t.isValid() ? f[1] + ":00" : QByteArray("∅"));
    for (int k = 2; k <= 6; ++k) {
        const auto v = ParseNumber(f[k]);
        out += '|' + (v ? QByteArray::number(*v, 'g', 15) : QByteArray("∅"));
    }
    for (int k = 7; k <= 11; ++k)
        out += '|' + cp1250::Decode(f[k]).toUtf8();
    return out;
}

// The server holds the station's journal exactly (every event once, in
// order, as written) and its current weighings equal the five files.
inline void ExpectServerHolds(PgServer &pg, const QString &station, const StationJournal &j)
{
    const QByteArray name = Quoted(station);
    const QByteArray stored = pg.Query(
        "SELECT count(*), count(DISTINCT seq), min(seq), max(seq) FROM pomiary.zdarzenia z JOIN pomiary.stanowiska s "
        "ON s.id = z.stanowisko WHERE s.nazwa = " +
        name);
    const qint64 n = j.NextSeq();
    EXPECT_EQ(stored, QByteArray::number(n) + '|' + QByteArray::number(n) + "|0|" + QByteArray::number(n - 1));
    const QList<QByteArray> lines =
        pg.Query("SELECT linia FROM pomiary.zdarzenia z JOIN pomiary.stanowiska s ON s.id = z.stanowisko "
                 "WHERE s.nazwa = " + name + " ORDER BY seq")
            .split('\n');
    ASSERT_EQ(size_t(lines.size()), j.JournalLines().size());
    for (size_t i = 0; i < j.JournalLines().size(); ++i)
        ASSERT_EQ(lines[qsizetype(i)], j.JournalLines()[i]) << "event " << i;
    for (int tab = 1; tab <= 5; ++tab) {
        QByteArray expected;
        for (const QByteArray &l : j.Lines(tab))
            expected += ExpectedRow(l) + '\n';
        expected.chop(1);
        const QByteArray view = pg.Query(
            "SELECT coalesce(nr::text, '∅'), coalesce(czas::text, '∅'), "
            "coalesce(brutto::float8::text, '∅'), coalesce(netto::float8::text, '∅'), coalesce(tara::float8::text, '∅'), "
            "coalesce(cena::float8::text, '∅'), coalesce(wartosc::float8::text, '∅'), zamowienie, material, opakowanie, "
            "operator, klient FROM pomiary.pomiary_biezace WHERE stanowisko = " + name +
            " AND tabela = " + QByteArray::number(tab) + " ORDER BY pozycja");
        EXPECT_EQ(view, expected) << "table " << tab;
        QByteArray file;
        for (const QByteArray &l : j.Lines(tab))
            file += cp1250::Decode(l).toUtf8() + '\n';
        file.chop(1);
        EXPECT_EQ(pg.Query("SELECT linia FROM pomiary.wiersze w JOIN pomiary.stanowiska s ON s.id = w.stanowisko "
                           "WHERE s.nazwa = " + name + " AND tabela = " + QByteArray::number(tab) +
                           " ORDER BY pozycja"),
                  file)
            << "table " << tab;
    }
    EXPECT_EQ(pg.Query("SELECT count(*) FROM pomiary.tabele t JOIN pomiary.stanowiska s ON s.id = t.stanowisko "
                       "WHERE s.nazwa = " + name + " AND niezgodna_od IS NOT NULL"),
              "0");
}

}  // namespace central_test
