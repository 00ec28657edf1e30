// The central database: how fast a backlog of journal events reaches a local
// PostgreSQL, and whether a station adding weighings feels the sender at all.
// Prints its figures; never fails.
//
//     central_bench [events]      (100000 by default)
//
// POMIARY_BENCH_SCHEMA=<version> makes the schema only up to that version
// (to compare with an earlier one); POMIARY_BENCH_TABLE=<lines> sizes the
// table of the not_applied figure (100000 by default).
//
// It starts a server of its own (Debian's binaries, a temporary folder), as
// the tests do.

#include "central/central_sender.h"
#include "central/pg_server.h"
#include "central/station_journal.h"
#include "journal/journal.h"
#include "support/wait_for.h"
#include "tables/table_storage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

central::SenderOptions Options(const QString &dataDir, const QByteArray &conninfo, const QString &station)
{
    central::SenderOptions o;
    o.dataDir = dataDir + '/';
    o.settings.connection = conninfo;
    o.settings.station = station;
    if (const int batch = qEnvironmentVariableIntValue("POMIARY_BENCH_BATCH"); batch > 0)
        o.batchEvents = batch;  // for trying other batch sizes
    return o;
}

void Backlog(central_test::PgServer &pg, int events)
{
    QTemporaryDir dir;
    central_test::StationJournal j(dir.filePath("dane"));
    j.SetBulk(true);
    QElapsedTimer made;
    made.start();
    for (int i = 0; j.NextSeq() < events; ++i) {
        const int tab = 1 + i % 5;
        j.Add(tab, central_test::StationJournal::Weighing(i + 1, "2024-05-17 10:00", "1250.00", "1000.00", "250.00",
                                                          "0.35", "350.00", "piasek " + QByteArray::number(i % 9),
                                                          "Odbiorca " + QByteArray::number(i % 40)));
        if (i % 100 == 99)
            j.Edit(tab, {{int(j.Lines(tab).size()), central_test::StationJournal::Weighing(
                                                         i, "2024-05-17 10:01", "1260.00", "1010.00", "250.00", "0.35",
                                                         "353.50", "piasek", "Odbiorca")}});
    }
    j.SetBulk(false);
    std::printf("backlog: %d events written in %.1f s (%.1f MB)\n", events, made.elapsed() / 1000.0,
                QFileInfo(j.JournalPath()).size() / 1e6);

    // POMIARY_BENCH_PROFILE: the server's time per function of the schema, after the push.
    const bool profile = qEnvironmentVariableIsSet("POMIARY_BENCH_PROFILE");
    if (profile)
        pg.Sql("ALTER SYSTEM SET track_functions = 'all'") && pg.Sql("SELECT pg_reload_conf()");
    QElapsedTimer t;
    t.start();
    central::CentralSender s(Options(dir.filePath("dane"), pg.Conninfo("zaleglosc"), "Zaległości"));
    s.Start();
    const bool done = WaitFor([&] { return s.Status().confirmed == events - 1; }, 600000);
    const double secs = t.elapsed() / 1000.0;
    std::printf("backlog: %d events %s in %.2f s: %.0f events/s (target: under 10 s)\n", events,
                done ? "pushed" : "NOT all pushed", secs, events / secs);
    std::printf("backlog: server holds %s current weighings\n",
                pg.Query("SELECT count(*) FROM pomiary.pomiary_biezace WHERE stanowisko = 'Zaległości'").constData());
    if (profile)
        QThread::msleep(2000);  // the server publishes a backend's counts once it is idle
    if (profile)
        std::printf("server functions (name|calls|total ms|self ms):\n%s\n",
                    pg.Query("SELECT funcname, calls, round(total_time), round(self_time) FROM pg_stat_user_functions "
                             "ORDER BY self_time DESC LIMIT 12",
                             "postgres")
                        .constData());
}

// Five weighings that never reached their file, each named by a not_applied,
// after an opening of a large table: the server's work for them.
void NotAppliedOnALargeTable(central_test::PgServer &pg, int lines)
{
    QTemporaryDir dir;
    central_test::StationJournal j(dir.filePath("dane"));
    std::vector<QByteArray> opening(size_t(lines), central_test::StationJournal::Weighing(
                                                       1, "2024-05-17 10:00", "1250.00", "1000.00", "250.00", "0.35",
                                                       "350.00", "piasek", "Odbiorca"));
    j.Whole(1, "opening", opening);
    central::CentralSender s(Options(dir.filePath("dane"), pg.Conninfo("duza"), "Duża tabela"));
    s.Start();
    QElapsedTimer t;
    t.start();
    if (!WaitFor([&] { return s.Status().confirmed == j.NextSeq() - 1; }, 600000)) {
        std::printf("not_applied: the opening of %d lines NOT pushed\n", lines);
        return;
    }
    const double openingSecs = t.elapsed() / 1000.0;
    for (int i = 0; i < 5; ++i) {
        const std::vector<QByteArray> before = j.Lines(1);
        j.Add(1, opening.front());
        j.NotApplied(1, before);
    }
    t.restart();
    const bool done = WaitFor([&] { return s.Status().confirmed == j.NextSeq() - 1; }, 600000);
    std::printf("not_applied: opening of %d lines in %.1f s; 5 add/not_applied pairs %s in %.3f s\n", lines,
                openingSecs, done ? "pushed" : "NOT pushed", t.elapsed() / 1000.0);
}

struct AddTimes {
    std::vector<double> ms;
    double Percentile(double p) const
    {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
    }
};

// Weighings added through the real storage and journal at 10 a second.
AddTimes AddAtTenASecond(const QString &root, central::CentralSender *sender, int adds)
{
    QDir().mkpath(root + "/dane");
    TableStorage storage(root + "/dane/");
    Journal journal(storage, JournalOptions{root + "/klucze", nullptr});
    journal.Open();
    storage.SetWriteHook(&journal);
    if (sender)
        sender->Start();
    AddTimes times;
    QElapsedTimer pace;
    pace.start();
    for (int i = 0; i < adds; ++i) {
        while (pace.elapsed() < i * 100)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const QByteArray line = central_test::StationJournal::Weighing(i + 1, "2024-05-17 10:00", "1250.00", "1000.00",
                                                                       "250.00", "0.35", "350.00", "piasek", "Odbiorca");
        QElapsedTimer t;
        t.start();
        ActionScope scope(storage, {TableAction::AddButton});
        const StorageResult r = AppendLine(storage, 1, line);
        times.ms.push_back(t.nsecsElapsed() / 1e6);
        if (!r.ok)
            std::printf("add failed: %s\n", qPrintable(r.message));
    }
    storage.SetWriteHook(nullptr);
    return times;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int events = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    central_test::PgServer pg;
    if (!pg.Start() || !pg.SetUpCentral({{"Zaległości", "zaleglosc"}, {"Waga 1", "waga1"}, {"Duża tabela", "duza"}},
                                        qEnvironmentVariableIntValue("POMIARY_BENCH_SCHEMA"))) {
        std::printf("no PostgreSQL server: %s\n", qPrintable(pg.LastError()));
        return 0;
    }
    Backlog(pg, events);
    const int tableLines = qEnvironmentVariableIntValue("POMIARY_BENCH_TABLE");
    NotAppliedOnALargeTable(pg, tableLines > 0 ? tableLines : 100000);

    const int adds = 100;
    QTemporaryDir plain, connected;
    const AddTimes off = AddAtTenASecond(plain.path(), nullptr, adds);
    central::CentralSender sender(Options(connected.filePath("dane"), pg.Conninfo("waga1"), "Waga 1"));
    const AddTimes on = AddAtTenASecond(connected.path(), &sender, adds);
    WaitFor([&] { return sender.Status().waiting == 0; }, 10000);
    std::printf("adds at 10/s, %d each: not configured: median %.3f ms, p95 %.3f ms, max %.3f ms\n", adds,
                off.Percentile(0.5), off.Percentile(0.95), off.Percentile(1));
    std::printf("adds at 10/s, %d each: server connected: median %.3f ms, p95 %.3f ms, max %.3f ms "
                "(%lld events confirmed, %lld waiting)\n",
                adds, on.Percentile(0.5), on.Percentile(0.95), on.Percentile(1),
                static_cast<long long>(sender.Status().confirmed + 1), static_cast<long long>(sender.Status().waiting));
    return 0;
}
