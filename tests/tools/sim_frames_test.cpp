// The simulator's frames byte for byte, its answers to requests, and its
// Modbus registers.

#include "sim_modbus.h"
#include "sim_protocols.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Range = Sample::Range;

std::string Str(const QByteArray &b)
{
    return b.toStdString();
}

FrameStyle Style(int decimals = 2, const QByteArray &unit = "kg", bool net = false, double tare = 0,
                 bool checksum = false)
{
    FrameStyle s;
    s.decimals = decimals;
    s.unit = unit;
    s.net = net;
    s.tare = tare;
    s.checksum = checksum;
    return s;
}

TEST(SimFrames, ExactBytesOfEveryFamily)
{
    const Sample stable{12.34, true};
    const Sample zero{0, true};
    const Sample movingNegative{-1.5, false};
    const Sample over{600, true, Range::Over};
    const Sample under{-3, true, Range::Under};
    struct Case {
        const char *name;
        QByteArray frame;
        QByteArray expected;
    };
    const Case cases[] = {
        // Toledo: A ',' = two decimals, by one; B '0' = gross, kg, still; C ' '.
        {"toledo stable", ToledoFrame(stable, Style()), "\x02,0 001234000000\r"},
        // Checksum: 7-bit sum of STX..CR is 725, two's complement 43 ('+').
        {"toledo checksum", ToledoFrame(stable, Style(2, "kg", false, 0, true)), "\x02,0 001234000000\r+"},
        // B ';' = net, negative, moving, kg; the tare in its field; one decimal '+'.
        {"toledo net", ToledoFrame(movingNegative, Style(1, "kg", true, 1.5)), "\x02+; 000015000015\r"},
        // No decimals '*'; B '$' = out of range, lb.
        {"toledo over lb", ToledoFrame(over, Style(0, "lb")), "\x02*$ 000600000000\r"},
        {"toledo grams", ToledoFrame(Sample{250, true}, Style(0, "g")), "\x02*0!000250000000\r"},
        {"toledo too big", ToledoFrame(Sample{12345.67, true}, Style()), "\x02,4 999999000000\r"},
        {"toledo no tare when gross", ToledoFrame(stable, Style(2, "kg", false, 3)), "\x02,0 001234000000\r"},
        {"sma stable", SmaFrame(stable, Style()), "\n 1G       12.34kg \r"},
        {"sma zero", SmaFrame(zero, Style()), "\nZ1G        0.00kg \r"},
        {"sma net moving", SmaFrame(movingNegative, Style(2, "kg", true)), "\n 1NM      -1.50kg \r"},
        {"sma over", SmaFrame(over, Style(0, "lb")), "\nO1G         600lb \r"},
        {"sma under", SmaFrame(under, Style(1, "t")), "\nU1G        -3.0t  \r"},
        {"sics stable", SicsFrame(stable, Style()), "S S      12.34 kg\r\n"},
        {"sics moving", SicsFrame(movingNegative, Style()), "S D      -1.50 kg\r\n"},
        {"sics over", SicsFrame(over, Style()), "S +\r\n"},
        {"sics under", SicsFrame(under, Style()), "S -\r\n"},
        {"sics grams", SicsFrame(Sample{100, true}, Style(0, "g")), "S S        100 g\r\n"},
        {"si stable", SiFrame(stable, Style(), "SI"), "SI         12.34 kg \r\n"},
        {"si moving", SiFrame(movingNegative, Style(), "S"), "S ? -      1.50 kg \r\n"},
        {"si over", SiFrame(over, Style(0), "SI"), "SI ^         600 kg \r\n"},
        {"si under", SiFrame(under, Style(3, "t"), "SI"), "SI v -     3.000 t  \r\n"},
        // A minus zero is shown as zero, without a sign.
        {"si minus zero", SiFrame(Sample{-0.001, true}, Style(), "SI"), "SI          0.00 kg \r\n"},
        {"continuous si", ContinuousFrame(SimFamily::Si, stable, Style()), "SI         12.34 kg \r\n"},
        {"continuous sma", ContinuousFrame(SimFamily::Sma, stable, Style()), "\n 1G       12.34kg \r"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Str(c.frame), Str(c.expected)) << c.name;
}

TEST(SimFrames, ToledoChecksumMakesTheSevenBitSumZero)
{
    for (const double w : {0.0, 0.01, -7.5, 999.99, 3210.5}) {
        for (const bool stable : {true, false}) {
            const QByteArray f = ToledoFrame(Sample{w, stable}, Style(2, "kg", true, 12.5, true));
            ASSERT_EQ(f.size(), 18) << w;
            int sum = 0;
            for (const char ch : f)
                sum += ch & 0x7F;
            EXPECT_EQ(sum & 0x7F, 0) << w;
            EXPECT_EQ(f.at(16), '\r') << w;
        }
    }
}

TEST(SimFrames, JunkNeverHoldsAFrameStartEndOrDigit)
{
    QRandomGenerator random(7);
    for (const SimFamily family : {SimFamily::Toledo, SimFamily::Sma, SimFamily::Sics, SimFamily::Si}) {
        const bool lines = family == SimFamily::Sics || family == SimFamily::Si;
        for (int i = 0; i < 300; ++i) {
            QByteArray junk = Junk(family, random);
            if (lines) {
                ASSERT_TRUE(junk.endsWith("\r\n"));
                junk.chop(2);
            }
            ASSERT_GE(junk.size(), 1);
            ASSERT_LE(junk.size(), 6);
            for (const char ch : junk) {
                const auto u = uchar(ch);
                ASSERT_TRUE(u >= 0x80 || (u > 0x20 && !std::isalnum(u) && !QByteArray("+-.,?^").contains(ch)))
                    << int(u);
            }
        }
    }
}

struct Exchange {
    const char *name;
    SimFamily family;
    QList<QByteArray> chunks;  // sent one after another
    Sample sample;
    QByteArray expected;  // all answers joined
};

TEST(SimResponder, AnswersCompleteRequestsOfItsOwnFamilyOnly)
{
    const Sample s{12.34, true};
    const Sample moving{12.3, false};
    const Sample over{0, true, Range::Over};
    const QByteArray smaFrame = "\n 1G       12.34kg \r";
    const Exchange cases[] = {
        {"sma W", SimFamily::Sma, {"\nW\r"}, s, smaFrame},
        {"sma W without LF", SimFamily::Sma, {"W\r"}, s, smaFrame},
        {"sma split", SimFamily::Sma, {"\n", "W", "\r"}, s, smaFrame},
        {"sma moving answers at once", SimFamily::Sma, {"\nW\r"}, moving, "\n 1GM      12.30kg \r"},
        {"sma unknown", SimFamily::Sma, {"\nX\r"}, s, "\n?\r"},
        {"sma no end", SimFamily::Sma, {"\nW"}, s, ""},
        {"sma LF restarts", SimFamily::Sma, {"\nQQ\nW\r"}, s, smaFrame},
        {"sma two", SimFamily::Sma, {"\nW\r\nW\r"}, s, smaFrame + smaFrame},
        {"sics SI CR LF", SimFamily::Sics, {"SI\r\n"}, s, "S S      12.34 kg\r\n"},
        {"sics SI bare CR", SimFamily::Sics, {"SI\r"}, s, "S S      12.34 kg\r\n"},
        {"sics SI bare LF", SimFamily::Sics, {"SI\n"}, s, "S S      12.34 kg\r\n"},
        {"sics SI moving", SimFamily::Sics, {"SI\r\n"}, moving, "S D      12.30 kg\r\n"},
        {"sics S stable", SimFamily::Sics, {"S\r\n"}, s, "S S      12.34 kg\r\n"},
        {"sics S moving waits", SimFamily::Sics, {"S\r\n"}, moving, ""},
        {"sics S over", SimFamily::Sics, {"S\r\n"}, over, "S +\r\n"},
        {"sics unknown", SimFamily::Sics, {"XY\r\n"}, s, "ES\r\n"},
        {"sics sma request", SimFamily::Sics, {"\nW\r"}, s, "ES\r\n"},
        {"sics noise then SI", SimFamily::Sics, {QByteArray(200, 'x'), "\r\nSI\r\n"}, s, "ES\r\nS S      12.34 kg\r\n"},
        {"si SI", SimFamily::Si, {"SI\r\n"}, s, "SI         12.34 kg \r\n"},
        {"si S", SimFamily::Si, {"S\r"}, s, "S         12.34 kg \r\n"},
        {"si S moving waits", SimFamily::Si, {"S\r\n"}, moving, ""},
        {"si C1", SimFamily::Si, {"C1\r\n"}, s, "C1 A\r\n"},
        {"si C0", SimFamily::Si, {"C0\n"}, s, "C0 A\r\n"},
        {"si unknown", SimFamily::Si, {"Q\r\n"}, s, ""},
        {"si sma request", SimFamily::Si, {"\nW\r"}, s, ""},
    };
    for (const Exchange &c : cases) {
        Responder r(c.family, Style(), false, 5);
        QByteArray got;
        for (const QByteArray &chunk : c.chunks)
            for (const QByteArray &a : r.Receive(chunk, c.sample))
                got += a;
        EXPECT_EQ(Str(got), Str(c.expected)) << c.name;
    }
}

TEST(SimResponder, StableRequestWaitsForStabilityOrGivesUp)
{
    const Sample moving{5, false};
    const Sample stable{5, true};
    struct Case {
        SimFamily family;
        QList<Sample> ticks;
        QList<QByteArray> expected;  // answers per tick
    };
    const Case cases[] = {
        {SimFamily::Sics, {moving, stable, stable}, {"", "S S       5.00 kg\r\n", ""}},
        {SimFamily::Sics, {moving, moving, moving}, {"", "", "S I\r\n"}},
        {SimFamily::Si, {moving, stable}, {"", "S          5.00 kg \r\n"}},
        // The si family never says it cannot: the request is just dropped.
        {SimFamily::Si, {moving, moving, moving, stable}, {"", "", "", ""}},
        {SimFamily::Sics, {moving, Sample{0, false, Range::Under}}, {"", "S -\r\n"}},
    };
    for (const Case &c : cases) {
        Responder r(c.family, Style(), false, 3);
        ASSERT_TRUE(r.Receive("S\r\n", moving).isEmpty());
        for (qsizetype i = 0; i < c.ticks.size(); ++i) {
            const Responder::TickOutput out = r.Tick(c.ticks[i]);
            EXPECT_EQ(Str(out.answers.join()), Str(c.expected[i])) << int(c.family) << " tick " << i;
            EXPECT_TRUE(out.frame.isEmpty());
        }
    }
}

TEST(SimResponder, ContinuousOutputAndAnswerBudget)
{
    const Sample s{1, true};
    Responder si(SimFamily::Si, Style(0), false, 5);
    EXPECT_TRUE(si.Tick(s).frame.isEmpty());
    si.Receive("C1\r\n", s);
    EXPECT_EQ(Str(si.Tick(s).frame), "SI             1 kg \r\n");
    si.Receive("C0\r\n", s);
    EXPECT_TRUE(si.Tick(s).frame.isEmpty());

    Responder sics(SimFamily::Sics, Style(0), true, 5);
    EXPECT_EQ(Str(sics.Tick(s).frame), "S S          1 kg\r\n");

    int asked = 0;
    Responder limited(SimFamily::Sma, Style(0), false, 5, [&asked] { return asked++ < 2; });
    EXPECT_EQ(limited.Receive("\nW\r\nW\r\nW\r\nX\r", s).size(), 2);
    EXPECT_EQ(asked, 4);  // every complete request counts, answered or not
}

TEST(SimLoad, OverloadAndUnderloadSteps)
{
    QString error;
    LoadCycle script = LoadCycle::Script("over 1\nUNDER 2 US\n7,5 1 ST\n", &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const Range expected[] = {Range::Over, Range::Under, Range::Under, Range::Normal, Range::Over};
    for (const Range r : expected)
        EXPECT_EQ(script.Next().range, r);

    LoadCycle::Script("OVERLOAD 1\n", &error);
    EXPECT_FALSE(error.isEmpty());

    struct Case {
        double weight;
        Range range;
    };
    for (const Case c : {Case{10, Range::Normal}, Case{10.01, Range::Over}, Case{-10, Range::Normal},
                         Case{-10.5, Range::Under}}) {
        LoadCycle fixed = LoadCycle::Fixed(c.weight);
        EXPECT_EQ(fixed.Next().range, Range::Normal);
        fixed.SetRange(10);
        EXPECT_EQ(fixed.Next().range, c.range) << c.weight;
    }
}

TEST(SimModbus, WeightWordsAndStatus)
{
    using F = ModbusLayout::Format;
    struct Case {
        F format;
        bool high;
        int decimals;
        double weight;
        QList<quint16> words;
    };
    const Case cases[] = {
        {F::Int32, true, 2, 12.34, {0, 1234}},
        {F::Int32, false, 2, 12.34, {1234, 0}},
        {F::Int32, true, 2, -1, {0xFFFF, 0xFF9C}},
        {F::UInt32, true, 2, 700, {0x0001, 0x1170}},
        {F::UInt32, false, 2, 700, {0x1170, 0x0001}},
        {F::UInt32, true, 0, -5, {0, 0}},
        {F::Int16, true, 0, -5, {0xFFFB}},
        {F::Int16, true, 2, 400, {0x7FFF}},  // clamped, not wrapped
        {F::UInt16, true, 1, 6553.5, {0xFFFF}},
        {F::UInt16, true, 1, -1, {0}},
        {F::Float32, true, 2, 12.5, {0x4148, 0x0000}},
        {F::Float32, false, 2, 12.5, {0x0000, 0x4148}},
    };
    for (const Case &c : cases) {
        ModbusLayout l;
        l.format = c.format;
        l.highWordFirst = c.high;
        l.decimals = c.decimals;
        EXPECT_EQ(ModbusWeightWords(Sample{c.weight, true}, l), c.words) << int(c.format) << " " << c.weight;
    }

    ModbusLayout l;
    EXPECT_EQ(ModbusStatusWord(Sample{1, true}, l), kModbusStable);
    EXPECT_EQ(ModbusStatusWord(Sample{1, false}, l), 0);
    EXPECT_EQ(ModbusStatusWord(Sample{1, true, Range::Over}, l), kModbusOverload);
    EXPECT_EQ(ModbusStatusWord(Sample{1, true, Range::Under}, l), kModbusUnderload);
    l.net = true;
    EXPECT_EQ(ModbusStatusWord(Sample{1, true}, l), kModbusStable | kModbusNet);
}

TEST(SimModbus, LayoutErrors)
{
    struct Case {
        int weight;
        int status;
        ModbusLayout::Format format;
        bool valid;
    };
    using F = ModbusLayout::Format;
    const Case cases[] = {
        {0, 2, F::Int32, true},       {0, 1, F::Int32, false},    {0, 1, F::Int16, true},
        {5, 4, F::Int32, true},       {65534, 0, F::Int32, true}, {65535, 0, F::Int32, false},
        {65535, 0, F::UInt16, true},  {0, 65536, F::Int16, false}, {-1, 2, F::Int16, false},
    };
    for (const Case &c : cases) {
        ModbusLayout l;
        l.weightRegister = c.weight;
        l.statusRegister = c.status;
        l.format = c.format;
        EXPECT_EQ(ModbusLayoutError(l).isEmpty(), c.valid) << c.weight << " " << c.status;
    }
}

}  // namespace
