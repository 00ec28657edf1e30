// The monitor's log: bounded whatever the traffic, numbered so a window can
// take only what is new, and the texts that show bytes and frames.

#include "scale/protocols/protocol_names.h"
#include "scale/transmission_log.h"

#include <gtest/gtest.h>

namespace {

TEST(TransmissionLog, StaysAtItsBoundAndSinceFollowsTheNumbering)
{
    TransmissionLog log;
    ASSERT_EQ(log.Capacity(), TransmissionLog::kDefaultCapacity);
    IndicatorFrame frame;
    frame.kind = IndicatorFrame::Kind::Weight;
    frame.weightText = "1.00";
    for (int i = 0; i < 100000; ++i) {
        const QByteArray bytes = QByteArray::number(i);
        switch (i % 3) {
        case 0:
            log.AddReceived(i, bytes);
            break;
        case 1:
            log.AddSent(i, bytes);
            break;
        default:
            log.AddFrame(i, bytes, frame);
            break;
        }
    }
    EXPECT_EQ(log.Size(), 2000);
    EXPECT_EQ(log.Total(), 100000);

    const auto all = log.Since(0);
    ASSERT_EQ(all.size(), 2000);
    EXPECT_EQ(all.first().bytes, "98000");
    EXPECT_EQ(all.first().msecs, 98000);
    EXPECT_EQ(all.last().bytes, "99999");

    // A window that saw up to 99,990 gets the last ten, in order, with their kinds.
    const auto fresh = log.Since(99990);
    ASSERT_EQ(fresh.size(), 10);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(fresh[k].bytes, QByteArray::number(99990 + k));
    EXPECT_EQ(fresh[0].direction, TransmissionEntry::Direction::Received);  // 99990 % 3 == 0
    EXPECT_EQ(fresh[1].direction, TransmissionEntry::Direction::Sent);
    EXPECT_EQ(fresh[2].direction, TransmissionEntry::Direction::Frame);
    EXPECT_EQ(fresh[2].decoded, "1.00");
    EXPECT_TRUE(fresh[0].decoded.isEmpty());

    EXPECT_TRUE(log.Since(100000).isEmpty());
    EXPECT_TRUE(log.Since(500000).isEmpty());
    EXPECT_EQ(log.Since(-7).size(), 2000);
    EXPECT_EQ(log.Since(50).size(), 2000);  // long gone: what is held

    // Cleared, the numbering goes on, so a window's count stays right.
    log.Clear();
    EXPECT_EQ(log.Size(), 0);
    EXPECT_TRUE(log.Since(0).isEmpty());
    log.AddReceived(1, "x");
    EXPECT_EQ(log.Total(), 100001);
    ASSERT_EQ(log.Since(100000).size(), 1);
    EXPECT_EQ(log.Since(100000).first().bytes, "x");
}

TEST(TransmissionLog, HugeChunksKeepOnlyTheirStart)
{
    TransmissionLog log(4);
    const QByteArray flood(1 << 20, 'A');
    for (int i = 0; i < 10; ++i)
        log.AddReceived(i, flood);
    for (const auto &e : log.Since(0)) {
        EXPECT_EQ(e.bytes.size(), TransmissionLog::kMaxBytes);
        EXPECT_EQ(e.length, 1 << 20);
    }
    log.AddReceived(11, "");
    EXPECT_EQ(log.Since(10).first().length, 0);

    TransmissionLog tiny(0);  // a nonsense capacity still holds the newest
    tiny.AddSent(1, "a");
    tiny.AddSent(2, "b");
    ASSERT_EQ(tiny.Since(0).size(), 1);
    EXPECT_EQ(tiny.Since(0).first().bytes, "b");
}

TEST(TransmissionLog, ControlAndHexText)
{
    struct Case {
        QByteArray bytes;
        QString text;
        QString hex;
    };
    const Case cases[] = {
        {"", "", ""},
        {"\x02"
         "12.50\r\n",
         "<STX>12.50<CR><LF>", "02 31 32 2E 35 30 0D 0A"},
        {"\x03\x05\x06\x15\x1b", "<ETX><ENQ><ACK><NAK><ESC>", "03 05 06 15 1B"},
        {QByteArray("\x00\x01\x1f\x7f", 4), "<NUL><x01><x1F><x7F>", "00 01 1F 7F"},
        {"\x80\xa5\xb9\xff", "<x80><xA5><xB9><xFF>", "80 A5 B9 FF"},  // cp1250 letters are bytes here
        {"S S  <x>", "S S  <x>", "53 20 53 20 20 3C 78 3E"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ControlText(c.bytes), c.text) << c.bytes.toHex().constData();
        EXPECT_EQ(HexText(c.bytes), c.hex) << c.bytes.toHex().constData();
    }
}

TEST(TransmissionLog, DescribeFrame)
{
    using Kind = IndicatorFrame::Kind;
    using Stability = IndicatorFrame::Stability;
    const auto frame = [](Kind kind, QByteArray weight = {}, QByteArray unit = {},
                          Stability stability = Stability::Unknown, bool net = false, QByteArray tare = {},
                          QByteArray note = {}) {
        IndicatorFrame f;
        f.kind = kind;
        f.weightText = weight;
        f.unit = unit;
        f.stability = stability;
        f.net = net;
        f.tareText = tare;
        f.note = note;
        return f;
    };
    IndicatorFrame atZero = frame(Kind::Weight, "0.00", "kg", Stability::Stable);
    atZero.zero = true;
    struct Case {
        IndicatorFrame frame;
        QString text;
    };
    const Case cases[] = {
        {frame(Kind::Weight, "12.34", "kg", Stability::Stable, true, "1.00"), "12.34 kg, stabilny, netto, tara 1.00"},
        {frame(Kind::Weight, "-0.50", "g", Stability::Moving), "-0.50 g, ruch"},
        {frame(Kind::Weight, "7"), "7"},
        {atZero, "0.00 kg, stabilny, zero"},
        {frame(Kind::Overload), "przeciążenie"},
        {frame(Kind::Underload), "niedociążenie"},
        {frame(Kind::Error), "błąd wagi"},
        {frame(Kind::Error, {}, {}, Stability::Unknown, false, {}, "E3"), "błąd wagi: E3"},
        {frame(Kind::Other, {}, {}, Stability::Unknown, false, {}, "acknowledged"), "ramka bez masy: acknowledged"},
        {frame(Kind::Malformed, {}, {}, Stability::Unknown, false, {}, "bad checksum"),
         "nierozpoznana ramka: bad checksum"},
        {frame(Kind::Malformed), "nierozpoznana ramka"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DescribeFrame(c.frame), c.text);
}

TEST(ProtocolNames, EveryStoredValueHasItsName)
{
    const QStringList names{"Standardowy",    "Toledo (ciągły)", "SMA",       "MT-SICS", "SI (polskie wskaźniki)",
                            "Własny wzorzec", "Modbus RTU",      "Modbus TCP"};
    ASSERT_EQ(names.size(), kIndicatorProtocolCount);
    for (int i = 0; i < kIndicatorProtocolCount; ++i)
        EXPECT_EQ(ProtocolName(IndicatorProtocol(i)), names[i]) << i;
    EXPECT_EQ(ProtocolName(IndicatorProtocol(kIndicatorProtocolCount)), "");
    EXPECT_EQ(ProtocolName(IndicatorProtocol(-1)), "");
}

}  // namespace
