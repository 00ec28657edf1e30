#include "reports/summary.h"
#include "reports/summary_grouping.h"
#include "reports/summary_period.h"

#include <gtest/gtest.h>

TEST(SummaryPeriod, QuickChoicesFromToday)
{
    struct Case {
        QDate today;
        QuickChoice choice;
        QDate from, to;
    };
    const Case cases[] = {
        {QDate(2026, 3, 1), QuickChoice::Today, QDate(2026, 3, 1), QDate(2026, 3, 1)},
        {QDate(2026, 3, 1), QuickChoice::Yesterday, QDate(2026, 2, 28), QDate(2026, 2, 28)},
        {QDate(2027, 1, 1), QuickChoice::Yesterday, QDate(2026, 12, 31), QDate(2026, 12, 31)},
        // 2026-03-01 is a Sunday, 2026-03-02 a Monday.
        {QDate(2026, 3, 1), QuickChoice::ThisWeek, QDate(2026, 2, 23), QDate(2026, 3, 1)},
        {QDate(2026, 3, 2), QuickChoice::ThisWeek, QDate(2026, 3, 2), QDate(2026, 3, 8)},
        {QDate(2027, 1, 1), QuickChoice::ThisWeek, QDate(2026, 12, 28), QDate(2027, 1, 3)},
        {QDate(2028, 2, 10), QuickChoice::ThisMonth, QDate(2028, 2, 1), QDate(2028, 2, 29)},
        {QDate(2026, 12, 31), QuickChoice::ThisMonth, QDate(2026, 12, 1), QDate(2026, 12, 31)},
        {QDate(2026, 1, 15), QuickChoice::PreviousMonth, QDate(2025, 12, 1), QDate(2025, 12, 31)},
        {QDate(2026, 3, 31), QuickChoice::PreviousMonth, QDate(2026, 2, 1), QDate(2026, 2, 28)},
        {QDate(2026, 7, 4), QuickChoice::ThisYear, QDate(2026, 1, 1), QDate(2026, 12, 31)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.today.toString(Qt::ISODate) + " " + QuickChoiceName(c.choice)).toStdString());
        const QPair<QDate, QDate> p = QuickPeriod(c.choice, c.today);
        EXPECT_EQ(p.first, c.from);
        EXPECT_EQ(p.second, c.to);
    }
}

TEST(SummaryPeriod, Texts)
{
    QStringList names;
    for (QuickChoice c : QuickChoices())
        names << QuickChoiceName(c);
    EXPECT_EQ(names, QStringList({"Dziś", "Wczoraj", "Ten tydzień", "Ten miesiąc", "Poprzedni miesiąc", "Ten rok"}));
    EXPECT_EQ(IsoWeekLabel(QDate(2027, 1, 1)), "2026-W53");
    EXPECT_EQ(IsoWeekLabel(QDate(2024, 12, 30)), "2025-W01");
    EXPECT_EQ(SummaryKeyName(SummaryKey::Customer), "dostawca/odbiorca");
    EXPECT_EQ(SummaryMeasureName(SummaryMeasure::MeanNet), "Średnia masa netto");
    SummaryResult r;
    EXPECT_EQ(r.SkippedText(), "");
    r.skipped = 12;
    EXPECT_EQ(r.SkippedText(), "Pominięto 12 pomiarów z nieczytelną datą lub masą");
}
