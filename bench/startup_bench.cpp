// Start-up with five 100,000-row tables: from creating the main window until
// it is shown with every table loaded and the events processed.

#include "app/ui/main_window.h"
#include "bench_data.h"
#include "core/safe_file.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "app/ui/main_window_test_options.h"
#include "support/scripted_prompts.h"

namespace {

void BM_StartupFiveFullTables(benchmark::State &state)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("dane");
    qint64 bytes = 0;
    for (int n = 1; n <= 5; ++n) {
        const QByteArray file = MakeTableFile(100000, 7 + n);
        bytes += file.size();
        WriteFileAtomically(dir.filePath(QString("dane/pomiary%1.txt").arg(n)), file);
    }
    ScriptedPrompts prompts;
    int rows = 0;
    for (auto _ : state) {
        MainWindowOptions o = TestOptions(dir, &prompts);
        o.openScaleLink = false;
        MainWindow w(o);
        w.show();
        QApplication::processEvents();
        rows = w.Tables().Table(5).RowCount();
        w.close();
    }
    state.counters["rows_in_table_5"] = rows;
    state.counters["MB_on_disk"] = double(bytes) / 1e6;
}
BENCHMARK(BM_StartupFiveFullTables)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
