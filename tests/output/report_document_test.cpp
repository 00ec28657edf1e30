#include "output/report_document.h"
#include "support/qt_printers.h"
#include "tables/measurement_table.h"

#include <gtest/gtest.h>

namespace {

const QString I(5, ' ');  // the indent

QByteArray Row(const QByteArray &nr, const QByteArray &gross = "100.00", const QByteArray &net = "90.00",
               const QByteArray &tare = "10.00", const QByteArray &value = "180.00")
{
    return nr + "\t2024-03-05 14:07\t" + gross + "\t" + net + "\t" + tare + "\t2.00\t" + value +
           "\tWZ/1\tPiasek\tPaleta\tJAN\tBudex";
}

class Report : public ::testing::Test {
protected:
    Report()
    {
        in.table = &table;
        in.tableName = "Tabela 1";
        in.company = {"Firma", "ul. Polna 1", "Luboń", "NIP 1"};
        in.widths = ProgramConfig{}.printWidths;
        in.now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
    }
    QStringList Text()
    {
        PrintDocument doc;
        BuildReport(in, doc);
        EXPECT_EQ(doc.font.pointSize, 8);
        last = doc;
        return doc.Text();
    }
    MeasurementTable table{1};
    ReportInput in;
    PrintDocument last;
};

const QString kHeading =
    " nr     czas pobrania  brutto   netto  tara    cena   wartość zamówienie materiał     opakowanie operat "
    "dostawca/kli.  ";

}  // namespace

TEST_F(Report, EveryRowMarkedOrNotWithRulesOf119AndTotals)
{
    table.AddLine(Row("1"));
    table.AddLine(Row("2", "50.00", "(45.00)", "5.00", "90.00"));
    table.SetMark(0, true);
    in.tableDescription = "Odbiór";
    const QStringList text = Text();
    const QStringList expected = {
        "", "", "", "", "",
        I + "Firma                              ",
        I + "ul. Polna 1                        ",
        I + "Luboń                              ",
        I + "NIP 1                              ",
        "", "",
        I + "Nazwa tabeli:      Tabela 1 - Odbiór",
        I + "Data wydruku:      2024-03-05 14:07",
        "",
        I + QString(119, ' '),
        "",
        I + kHeading,
        I + QString(119, ' '),
        "",
        // A 16-character time right-aligned in 17; the customer without its space.
        I + "  1  2024-03-05 14:07  100.00   90.00 10.00    2.00    180.00 WZ/1       Piasek       Paleta     JAN    "
            "Budex          ",
        I + "  2  2024-03-05 14:07   50.00 (45.00)  5.00    2.00     90.00 WZ/1       Piasek       Paleta     JAN    "
            "Budex          ",
        I,
        I + "Ilość pomiarów:            2",
        I,
        I + "Łączna masa brutto:   150.00 kg",
        I + "Łączna masa netto:    135.00 kg",
        I + "Łączna tara:           15.00 kg",
        I,
        I + "Łączna wartość:       270.00 zł",
        I,
        I + "Koniec wydruku.",
    };
    EXPECT_EQ(text, expected);
    const DocumentLine rule{{I, TextStyle::Regular}, {QString(119, ' '), TextStyle::Underline}};
    EXPECT_EQ(last.lines[14], rule);
    EXPECT_EQ(last.lines[17], rule);
    EXPECT_EQ(last.lines.back(), (DocumentLine{{I + "Koniec wydruku.", TextStyle::Italic}}));
    EXPECT_EQ(ReportJobTitle(in.now), QString::fromUtf8("Ważenia 2024-03-05 14-07-09"));
}

TEST_F(Report, WithoutTheCustomerColumnTheOperatorKeepsItsSpace)
{
    in.widths[ColCustomer] = 0;
    table.AddLine(Row("1"));
    const QStringList text = Text();
    EXPECT_EQ(last.lines[14].back().text.size(), 104);  // the plain sum of (w + 1)
    EXPECT_EQ(text[16], I + kHeading.left(104));
    EXPECT_EQ(text[19], I + "  1  2024-03-05 14:07  100.00   90.00 10.00    2.00    180.00 WZ/1       Piasek       "
                            "Paleta     JAN    ");
}

TEST_F(Report, FilterLinesOnlyForTheConditionsSet)
{
    EXPECT_FALSE(Text().join('|').contains("Filtr danych"));
    in.filter.from = "202403050600";
    in.filter.material = "piasek";
    const QStringList text = Text();
    const int at = int(text.indexOf(I + "Filtr danych: "));
    ASSERT_EQ(at, 13);
    EXPECT_EQ(text.mid(at + 1, 3), (QStringList{I + "  data początkowa: 2024-03-05 06:00",
                                                 I + "  materiał:        piasek", ""}));
    in.filter = {};
    in.filter.to = "202403052359";
    in.filter.op = "\xa3ukasz";  // cp1250
    in.filter.customer = "Budex";
    in.filter.order = "WZ";
    EXPECT_EQ(Text().mid(14, 4), (QStringList{I + "  data końcowa:    2024-03-05 23:59", I + "  zamówienie:      WZ",
                                              I + "  operator:        Łukasz", I + "  dostawca/klient: Budex"}));
}

TEST_F(Report, SumsFollowTheMassDecimalsAndAnEmptyTablePrintsZeros)
{
    in.massDecimals = 1;
    table.AddLine(Row("1", "1000.06", "1000.06", "0.0", "x"));  // a value that is no number counts 0
    table.AddLine(Row("2", "234.5", "234.5", "0.0", "1.5"));
    QStringList text = Text();
    EXPECT_TRUE(text.contains(I + "Łączna masa brutto:   1234.6 kg"));
    EXPECT_TRUE(text.contains(I + "Łączna wartość:         1.50 zł"));

    table.Clear();
    in.massDecimals = 2;
    in.widths[ColValue] = 0;
    text = Text();
    EXPECT_EQ(text.mid(19), (QStringList{I, I + "Ilość pomiarów:            0", I, I + "Łączna masa brutto:     0.00 kg",
                                         I + "Łączna masa netto:      0.00 kg", I + "Łączna tara:            0.00 kg",
                                         I, I + "Koniec wydruku."}));
}
