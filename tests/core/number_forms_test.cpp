#include "core/number_forms.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <random>

#include <cmath>

TEST(ParseNumber, AcceptsBothSeparatorsSignsAndBlanks)
{
    EXPECT_EQ(ParseNumber("12,5"), 12.5);
    EXPECT_EQ(ParseNumber("12.5"), 12.5);
    EXPECT_EQ(ParseNumber("-1.5"), -1.5);
    EXPECT_EQ(ParseNumber("+0012.50"), 12.5);
    EXPECT_EQ(ParseNumber("  7 "), 7.0);
    EXPECT_EQ(ParseNumber("5."), 5.0);
    EXPECT_EQ(ParseNumber(",5"), 0.5);
}

TEST(ParseNumber, StripsBracketsOfNets)
{
    EXPECT_EQ(ParseNumber("(118.00)"), 118.0);
    EXPECT_EQ(ParseNumber("[120.50]"), 120.5);
    EXPECT_EQ(ParseNumber("[-3,25]"), -3.25);
    // Only a leading bracket triggers the cut: a trailing one alone is garbage.
    EXPECT_FALSE(ParseNumber("118.00)"));
    EXPECT_FALSE(ParseNumber("("));
    EXPECT_FALSE(ParseNumber("()"));
}

TEST(ParseNumber, RejectsInvalidTexts)
{
    for (const char *bad : {"", " ", "abc", "12a", "1.2.3", "1,2.3", "1e5", "--1", "1-2", "-", ".", "12 5"})
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    // ParseReal never strips brackets.
    EXPECT_FALSE(ParseReal("(1)"));
}

TEST(ParseNumber, RejectsNumbersBeyondTheRangeOfReals)
{
    // 400 digits overflow to infinity, which no form can show: not a number.
    const QByteArray huge = "1" + QByteArray(400, '0');
    EXPECT_FALSE(ParseNumber(huge));
    EXPECT_FALSE(ParseNumber("-" + huge));
    EXPECT_FALSE(ParseNumber("(" + huge + ")"));
    EXPECT_EQ(ParseNumber("1" + QByteArray(300, '0')), 1e300);
    // Tiny values are simply near zero.
    EXPECT_EQ(ParseNumber("0." + QByteArray(400, '0') + "1"), 0.0);
}

TEST(FormatMass, RoundsToSevenSignificantDigitsThenToDecimals)
{
    EXPECT_EQ(FormatMass(118.0, 2), "118.00");
    EXPECT_EQ(FormatMass(0.0, 2), "0.00");
    EXPECT_EQ(FormatMass(-1.5, 2), "-1.50");
    EXPECT_EQ(FormatMass(1.5, 0), "2");
    EXPECT_EQ(FormatMass(12.5, 3), "12.500");
    // Decimal half-up on the 7-digit form, not on the binary value.
    EXPECT_EQ(FormatMass(2.675, 2), "2.68");
    EXPECT_EQ(FormatMass(1.005, 2), "1.01");
    // Seven significant digits: 1234567.8 loses its fraction first.
    EXPECT_EQ(FormatMass(1234567.8, 2), "1234568.00");
    EXPECT_EQ(FormatMass(0.123456789, 4), "0.1235");
    EXPECT_EQ(FormatMass(99.995, 2), "100.00");
    EXPECT_EQ(FormatMass(-0.001, 2), "0.00");  // no "-0.00"
    EXPECT_EQ(FormatMass(120.5 - 2.5, 2), "118.00");
}

TEST(FormatMoney, RoundsToEightSignificantDigitsWithTwoDecimals)
{
    EXPECT_EQ(FormatMoney(0.0), "0.00");
    EXPECT_EQ(FormatMoney(118.0 * 2.5), "295.00");
    EXPECT_EQ(FormatMoney(12345678.9), "12345679.00");
    EXPECT_EQ(FormatMoney(1.005), "1.01");
    EXPECT_EQ(FormatMoney(-7.125), "-7.13");
    EXPECT_EQ(FormatMoney(0.1 + 0.2), "0.30");
}

TEST(FormatRounded, HandlesLargeAndTinyValues)
{
    EXPECT_EQ(FormatRounded(1e-9, 7, 2), "0.00");
    EXPECT_EQ(FormatRounded(0.0049, 7, 2), "0.00");
    EXPECT_EQ(FormatRounded(0.005, 7, 2), "0.01");
    EXPECT_EQ(FormatRounded(9.9999999e6, 7, 1), "10000000.0");
    EXPECT_EQ(FormatRounded(1e300, 7, 0), "1" + QByteArray(300, '0'));
    EXPECT_EQ(FormatRounded(5e-324, 7, 2), "0.00");
}

// A value exactly halfway at the significant-digit place rounds away from
// zero, as it does at the decimal place: 0.125 and 12345.125 alike.
TEST(FormatRounded, ExactHalvesRoundAwayFromZeroAtBothPlaces)
{
    EXPECT_EQ(FormatMass(0.125, 2), "0.13");
    EXPECT_EQ(FormatMass(12345.125, 3), "12345.130");
    EXPECT_EQ(FormatMass(-397607.25, 2), "-397607.30");
    EXPECT_EQ(FormatMass(1234568.5, 0), "1234569");
    EXPECT_EQ(FormatMass(81455745.0, 0), "81455750");
    EXPECT_EQ(FormatMoney(96827484.5), "96827485.00");
    EXPECT_EQ(FormatMoney(-4158781.25), "-4158781.30");
    // Just below a half stays below, however close.
    EXPECT_EQ(FormatMass(std::nextafter(12345.125, 0.0), 3), "12345.120");
}

// The cheap first printing must decide exactly as the exact expansion does:
// table-like values (cents, products of cents, halves next to their
// neighbours) and random reals.
TEST(FormatRounded, AgreesWithTheExactExpansion)
{
    std::mt19937_64 rng(2024);
    std::uniform_int_distribution<long long> cents(-100000000, 100000000);
    std::uniform_real_distribution<double> real(-1e7, 1e7);
    for (int i = 0; i < 8000; ++i) {
        const double a = double(cents(rng)) / 100.0;
        const double b = double(cents(rng) % 100000) / 100.0;
        for (double x : {a, a * b, a / 8.0, real(rng), std::nextafter(a / 8.0, 0.0), std::nextafter(a * b, 1e300)}) {
            for (int sig : {7, 8}) {
                for (int dec : {0, 2, 3}) {
                    ASSERT_EQ(FormatRounded(x, sig, dec), FormatRoundedExact(x, sig, dec))
                        << std::setprecision(20) << x << " " << sig << " " << dec;
                }
            }
        }
    }
}

TEST(DecimalsOf, CountsAfterTheFirstSeparator)
{
    EXPECT_EQ(DecimalsOf("0012.50"), 2);
    EXPECT_EQ(DecimalsOf("-1,5"), 1);
    EXPECT_EQ(DecimalsOf("150"), 0);
    EXPECT_EQ(DecimalsOf("1."), 0);
}
