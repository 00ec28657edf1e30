// Resident memory through a compressed working day: the real main window,
// shown, with automatic adding in mode 1 ("Dodaj ostatni stabilny pomiar"),
// fed one scale line at a time with the events processed after each, as a
// scale sending many lines a second would. Loads come and go; every stable
// reading of a load brings its row up to date (UpdateLastRow). Prints the
// resident memory after a warm-up and at the end, and the growth per 100,000
// updates. Not a test: it never fails on its figures.
//
//   memory_bench [updates (100000)] [stable readings per load (50)]

#include "app/ui/main_window.h"
#include "bench_memory.h"
#include "core/safe_file.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "app/ui/main_window_test_options.h"
#include "support/scripted_prompts.h"

using bench_memory::ResidentMB;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long updates = argc > 1 ? std::atol(argv[1]) : 100000;
    const int perLoad = argc > 2 ? std::max(2, std::atoi(argv[2])) : 50;

    // In memory when the machine has it: the benchmark is about memory, not the disk.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/memory_bench-XXXXXX")
                                                                   : QString();
    QTemporaryDir dir(base);
    if (!dir.isValid())
        return 1;
    QDir(dir.path()).mkpath(QStringLiteral("dane"));
    WriteFileAtomically(dir.filePath(QStringLiteral("dane/konfig.ini")),
                        "Auto_dodawanie=1\r\nAuto_dodawanie_min=50\r\nAuto_dodawanie_delta=10\r\n"
                        "Auto_dodawanie_pierwszy=1\r\nMasa_maksymalna=5000\r\n");
    ScriptedPrompts prompts;
    MainWindowOptions o = TestOptions(dir, &prompts);
    o.openScaleLink = false;
    MainWindow w(o);
    w.show();
    QApplication::processEvents();

    long done = 0;
    int load = 0;
    auto feed = [&](const QByteArray &line) {
        w.Scale().DecodeLine(line);
        QApplication::processEvents();
    };
    // One load: off the platform, on it in steps too large to be stable,
    // then stable readings (the first adds the row, the others update it).
    auto oneLoad = [&] {
        const int mass = 500 + (load++ % 400);
        for (const int m : {0, mass / 3, 2 * mass / 3})
            feed(QByteArray::number(m) + ".00");
        for (int i = 0; i < perLoad; ++i)
            feed(QByteArray::number(mass + i % 3) + "." + QByteArray::number(10 + i % 90));
        done += perLoad - 1;
    };

    while (done < 5000)  // warm-up: caches, fonts, the first pages of the table
        oneLoad();
    const double startMB = ResidentMB();
    const long startUpdates = done;
    QElapsedTimer timer;
    timer.start();
    while (done - startUpdates < updates)
        oneLoad();
    const double seconds = double(timer.elapsed()) / 1000.0;
    const double endMB = ResidentMB();
    const long measured = done - startUpdates;
    const int rows = w.Tables().Active().RowCount();
    w.close();

    std::printf("updates measured:        %ld (%d loads, %d rows in the table)\n", measured, load, rows);
    std::printf("resident memory at start: %.1f MB\n", startMB);
    std::printf("resident memory at end:   %.1f MB\n", endMB);
    std::printf("growth per 100,000 updates: %.2f MB\n", (endMB - startMB) * 100000.0 / double(measured));
    std::printf("time: %.1f s (%.0f lines/s)\n", seconds, double(measured) * (perLoad + 3) / (perLoad - 1) / seconds);
    std::printf("messages shown: %lld\n", static_cast<long long>(prompts.messages.size()));
    return 0;
}
