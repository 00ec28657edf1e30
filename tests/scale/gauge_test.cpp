#include "scale/frame_decoder.h"
#include "scale/gauge.h"
#include "scale/gauge_text_check.h"

#include <QStringList>
#include <climits>
#include <gtest/gtest.h>

namespace {

// Ticks until nothing is left to draw; the values drawn, in order.
QList<double> SweepTo(GaugeState &g, const QByteArray &display, int maxMass, int limit = 2000)
{
    QList<double> drawn;
    while (drawn.size() < limit) {
        const auto x = g.Tick(display, maxMass);
        if (!x)
            break;
        drawn.append(*x);
    }
    return drawn;
}

QStringList Texts(const QList<GaugeLabel> &labels)
{
    QStringList t;
    for (const GaugeLabel &l : labels)
        t.append(l.text);
    return t;
}

// Digits of a narrow font: 0.46 of the size wide, lines 1.15 of it high.
QSizeF NarrowDigits(const QString &text, int pixels)
{
    return {0.46 * pixels * text.size(), 1.15 * pixels};
}

}  // namespace

TEST(GaugeStepping, SweepsFromNoReadingInFiftiethsOfTheMaximum)
{
    GaugeState g;
    EXPECT_EQ(g.Value(), -1.0);
    const QList<double> drawn = SweepTo(g, "250.00", 500);
    ASSERT_EQ(drawn.size(), 26);
    EXPECT_EQ(drawn.first(), 9.0);
    EXPECT_EQ(drawn[1], 19.0);
    EXPECT_EQ(drawn[24], 249.0);
    EXPECT_EQ(drawn.last(), 250.0);
    EXPECT_EQ(g.Value(), 250.0);
    // At rest: the same display draws nothing, tick after tick.
    EXPECT_FALSE(g.Tick("250.00", 500));
    EXPECT_FALSE(g.Tick("250", 500));
}

TEST(GaugeStepping, ChangeWithinOneStepLandsAtOnceAndLargerOnesSweepBothWays)
{
    GaugeState g;
    SweepTo(g, "250", 500);
    EXPECT_EQ(SweepTo(g, "255", 500), QList<double>{255.0});
    EXPECT_EQ(SweepTo(g, "265", 500), QList<double>{265.0});  // exactly one step
    EXPECT_EQ(SweepTo(g, "230", 500), (QList<double>{255.0, 245.0, 235.0, 230.0}));
    EXPECT_EQ(SweepTo(g, "0.00", 500).size(), 23);
    EXPECT_EQ(g.Value(), 0.0);
    // The step follows the maximum: 60000 / 50 = 1200.
    EXPECT_EQ(SweepTo(g, "3000", 60000), (QList<double>{1200.0, 2400.0, 3000.0}));
}

TEST(GaugeStepping, StepThatDoesNotDivideTheDistanceNeverOvershoots)
{
    GaugeState g;
    const QList<double> drawn = SweepTo(g, "100", 333);  // step 6.66
    ASSERT_FALSE(drawn.isEmpty());
    for (qsizetype i = 1; i < drawn.size(); ++i)
        EXPECT_GT(drawn[i], drawn[i - 1]);
    EXPECT_EQ(drawn.last(), 100.0);
    EXPECT_LE(drawn.size(), 17);
}

TEST(GaugeStepping, OverloadGoesToTheMaximumAtOnce)
{
    GaugeState g;
    EXPECT_EQ(g.Tick(kOverloadText, 500), 500.0);
    EXPECT_EQ(g.Value(), 500.0);
    // Asked for at every tick while it lasts (the widget keeps the picture).
    EXPECT_EQ(g.Tick(kOverloadText, 500), 500.0);
    // Back within range: the needle sweeps down from the maximum.
    EXPECT_EQ(SweepTo(g, "480", 500), (QList<double>{490.0, 480.0}));
}

TEST(GaugeStepping, NoReadingEmptyOrUnreadableDisplayRemovesTheNeedle)
{
    for (const QByteArray &display : {QByteArray(kNoReadingText), QByteArray(), QByteArray("12 kg"),
                                      QByteArray("1.2.3"), QByteArray("-"), QByteArray("1e3")}) {
        GaugeState g;
        SweepTo(g, "120", 500);
        EXPECT_EQ(g.Tick(display, 500), kGaugeNoNeedle) << display.constData();
        EXPECT_EQ(g.Value(), -1.0) << display.constData();
        EXPECT_EQ(g.Tick(display, 500), kGaugeNoNeedle) << display.constData();
        // Readings again: the sweep starts from -1.
        EXPECT_EQ(g.Tick("120", 500), 9.0) << display.constData();
    }
}

TEST(GaugeStepping, DisplayWithCommaOrBlanksIsRead)
{
    GaugeState g;
    EXPECT_EQ(SweepTo(g, "5,5", 500), QList<double>{5.5});
    EXPECT_EQ(SweepTo(g, "  7.25 ", 500), QList<double>{7.25});
    EXPECT_EQ(SweepTo(g, "-3", 500), (QList<double>{-2.75, -3.0}));
}

TEST(GaugeStepping, ResetMakesTheNeedleSweepInAgain)
{
    GaugeState g;
    SweepTo(g, "50", 500);
    g.Reset();
    EXPECT_EQ(g.Value(), -1.0);
    // Same display as before the reset: drawn again, from -1.
    EXPECT_EQ(SweepTo(g, "50", 500), (QList<double>{9.0, 19.0, 29.0, 39.0, 49.0, 50.0}));
}

TEST(GaugeStepping, MassOfMinusOneIsAReadingNotTheAbsenceOfOne)
{
    GaugeState g;
    EXPECT_EQ(SweepTo(g, "-1", 500), QList<double>{-1.0});
    EXPECT_FALSE(g.Tick("-1", 500));
}

TEST(GaugeStepping, ReadingOfMinus9999IsNotMistakenForNoNeedle)
{
    GaugeState g;
    const QList<double> drawn = SweepTo(g, "-9999", 500);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_FALSE(drawn.contains(kGaugeNoNeedle));
    EXPECT_EQ(g.Value(), -9999.0);
}

TEST(GaugeStepping, MaximumOfZeroOrBelowFollowsTheDisplayWithoutStepping)
{
    for (int maxMass : {0, -5}) {
        GaugeState g;
        EXPECT_EQ(SweepTo(g, "120", maxMass), QList<double>{120.0});
        EXPECT_EQ(SweepTo(g, "80", maxMass), QList<double>{80.0});
        EXPECT_EQ(g.Tick(kOverloadText, maxMass), double(maxMass));
    }
}

TEST(GaugeGeometry, DialRunsFromTheLeftOverTheTopToTheRight)
{
    const GaugeGeometry g(kGaugeSurface, 500);
    EXPECT_EQ(g.Centre(), QPoint(104, 101));
    EXPECT_EQ(g.At(95, 0), QPoint(9, 117));
    EXPECT_EQ(g.At(95, 250), QPoint(104, 22));
    EXPECT_EQ(g.At(95, 500), QPoint(199, 117));
    EXPECT_EQ(g.Raised(95, 250), QPoint(104, 6));
    // Rounded to the nearest pixel: 104 - 95 cos 18 = 13.65, 117 - 95 sin 18 = 87.64.
    EXPECT_EQ(g.At(95, 50), QPoint(14, 88));
}

TEST(GaugeGeometry, PercentLabelsEvery18DegreesCentredOnRadius95)
{
    const GaugeGeometry g(kGaugeSurface, 500);
    const QList<GaugeLabel> labels = g.Labels(true);
    EXPECT_EQ(Texts(labels), QStringList({"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
    const QPoint centres[] = {{9, 101},  {14, 72},  {27, 45},  {48, 24},  {75, 11},  {104, 6},
                              {133, 11}, {160, 24}, {181, 45}, {194, 72}, {199, 101}};
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(labels[i].centre, centres[i]) << i;
    EXPECT_EQ(GaugeUnitText(true, "kg"), "%");
}

TEST(GaugeGeometry, MassLabelsInWholeUnitsOfTheMaximum)
{
    EXPECT_EQ(Texts(GaugeGeometry(kGaugeSurface, 500).Labels(false)),
              QStringList({"0", "50", "100", "150", "200", "250", "300", "350", "400", "450", "500"}));
    // Tenths that are not whole are rounded, halves up.
    EXPECT_EQ(Texts(GaugeGeometry(kGaugeSurface, 125).Labels(false)),
              QStringList({"0", "13", "25", "38", "50", "63", "75", "88", "100", "113", "125"}));
    EXPECT_EQ(Texts(GaugeGeometry(kGaugeSurface, 1).Labels(false)).last(), "1");
    // Label places depend on the angle only, not on the maximum.
    EXPECT_EQ(GaugeGeometry(kGaugeSurface, 60000).Labels(false)[3].centre, QPoint(48, 24));
    EXPECT_EQ(GaugeUnitText(false, "t"), "t");
}

TEST(GaugeGeometry, TextsCentredOnTheirPointAndUnitAtMidHeight)
{
    EXPECT_EQ(GaugeGeometry::CentredText({9, 101}, {7, 14}), QPoint(6, 94));
    EXPECT_EQ(GaugeGeometry::CentredText({104, 6}, {20, 15}), QPoint(94, -1));
    EXPECT_EQ(GaugeGeometry(kGaugeSurface, 500).UnitText({14, 14}), QPoint(97, 58));
}

TEST(GaugeGeometry, NeedleAndArrowheadFollowTheValue)
{
    const GaugeGeometry g(kGaugeSurface, 500);
    // Straight up at half the maximum; the back corners 15 px below the tip.
    auto n = g.Needle(250);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->from, QPoint(104, 101));
    EXPECT_EQ(n->to, QPoint(104, 31));
    EXPECT_EQ(n->head[0], QPoint(104, 21));
    EXPECT_EQ(n->head[1], QPoint(99, 35));
    EXPECT_EQ(n->head[2], QPoint(109, 35));

    n = g.Needle(0);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->to, QPoint(34, 101));
    EXPECT_EQ(n->head, (std::array<QPoint, 3>{QPoint(24, 101), QPoint(38, 106), QPoint(38, 96)}));

    n = g.Needle(500);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->head, (std::array<QPoint, 3>{QPoint(184, 101), QPoint(170, 96), QPoint(170, 106)}));

    // A quarter and three quarters mirror each other.
    n = g.Needle(125);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->to, QPoint(55, 52));
    EXPECT_EQ(n->head, (std::array<QPoint, 3>{QPoint(47, 44), QPoint(53, 58), QPoint(61, 50)}));
    n = g.Needle(375);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->head, (std::array<QPoint, 3>{QPoint(161, 44), QPoint(147, 50), QPoint(155, 58)}));
}

TEST(GaugeGeometry, NeedleHeldWithinTheScale)
{
    const GaugeGeometry g(kGaugeSurface, 500);
    EXPECT_EQ(g.NeedleValue(-3), 0.0);
    EXPECT_EQ(g.NeedleValue(-1), 0.0);
    EXPECT_EQ(g.NeedleValue(600), 500.0);
    EXPECT_EQ(g.NeedleValue(123.4), 123.4);
    EXPECT_EQ(g.Needle(-3)->head, g.Needle(0)->head);
    EXPECT_EQ(g.Needle(1e9)->head, g.Needle(500)->head);
    EXPECT_FALSE(g.Needle(kGaugeNoNeedle));
}

TEST(GaugeGeometry, NoScaleWithoutAPositiveMaximum)
{
    for (int maxMass : {0, -1, -500}) {
        const GaugeGeometry g(kGaugeSurface, maxMass);
        EXPECT_FALSE(g.HasScale());
        EXPECT_TRUE(g.Labels(true).isEmpty());
        EXPECT_TRUE(g.Labels(false).isEmpty());
        EXPECT_FALSE(g.Needle(0));
        EXPECT_FALSE(g.Needle(100));
    }
}

TEST(GaugeFit, ScaledUniformlyAndCentred)
{
    struct {
        QSizeF widget;
        double scale;
        QPointF offset;
    } const cases[] = {
        {{209, 117}, 1.0, {0, 0}},
        {{201, 117}, 201.0 / 209, {0, (117 - 117 * 201.0 / 209) / 2}},  // the page is narrower
        {{418, 300}, 2.0, {0, 33}},
        {{300, 117}, 1.0, {45.5, 0}},
        {{0, 0}, 1.0, {0, 0}},
    };
    for (const auto &c : cases) {
        const GaugeFit fit = FitGauge(c.widget);
        EXPECT_DOUBLE_EQ(fit.scale, c.scale) << c.widget.width();
        EXPECT_NEAR(fit.offset.x(), c.offset.x(), 1e-9) << c.widget.width();
        EXPECT_NEAR(fit.offset.y(), c.offset.y(), 1e-9) << c.widget.width();
    }
}

TEST(GaugeLayout, LabelsKeepClearOfTheFaceEachOtherAndTheEdges)
{
    struct {
        int maxMass;
        bool percent;
    } const cases[] = {{500, true}, {10, false}, {1000, false}, {60000, false}, {1000000, false}, {INT_MAX, false}};
    for (const auto &c : cases) {
        const GaugeGeometry g(kGaugeSurface, c.maxMass);
        const QList<GaugeLabel> labels = g.Labels(c.percent);
        const GaugeTextLayout layout = LayOutGaugeTexts(g, labels, "kg", NarrowDigits);
        EXPECT_EQ(GaugeTextFault(layout, labels), QString()) << c.maxMass;
        EXPECT_GE(layout.labelPixels, 1) << c.maxMass;
    }
}

TEST(GaugeLayout, ShortLabelsKeepTheFullSizeAndTheirPlaces)
{
    for (bool percent : {true, false}) {
        const GaugeGeometry g(kGaugeSurface, 10);
        const QList<GaugeLabel> labels = g.Labels(percent);
        const GaugeTextLayout layout = LayOutGaugeTexts(g, labels, "kg", NarrowDigits);
        EXPECT_EQ(layout.labelPixels, kGaugeFontPixels);
        // Centred on the label radius, except the top one, kept inside the surface.
        for (qsizetype i = 0; i < labels.size(); ++i) {
            if (i != 5) {
                EXPECT_EQ(layout.labels[i].center(), QPointF(labels[i].centre)) << i;
            }
        }
        EXPECT_EQ(layout.labels[5].top(), 0.0);
        EXPECT_EQ(layout.unit, QRectF(104 - 0.46 * 12, 58, 0.46 * 24, 1.15 * 12));
    }
}

TEST(GaugeLayout, WideLabelsShrinkOnlyAsFarAsNeeded)
{
    // Shrinking stops at the first size that fits: one pixel more must not.
    const GaugeGeometry g(kGaugeSurface, 1000000);
    const QList<GaugeLabel> labels = g.Labels(false);
    const GaugeTextLayout layout = LayOutGaugeTexts(g, labels, "kg", NarrowDigits);
    ASSERT_LT(layout.labelPixels, kGaugeFontPixels);
    const int larger = layout.labelPixels + 1;
    const auto fixed = [&](const QString &text, int) { return NarrowDigits(text, larger); };
    EXPECT_NE(GaugeTextFault(LayOutGaugeTexts(g, labels, "kg", fixed), labels), QString());
}
