// A table report printed to a PDF file through PrinterTextStream, as the
// "Drukuj tabelę" button prints it: the time and the peak of resident
// memory taken by printing, for tables of 10,000 rows and more. The report
// is drawn line by line as it is produced, so the peak should stay flat as
// the table grows. Not a test: it never fails on its figures.
//
//   print_bench [rows...]   (default 10000 20000 40000)

#include "bench_data.h"
#include "output/report_document.h"
#include "output/ui/printer_text_stream.h"
#include "tables/measurement_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

// kB from /proc/self/status: VmRSS now, VmHWM the peak since the last reset.
long StatusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

void ResetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.append(std::atoi(argv[i]));
    if (sizes.isEmpty())
        sizes = {10000, 20000, 40000};
    QTemporaryDir dir;

    // Fonts and the PDF engine warmed up once, so the first size pays no more.
    {
        QPrinter warm(QPrinter::HighResolution);
        warm.setOutputFormat(QPrinter::PdfFormat);
        warm.setOutputFileName(dir.filePath(QStringLiteral("warm.pdf")));
        PrinterTextStream s(&warm);
        s.Begin(DocumentFont{QStringLiteral("Courier New"), 8});
        s.AddLine({{QStringLiteral("ąęłńóśźż"), TextStyle::BoldItalic}});
    }

    std::printf("%8s %9s %7s %14s %14s %9s\n", "rows", "time [s]", "pages", "table [MB]", "printing [MB]",
                "PDF [MB]");
    for (const int rows : sizes) {
        MeasurementTable table(1);
        std::mt19937 rng(7);
        for (int i = 0; i < rows; ++i)
            table.AddLine(MakeLine(i, rng));
        ReportInput in;
        in.table = &table;
        in.tableName = QStringLiteral("Tabela 1");
        in.company = {QStringLiteral("Stanowisko ważenia"), QString(), QString(), QString()};
        in.widths = ProgramConfig{}.printWidths;
        in.now = QDateTime::currentDateTime();

        const QString path = dir.filePath(QStringLiteral("raport%1.pdf").arg(rows));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageOrientation(QPageLayout::Landscape);
        ResetPeak();
        const long before = StatusKb("VmRSS:");
        QElapsedTimer timer;
        timer.start();
        int pages = 0;
        {
            PrinterTextStream stream(&printer);
            BuildReport(in, stream);
            stream.Close();
            pages = stream.Pages();
        }
        const double seconds = double(timer.elapsed()) / 1000.0;
        const long peak = StatusKb("VmHWM:");
        std::printf("%8d %9.2f %7d %14.1f %14.1f %9.1f\n", rows, seconds, pages,
                    double(table.MemoryBytes()) / 1e6, double(peak - before) / 1024.0,
                    double(QFileInfo(path).size()) / 1e6);
    }
    return 0;
}
