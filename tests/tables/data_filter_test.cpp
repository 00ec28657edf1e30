#include "tables/data_filter.h"

#include <gtest/gtest.h>

namespace {

QByteArray Line(const QByteArray &time, const QByteArray &order, const QByteArray &material,
                const QByteArray &op, const QByteArray &customer)
{
    return "1\t" + time + "\t1.00\t1.00\t0.00\t0.00\t0.00\t" + order + "\t" + material + "\tbox\t" + op + "\t" +
           customer;
}

}  // namespace

TEST(DataFilter, EmptyPassesEverything)
{
    const DataFilter f;
    EXPECT_TRUE(f.IsEmpty());
    EXPECT_TRUE(f.Matches(""));
    EXPECT_TRUE(f.Matches("garbage"));
}

TEST(DataFilter, FilterKeyAndDayBounds)
{
    EXPECT_EQ(FilterKey("2024-05-17 14:03"), QByteArray("202405171403"));
    EXPECT_EQ(FilterKey("2024-05"), QByteArray("202405"));
    DataFilter today;
    today.from = "202405170000";
    today.to = "202405172359";
    EXPECT_TRUE(today.Matches(Line("2024-05-17 00:00", "", "", "", "")));
    EXPECT_TRUE(today.Matches(Line("2024-05-17 23:59", "", "", "", "")));
    EXPECT_FALSE(today.Matches(Line("2024-05-16 23:59", "", "", "", "")));
    EXPECT_FALSE(today.Matches(Line("2024-05-18 00:00", "", "", "", "")));
    DataFilter month;
    month.from = "202405010000";
    month.to = "202405172359";
    EXPECT_TRUE(month.Matches(Line("2024-05-01 00:00", "", "", "", "")));
    EXPECT_FALSE(month.Matches(Line("2024-04-30 23:59", "", "", "", "")));
}

TEST(DataFilter, TextCriteriaUpperPolish)
{
    DataFilter f;
    f.material = "piasek";
    EXPECT_TRUE(f.Matches(Line("2024-05-17 14:03", "", "Piasek p\xb3ukany", "", "")));  // cp1250 "płukany"
    EXPECT_TRUE(f.Matches(Line("2024-05-17 14:03", "", "PIASEK", "", "")));
    EXPECT_FALSE(f.Matches(Line("2024-05-17 14:03", "", "\xbfwir", "", "")));

    DataFilter op;
    op.op = "\xb3u";  // "łu"
    EXPECT_TRUE(op.Matches(Line("2024-05-17 14:03", "", "", "\xa3UKASZ", "")));  // "ŁUKASZ"
    EXPECT_FALSE(op.Matches(Line("2024-05-17 14:03", "", "", "LUKASZ", "")));

    DataFilter order;
    order.order = "WZ";
    EXPECT_FALSE(order.Matches(Line("2024-05-17 14:03", "", "x", "y", "z")));  // empty order hidden
    EXPECT_TRUE(order.Matches(Line("2024-05-17 14:03", "wz/12", "x", "y", "z")));

    DataFilter customer;
    customer.customer = "b\tc";  // the last field keeps its TABs
    EXPECT_TRUE(customer.Matches(Line("2024-05-17 14:03", "", "", "", "a\tB\tC")));
    EXPECT_TRUE(ContainsUpperPolish("\xa5", "\xb9"));  // Ą contains ą
}
