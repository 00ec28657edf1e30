// Exporting a table to .xlsx (100,000 rows) and .xls (65,000 rows), and
// copying 10,000 rows to the clipboard: time and peak resident memory of
// each. When Debian's office suite is installed (libreoffice-calc-nogui),
// the same rows saved as TAB-separated text are converted by
// `soffice --headless --convert-to` in the same run, for comparison. Not a
// test: it never fails on its figures.
//
//   export_bench [xlsx rows (100000)] [xls rows (65000)]

#include "bench_data.h"
#include "bench_memory.h"
#include "core/cp1250.h"
#include "core/program_config.h"
#include "output/clipboard_copy.h"
#include "output/excel_export.h"
#include "output/spreadsheet.h"
#include "output/xls_writer.h"
#include "output/xlsx_writer.h"
#include "tables/measurement_table.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace bench_memory;

namespace {

void Fill(MeasurementTable &table, int rows)
{
    std::mt19937 rng(11);
    table.Clear();
    for (int i = 0; i < rows; ++i)
        table.AddLine(MakeLine(i, rng));
}

template <typename Work>
void Measure(const char *what, Work &&work)
{
    ResetPeak();
    const double before = ResidentMB();
    QElapsedTimer t;
    t.start();
    const QString extra = work();
    std::printf("%-44s %8.2f s %9.1f MiB  %s\n", what, double(t.elapsed()) / 1000.0, PeakMB() - before,
                qPrintable(extra));
}

// The table as TAB-separated text (cp1250 as UTF-8), for the converter.
void WriteTsv(const MeasurementTable &table, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    for (int r = 0; r < table.RowCount(); ++r)
        f.write(cp1250::Decode(table.LineView(r)).toUtf8() + "\n");
}

// soffice's time and its own peak memory (the child's maximum resident set).
void Converter(const MeasurementTable &table, const QString &dir, const char *to)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const QString label = QStringLiteral("soffice --convert-to %1, %2 rows").arg(to).arg(table.RowCount());
    if (soffice.isEmpty()) {
        std::printf("%-44s (not installed: libreoffice-calc-nogui)\n", qPrintable(label));
        return;
    }
    const QString tsv = QDir(dir).filePath(QStringLiteral("rows.csv"));
    WriteTsv(table, tsv);
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(soffice, {QStringLiteral("--headless"), QStringLiteral("--infilter=CSV:9,34,76"),
                      QStringLiteral("--convert-to"), QString::fromLatin1(to), QStringLiteral("--outdir"), dir, tsv});
    p.waitForFinished(-1);
    const double seconds = double(t.elapsed()) / 1000.0;
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("%-44s %8.2f s %9.1f MiB  (peak of any converter run so far)\n", qPrintable(label), seconds,
                double(usage.ru_maxrss) / 1024.0);
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int xlsxRows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int xlsRows = argc > 2 ? std::atoi(argv[2]) : 65000;
    QTemporaryDir dir;
    MeasurementTable table(1);

    Fill(table, xlsxRows);
    Measure(qPrintable(QStringLiteral("xlsx, %1 rows").arg(xlsxRows)), [&] {
        const QString path = dir.filePath(QStringLiteral("t.xlsx"));
        const bool ok = WriteXlsx(path, TableSheet(table));
        return QStringLiteral("%1, %2 MB").arg(ok ? "ok" : "FAILED").arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1);
    });
    Converter(table, dir.path(), "xlsx");

    Fill(table, xlsRows);
    Measure(qPrintable(QStringLiteral("xls, %1 rows").arg(xlsRows)), [&] {
        const QString path = dir.filePath(QStringLiteral("t.xls"));
        const bool ok = WriteXls(path, TableSheet(table));
        return QStringLiteral("%1, %2 MB").arg(ok ? "ok" : "FAILED").arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1);
    });
    Converter(table, dir.path(), "xls");

    Fill(table, 10000);
    const auto widths = ProgramConfig{}.screenWidths;
    Measure("clipboard, 10000 rows", [&] {
        int copied = 0;
        const QString text = ClipboardText(table, widths, 0, kClipboardMaxRows, &copied);
        QGuiApplication::clipboard()->setText(text);
        return QStringLiteral("%1 rows, %2 characters").arg(copied).arg(text.size());
    });
    return 0;
}
