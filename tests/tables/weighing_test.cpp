#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/weighing.h"

#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2024, 5, 17), QTime(14, 3, 27));

// materialy.txt: Piasek -> Paleta, 12.50; Zwir -> no packaging, 2.00. opakowania.txt: Paleta 25.00.
WeighingLookups Dictionaries()
{
    WeighingLookups l;
    l.materialPrice = [](QByteArrayView m) { return m == "Piasek" ? 12.5 : m == "Zwir" ? 2.0 : 0.0; };
    l.materialDefaultPackaging = [](QByteArrayView m) { return m == "Piasek" ? QByteArray("Paleta") : QByteArray(); };
    l.packagingTare = [](QByteArrayView p) { return p == "Paleta" ? 25.0 : 0.0; };
    return l;
}

TableParams Defaults(const QByteArray &material)
{
    TableParams p = TableParams::Defaults(1);
    p.fields[TableParams::Order] = "WZ/1";
    p.fields[TableParams::Material] = material;
    p.fields[TableParams::Operator] = "Kowalski";
    p.fields[TableParams::Customer] = "Budex";
    return p;
}

MeasurementRecord Row(const std::optional<QByteArray> &line)
{
    EXPECT_TRUE(line.has_value());
    return MeasurementRecord::FromLine(line.value_or(QByteArray()));
}

}  // namespace

TEST(Weighing, TareFromPackagingAndDictionaryPrice)
{
    MeasurementTable t;
    WeighingOptions o;
    o.tareFromPackaging = true;
    const auto r = Row(WeighingLine(t, "525.00", "3.00", Defaults("Piasek"), o, Dictionaries(), kNow));
    const std::array<QByteArray, 12> want{"1",      "2024-05-17 14:03", "525.00", "500.00", "25.00",    "12.50",
                                          "6250.00", "WZ/1",            "Piasek", "Paleta", "Kowalski", "Budex"};
    EXPECT_EQ(r.fields, want);
}

TEST(Weighing, TareFromTheLabelAndBrackets)
{
    MeasurementTable t;
    WeighingOptions o;
    auto r = Row(WeighingLine(t, "525.00", "0.00", Defaults("Piasek"), o, Dictionaries(), kNow));
    EXPECT_EQ(r.fields[ColNet], "525.00");  // the display text itself
    EXPECT_EQ(r.fields[ColTare], "0.00");

    o.netInBrackets = true;
    r = Row(WeighingLine(t, "525.00", "0.00", Defaults("Piasek"), o, Dictionaries(), kNow));
    EXPECT_EQ(r.fields[ColNet], "[525.00]");
    EXPECT_EQ(r.fields[ColValue], "6562.50");  // still gross x price
    r = Row(WeighingLine(t, "120.50", "2.50", Defaults("Piasek"), o, Dictionaries(), kNow));
    EXPECT_EQ(r.fields[ColNet], "(118.00)");
    EXPECT_EQ(r.fields[ColValue], "1475.00");
}

TEST(Weighing, NoMaterialNoMassAndNumbering)
{
    MeasurementTable t;
    WeighingOptions o;
    auto r = Row(WeighingLine(t, "12.5", "0.00", Defaults(""), o, Dictionaries(), kNow));
    EXPECT_EQ(r.fields[ColPrice], "0.00");
    EXPECT_EQ(r.fields[ColValue], "0.00");
    EXPECT_EQ(r.fields[ColPackaging], "");

    for (const char *none : {"- - - - -", "* * * * *", ""})
        EXPECT_FALSE(WeighingLine(t, none, "0.00", Defaults(""), o, Dictionaries(), kNow));

    t.AddLine("41\t" + QByteArray(10, '\t'));
    t.AddLine(QByteArray(11, '\t'));
    EXPECT_EQ(Row(WeighingLine(t, "1.00", "0.00", Defaults(""), o, Dictionaries(), kNow)).fields[ColNr], "42");
    o.autoNumbering = false;
    EXPECT_EQ(Row(WeighingLine(t, "1.00", "0.00", Defaults(""), o, Dictionaries(), kNow)).fields[ColNr], "");
}

TEST(Weighing, RecordFromTheScale)
{
    MeasurementTable t;
    WeighingOptions o;
    o.tareFromPackaging = true;  // not applied on this route
    o.netInBrackets = true;      // nor the brackets
    const auto r = Row(RecordLine(t, "17", "100.00", "10.00", Defaults("Zwir"), o, Dictionaries(), kNow));
    const std::array<QByteArray, 12> want{"1",      "2024-05-17 14:03", "100.00", "90.00",     "10.00", "2.00",
                                          "200.00", "WZ/1",             "Zwir",   "",          "* * * * *", "Budex"};
    EXPECT_EQ(r.fields, want);

    o.autoNumbering = false;
    EXPECT_EQ(Row(RecordLine(t, "17", "100.00", "10.00", Defaults("Zwir"), o, Dictionaries(), kNow)).fields[ColNr],
              "17");
    EXPECT_FALSE(RecordLine(t, "17", "1x", "10.00", Defaults("Zwir"), o, Dictionaries(), kNow));
}
