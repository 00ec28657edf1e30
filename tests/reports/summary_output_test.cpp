// A summary on the clipboard, on paper (as text) and in an .xlsx workbook
// read back by openpyxl, with the chart's XML taken from the file itself.

#include "output/print_document.h"
#include "reports/summary_document.h"
#include "reports/summary_text.h"
#include "reports/summary_xlsx.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

SummaryRow Row(const QString &first, const QString &second, qint64 count, double gross, double net, double tare,
               double value)
{
    SummaryRow r;
    r.first = first;
    r.second = second;
    r.count = count;
    r.gross = gross;
    r.net = net;
    r.tare = tare;
    r.value = value;
    return r;
}

SummaryResult Result(SummaryKey second, QList<SummaryRow> rows, qint64 skipped = 0)
{
    SummaryResult r;
    r.request.from = QDate(2026, 11, 1);
    r.request.to = QDate(2026, 11, 30);
    r.request.first = SummaryKey::Day;
    r.request.second = second;
    r.rows = std::move(rows);
    r.total.first = QStringLiteral("Razem");
    for (const SummaryRow &row : r.rows) {
        r.total.count += row.count;
        r.total.gross += row.gross;
        r.total.net += row.net;
        r.total.tare += row.tare;
        r.total.value += row.value;
    }
    r.skipped = skipped;
    return r;
}

// One grouping; a mean of x.125 (exact in binary) and a sum past seven digits.
SummaryResult ByDay()
{
    return Result(SummaryKey::None,
                  {Row("2026-11-03", "", 2, 1500.5, 1200.25, 300.25, 2400.5),
                   Row("2026-11-04", "", 1, 1234567.89, 1234567.89, 0, 0)},
                  3);
}

SummaryResult ByDayAndMaterial()
{
    return Result(SummaryKey::Material,
                  {Row("2026-11-03", "Piasek", 1, 100, 90, 10, 180), Row("2026-11-03", "Żwir", 2, 60, 50, 10, 100),
                   Row("2026-11-04", "Piasek", 1, 30, 30, 0, 60)});
}

QString Run(const QString &script, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("python failed: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every cell as openpyxl sees it: "row col type value format".
QStringList Cells(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(POMIARY_SOURCE_DIR "/tests/output/read_sheet.py"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {QStringLiteral("reader failed")};
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// The sheet's name and the first chart's XML, straight from the zip.
QString SheetAndChart(const QString &path)
{
    return Run(QStringLiteral("import sys, zipfile, openpyxl\n"
                              "print(openpyxl.load_workbook(sys.argv[1]).sheetnames)\n"
                              "z = zipfile.ZipFile(sys.argv[1])\n"
                              "print([n for n in z.namelist() if n.startswith('xl/charts/')])\n"
                              "print(z.read('xl/charts/chart1.xml').decode())\n"),
               {path});
}

}  // namespace

TEST(SummaryClipboard, ExactText)
{
    const struct {
        const char *name;
        SummaryResult result;
        QString expected;
    } cases[] = {
        {"one grouping, skipped rows", ByDay(),
         "dzień\tLiczba pomiarów\tMasa brutto\tMasa netto\tTara\tWartość\tŚrednia masa netto\r\n"
         "2026-11-03\t2\t1500,50\t1200,25\t300,25\t2400,50\t600,13\r\n"
         "2026-11-04\t1\t1234567,89\t1234567,89\t0,00\t0,00\t1234567,89\r\n"
         "Razem\t3\t1236068,39\t1235768,14\t300,25\t2400,50\t411922,71\r\n"
         "Pominięto 3 pomiarów z nieczytelną datą lub masą\r\n"},
        {"two groupings", ByDayAndMaterial(),
         "dzień\tmateriał\tLiczba pomiarów\tMasa brutto\tMasa netto\tTara\tWartość\tŚrednia masa netto\r\n"
         "2026-11-03\tPiasek\t1\t100,00\t90,00\t10,00\t180,00\t90,00\r\n"
         "2026-11-03\tŻwir\t2\t60,00\t50,00\t10,00\t100,00\t25,00\r\n"
         "2026-11-04\tPiasek\t1\t30,00\t30,00\t0,00\t60,00\t30,00\r\n"
         "Razem\t\t4\t190,00\t170,00\t20,00\t340,00\t42,50\r\n"},
        {"nothing found", Result(SummaryKey::None, {}),
         "dzień\tLiczba pomiarów\tMasa brutto\tMasa netto\tTara\tWartość\tŚrednia masa netto\r\n"
         "Razem\t0\t0,00\t0,00\t0,00\t0,00\t0,00\r\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SummaryClipboardText(c.result), c.expected) << c.name;
}

TEST(SummaryDocument, TextOfThePrintout)
{
    SummaryDocumentInput in;
    in.result = ByDayAndMaterial();
    in.result.rows.append(Row(QString(30, 'A'), "Bardzo długa nazwa materiału", 1, 1, 1, 0, 0));
    in.result.skipped = 1;
    in.company = {"Firma Sp. z o.o.", "ul. Wagowa 1", "00-001 Miasto", "NIP 123"};
    in.now = QDateTime(QDate(2026, 12, 1), QTime(8, 30));
    PrintDocument doc;
    BuildSummaryDocument(in, doc);
    const QStringList text = doc.Text();

    for (const QString &line : in.company)
        EXPECT_TRUE(text.contains("  " + line)) << line.toStdString();
    EXPECT_TRUE(text.contains("  Zestawienie od 2026-11-01 do 2026-11-30"));
    EXPECT_TRUE(text.contains("  Grupowanie:   dzień, materiał"));
    EXPECT_TRUE(text.contains("  Data wydruku: 2026-12-01 08:30"));
    EXPECT_EQ(SummaryJobTitle(in.now), "Zestawienie 2026-12-01 08-30-00");

    // Lines that must appear, in order; columns aligned by fixed widths.
    const QStringList expected = {
        "  dzień                materiał             Liczba       Masa       Masa       Tara    Wartość    Średnia ",
        "                                          pomiarów     brutto      netto                       masa netto ",
        "  2026-11-03           Piasek                    1     100.00      90.00      10.00     180.00      90.00",
        "  2026-11-03           Żwir                      2      60.00      50.00      10.00     100.00      25.00",
        "  2026-11-04           Piasek                    1      30.00      30.00       0.00      60.00      30.00",
        // Labels longer than their column are cut, not wrapped.
        "  AAAAAAAAAAAAAAAAAAAA Bardzo długa naz          1       1.00       1.00       0.00       0.00       1.00",
        "  Razem                                          4     190.00     170.00      20.00     340.00      42.50",
        "  Pominięto 1 pomiarów z nieczytelną datą lub masą",
    };
    qsizetype at = 0;
    for (const QString &line : expected) {
        const qsizetype found = text.indexOf(line, at);
        EXPECT_GE(found, at) << "missing or out of order: [" << line.toStdString() << "]";
        at = std::max(at, found + 1);
    }
}

TEST(SummaryXlsx, CellsAndChart)
{
    QTemporaryDir dir;
    const struct {
        const char *name;
        SummaryResult result;
        SummaryMeasure measure;
        QStringList cells;       // lines the reader must print
        QStringList chartParts;  // texts the chart XML must hold
        QStringList notInChart;
    } cases[] = {
        {"one grouping: the chart reads the table's column",
         ByDay(),
         SummaryMeasure::Net,
         {"1\t1\ttext\tZestawienie dzienne od 2026-11-01 do 2026-11-30\tGeneral", "3\t1\ttext\tdzień\tGeneral",
          "3\t7\ttext\tŚrednia masa netto\tGeneral", "4\t1\ttext\t2026-11-03\tGeneral", "4\t2\tnumber\t2.0\t0",
          "4\t3\tnumber\t1500.5\t0.00", "4\t7\tnumber\t600.125\t0.00", "5\t4\tnumber\t1234567.89\t0.00",
          "6\t1\ttext\tRazem\tGeneral", "6\t2\tnumber\t3.0\t0",
          "8\t1\ttext\tPominięto 3 pomiarów z nieczytelną datą lub masą\tGeneral"},
         {"<c:barDir val=\"col\"/>", "<c:grouping val=\"clustered\"/>", "<c:f>Zestawienie!$A$4:$A$5</c:f>",
          "<c:f>Zestawienie!$D$4:$D$5</c:f>", "Masa netto"},
         {"stacked"}},
        {"two groupings: one stacked series per material",
         ByDayAndMaterial(),
         SummaryMeasure::Gross,
         {"4\t2\ttext\tPiasek\tGeneral", "5\t3\tnumber\t2.0\t0", "5\t4\tnumber\t60.0\t0.00",
          "7\t1\ttext\tRazem\tGeneral", "7\t3\tnumber\t4.0\t0", "7\t8\tnumber\t42.5\t0.00",
          // The chart data below: days down, materials across; no Żwir on the 4th.
          "9\t1\ttext\tDane wykresu: Masa brutto\tGeneral", "10\t2\ttext\tPiasek\tGeneral",
          "10\t3\ttext\tŻwir\tGeneral", "11\t1\ttext\t2026-11-03\tGeneral", "11\t2\tnumber\t100.0\t0.00",
          "11\t3\tnumber\t60.0\t0.00", "12\t1\ttext\t2026-11-04\tGeneral", "12\t2\tnumber\t30.0\t0.00"},
         {"<c:grouping val=\"stacked\"/>", "<c:v>Piasek</c:v>", "<c:v>Żwir</c:v>", "<c:f>Zestawienie!$A$11:$A$12</c:f>",
          "<c:f>Zestawienie!$C$11:$C$12</c:f>"},
         {"12\t3\t"}},
        {"two groupings, means: side by side",
         ByDayAndMaterial(),
         SummaryMeasure::MeanNet,
         {},
         {"<c:grouping val=\"clustered\"/>", "<c:v>Żwir</c:v>"},
         {"stacked"}},
    };
    for (const auto &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name).left(10) + ".xlsx");
        QString error = "stale";
        ASSERT_TRUE(WriteSummaryXlsx(path, c.result, c.measure, "Zestawienie dzienne", &error)) << c.name;
        EXPECT_TRUE(error.isEmpty());
        const QStringList cells = Cells(path);
        for (const QString &cell : c.cells)
            EXPECT_TRUE(cells.contains(cell)) << c.name << ": " << cell.toStdString() << "\n"
                                              << cells.join('\n').toStdString();
        const QString chart = SheetAndChart(path);
        EXPECT_TRUE(chart.startsWith("['Zestawienie']\n['xl/charts/chart1.xml']\n")) << chart.left(200).toStdString();
        for (const QString &part : c.chartParts)
            EXPECT_TRUE(chart.contains(part)) << c.name << ": " << part.toStdString();
        for (const QString &part : c.notInChart)
            EXPECT_FALSE(chart.contains(part) || cells.join('\n').contains(part))
                << c.name << ": " << part.toStdString();
    }
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.tmp*"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST(SummaryXlsx, NoRowsNoChart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pusty.xlsx");
    ASSERT_TRUE(WriteSummaryXlsx(path, Result(SummaryKey::None, {}), SummaryMeasure::Net, "Zestawienie", nullptr));
    EXPECT_TRUE(Cells(path).contains("4\t1\ttext\tRazem\tGeneral"));
    EXPECT_TRUE(SheetAndChart(path).contains("python failed"));  // no chart1.xml
}

TEST(SummaryXlsx, FailuresLeaveTheOldFile)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath("stary.xlsx");
    {
        QFile f(kept);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0444), 0);

    const struct {
        QString path;
        QString message;
    } cases[] = {
        {dir.filePath("brak/zestawienie.xlsx"), "Błąd zapisu do pliku."},
        {kept, "Błąd podczas usuwania pliku. Upewnij się że plik nie jest otwarty!\n"
               "Zapisywanie raportu zostało przerwane."},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(WriteSummaryXlsx(c.path, ByDay(), SummaryMeasure::Net, "Zestawienie", &error));
        EXPECT_EQ(error, c.message);
    }
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
    EXPECT_FALSE(QFile::exists(dir.filePath("brak")));
}
