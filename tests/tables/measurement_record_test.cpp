#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"

#include <gtest/gtest.h>

namespace {

QByteArray Line(const QByteArray &nr, const QByteArray &rest = "2024-05-17 14:03\t1.00\t1.00\t0.00\t0.00\t0.00\t\t\t\t\t")
{
    return nr + "\t" + rest;
}

}  // namespace

TEST(MeasurementRecord, HeadersAndAlignment)
{
    const char *expected[] = {"nr", "czas pobrania", "brutto", "netto", "tara", "cena", "wartość",
                              "zamówienie", "materiał", "opakowanie", "operator", "dostawca / klient"};
    for (int c = 0; c < kFieldCount; ++c)
        EXPECT_EQ(ColumnHeader(c), QString::fromUtf8(expected[c])) << c;
    QList<int> right;
    for (int c = 0; c < kFieldCount; ++c)
        if (ColumnRightAligned(c))
            right << c;
    EXPECT_EQ(right, (QList<int>{ColNr, ColGross, ColNet, ColTare, ColPrice, ColValue}));
}

TEST(MeasurementRecord, SplitRuleCodes)
{
    EXPECT_EQ(CheckLine("").code, -1);
    EXPECT_FALSE(CheckLine("").valid);
    EXPECT_EQ(CheckLine("a\tb\tc\td\te\tf").code, 5);
    EXPECT_FALSE(CheckLine("a\tb\tc\td\te\tf").valid);
    EXPECT_TRUE(CheckLine(EmptyLine()).valid);
    EXPECT_EQ(CheckLine(EmptyLine()).code, 0);
    // A non-empty line without any TAB is refused, with code 0.
    EXPECT_FALSE(CheckLine("just text").valid);
    EXPECT_EQ(CheckLine("just text").code, 0);
    EXPECT_FALSE(CheckLine(QByteArray(10, '\t')).valid);
    EXPECT_EQ(CheckLine(QByteArray(10, '\t')).code, 10);
}

TEST(MeasurementRecord, LastFieldKeepsExtraTabs)
{
    const QByteArray line = "1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\tKlient\tA\tB";  // 13 TABs
    EXPECT_TRUE(CheckLine(line).valid);
    EXPECT_EQ(Field(line, ColCustomer), QByteArray("Klient\tA\tB"));
    EXPECT_EQ(Field(line, ColOperator), QByteArray("11"));
    // Editing another field keeps the extra TABs of the last one byte for byte.
    EXPECT_EQ(WithField(line, ColNr, "7"), QByteArray("7\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\tKlient\tA\tB"));
    EXPECT_EQ(Field("a\tb", 5), QByteArray());
    EXPECT_EQ(WithField("a\tb", ColCustomer, "K"), QByteArray("a\tb\t\t\t\t\t\t\t\t\t\tK"));
}

TEST(MeasurementRecord, FieldsNeverTakeTabsOrLineBreaks)
{
    // Pasted into an order, this would shift the fields of the row and split its file line.
    const QByteArray pasted = "WZ\t12\r\n3";
    const QByteArray line = Line("1");
    for (const QByteArray &bad : {pasted, QByteArray("a\rb"), QByteArray("a\nb"), QByteArray("\t")})
        EXPECT_FALSE(WithField(line, ColOrder, bad)) << bad.toStdString();
    EXPECT_EQ(WithField(line, ColOrder, "WZ 12 3"),
              Line("1", "2024-05-17 14:03\t1.00\t1.00\t0.00\t0.00\t0.00\tWZ 12 3\t\t\t\t"));

    MeasurementTable t(1);
    t.AddLine(line);
    int changes = 0;
    QObject::connect(&t, &MeasurementTable::rowsChanged, [&] { ++changes; });
    EXPECT_FALSE(t.SetCell(0, ColOrder, pasted));
    EXPECT_FALSE(t.SetCell(0, ColCustomer, "Klient\n"));
    EXPECT_FALSE(t.SetCell(0, kFieldCount, "x"));
    EXPECT_EQ(t.Line(0), line);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(t.SetCell(0, ColOrder, "WZ/12"));
    EXPECT_EQ(t.Cell(0, ColOrder), QByteArray("WZ/12"));
    EXPECT_EQ(t.Cell(0, ColMaterial), QByteArray());
    EXPECT_EQ(changes, 1);

    MeasurementRecord r = MeasurementRecord::FromLine(line);
    EXPECT_EQ(r.Line(), line);
    r.fields[ColMaterial] = "Piasek\r\n";
    EXPECT_FALSE(r.Line());
    // A row read with extra TABs in its last field is not rebuilt from its fields either.
    EXPECT_FALSE(MeasurementRecord::FromLine(line + "\tA").Line());
}

TEST(MeasurementRecord, NetTextForms)
{
    EXPECT_EQ(NetText("0.00", "120.50", 2, false), QByteArray("120.50"));
    EXPECT_EQ(NetText("0.00", "120.50", 2, true), QByteArray("[120.50]"));
    EXPECT_EQ(NetText("2.50", "120.50", 2, true), QByteArray("(118.00)"));
    EXPECT_EQ(NetText("2,5", "120.50", 2, false), QByteArray("118.00"));
    EXPECT_EQ(NetText("0.5", "10.000", 3, false), QByteArray("9.500"));
    // A zero tare keeps the display text as it is, even a marker.
    EXPECT_EQ(NetText("0", "- - - - -", 2, false), QByteArray("- - - - -"));
    EXPECT_FALSE(NetText("x", "10", 2, false));
    EXPECT_FALSE(NetText("1", "* * * * *", 2, false));
}

TEST(MeasurementRecord, ValueRuleReadsBracketsAndCommas)
{
    EXPECT_EQ(ValueText("(118.00)", "0.50"), QByteArray("59.00"));
    EXPECT_EQ(ValueText("[120.50]", "2"), QByteArray("241.00"));
    EXPECT_EQ(ValueText("12,5", "2.00"), ValueText("12.5", "2.00"));
    EXPECT_EQ(ValueText("10", 0.333), QByteArray("3.33"));
    EXPECT_FALSE(ValueText("abc", "1"));
}

TEST(NextNumber, WalksBackOverEmptyAndNonIntegerNumbers)
{
    MeasurementTable t(1);
    t.AddRow();
    EXPECT_EQ(NextNumber(t), QByteArray("1"));  // empty table before the new row
    t.SetCell(0, ColNr, "1");
    t.AddLine(Line("2"));
    t.AddLine(Line(""));      // added while numbering was off
    t.AddLine(Line("12a"));   // hand-edited
    t.AddRow();
    EXPECT_EQ(NextNumber(t), QByteArray("3"));

    MeasurementTable u(2);
    u.AddLine(Line("41"));
    u.AddLine(Line("5"));
    u.AddLine(Line("41"));
    u.AddRow();
    EXPECT_EQ(NextNumber(u), QByteArray("42"));

    MeasurementTable v(3);
    v.AddLine(Line("x"));
    v.AddRow();
    EXPECT_EQ(NextNumber(v), QByteArray("1"));
}

TEST(NextNumber, NumbersOfAnyLengthNeitherOverflowNorStartAgain)
{
    const auto after = [](const QByteArray &nr) {
        MeasurementTable t(1);
        t.AddLine(Line("7"));
        t.AddLine(Line(nr));
        t.AddRow();
        return NextNumber(t);
    };
    EXPECT_EQ(after("9223372036854775807"), QByteArray("9223372036854775808"));
    EXPECT_EQ(after("99999999999999999999"), QByteArray("100000000000000000000"));
    EXPECT_EQ(after(" 0099 "), QByteArray("100"));
    EXPECT_EQ(after("+5"), QByteArray("6"));
    EXPECT_EQ(after("-1"), QByteArray("0"));
    EXPECT_EQ(after("-100"), QByteArray("-99"));
    EXPECT_EQ(after("-9223372036854775809"), QByteArray("-9223372036854775808"));
    EXPECT_EQ(after("-0"), QByteArray("1"));
    EXPECT_EQ(after("1-2"), QByteArray("8"));  // not an integer: the walk goes on
}

TEST(TableSet, CaptionsAndImages)
{
    TableParams p = TableParams::Defaults(1);
    EXPECT_EQ(TabCaption(p, 12), QByteArray("Tabela 1   (12)      "));
    p.fields[TableParams::Name] = "Linia B";
    EXPECT_EQ(TabCaption(p, 0), QByteArray("Linia B   (0)      "));

    TableSet set;
    set.SetActiveNumber(3);
    EXPECT_EQ(set.Active().number(), 3);
    EXPECT_EQ(TabImage(3, set.ActiveNumber()), 0);
    EXPECT_EQ(TabImage(1, set.ActiveNumber()), 1);
    set.SetActiveNumber(9);  // ignored
    EXPECT_EQ(set.ActiveNumber(), 3);
}
