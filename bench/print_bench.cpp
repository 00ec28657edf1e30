// A table report printed to a PDF file through PrinterTextStream, as the
// "Drukuj tabelę" button prints it: the time and the peak of resident
// memory taken by printing, for tables of 10,000 rows and more. The report
// is drawn line by line as it is produced, so the peak should stay flat as
// the table grows. Not a test: it never fails on its figures.
//
//   print_bench [rows...]   (default 10000 20000 40000)

#include "bench_data.h"
#include "bench_memory.h"
#include "output/report_document.h"
#include "output/ui/printer_text_stream.h"
#include "tables/measurement_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

using namespace bench_memory;

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
        const double before = ResidentMB();
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
        const double peak = PeakMB();
        std::printf("%8d %9.2f %7d %14.1f %14.1f %9.1f\n", rows, seconds, pages,
                    double(table.MemoryBytes()) / 1e6, peak - before,
                    double(QFileInfo(path).size()) / 1e6);
    }
    return 0;
}
