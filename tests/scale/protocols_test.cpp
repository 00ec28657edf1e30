#include "scale/protocols/indicator_frame.h"
#include "scale/protocols/pattern_decoder.h"
#include "scale/protocols/si_family_decoder.h"
#include "scale/protocols/sics_decoder.h"
#include "scale/protocols/sma_decoder.h"
#include "scale/protocols/toledo_decoder.h"
#include "scale/protocols/weight_text.h"

#include <QList>
#include <gtest/gtest.h>

namespace {

using Kind = IndicatorFrame::Kind;

// A frame in one line of text, so that tables state expectations compactly:
// "W -12.34 kg moving net tare=2.50 zero", "Overload", "Malformed".
std::string Describe(const IndicatorFrame &f)
{
    switch (f.kind) {
    case Kind::Malformed:
        return "Malformed";
    case Kind::Overload:
        return "Overload";
    case Kind::Underload:
        return "Underload";
    case Kind::Error:
        return "Error";
    case Kind::Other:
        return "Other";
    case Kind::Weight:
        break;
    }
    std::string s = "W " + f.weightText.toStdString();
    if (!f.unit.isEmpty())
        s += " " + f.unit.toStdString();
    if (f.stability != IndicatorFrame::Stability::Unknown)
        s += f.stability == IndicatorFrame::Stability::Stable ? " stable" : " moving";
    if (f.net)
        s += " net";
    if (!f.tareText.isEmpty())
        s += " tare=" + f.tareText.toStdString();
    if (f.zero)
        s += " zero";
    return s;
}

struct Case {
    const char *what;
    QByteArray bytes;
    std::string expected;
};

struct Fed {
    QByteArray raw;
    std::string frame;
    bool operator==(const Fed &) const = default;
};

QList<Fed> FeedAll(IndicatorDecoder &d, QByteArrayView bytes, qsizetype chunk)
{
    QList<Fed> out;
    const auto sink = [&](QByteArrayView raw, const IndicatorFrame &f) {
        out.append({raw.toByteArray(), Describe(f)});
    };
    for (qsizetype i = 0; i < bytes.size(); i += chunk)
        d.Feed(bytes.sliced(i, std::min(chunk, bytes.size() - i)), sink);
    return out;
}

QList<std::string> Frames(const QList<Fed> &fed)
{
    QList<std::string> out;
    for (const Fed &f : fed)
        out.append(f.frame);
    return out;
}

QByteArray Toledo(const char *body)
{
    return "\x02" + QByteArray(body) + "\r";
}

}  // namespace

TEST(WeightText, NormalFormOfIndicatorNumbers)
{
    const struct {
        QByteArray in;
        const char *out;  // nullptr: not a number
        WeightSyntax syntax = {};
    } cases[] = {
        {"-0012.50", "-12.50"},
        {"  0.000", "0.000"},
        {"+5", "5"},
        {"000", "0"},
        {"-0.00", "0.00"},
        {".5", "0.5"},
        {"7.", "7"},
        {"  12345.678  ", "12345.678"},
        {"-    12.345", nullptr},
        {"-    12.345", "-12.345", {.spaceAfterSign = true}},
        {"12,5", nullptr},
        {"12,5", "12.5", {.commaDecimal = true}},
        {"", nullptr},
        {"-", nullptr},
        {".", nullptr},
        {"1.2.3", nullptr},
        {"12 34", nullptr},
        {"1e3", nullptr},
        {"--1", nullptr},
    };
    for (const auto &c : cases) {
        QByteArray out;
        const bool ok = NormaliseWeightText(c.in, out, c.syntax);
        EXPECT_EQ(ok, c.out != nullptr) << c.in.constData();
        if (ok && c.out) {
            EXPECT_EQ(out, c.out) << c.in.constData();
        }
    }
}

TEST(ToledoFrame, StatusWordsPlaceThePointAndGiveTheState)
{
    // A: 0x28 | point code; B: 0x20 | net 1, minus 2, out of range 4, motion 8, kg 0x10, not zeroed 0x40;
    // C: 0x20 | unit code.
    const Case cases[] = {
        {"two decimals, kg", Toledo(",0 001234000000"), "W 12.34 kg stable tare=0.00"},
        {"net with tare", Toledo(",1 001000000250"), "W 10.00 kg stable net tare=2.50"},
        {"negative, moving", Toledo(",: 000150000000"), "W -1.50 kg moving tare=0.00"},
        {"negative zero has no sign", Toledo(",2 000000000000"), "W 0.00 kg stable tare=0.00"},
        {"pounds", Toledo("*  000042000000"), "W 42 lb stable tare=0"},
        {"two dummy zeros", Toledo("(0 000042000000"), "W 4200 kg stable tare=0"},
        {"one dummy zero", Toledo(")0 000042000000"), "W 420 kg stable tare=0"},
        {"three decimals", Toledo("-0 012345000000"), "W 12.345 kg stable tare=0.000"},
        {"five decimals", Toledo("/0 012345000000"), "W 0.12345 kg stable tare=0.00000"},
        {"grams from C", Toledo("*0!000500000000"), "W 500 g stable tare=0"},
        {"tonnes from C", Toledo("-0\"012345000000"), "W 12.345 t stable tare=0.000"},
        {"leading blanks", Toledo(",0    250000000"), "W 2.50 kg stable tare=0.00"},
        {"parity bit on a status word", Toledo("\xac\xb0 001234000000"), "W 12.34 kg stable tare=0.00"},
        {"overload", Toledo(",4 999999000000"), "Overload"},
        {"underload", Toledo(",6 000000000000"), "Underload"},
        {"not zeroed since power-up", Toledo(",p 001234000000"), "Error"},
        {"checksum right", Toledo(",0 001234000000") + "+", "W 12.34 kg stable tare=0.00"},
        {"checksum with parity bit", Toledo(",0 001234000000") + "\xab", "W 12.34 kg stable tare=0.00"},
        {"checksum wrong", Toledo(",0 001234000000") + ",", "Malformed"},
        {"checksum right, digit changed", Toledo(",0 001235000000") + "+", "Malformed"},
        {"cut", Toledo(",0 0012340000"), "Malformed"},
        {"extra digit", Toledo(",0 0012340000000"), "Malformed"},
        {"letter in weight", Toledo(",0 0012a4000000"), "Malformed"},
        {"letter in tare", Toledo(",0 00123400000x"), "Malformed"},
        {"blank inside digits", Toledo(",0 0012 4000000"), "Malformed"},
        {"all blank", Toledo(",0       000000"), "Malformed"},
        {"status word without bit 5", Toledo(",\x10 001234000000"), "Malformed"},
        {"no STX", QByteArray("x,0 001234000000\r"), "Malformed"},
        {"empty", QByteArray(), "Malformed"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Describe(DecodeToledoFrame(c.bytes)), c.expected) << c.what;
}

TEST(SmaFrame, StatusLettersWeightAndUnit)
{
    const Case cases[] = {
        {"stable gross", "\n 1G      12.345 kg\r", "W 12.345 kg stable"},
        {"moving net", "\n 1NM     -2.500 kg\r", "W -2.500 kg moving net"},
        {"centre of zero", "\nZ1G       0.000 kg\r", "W 0.000 kg stable zero"},
        {"high resolution net", "\n 2n     100.25 lb \r", "W 100.25 lb stable net"},
        {"leading zeros", "\n 1G  000012.300g  \r", "W 12.300 g stable"},
        {"over", "\nO1G  ---------- kg\r", "Overload"},
        {"under", "\nU1G  ---------- kg\r", "Underload"},
        {"zero error", "\nE1G             kg\r", "Error"},
        {"initial zero error", "\nI1G       0.000 kg\r", "Error"},
        {"tare error", "\nT1N       0.000 kg\r", "Error"},
        {"tare on display", "\n 1T       1.500 kg\r", "Other"},
        {"unknown command", "\n?\r", "Other"},
        {"identification", "\nSMA:2/1.0\r", "Other"},
        {"bad status letter", "\nX1G      12.345 kg\r", "Malformed"},
        {"bad motion letter", "\n 1GX     12.345 kg\r", "Malformed"},
        {"letters in weight", "\n 1G      12.3a5 kg\r", "Malformed"},
        {"cut", "\n 1G      12.34\r", "Malformed"},
        {"extra bytes", "\n 1G      12.345 kg  \r", "Malformed"},
        {"no LF", " 1G      12.345 kg\r", "Malformed"},
        {"empty", "", "Malformed"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Describe(DecodeSmaFrame(c.bytes)), c.expected) << c.what;
}

TEST(SicsLine, WeightRepliesAndErrors)
{
    const Case cases[] = {
        {"stable", "S S     12.34 kg\r\n", "W 12.34 kg stable"},
        {"dynamic", "S D     12.35 kg\r\n", "W 12.35 kg moving"},
        {"negative, grams", "S S    -0.512 g", "W -0.512 g stable"},
        {"bare CR", "S D      100 lb\r", "W 100 lb moving"},
        {"reply to SIU", "SU S     1.5 oz", "W 1.5 oz stable"},
        {"other unit kept", "S S     3.2 dwt", "W 3.2 dwt stable"},
        {"not executable now", "S I\r\n", "Error"},
        {"overload", "S +\r\n", "Overload"},
        {"underload", "S -\r\n", "Underload"},
        {"syntax error", "ES\r\n", "Error"},
        {"logical error", "EL", "Error"},
        {"transmission error", "ET  ", "Error"},
        {"zero done", "Z A", "Other"},
        {"identification", "I4 A \"0123456789\"", "Other"},
        {"tare reply", "T S    100.00 g", "Other"},
        {"no unit", "S S     12.34", "Malformed"},
        {"letters in weight", "S S     12.3x kg", "Malformed"},
        {"unknown status", "S X     12.34 kg", "Malformed"},
        {"SI-family mark", "SI ?    -12.345 kg", "Malformed"},
        {"SI-family stable", "SI      12.345 kg", "Malformed"},
        {"text after overload", "S + 12 kg", "Malformed"},
        {"lower case", "s s     12.34 kg", "Malformed"},
        {"cut", "S S", "Malformed"},
        {"empty", "", "Malformed"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Describe(DecodeSicsLine(c.bytes)), c.expected) << c.what;
}

TEST(SiFamilyLine, StabilityMarksAndAnswers)
{
    const Case cases[] = {
        {"immediate, unstable", "SI ?      -12.345 kg\r\n", "W -12.345 kg moving"},
        {"immediate, stable", "SI       12.345 kg \r\n", "W 12.345 kg stable"},
        {"stable reply", "S      0.500 kg ", "W 0.500 kg stable"},
        {"sign in its own column", "SI ? -     12.345 kg ", "W -12.345 kg moving"},
        {"plus sign", "SI   +    12.345 g  ", "W 12.345 g stable"},
        {"overload", "SI ^     99999.9 kg ", "Overload"},
        {"underload without weight", "SI v", "Underload"},
        {"continuous on", "C1 A\r\n", "Other"},
        {"weight command accepted", "SI A", "Other"},
        {"no stable weight in time", "S E", "Error"},
        {"not possible now", "S I", "Error"},
        {"unknown command", "ES\r\n", "Error"},
        {"SICS stable", "S S     12.34 kg", "Malformed"},
        {"SICS dynamic", "S D     12.35 kg", "Malformed"},
        {"no unit", "SI       12.345", "Malformed"},
        {"no weight", "SI ?", "Malformed"},
        {"letters in weight", "SI ?     12.3b5 kg", "Malformed"},
        {"weight for a tare command", "T        1.000 kg", "Malformed"},
        {"bad mark", "SI !     12.345 kg", "Malformed"},
        {"garbage", "\x01\x7f\xff", "Malformed"},
        {"empty", "", "Malformed"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Describe(DecodeSiFamilyLine(c.bytes)), c.expected) << c.what;
}

TEST(PatternDecoder, NamedGroupsGiveWeightUnitAndStability)
{
    const struct {
        const char *what;
        QByteArray pattern;
        QByteArray stableText;
        QByteArray line;
        std::string expected;
    } cases[] = {
        {"weight only", "W=(?<waga>\\S+)", "", "W=0012.50\r\n", "W 12.50"},
        {"weight and unit", "(?<waga>[-0-9.]+)\\s*(?<jednostka>\\w+)", "", "  -3.25 kg", "W -3.25 kg"},
        {"comma as decimal point", "(?<waga>[-0-9,]+)", "", "12,5", "W 12.5"},
        {"stable text matches", "(?<stabilny>..),(?<waga>.*)", "ST", "ST,  1.0", "W 1.0 stable"},
        {"stable text differs", "(?<stabilny>..),(?<waga>.*)", "ST", "US,  1.0", "W 1.0 moving"},
        {"stable text trimmed", "(?<stabilny>...),(?<waga>.*)", " ST ", "ST ,1.0", "W 1.0 stable"},
        {"no stable text: any mark", "(?<waga>\\d+)(?<stabilny>\\*?)", "", "12*", "W 12 stable"},
        {"no stable text: no mark", "(?<waga>\\d+)(?<stabilny>\\*?)", "", "12", "W 12 moving"},
        {"bytes past ASCII", "\xb9(?<waga>\\d+)", "",
         "\xb9"
         "42",
         "W 42"},
        {"no match", "^W=(?<waga>\\d+)$", "", "X=12", "Malformed"},
        {"group holds no number", "(?<waga>\\w+)", "", "abc", "Malformed"},
        {"group did not take part", "(?<waga>\\d+)?x", "", "x", "Malformed"},
        {"no waga group", "(?<masa>\\d+)", "", "12", "Malformed"},
        {"invalid pattern", "(?<waga>\\d+", "", "12", "Malformed"},
        {"empty pattern", "", "", "12", "Malformed"},
    };
    for (const auto &c : cases) {
        const PatternDecoder d(c.pattern, c.stableText);
        EXPECT_EQ(Describe(d.Decode(c.line)), c.expected) << c.what;
    }
    // The reason reaches the monitor.
    EXPECT_EQ(PatternDecoder("(?<masa>\\d+)", {}).Decode("12").note, "pattern has no group named waga");
    EXPECT_TRUE(PatternDecoder("(?<waga>\\d+", {}).Decode("12").note.startsWith("invalid pattern at "));
}

TEST(IndicatorSplitting, StreamsWithStrayBytesGiveTheSameFramesInAnyChunking)
{
    const QByteArray toledo = Toledo(",0 001234000000");
    const struct {
        IndicatorProtocol protocol;
        QByteArray stream;
        QList<std::string> frames;
    } cases[] = {
        {IndicatorProtocol::ToledoContinuous,
         toledo + toledo + "junk" + toledo + "\x02,0 0012" + toledo + "\x02",
         {"W 12.34 kg stable tare=0.00", "W 12.34 kg stable tare=0.00", "Malformed", "W 12.34 kg stable tare=0.00",
          "Malformed", "W 12.34 kg stable tare=0.00"}},
        // Once a checksum was right, a frame without one is not trusted.
        {IndicatorProtocol::ToledoContinuous,
         toledo + "+" + "junk" + toledo + "+" + toledo + "\x02",
         {"W 12.34 kg stable tare=0.00", "Malformed", "W 12.34 kg stable tare=0.00", "Malformed"}},
        {IndicatorProtocol::Sma,
         "\n 1G      12.345 kg\r\x01\x02 junk\n 1GM     12.000 kg\r\n 1G 12\n 1N       1.000 kg\r",
         {"W 12.345 kg stable", "Malformed", "W 12.000 kg moving", "Malformed", "W 1.000 kg stable net"}},
        {IndicatorProtocol::Sics,
         "S S     12.34 kg\r\n\r\n#%&junk\r\nS D     12.35 kg\rS +\nES\r\n",
         {"W 12.34 kg stable", "Malformed", "W 12.35 kg moving", "Overload", "Error"}},
        {IndicatorProtocol::SiFamily,
         "SI ?      -12.345 kg\r\nxx\r\nC1 A\r\n\nSI       12.000 kg\r\n",
         {"W -12.345 kg moving", "Malformed", "Other", "W 12.000 kg stable"}},
        // Stray bytes with no line end of their own: the reply after them still counts.
        {IndicatorProtocol::Sics,
         "\x01zS S     12.34 kg\r\n#yzS D     1.5 g\r\nS S 1.5 S +\r\n",
         {"Malformed", "W 12.34 kg stable", "Malformed", "W 1.5 g moving", "Malformed", "Overload"}},
        {IndicatorProtocol::SiFamily,
         "\xff"
         "ASI ?   -1.000 kg\r\nqqC1 A\r\n",
         {"Malformed", "W -1.000 kg moving", "Malformed"}},
    };
    for (const auto &c : cases) {
        const auto oneChunk = FeedAll(*MakeIndicatorDecoder(c.protocol), c.stream, c.stream.size());
        EXPECT_EQ(Frames(oneChunk), c.frames) << int(c.protocol);
        for (qsizetype chunk : {1, 2, 3, 7})
            EXPECT_EQ(FeedAll(*MakeIndicatorDecoder(c.protocol), c.stream, chunk), oneChunk)
                << int(c.protocol) << " chunk " << chunk;
    }
}

TEST(IndicatorSplitting, RawBytesOfEachFrame)
{
    const QByteArray toledo = Toledo(",0 001234000000");
    const struct {
        IndicatorProtocol protocol;
        QByteArray stream;
        QList<QByteArray> raws;
    } cases[] = {
        // A byte after CR that is not STX is the frame's checksum.
        {IndicatorProtocol::ToledoContinuous, "ab" + toledo + "+" + toledo + toledo, {"ab", toledo + "+", toledo}},
        {IndicatorProtocol::Sma, "xy\n?\r\r\n?\r", {"xy", "\n?\r", "\r", "\n?\r"}},
        // The LF of CR LF is not part of the frame, so chunking cannot change it.
        {IndicatorProtocol::Sics, "ES\r\nES\nES\r", {"ES\r", "ES\n", "ES\r"}},
    };
    for (const auto &c : cases) {
        QList<QByteArray> raws;
        for (const Fed &f : FeedAll(*MakeIndicatorDecoder(c.protocol), c.stream, 1))
            raws.append(f.raw);
        EXPECT_EQ(raws, c.raws) << int(c.protocol);
    }
}

TEST(IndicatorSplitting, ToledoChecksumThatIsStx)
{
    // This frame's checksum is 0x02, the same byte as STX.
    const QByteArray withStx = Toledo(",0 699999000000");
    ASSERT_EQ(ToledoChecksum(withStx), '\x02');
    const QByteArray next = Toledo(",0 001234000000");
    const QList<std::string> both{"W 6999.99 kg stable tare=0.00", "W 12.34 kg stable tare=0.00"};
    for (const QByteArray &stream : {withStx + "\x02" + next + "+", withStx + next + "\x02"})
        for (qsizetype chunk : {1, 100})
            EXPECT_EQ(Frames(FeedAll(*MakeIndicatorDecoder(IndicatorProtocol::ToledoContinuous), stream, chunk)), both)
                << stream.size() << " " << chunk;
}

TEST(IndicatorSplitting, EndlessStreamStaysBoundedAndIsOneMalformedFrame)
{
    const struct {
        IndicatorProtocol protocol;
        char filler;
        QByteArray end;  // ends the long frame, then a good frame follows
        QByteArray good;
    } cases[] = {
        {IndicatorProtocol::ToledoContinuous, '5', "", Toledo(",0 001234000000") + "+"},
        {IndicatorProtocol::Sma, '5', "\r", "\n 1G      12.345 kg\r"},
        {IndicatorProtocol::Sics, '5', "\r\n", "S S     12.34 kg\r\n"},
        {IndicatorProtocol::SiFamily, '5', "\r\n", "SI       12.345 kg\r\n"},
        {IndicatorProtocol::UserPattern, '5', "\n", "12.5\n"},
    };
    for (const auto &c : cases) {
        auto d = MakeIndicatorDecoder(c.protocol, "^(?<waga>[0-9.]+)$");
        QList<Fed> fed;
        const auto sink = [&](QByteArrayView raw, const IndicatorFrame &f) {
            fed.append({raw.toByteArray(), Describe(f)});
        };
        const QByteArray filler(1 << 20, c.filler);
        for (int i = 0; i < 4; ++i)
            d->Feed(filler, sink);
        d->Feed(c.end + c.good, sink);
        // Toledo needs the next frame's STX after a frame without checksum.
        d->Feed("\x02", sink);
        ASSERT_EQ(fed.size(), 2) << int(c.protocol);
        EXPECT_EQ(fed[0].frame, "Malformed");
        EXPECT_LE(fed[0].raw.size(), kMaxIndicatorFrame + 2);
        EXPECT_EQ(fed[1].frame.substr(0, 1), "W") << int(c.protocol);
    }
}

TEST(IndicatorSplitting, ClearDropsThePartialFrame)
{
    auto d = MakeIndicatorDecoder(IndicatorProtocol::Sics);
    QList<Fed> fed;
    const auto sink = [&](QByteArrayView raw, const IndicatorFrame &f) {
        fed.append({raw.toByteArray(), Describe(f)});
    };
    d->Feed("S S    12", sink);
    d->Clear();
    d->Feed("S D     1.00 kg\r\n", sink);
    ASSERT_EQ(fed.size(), 1);
    EXPECT_EQ(fed[0].frame, "W 1.00 kg moving");
}

TEST(IndicatorSplitting, UsualRequestsAndFamiliesWithoutDecoder)
{
    EXPECT_EQ(UsualRequest(IndicatorProtocol::ToledoContinuous), "");
    EXPECT_EQ(UsualRequest(IndicatorProtocol::Sma), "\nW\r");
    EXPECT_EQ(UsualRequest(IndicatorProtocol::Sics), "SI\r\n");
    EXPECT_EQ(UsualRequest(IndicatorProtocol::SiFamily), "SI\r\n");
    EXPECT_EQ(UsualRequest(IndicatorProtocol::ModbusTcp), "");
    // A decoder asked for a family it cannot read still takes bytes and never yields a weight.
    for (auto p : {IndicatorProtocol::Standard, IndicatorProtocol::ModbusRtu, IndicatorProtocol::ModbusTcp}) {
        auto d = MakeIndicatorDecoder(p);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(Frames(FeedAll(*d, "S S     12.34 kg\r\n", 100)), QList<std::string>{"Malformed"});
    }
}
