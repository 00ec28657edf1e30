#include "core/cp1250.h"
#include "core/text.h"

#include <gtest/gtest.h>

TEST(TextHelpers, SplitFieldStripSpacesAndSeparators)
{
    EXPECT_EQ(SplitField("a\tb\t\tc", 0), "a");
    EXPECT_EQ(SplitField("a\tb\t\tc", 2), "");
    EXPECT_EQ(SplitField("a\tb\t\tc", 3), "c");
    EXPECT_EQ(SplitField("a\tb", 5), "");
    EXPECT_EQ(StripSpaces(" a b  c "), "abc");
    EXPECT_TRUE(StripSpaces("   ").isEmpty());
    EXPECT_EQ(CommaToDot("1,5,2"), "1.5.2");
    EXPECT_EQ(DotToComma("1.5"), "1,5");
}

TEST(UpperPolish, MapsAsciiAndTheNinePolishLettersByByteValue)
{
    const QByteArray lower("abc xyz \x9C\x9F\xB3\xB9\xBF\xE6\xEA\xF1\xF3");
    const QByteArray upper("ABC XYZ \x8C\x8F\xA3\xA5\xAF\xC6\xCA\xD1\xD3");
    EXPECT_EQ(UpperPolish(lower), upper);
    // Every other byte stays: digits, capitals, other accented letters (é = 0xE9).
    EXPECT_EQ(UpperPolish("09AZ\xE9\xA3"), QByteArray("09AZ\xE9\xA3"));
    EXPECT_EQ(UpperPolish(cp1250::Encode(u"łukasz").value()), cp1250::Encode(u"ŁUKASZ").value());
}

TEST(Cp1250, EveryByteRoundTripsAndPolishLettersMatchTheCodePage)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(cp1250::Encode(cp1250::Decode(all)).value(), all);
    EXPECT_EQ(cp1250::Decode("\xA5\xB9\x8C\x9C\xA3\xB3\xAF\xBF\x80"), QString::fromUtf8("ĄąŚśŁłŻż€"));
    EXPECT_FALSE(cp1250::Encode(u"日本").has_value());
    EXPECT_EQ(cp1250::EncodeLossy(u"a日b"), "a?b");
}
