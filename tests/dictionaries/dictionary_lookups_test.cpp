// The lookups that adding a weighing uses: read from the file at each call,
// exact and case-sensitive, the first line wins, 0 or empty otherwise.

#include "core/cp1250.h"
#include "dictionaries/dictionary_lookups.h"
#include "support/temp_dir.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LookupsTest : public ::testing::Test {
  protected:
    QTemporaryDir tmp;
    QString Dir() const { return tmp.path(); }
    void Materials(const QByteArray &bytes) { ASSERT_TRUE(WriteAll(tmp.path() + "/materialy.txt", bytes)); }
    void Packagings(const QByteArray &bytes) { ASSERT_TRUE(WriteAll(tmp.path() + "/opakowania.txt", bytes)); }
};

} // namespace

TEST_F(LookupsTest, MaterialPriceAndPackaging)
{
    EXPECT_EQ(MaterialPrice(Dir(), "Piasek"), 0.0); // no file
    EXPECT_EQ(MaterialDefaultPackaging(Dir(), "Piasek"), "");

    Materials("PIASEK\tPaleta\t9.00\r\n"
              "Piasek\tWorek\t12.50\r\n"
              "Piasek\tBig bag\t99.00\r\n"
              "Cement\r\n"
              "Gips\t\t45.00\r\n"
              "Wapno\t\t12,75\r\n"
              "Kreda\t\tdarmo\r\n"
              "\tSkrzynia\t5.00\r\n"
              "Duzy\t\t1.2345679E+8\r\n");
    // Case-sensitive; of two equal names the first in the file.
    EXPECT_EQ(MaterialPrice(Dir(), "Piasek"), 12.5);
    EXPECT_EQ(MaterialDefaultPackaging(Dir(), "Piasek"), "Worek");
    EXPECT_EQ(MaterialPrice(Dir(), "PIASEK"), 9.0);
    EXPECT_EQ(MaterialPrice(Dir(), "piasek"), 0.0);
    EXPECT_EQ(MaterialPrice(Dir(), "Pias"), 0.0); // whole name only
    // A name only: empty packaging and price 0; a name, two TABs and a price.
    EXPECT_EQ(MaterialPrice(Dir(), "Cement"), 0.0);
    EXPECT_EQ(MaterialDefaultPackaging(Dir(), "Cement"), "");
    EXPECT_EQ(MaterialPrice(Dir(), "Gips"), 45.0);
    EXPECT_EQ(MaterialDefaultPackaging(Dir(), "Gips"), "");
    EXPECT_EQ(MaterialPrice(Dir(), "Wapno"), 12.75);
    EXPECT_EQ(MaterialPrice(Dir(), "Kreda"), 0.0);
    EXPECT_EQ(MaterialPrice(Dir(), "Duzy"), 123456790.0);
    // An empty name finds nothing, not even the line with an empty name.
    EXPECT_EQ(MaterialPrice(Dir(), ""), 0.0);
    EXPECT_EQ(MaterialDefaultPackaging(Dir(), ""), "");

    // Read again at each call.
    Materials("Piasek\tPaleta\t13.00\r\n");
    EXPECT_EQ(MaterialPrice(Dir(), "Piasek"), 13.0);
    EXPECT_EQ(MaterialDefaultPackaging(Dir(), "Piasek"), "Paleta");
}

TEST_F(LookupsTest, PackagingTare)
{
    EXPECT_EQ(PackagingTare(Dir(), "Worek"), 0.0);
    Packagings(cp1250::EncodeLossy(QString::fromUtf8("Worek\t0.250\r\nWorek\t9\r\nSkrzynia\r\nŁódka\t-1,5\r\n")));
    EXPECT_EQ(PackagingTare(Dir(), "Worek"), 0.25);
    EXPECT_EQ(PackagingTare(Dir(), "worek"), 0.0);
    EXPECT_EQ(PackagingTare(Dir(), "Skrzynia"), 0.0); // no TAB: no tare
    EXPECT_EQ(PackagingTare(Dir(), "Paleta"), 0.0);
    EXPECT_EQ(PackagingTare(Dir(), ""), 0.0);
    EXPECT_EQ(PackagingTare(Dir(), cp1250::EncodeLossy(QString::fromUtf8("Łódka"))), -1.5);
}

TEST(DictionaryNumber, DecimalPointOrCommaAndAnExponent)
{
    EXPECT_EQ(ParseDictionaryNumber("12.50"), 12.5);
    EXPECT_EQ(ParseDictionaryNumber("12,50"), 12.5);
    EXPECT_EQ(ParseDictionaryNumber(" -3 "), -3.0);
    EXPECT_EQ(ParseDictionaryNumber("1.2345679E+8"), 123456790.0);
    EXPECT_EQ(ParseDictionaryNumber("1,5e-2"), 0.015);
    EXPECT_EQ(ParseDictionaryNumber("-2E3"), -2000.0);
    for (const char *bad : {"", "abc", "12a", "e5", "1e", "1e+", "1 e5", "1e5e5", "1e99999", "1e400", "1.2.3", "--1"})
        EXPECT_FALSE(ParseDictionaryNumber(bad).has_value()) << bad;
}
