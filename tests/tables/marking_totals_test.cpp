#include "support/scripted_prompts.h"
#include "tables/marking.h"
#include "tables/measurement_table.h"
#include "tables/totals.h"

#include <gtest/gtest.h>

namespace {

void Fill(MeasurementTable &t, int n)
{
    for (int i = 0; i < n; ++i)
        t.AddLine(QByteArray::number(i + 1) + "\t2024-05-17 14:03\t10.00\t10.00\t0.00\t0.00\t0.00\t\t\t\t\t");
}

// Marks as a string, e.g. "x.xx..".
std::string Marks(const MeasurementTable &t)
{
    std::string s;
    for (int i = 0; i < t.RowCount(); ++i)
        s += t.Mark(i) ? 'x' : '.';
    return s;
}

const MarkingOptions kPlain{true, false};
const MarkingOptions kSingle{true, true};

}  // namespace

TEST(Marking, MarkAllAlternatesOnTheFirstRow)
{
    MeasurementTable t;
    EXPECT_FALSE(MarkAll(t, kPlain));  // empty: nothing
    Fill(t, 5);
    t.SetCurrentRow(2);
    EXPECT_TRUE(MarkAll(t, kPlain));
    EXPECT_EQ(Marks(t), "xxxxx");
    MarkAll(t, kPlain);
    EXPECT_EQ(Marks(t), ".....");
    t.SetMark(1, true);
    MarkAll(t, kPlain);
    EXPECT_EQ(Marks(t), "xxxxx");
    EXPECT_EQ(t.CurrentRow(), 2);
    MarkAll(t, kSingle);  // single-weighing labels: always off
    EXPECT_EQ(Marks(t), ".....");
}

TEST(Marking, MarkDownSequences)
{
    ScriptedPrompts p;
    MeasurementTable t;
    Fill(t, 6);
    EXPECT_FALSE(MarkDown(t, kPlain, p));
    EXPECT_EQ(p.MessageTexts(), QStringList{"Nie wskazano pomiaru!"});
    EXPECT_EQ(p.messages[0].icon, UserPrompts::Icon::Error);
    p.messages.clear();

    t.SetMarks(0, 1, true);
    t.SetCurrentRow(2);
    EXPECT_TRUE(MarkDown(t, kPlain, p));
    EXPECT_EQ(Marks(t), "..xxxx");
    MarkDown(t, kPlain, p);  // row 4 now marked: everything off
    EXPECT_EQ(Marks(t), "......");
    t.SetMark(0, true);
    t.SetCurrentRow(5);  // the last row
    MarkDown(t, kPlain, p);
    EXPECT_EQ(Marks(t), ".....x");
    EXPECT_TRUE(p.messages.isEmpty());

    t.SetCurrentRow(1);
    MarkDown(t, kSingle, p);
    EXPECT_EQ(Marks(t), ".x....");
    ASSERT_EQ(p.messages.size(), 1);
    EXPECT_EQ(p.messages[0].icon, UserPrompts::Icon::Warning);
    EXPECT_EQ(p.messages[0].text,
              QString::fromUtf8("Aktualna konfiguracja programu nie pozwala na równoczesne zaznaczanie wielu "
                                "pomiarów na etykiecie.\nAby to zmienić wybierz [Ustawienia], wyłącz opcję "
                                "[Etykieta zawiera pojedynczy pomiar]."));
}

TEST(Marking, MouseAndSpace)
{
    MeasurementTable t;
    Fill(t, 4);
    EXPECT_FALSE(MarkOnMouseRelease(t, -1, false, kPlain));  // below the last row
    // Simplified: a click anywhere toggles.
    EXPECT_TRUE(MarkOnMouseRelease(t, 1, false, kPlain));
    EXPECT_EQ(Marks(t), ".x..");
    MarkOnMouseRelease(t, 1, false, kPlain);
    EXPECT_EQ(Marks(t), "....");
    // Not simplified: only the check box marks (already toggled by the list).
    MarkOnMouseRelease(t, 2, false, {false, false});
    EXPECT_EQ(Marks(t), "....");
    t.SetMark(2, true);
    MarkOnMouseRelease(t, 2, true, {false, false});
    EXPECT_EQ(t.CurrentRow(), 2);
    EXPECT_EQ(Marks(t), "..x.");
    // Single weighing: clicking row 2 after row 1 leaves only row 2.
    MarkOnMouseRelease(t, 0, false, kSingle);
    EXPECT_EQ(Marks(t), "x...");
    MarkOnMouseRelease(t, 1, false, kSingle);
    EXPECT_EQ(Marks(t), ".x..");
    // Space: the list toggled the current row; others go in single mode.
    t.SetCurrentRow(3);
    t.SetMark(3, true);
    EXPECT_TRUE(MarkOnSpaceReleased(t, kPlain));
    EXPECT_EQ(Marks(t), ".x.x");
    MarkOnSpaceReleased(t, kSingle);
    EXPECT_EQ(Marks(t), "...x");
}

TEST(Totals, SumsOfMarkedRowsWithBrackets)
{
    MeasurementTable t;
    t.AddLine("1\t2024-05-17 14:03\t100.00\t(90.00)\t10.00\t0.50\t45.00\t\t\t\t\t");
    t.AddLine("2\t2024-05-17 14:04\t50.00\t[50.00]\t0.00\t0.50\t25.00\t\t\t\t\t");
    t.AddLine("3\t2024-05-17 14:05\t7.00\t7.00\t0.00\t1.00\t7.00\t\t\t\t\t");
    Totals none = ComputeTotals(t, 2, "kg");
    EXPECT_EQ(none.gross, QString("0.00 kg"));
    EXPECT_EQ(none.count, QString("0"));
    EXPECT_EQ(none.value, QString::fromUtf8("0.00 zł"));
    t.SetMarks(0, 1, true);
    const Totals s = ComputeTotals(t, 2, "kg");
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.gross, QString("150.00 kg"));
    EXPECT_EQ(s.net, QString("140.00 kg"));
    EXPECT_EQ(s.tare, QString("10.00 kg"));
    EXPECT_EQ(s.count, QString("2"));
    EXPECT_EQ(s.value, QString::fromUtf8("70.00 zł"));
    EXPECT_EQ(s.TextFor("Ldisp_etyk_sum_n"), s.net);
    EXPECT_EQ(ComputeTotals(t, 3, "t").net, QString("140.000 t"));

    t.SetCell(1, 4, "abc");
    const Totals bad = ComputeTotals(t, 2, "kg");
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.badCell, QString("abc"));
}

TEST(Totals, LabelTable)
{
    const auto &l = TotalsLabels();
    EXPECT_STREQ(l[0].name, "Ldisp_etyk_sum_g");
    EXPECT_STREQ(l[0].caption, "Suma brutto:");
    EXPECT_STREQ(l[1].hint, "Łączna masa netto na etykiecie");
    EXPECT_STREQ(l[3].caption, "Ilość pom.:");
    EXPECT_STREQ(l[4].hint, "Łączna wartość w tabeli");
    EXPECT_STREQ(l[4].initial, "0.00 zł");
}
