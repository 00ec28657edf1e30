#include "core/cp1250.h"
#include "core/number_forms.h"
#include "reports/summary_grouping.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// A row line: time, gross, net, tare, value and material (UTF-8 here, cp1250 in the line).
QByteArray Row(const char *time, const char *gross, const char *net, const char *tare, const char *value,
               const char *material = "Piasek", const char *customer = "")
{
    QList<QByteArray> f(12);
    f[0] = "1";
    f[1] = time;
    f[2] = gross;
    f[3] = net;
    f[4] = tare;
    f[5] = "0.50";
    f[6] = value;
    f[8] = cp1250::EncodeLossy(QString::fromUtf8(material));
    f[11] = cp1250::EncodeLossy(QString::fromUtf8(customer));
    return f.join('\t');
}

struct Expected {
    const char *first;
    const char *second;
    qint64 count;
    double gross, net, tare, value;
};

struct Case {
    const char *name;
    QDate from, to;
    SummaryKey first, second;
    std::vector<QByteArray> rows;
    std::vector<Expected> groups;
    qint64 skipped;
};

std::string Show(const SummaryRow &r)
{
    return (r.first + " / " + r.second).toStdString() + " n=" + std::to_string(r.count);
}

} // namespace

TEST(SummaryGrouping, GroupsSumsAndOrders)
{
    const QDate y2026(2026, 1, 1);
    const std::vector<Case> cases = {
        {"months crossing",
         QDate(2026, 1, 1),
         QDate(2026, 2, 28),
         SummaryKey::Month,
         SummaryKey::None,
         {Row("2026-02-01 00:00", "10", "8", "2", "4"), Row("2026-01-31 23:59", "5.5", "5", "0.5", "2.5"),
          Row("2026-02-15 12:00", "20", "19", "1", "9.5"), Row("2026-03-01 00:00", "99", "99", "0", "1")},
         {{"2026-01", "", 1, 5.5, 5, 0.5, 2.5}, {"2026-02", "", 2, 30, 27, 3, 13.5}},
         0},
        {"ISO weeks across a year end",
         QDate(2025, 12, 1),
         QDate(2027, 1, 31),
         SummaryKey::Week,
         SummaryKey::None,
         {Row("2027-01-04 08:00", "4", "4", "0", "0"), Row("2026-12-31 08:00", "1", "1", "0", "0"),
          Row("2027-01-01 08:00", "2", "2", "0", "0"), Row("2025-12-29 08:00", "3", "3", "0", "0"),
          Row("2026-12-28 08:00", "5", "5", "0", "0"), Row("2027-01-03 23:59", "6", "6", "0", "0")},
         {{"2026-W01", "", 1, 3, 3, 0, 0}, {"2026-W53", "", 4, 14, 14, 0, 0}, {"2027-W01", "", 1, 4, 4, 0, 0}},
         0},
        {"period bounds are inclusive days",
         QDate(2026, 5, 10),
         QDate(2026, 5, 11),
         SummaryKey::Day,
         SummaryKey::None,
         {Row("2026-05-09 23:59", "1", "1", "0", "0"), Row("2026-05-10 00:00", "2", "2", "0", "0"),
          Row("2026-05-11 23:59", "3", "3", "0", "0"), Row("2026-05-12 00:00", "4", "4", "0", "0")},
         {{"2026-05-10", "", 1, 2, 2, 0, 0}, {"2026-05-11", "", 1, 3, 3, 0, 0}},
         0},
        // A blank number is unreadable, as the central database reads it.
        {"bracketed nets count as their number; blank numbers are unreadable",
         y2026,
         QDate(2026, 12, 31),
         SummaryKey::Year,
         SummaryKey::None,
         {Row("2026-03-01 10:00", "12.50", "(12.50)", "0", "6.25"), Row("2026-03-01 10:01", "8", "[7,5]", "0.5", "0"),
          Row("2026-03-01 10:02", "3,25", "3.25", "", " "), Row("2026-03-01 10:03", "1", "1", "0", "")},
         {{"2026", "", 2, 20.5, 20, 0.5, 6.25}},
         2},
        {"unreadable rows are skipped whole, only within the period",
         y2026,
         QDate(2026, 12, 31),
         SummaryKey::Month,
         SummaryKey::None,
         {Row("2026-04-01 10:00", "10", "10", "0", "1"), Row("2026-13-01 10:00", "1", "1", "0", "0"),
          Row("2026-02-29 10:00", "1", "1", "0", "0"), Row("wczoraj", "1", "1", "0", "0"),
          Row("2026-04-02", "1", "1", "0", "0"), Row("2026-04-02T10:00", "1", "1", "0", "0"),
          Row("2026-04-02 24:00", "1", "1", "0", "0"), Row("2026-04-02 10:00", "12a", "1", "0", "0"),
          Row("2026-04-02 10:00", "1", "(1x)", "0", "0"), Row("2026-04-02 10:00", "1", "1", "1.2.3", "0"),
          Row("2026-04-02 10:00", "1", "1", "0", "zł"), Row("2026-04-02 10:00", "1", "()", "0", "0"),
          Row("2025-12-31 10:00", "zle", "zle", "zle", "zle"), Row(" 2026-04-03 10:00:59 ", "2", "2", "0", "3")},
         {{"2026-04", "", 2, 12, 12, 0, 4}},
         11},
        {"day x material, names by collation and empty last",
         QDate(2026, 6, 1),
         QDate(2026, 6, 2),
         SummaryKey::Day,
         SummaryKey::Material,
         {Row("2026-06-02 10:00", "1", "1", "0", "0", "Żwir"), Row("2026-06-01 10:00", "2", "2", "0", "0", ""),
          Row("2026-06-01 11:00", "4", "4", "0", "0", "Łódź"), Row("2026-06-01 12:00", "8", "8", "0", "0", "Lublin"),
          Row("2026-06-01 13:00", "16", "16", "0", "0", " Lublin "),
          Row("2026-06-02 14:00", "32", "32", "0", "0", "Glina")},
         {{"2026-06-01", "Lublin", 2, 24, 24, 0, 0},
          {"2026-06-01", "Łódź", 1, 4, 4, 0, 0},
          {"2026-06-01", "(brak)", 1, 2, 2, 0, 0},
          {"2026-06-02", "Glina", 1, 32, 32, 0, 0},
          {"2026-06-02", "Żwir", 1, 1, 1, 0, 0}},
         0},
        {"a second key alone groups as the first",
         y2026,
         QDate(2026, 12, 31),
         SummaryKey::None,
         SummaryKey::Customer,
         {Row("2026-06-02 10:00", "1", "1", "0", "0", "", "Budmax"),
          Row("2026-06-02 10:00", "2", "2", "0", "0", "", "Anex")},
         {{"Anex", "", 1, 2, 2, 0, 0}, {"Budmax", "", 1, 1, 1, 0, 0}},
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SummaryRequest request;
        request.from = c.from;
        request.to = c.to;
        request.first = c.first;
        request.second = c.second;
        SummaryGrouping g(request);
        for (const QByteArray &line : c.rows)
            g.Add(line, 1);
        const SummaryResult r = g.Result();
        ASSERT_EQ(r.rows.size(), qsizetype(c.groups.size())) << (r.rows.isEmpty() ? "" : Show(r.rows.front()));
        SummaryRow total;
        for (size_t i = 0; i < c.groups.size(); ++i) {
            const Expected &e = c.groups[i];
            const SummaryRow &row = r.rows[qsizetype(i)];
            SCOPED_TRACE(Show(row));
            EXPECT_EQ(row.first, QString::fromUtf8(e.first));
            EXPECT_EQ(row.second, QString::fromUtf8(e.second));
            EXPECT_EQ(row.count, e.count);
            EXPECT_NEAR(row.gross, e.gross, 1e-9);
            EXPECT_NEAR(row.net, e.net, 1e-9);
            EXPECT_NEAR(row.tare, e.tare, 1e-9);
            EXPECT_NEAR(row.value, e.value, 1e-9);
            total.count += e.count;
            total.gross += e.gross;
            total.net += e.net;
            total.tare += e.tare;
            total.value += e.value;
        }
        EXPECT_EQ(r.total.first, "Razem");
        EXPECT_EQ(r.total.count, total.count);
        EXPECT_NEAR(r.total.gross, total.gross, 1e-9);
        EXPECT_NEAR(r.total.net, total.net, 1e-9);
        EXPECT_NEAR(r.total.tare, total.tare, 1e-9);
        EXPECT_NEAR(r.total.value, total.value, 1e-9);
        EXPECT_EQ(r.skipped, c.skipped);
    }
}

TEST(SummaryGrouping, NamesFollowPolishCollation)
{
    const std::vector<const char *> given = {"Żwir",  "Źródło", "Zboże", "Łódź", "Lublin", "Dąb",   "Ćma",   "Waga 10",
                                             "Cegła", "",       "Ala",   "Ąbc",  "Śruba",  "Sól",   "Waga 2"};
    // Numbers within names go by their value.
    const QStringList expected = {"Ala",    "Ąbc",   "Cegła",  "Ćma",    "Dąb",  "Lublin",
                                  "Łódź",   "Sól",   "Śruba",  "Waga 2", "Waga 10", "Zboże",
                                  "Źródło", "Żwir",  "(brak)"};
    SummaryRequest request;
    request.first = SummaryKey::Material;
    SummaryGrouping g(request);
    for (const char *m : given)
        g.Add(Row("2026-01-01 10:00", "1", "1", "0", "0", m), 1);
    QStringList order;
    for (const SummaryRow &r : g.Result().rows)
        order << r.first;
    EXPECT_EQ(order, expected);
}

TEST(SummaryGrouping, TablesAndFileLines)
{
    SummaryRequest request;
    request.first = SummaryKey::Table;
    SummaryGrouping g(request);
    const QByteArray good = Row("2026-01-01 10:00", "1", "1", "0", "0");
    // CR LF, LF and a last line without its end; an empty line and one with too few fields are no rows.
    g.AddFile(good + "\r\n" + good + "\n\r\n1\t2026-01-01 10:00\t1\r\n" + good, 3);
    g.Add(good, 1);
    // A row held in a table with missing fields has no net: it is counted apart.
    g.Add("7\t2026-01-01 10:00\t5", 1);
    const SummaryResult r = g.Result();
    ASSERT_EQ(r.rows.size(), 2);
    EXPECT_EQ(r.rows[0].first, "1");
    EXPECT_EQ(r.rows[0].count, 1);
    EXPECT_EQ(r.rows[0].gross, 1);
    EXPECT_EQ(r.rows[1].first, "3");
    EXPECT_EQ(r.rows[1].count, 3);
    EXPECT_EQ(r.skipped, 1);
}

TEST(SummaryGrouping, NoGroupingGivesTheTotalOnly)
{
    SummaryRequest request;
    request.first = SummaryKey::None;
    SummaryGrouping g(request);
    g.Add(Row("2026-01-01 10:00", "1", "1", "0", "0"), 1);
    g.Add(Row("2026-01-01 10:00", "x", "1", "0", "0"), 1);
    const SummaryResult r = g.Result();
    EXPECT_TRUE(r.rows.isEmpty());
    EXPECT_EQ(r.total.count, 1);
    EXPECT_EQ(r.SkippedText(), "Pominięto 1 pomiarów z nieczytelną datą lub masą");
}

// The fast number reading must agree with the program's ParseNumber on every non-blank text.
TEST(SummaryGrouping, RowNumberAgreesWithParseNumber)
{
    const std::vector<QByteArray> fixed = {"12.50",
                                           "(12.50)",
                                           "[7,5]",
                                           "-3",
                                           "+0,001",
                                           "1.2.3",
                                           "12a",
                                           "()",
                                           "(",
                                           "- 1",
                                           ".5",
                                           "5.",
                                           " 7 ",
                                           "\t8\t",
                                           "123456789012345678.25",
                                           "0.000000000000000000000000001",
                                           "0012.5000"};
    for (const QByteArray &t : fixed) {
        SCOPED_TRACE(t.toStdString());
        EXPECT_EQ(RowNumber(t), ParseNumber(t));
    }
    std::mt19937 rng(5);
    const char alphabet[] = "0123456789.,-+ ()[]x";
    for (int i = 0; i < 20000; ++i) {
        QByteArray t;
        const int n = 1 + int(rng() % 20);
        for (int k = 0; k < n; ++k)
            t += alphabet[rng() % (sizeof alphabet - 1)];
        if (t.trimmed().isEmpty())
            continue;
        ASSERT_EQ(RowNumber(t), ParseNumber(t)) << t.toStdString();
    }
    EXPECT_FALSE(RowNumber("").has_value());
    EXPECT_FALSE(RowNumber("  ").has_value());
}

// Decimal masses add up as a person adds them (0.1 + 0.2 is 0.3), also past the range of an integer sum.
TEST(SummaryGrouping, SumsAreExactDecimals)
{
    struct Case {
        std::vector<const char *> grosses;
        int repeat;
        double expected;
    };
    const std::vector<Case> cases = {
        {{"0.1", "0.2"}, 1, 0.3},
        {{"1,5", "0.25", "2", "-0.75", "(0.001)"}, 1, 3.001},
        {{"0.01"}, 1000, 10.0},
        {{"123456789012345678"}, 2, 246913578024691356.0},  // beyond exact reading
        {{"999999999999999"}, 20000, 1.999999999999998e19}, // the integer sum overflows
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.grosses.front());
        SummaryRequest request;
        request.first = SummaryKey::Year;
        SummaryGrouping g(request);
        for (int i = 0; i < c.repeat; ++i)
            for (const char *gross : c.grosses)
                g.Add(Row("2026-01-01 10:00", gross, "0", "0", "0"), 1);
        const SummaryResult r = g.Result();
        ASSERT_EQ(r.rows.size(), 1);
        if (c.expected < 1e15) {
            EXPECT_EQ(r.rows[0].gross, c.expected);
            EXPECT_EQ(r.total.gross, c.expected);
        } else {
            EXPECT_DOUBLE_EQ(r.rows[0].gross, c.expected);
            EXPECT_DOUBLE_EQ(r.total.gross, c.expected);
        }
    }
}
