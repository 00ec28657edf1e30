#include "core/cp1250.h"
#include "output/label_document.h"
#include "support/qt_printers.h"
#include "tables/measurement_table.h"

#include <gtest/gtest.h>

namespace {

const QString I(8, ' ');  // the indent

QByteArray Row(const QByteArray &nr, const QByteArray &material, const QByteArray &op = "JAN",
               const QByteArray &time = "2024-05-17 14:03", const QByteArray &value = "180.00")
{
    return nr + "\t" + time + "\t100.00\t90.00\t10.00\t2.00\t" + value + "\tWZ/1\t" + material +
           "\tPaleta\t" + op + "\tBudex";
}

class Label : public ::testing::Test {
protected:
    Label()
    {
        in.table = &table;
        in.company = {"Firma", "ul. Polna 1", "Luboń", "NIP 1"};
        in.widths = ProgramConfig{}.labelWidths;
        in.now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        in.sumGross = "200.00 kg";
        in.sumNet = "180.00 kg";
        in.sumTare = "20.00 kg";
    }
    void Mark(const QList<QByteArray> &lines, const QList<int> &marked)
    {
        for (const QByteArray &l : lines)
            table.AddLine(l);
        for (int r : marked)
            table.SetMark(r, true);
        in.count = QString::number(marked.size());
    }
    QStringList Text()
    {
        PrintDocument doc;
        BuildLabel(in, doc);
        EXPECT_EQ(doc.font.family, QString("Courier New"));
        EXPECT_EQ(doc.font.pointSize, 10);
        last = doc;
        return doc.Text();
    }
    MeasurementTable table{1};
    LabelInput in;
    PrintDocument last;
};

}  // namespace

TEST_F(Label, OneMarkedRowWithTheDefaultWidths)
{
    Mark({Row("1", "Piasek"), Row("2", "Piasek p\xb3ukany bardzo d\xb3ugi")}, {1});
    in.userLine1 = "Waga nr 2";
    const QStringList expected = {
        "", "", "", "", "",
        I + "Firma                              ",
        I + "ul. Polna 1                        ",
        I + "Luboń                              ",
        I + "NIP 1                              ",
        I + "Waga nr 2",
        "", "",
        I + "Data wydruku:    2024-03-05 14:07",
        I + "Data pomiaru:    2024-05-17 14:03",
        I + "Operator:        JAN",
        I + "Klient/Dostawca: Budex",
        I + "Materiał:        Piasek płukany bardzo długi",  // whole, whatever its width
        I + "Opakowanie:      Paleta",
        I + "Zamówienie:      WZ/1",
        "",
        I + "Masa brutto:     100.00 kg",
        I + "Masa netto:      90.00 kg",
        I + "Tara:            10.00 kg",
        I + "Cena:            2.00 zł/kg",
        I + "Wartość:         180.00 zł",
        "", "", "",
        I + QString(34, ' ') + QString(39, '.'),
        I + QString(50, ' ') + "(podpis)",
    };
    EXPECT_EQ(Text(), expected);
    // The company lines bold italic, the signature word italic, the rest regular.
    EXPECT_EQ(last.lines[5], (DocumentLine{{I + "Firma" + QString(30, ' '), TextStyle::BoldItalic}}));
    EXPECT_EQ(last.lines.back(), (DocumentLine{{I + QString(50, ' ') + "(podpis)", TextStyle::Italic}}));
    EXPECT_EQ(last.lines[9].front().style, TextStyle::Regular);
}

TEST_F(Label, SeveralRowsMakeATableWithRulesAndTotals)
{
    Mark({Row("1", "Piasek p\xb3ukany"), Row("2", "\xafwir"), Row("3", "Glina", "JAN", "2024-05-17 14:03", "1054.50")},
         {0, 2});
    const QStringList text = Text();
    const int heading = int(text.indexOf(I + "materiał      opakowanie   zamówienie    brutto    netto    tara    cena "
                                             "  wartość "));
    ASSERT_GT(heading, 0);
    // Rules of 83 underlined spaces (14+13+12+9+9+8+8+10) around the heading.
    const DocumentLine rule{{I, TextStyle::Regular}, {QString(83, ' '), TextStyle::Underline}};
    EXPECT_EQ(last.lines[heading - 2], rule);
    EXPECT_EQ(last.lines[heading + 1], rule);
    EXPECT_EQ(text[heading - 3], "");
    EXPECT_EQ(text[heading - 1], "");
    EXPECT_EQ(text[heading + 2], "");
    // Left cells cut to their width, right cells padded: each exactly width + 1.
    EXPECT_EQ(text[heading + 3],
              I + "Piasek płukan Paleta       WZ/1          100.00    90.00   10.00    2.00    180.00 ");
    EXPECT_EQ(text[heading + 4],
              I + "Glina         Paleta       WZ/1          100.00    90.00   10.00    2.00   1054.50 ");
    const QStringList totals = text.mid(heading + 5, 9);
    EXPECT_EQ(totals, (QStringList{"", I + "Ilość pomiarów:             2", "",
                                   I + "Łączna masa brutto:    200.00 kg", I + "Łączna masa netto:     180.00 kg",
                                   I + "Łączna tara:            20.00 kg", "",
                                   I + "Łączna wartość:  1234.50 zł", ""}));
}

TEST_F(Label, AWidthOfZeroLeavesTheItemOut)
{
    in.widths[ColTare] = 0;
    Mark({Row("1", "A"), Row("2", "B")}, {0});
    QStringList single = Text();
    EXPECT_FALSE(single.join('|').contains("Tara:"));
    EXPECT_TRUE(single.contains(I + "Masa netto:      90.00 kg"));

    table.SetMark(1, true);
    in.count = "2";
    const QStringList several = Text();
    EXPECT_FALSE(several.join('|').contains("tara"));
    EXPECT_FALSE(several.join('|').contains("Łączna tara:"));
    EXPECT_TRUE(several.contains(I + "Łączna masa netto:     180.00 kg"));
    EXPECT_EQ(last.lines[several.indexOf(I + "materiał      opakowanie   zamówienie    brutto    netto    cena   "
                                             "wartość ") - 2]
                  .back()
                  .text.size(),
              83 - 8);
}

TEST_F(Label, DateOperatorAndCustomerComeFromTheLastMarkedRowThatHasThem)
{
    // Marked rows 2 and 5: row 5 has no operator, so row 2's is taken; row 5's date.
    QList<QByteArray> rows;
    for (int i = 1; i <= 5; ++i)
        rows << Row(QByteArray::number(i), "A", i == 2 ? "EWA" : i == 5 ? "" : "JAN",
                    "2024-05-1" + QByteArray::number(i) + " 10:00");
    Mark(rows, {1, 4});
    const QStringList text = Text();
    EXPECT_TRUE(text.contains(I + "Operator:        EWA"));
    EXPECT_TRUE(text.contains(I + "Data pomiaru:    2024-05-15 10:00"));
}

TEST_F(Label, EmptyUserLinesGiveNoLinesAndTitlesCountCopies)
{
    Mark({Row("1", "A")}, {0});
    const QStringList text = Text();
    EXPECT_EQ(text[9], "");
    EXPECT_EQ(text[10], "");
    EXPECT_EQ(text[11], I + "Data wydruku:    2024-03-05 14:07");
    in.userLine2 = "Linia 2";
    EXPECT_EQ(Text()[9], I + "Linia 2");

    EXPECT_EQ(LabelJobTitle(in.now, 1), QString("Etykieta 2024-03-05 14-07-09"));
    EXPECT_EQ(LabelJobTitle(in.now, 2), QString("Etykieta 2024-03-05 14-07-09 c2"));
    EXPECT_EQ(LabelJobTitle(in.now, 3), QString("Etykieta 2024-03-05 14-07-09 c3"));
}
