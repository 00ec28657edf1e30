#include "output/main_layout.h"

#include <gtest/gtest.h>

// Every width the window can take: the bottom row stays in order, never
// overlaps and never leaves the window; what grows, grows evenly.
TEST(MainLayout, BottomRowFitsEveryWidth)
{
    for (int width = MainLayout::kDesignWidth; width <= 4000; ++width) {
        SCOPED_TRACE(width);
        const MainLayout l = ComputeMainLayout(width);
        for (size_t i = 1; i < l.bottomButtons.size(); ++i) {
            const auto [prevLeft, prevWidth] = l.bottomButtons[i - 1];
            EXPECT_GT(l.bottomButtons[i].first, prevLeft + prevWidth) << kBottomButtonNames[i];
        }
        const auto [lastLeft, lastWidth] = l.bottomButtons.back();
        // The design's right margin of 31 px never shrinks.
        EXPECT_LE(lastLeft + lastWidth, width - 31);
        // The five right-hand buttons differ only by their design widths.
        for (size_t i = 5; i < 9; ++i)
            EXPECT_EQ(l.bottomButtons[i].second - l.bottomButtons[4].second, i == 8 ? 32 : 8);
        EXPECT_EQ(l.statusWidths[1], l.statusWidths[3]);
    }
}

// Divisions drop the remainder: a pixel more does nothing until a whole step is there.
TEST(MainLayout, WholeStepsOnly)
{
    EXPECT_EQ(ComputeMainLayout(921).topCenterLeft, 59);
    EXPECT_EQ(ComputeMainLayout(922).topCenterLeft, 60);
    EXPECT_EQ(ComputeMainLayout(922).statusWidths[1], 190);
    EXPECT_EQ(ComputeMainLayout(923).statusWidths[1], 191);
    EXPECT_EQ(ComputeMainLayout(924).bottomButtons[8], std::make_pair(776, 113));
    EXPECT_EQ(ComputeMainLayout(925).bottomButtons[8], std::make_pair(780, 114));
}

TEST(MainLayout, LabelButtonTakesTheValueTotalsRoom)
{
    const LabelButtonPlace withTotal = LabelButtonPlaceFor(true);
    const LabelButtonPlace without = LabelButtonPlaceFor(false);
    EXPECT_EQ(withTotal.top, 174);
    EXPECT_EQ(withTotal.height, 25);
    EXPECT_EQ(without.top, 152);
    EXPECT_EQ(without.height, 47);
    // Same bottom edge either way.
    EXPECT_EQ(withTotal.top + withTotal.height, without.top + without.height);
}
