// Summaries over five 100,000-row tables: day x material for the whole
// year, from the rows the tables hold and from the working files.

#include "bench_data.h"
#include "core/safe_file.h"
#include "reports/station_summary.h"
#include "reports/summary_grouping.h"
#include "tables/data_filter.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

struct Fixture {
    QTemporaryDir dir;
    TableStorage storage{dir.path() + "/dane"};
    TableSet tables;
    DataFilter none;
    DataFilter some; // on, so the whole files are read

    Fixture()
    {
        QDir().mkpath(storage.dataDir());
        for (int n = 1; n <= kTableCount; ++n)
            WriteFileAtomically(storage.WorkingFile(n), MakeTableFile(kRows, unsigned(n)));
        LoadAllTables(storage, tables, none);
        some.customer = "Budmax";
    }
};

Fixture &Data()
{
    static Fixture f;
    return f;
}

SummaryRequest DayByMaterial()
{
    SummaryRequest r;
    r.from = QDate(2024, 1, 1);
    r.to = QDate(2024, 12, 31);
    r.first = SummaryKey::Day;
    r.second = SummaryKey::Material;
    r.allTables = true;
    return r;
}

void Run(benchmark::State &state, const DataFilter &filter)
{
    Fixture &f = Data();
    StationSummary summary(f.tables, f.storage, &filter);
    const SummaryRequest request = DayByMaterial();
    for (auto _ : state) {
        const std::optional<SummaryResult> r = summary.Compute(request);
        if (!r || r->total.count != qint64(kTableCount) * kRows)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(r);
    }
    state.counters["rows"] = double(kTableCount) * kRows;
}

void BM_DayByMaterialFromTables(benchmark::State &state)
{
    Run(state, Data().none);
}

void BM_DayByMaterialFromFiles(benchmark::State &state)
{
    Run(state, Data().some);
}

void BM_WeekByCustomerFromTables(benchmark::State &state)
{
    Fixture &f = Data();
    StationSummary summary(f.tables, f.storage, &f.none);
    SummaryRequest request = DayByMaterial();
    request.first = SummaryKey::Week;
    request.second = SummaryKey::Customer;
    for (auto _ : state)
        benchmark::DoNotOptimize(summary.Compute(request));
}

} // namespace

// Wall time, and the CPU time of every thread of the process.
BENCHMARK(BM_DayByMaterialFromTables)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_DayByMaterialFromFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_WeekByCustomerFromTables)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_MAIN();
