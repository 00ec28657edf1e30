// The weighing journal's costs:
//  - adding a weighing with and without the journal (an fsync'd event first);
//  - the start-up check on five 100,000-row tables;
//  - verifying a journal of 1,000,000 events against five 100,000-row tables
//    (the journal is made here, by the documented format, with the real
//    line encoding and signature).
// Bytes per event are reported for the adds and for the long journal.

#include "bench_data.h"
#include "core/clock.h"
#include "core/safe_file.h"
#include "core/sha256.h"
#include "journal/journal.h"
#include "journal/journal_check.h"
#include "journal/journal_format.h"
#include "journal/journal_line.h"
#include "journal/key_store.h"
#include "journal/table_replay.h"
#include "tables/measurement_record.h"
#include "tables/table_storage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

namespace {

constexpr int kRows = 100000;

QString DataDir(const QTemporaryDir &dir)
{
    return dir.path() + "/dane/";
}
QString KeyDir(const QTemporaryDir &dir)
{
    return dir.path() + "/config/pomiary/dziennik/";
}

// One weighing added to a 1,000-row table, range(0): 0 without the journal, 1 with it.
void BM_AddWeighing(benchmark::State &state)
{
    QTemporaryDir dir;
    QDir().mkpath(DataDir(dir));
    WriteFileAtomically(DataDir(dir) + "pomiary1.txt", MakeTableFile(1000, 3));
    TableStorage storage(DataDir(dir));
    SystemClock clock;
    Journal journal(storage, JournalOptions{KeyDir(dir), &clock});
    const bool withJournal = state.range(0) == 1;
    if (withJournal) {
        journal.Open();
        storage.SetWriteHook(&journal);
        journal.NoteLogin("KOWALSKI JAN");
    }
    const qint64 journalBefore = QFileInfo(journal.Path()).size();
    std::mt19937 rng(5);
    int i = 1000;
    for (auto _ : state) {
        const QByteArray line = MakeLine(i++, rng);
        const ActionScope scope(storage, TableAction::AddButton);
        if (!AppendLine(storage, 1, line))
            state.SkipWithError("the add failed");
    }
    if (withJournal)
        state.counters["bytes_per_event"] =
            double(QFileInfo(journal.Path()).size() - journalBefore) / double(state.iterations());
    storage.SetWriteHook(nullptr);
}
BENCHMARK(BM_AddWeighing)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// A start: the journal of five 100,000-row tables opened and compared with them.
void BM_StartupCheck(benchmark::State &state)
{
    QTemporaryDir dir;
    QDir().mkpath(DataDir(dir));
    qint64 bytes = 0;
    for (int n = 1; n <= 5; ++n) {
        const QByteArray file = MakeTableFile(kRows, 20 + unsigned(n));
        bytes += file.size();
        WriteFileAtomically(DataDir(dir) + QString("pomiary%1.txt").arg(n), file);
    }
    const TableStorage storage(DataDir(dir));
    SystemClock clock;
    {
        Journal first(storage, JournalOptions{KeyDir(dir), &clock});
        first.Open();  // the opening balance
    }
    qsizetype findings = 0;
    for (auto _ : state) {
        Journal journal(storage, JournalOptions{KeyDir(dir), &clock});
        findings += journal.Open().size();
    }
    state.counters["MB_of_tables"] = double(bytes) / 1e6;
    state.counters["findings"] = double(findings);
    state.counters["sha_instructions"] = Sha256::UsesProcessorInstructions() ? 1 : 0;
}
BENCHMARK(BM_StartupCheck)->Unit(benchmark::kMillisecond)->Iterations(10);

// Writes a journal of `events` events by the documented format: five tables
// grow to `rows` rows each by adds, with corrections (single rows and ranges)
// of recent rows and deletions between; then the five table files.
class LongJournal {
public:
    LongJournal(const QString &dataDir, const QString &keyDir) : dataDir_(dataDir), keys_(keyDir)
    {
        key_ = *keys_.Create(dataDir);
    }

    qint64 Write(qint64 events, int rows)
    {
        QFile out(dataDir_ + "dziennik.txt");
        out.open(QIODevice::WriteOnly);
        out_ = &out;
        Put({{"kind", journal::kind::Journal}, {"format", journal::kFormatVersion},
             {"station", QString::fromLatin1(key_.station)}},
            0);
        for (int t = 1; t <= 5; ++t)
            Put({{"kind", journal::kind::Opening}, {"lines", QJsonArray()}, {"n", 0}, {"sha", Sha(t)}}, t);
        // Per table: adds, deletions and corrections so that `rows` remain.
        const qint64 perTable = (events - seq_) / 5;
        const qint64 deletes = perTable / 50;
        const qint64 adds = rows + deletes;
        // Spread evenly over each table's events, finished a little early.
        const qint64 spread = perTable - 200;
        for (qint64 step = 0; seq_ < events; ++step) {
            const int t = 1 + int(step % 5);
            Table &tab = tables_[size_t(t - 1)];
            const qint64 slot = step / 5;
            if (step % 10000 == 9999) {
                Put({{"kind", journal::kind::Login}}, 0);
            } else if (tab.adds < std::min(adds, (slot + 1) * adds / spread) || qint64(tab.lines.size()) < 60) {
                Add(t);
            } else if (tab.deletes < std::min(deletes, (slot + 1) * deletes / spread)) {
                Delete(t, qsizetype(tab.lines.size()) - 1 - qsizetype(rng_() % 40));
            } else {
                Correct(t, slot % 20 == 0 ? 5 : 1);
            }
        }
        out.close();
        JournalState s;
        s.seq = seq_ - 1;
        s.mac = mac_;
        s.lineStart = lineStart_;
        s.end = QFileInfo(out.fileName()).size();
        for (int t = 1; t <= 5; ++t)
            s.files[size_t(t - 1)] = {qint64(tables_[size_t(t - 1)].lines.size()), Sha(t).toLatin1()};
        keys_.SaveState(key_, s);
        for (int t = 1; t <= 5; ++t) {
            QByteArray file;
            for (const QByteArray &l : tables_[size_t(t - 1)].lines)
                file += l + "\r\n";
            WriteFileAtomically(dataDir_ + QString("pomiary%1.txt").arg(t), file);
        }
        return seq_;
    }
    int RowsOf(int t) const { return int(tables_[size_t(t - 1)].lines.size()); }

private:
    struct Table {
        std::vector<QByteArray> lines;
        std::vector<Sha256> before;  // the hash state where each line begins
        Sha256 all;
        qint64 adds = 0, deletes = 0;
    };

    QString Sha(int t) const { return QString::fromLatin1(tables_[size_t(t - 1)].all.FinalHex()); }

    void Rehash(Table &tab, size_t from)
    {
        Sha256 h = from == 0 ? Sha256() : tab.before[from - 1];
        if (from > 0) {
            h.Add(tab.lines[from - 1]);
            h.Add("\r\n");
        }
        for (size_t i = from; i < tab.lines.size(); ++i) {
            tab.before[i] = h;
            h.Add(tab.lines[i]);
            h.Add("\r\n");
        }
        tab.all = h;
    }

    void Put(QJsonObject c, int table)
    {
        c.insert("seq", seq_);
        c.insert("t", journal::TimeText(time_));
        time_ = time_.addSecs(7);
        c.insert("op", "KOWALSKI JAN");
        if (table > 0)
            c.insert("tab", table);
        const QByteArray line = journal::SignedLine(c, key_.secret, mac_, &mac_);
        lineStart_ = out_->pos();
        out_->write(line + "\r\n");
        ++seq_;
    }

    void Add(int t)
    {
        Table &tab = tables_[size_t(t - 1)];
        const QByteArray line = MakeLine(int(tab.adds++), rng_);
        tab.before.push_back(tab.all);
        tab.lines.push_back(line);
        tab.all.Add(line);
        tab.all.Add("\r\n");
        Put({{"kind", journal::kind::Add}, {"via", "auto"}, {"at", qint64(tab.lines.size())},
             {"line", journal::Text(line)}, {"n", qint64(tab.lines.size())}, {"sha", Sha(t)}},
            t);
    }

    void Delete(int t, qsizetype at)
    {
        Table &tab = tables_[size_t(t - 1)];
        const QByteArray old = tab.lines[size_t(at)];
        tab.lines.erase(tab.lines.begin() + at);
        tab.before.erase(tab.before.begin() + at);
        ++tab.deletes;
        Rehash(tab, size_t(at));
        Put({{"kind", journal::kind::Delete}, {"at", at + 1}, {"line", journal::Text(old)},
             {"n", qint64(tab.lines.size())}, {"sha", Sha(t)}},
            t);
    }

    // A correction of the gross weight of one of the newest rows, or of the
    // material of the last `range` rows.
    void Correct(int t, int range)
    {
        Table &tab = tables_[size_t(t - 1)];
        const qsizetype n = qsizetype(tab.lines.size());
        const qsizetype first = range > 1 ? n - range : n - 1 - qsizetype(rng_() % 40);
        QJsonArray rows;
        for (qsizetype p = first; p < first + range; ++p) {
            const QByteArray old = tab.lines[size_t(p)];
            QByteArray line;
            if (range > 1) {
                line = *WithField(old, ColMaterial, "Kruszywo 0-31.5");
            } else {
                const QByteArray gross = QByteArray::number(100 + rng_() % 3000) + ".00";
                line = *WithField(*WithField(old, ColGross, gross), ColNet, gross);
            }
            QJsonArray diff;
            for (int col : journal::ChangedColumns(old, line))
                diff.append(QJsonArray{col, journal::Text(FieldView(old, col)), journal::Text(FieldView(line, col))});
            rows.append(QJsonObject{{"at", p + 1}, {"line", journal::Text(line)}, {"diff", diff}});
            tab.lines[size_t(p)] = line;
        }
        Rehash(tab, size_t(first));
        QJsonObject c{{"kind", journal::kind::Edit}, {"rows", rows}, {"field", range > 1 ? ColMaterial : ColGross},
                      {"n", n}, {"sha", Sha(t)}};
        if (range > 1)
            c.insert("range", true);
        Put(c, t);
    }

    QString dataDir_;
    KeyStore keys_;
    JournalKey key_;
    QFile *out_ = nullptr;
    qint64 seq_ = 0;
    qint64 lineStart_ = 0;
    QByteArray mac_ = journal::InitialMac();
    QDateTime time_{QDate(2024, 1, 2), QTime(6, 0), Qt::OffsetFromUTC, 3600};
    std::array<Table, 5> tables_;
    std::mt19937 rng_{99};
};

// POMIARY_JOURNAL_BENCH_DIR names a folder to keep the long journal in (and
// to take it from at the next run), for profiling the verification alone.
void VerifyMillionEvents()
{
    QTemporaryDir temp;
    const QString kept = qEnvironmentVariable("POMIARY_JOURNAL_BENCH_DIR");
    if (qEnvironmentVariableIsSet("POMIARY_JOURNAL_BENCH_VERIFY_ONLY") && kept.isEmpty())
        return;
    const QString root = kept.isEmpty() ? temp.path() : kept;
    const QString dataDir = root + "/dane/", keyDir = root + "/config/pomiary/dziennik/";
    QElapsedTimer t;
    t.start();
    if (kept.isEmpty() || !QFileInfo::exists(dataDir + "dziennik.txt")) {
        QDir().mkpath(dataDir);
        LongJournal maker(dataDir, keyDir);
        const qint64 events = maker.Write(1000000, kRows);
        const qint64 bytes = QFileInfo(dataDir + "dziennik.txt").size();
        std::printf("\nJournal of %lld events (%.1f MB, %.0f bytes per event), tables of %d %d %d %d %d rows, made "
                    "in %.1f s\n",
                    static_cast<long long>(events), double(bytes) / 1e6, double(bytes) / double(events),
                    maker.RowsOf(1), maker.RowsOf(2), maker.RowsOf(3), maker.RowsOf(4), maker.RowsOf(5),
                    double(t.elapsed()) / 1000);
    }
    for (int run = 0; run < 2; ++run) {
        t.restart();
        const JournalCheckReport r = CheckJournal(dataDir, keyDir);
        std::printf("Verifying 1,000,000 events against five 100,000-row tables: %.2f s (target < 3 s), exit code %d, "
                    "%lld events checked\n",
                    double(t.elapsed()) / 1000, r.ExitCode(), static_cast<long long>(r.events));
        if (r.ExitCode() != 0)
            std::printf("%s", r.Text(10).toUtf8().constData());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    VerifyMillionEvents();
    return 0;
}
