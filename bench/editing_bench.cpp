// Editing weighings on a 100,000-row table: the material of the last 1,000
// rows ("bieżącego pomiaru i następnych" from row 99,001) and of all rows,
// each with its one rewrite of the working file.

#include "bench_data.h"
#include "core/safe_file.h"
#include "dictionaries/pickers.h"
#include "tables/measurement_table.h"
#include "tables/row_editing.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

void BM_EditMaterialRange(benchmark::State &state)
{
    const int count = int(state.range(0));
    QTemporaryDir dir;
    const QString dataDir = dir.path() + "/";
    const QByteArray file = MakeTableFile(kRows, 7);
    const TableStorage storage(dataDir);
    MeasurementTable table(1);
    PickedEntry material;
    material.name = "Piasek";
    material.packaging = "Paleta";
    material.price = "12.50";
    const LineEdit edit = MaterialEdit(material, true, [](QByteArrayView) { return 25.0; }, 2);
    for (auto _ : state) {
        state.PauseTiming();
        WriteFileAtomically(storage.WorkingFile(1), file);
        LoadTable(storage.WorkingFile(1), table, {});
        state.ResumeTiming();
        const RangeEditResult r = ApplyToRange(table, storage, kRows - count, kRows - 1, edit);
        if (!r.file.ok || r.rowsChanged != count)
            state.SkipWithError("edit failed");
    }
    state.counters["rows_changed"] = count;
}
BENCHMARK(BM_EditMaterialRange)->Arg(1000)->Arg(kRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
