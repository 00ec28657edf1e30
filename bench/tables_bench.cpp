// Table hot paths on a realistic 100,000-row working file (~12 MB):
// loading, replacing one line, rewriting, totals over all rows marked.

#include "bench_data.h"
#include "core/safe_file.h"
#include "tables/data_filter.h"
#include "tables/measurement_table.h"
#include "tables/table_storage.h"
#include "tables/totals.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRows = 100000;

struct Fixture {
    QTemporaryDir dir;
    QString dataDir;
    QString working;
    qint64 fileBytes = 0;
    QList<QByteArray> lines;

    Fixture()
    {
        dataDir = dir.path() + "/dane/";
        QDir().mkpath(dataDir);
        working = dataDir + "pomiary1.txt";
        std::mt19937 rng(7);
        QByteArray all;
        for (int i = 0; i < kRows; ++i) {
            lines.append(MakeLine(i, rng));
            all += lines.back() + "\r\n";
        }
        WriteFileAtomically(working, all);
        fileBytes = all.size();
    }
};

Fixture &Data()
{
    static Fixture f;
    return f;
}

void BM_LoadTable(benchmark::State &state)
{
    Fixture &f = Data();
    MeasurementTable table(1);
    const DataFilter filter;
    for (auto _ : state) {
        const LoadResult r = LoadTable(f.working, table, filter);
        if (!r.ok || table.RowCount() != kRows)
            state.SkipWithError("load failed");
    }
    state.counters["rows"] = table.RowCount();
    state.counters["file_bytes"] = double(f.fileBytes);
    state.counters["bytes_held"] = double(table.MemoryBytes());
    state.counters["held_per_file_byte"] = double(table.MemoryBytes()) / double(f.fileBytes);
    state.SetBytesProcessed(state.iterations() * f.fileBytes);
}
BENCHMARK(BM_LoadTable)->Unit(benchmark::kMillisecond);

void BM_LoadTableFiltered(benchmark::State &state)
{
    Fixture &f = Data();
    MeasurementTable table(1);
    DataFilter filter;
    filter.material = "piasek";
    filter.from = "202403010000";
    for (auto _ : state)
        LoadTable(f.working, table, filter);
    state.counters["rows"] = table.RowCount();
    state.counters["bytes_held"] = double(table.MemoryBytes());
}
BENCHMARK(BM_LoadTableFiltered)->Unit(benchmark::kMillisecond);

void BM_ReplaceLine(benchmark::State &state)
{
    Fixture &f = Data();
    const TableStorage storage(f.dataDir);
    QByteArray current = f.lines[kRows / 2];
    const QByteArray edited = QByteArray(current).replace("Big bag", "Paleta ");
    bool flip = false;
    for (auto _ : state) {
        const QByteArray next = flip ? f.lines[kRows / 2] : edited;
        if (!ReplaceLine(storage, 1, current, next).ok)
            state.SkipWithError("replace failed");
        current = next;
        flip = !flip;
    }
    if (current != f.lines[kRows / 2])
        ReplaceLine(storage, 1, current, f.lines[kRows / 2]);
    state.SetBytesProcessed(state.iterations() * f.fileBytes);
}
BENCHMARK(BM_ReplaceLine)->Unit(benchmark::kMillisecond);

void BM_RewriteWorkingFile(benchmark::State &state)
{
    Fixture &f = Data();
    const TableStorage storage(f.dataDir);
    MeasurementTable table(1);
    LoadTable(f.working, table, {});
    for (auto _ : state)
        if (!RewriteWorkingFile(storage, table).ok)
            state.SkipWithError("rewrite failed");
    state.SetBytesProcessed(state.iterations() * f.fileBytes);
}
BENCHMARK(BM_RewriteWorkingFile)->Unit(benchmark::kMillisecond);

void BM_AppendLine(benchmark::State &state)
{
    Fixture &f = Data();
    const TableStorage storage(f.dataDir);
    QFile::copy(f.working, f.dataDir + "pomiary2.txt");
    for (auto _ : state)
        AppendLine(storage, 2, f.lines[0]);
    QFile::remove(f.dataDir + "pomiary2.txt");
}
BENCHMARK(BM_AppendLine)->Unit(benchmark::kMillisecond);

void BM_ComputeTotalsAllMarked(benchmark::State &state)
{
    Fixture &f = Data();
    MeasurementTable table(1);
    LoadTable(f.working, table, {});
    table.SetAllMarks(true);
    Totals t;
    for (auto _ : state) {
        t = ComputeTotals(table, 2, "kg");
        benchmark::DoNotOptimize(t);
    }
    state.counters["marked"] = t.marked;
}
BENCHMARK(BM_ComputeTotalsAllMarked)->Unit(benchmark::kMillisecond);

void BM_EditCells(benchmark::State &state)
{
    Fixture &f = Data();
    MeasurementTable table(1);
    LoadTable(f.working, table, {});
    int row = 0;
    for (auto _ : state) {
        table.SetCell(row, 8, "Glina");
        row = (row + 7919) % kRows;
    }
    state.counters["bytes_held"] = double(table.MemoryBytes());
}
BENCHMARK(BM_EditCells)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
