// Reading the weight over Modbus: register decoding and the read plan as
// tables, then the link against a Modbus server run inside the test (TCP,
// and RTU over a pair of pseudo-terminals).

#include "support/core_app.h"
#include "core/program_config.h"
#include "scale/modbus/modbus_registers.h"
#include "scale/modbus/modbus_scale_link.h"
#include "scale/modbus/modbus_settings.h"
#include "scale/scale_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QModbusRtuSerialServer>
#include <QModbusTcpServer>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>

#include <bit>
#include <limits>

namespace {

using Kind = IndicatorFrame::Kind;
using Stability = IndicatorFrame::Stability;

constexpr int kWaitMs = 20000; // the build machine is slow and shared

QList<quint16> FloatRegisters(float f, bool highFirst = true)
{
    const auto bits = std::bit_cast<quint32>(f);
    const auto high = quint16(bits >> 16), low = quint16(bits & 0xFFFF);
    return highFirst ? QList<quint16>{high, low} : QList<quint16>{low, high};
}

ModbusSettings Settings(int format, int wordOrder = ModbusSettings::HighWordFirst, double scale = 1.0, int decimals = 2)
{
    ModbusSettings s;
    s.format = format;
    s.wordOrder = wordOrder;
    s.scale = scale;
    s.decimals = decimals;
    return s;
}

TEST(ModbusDecode, WeightTextByFormatWordOrderScaleAndDecimals)
{
    using M = ModbusSettings;
    struct Case {
        const char *what;
        ModbusSettings settings;
        QList<quint16> registers;
        Kind kind;
        QByteArray text;
    };
    const Case cases[] = {
        {"int16 negative", Settings(M::Int16, 0, 1.0, 0), {0xFFFE}, Kind::Weight, "-2"},
        {"int16 negative scaled", Settings(M::Int16, 0, 1.0, 2), {0xFB2E}, Kind::Weight, "-12.34"},
        {"uint16 top bit is not a sign", Settings(M::UInt16, 0, 1.0, 0), {0xFFFE}, Kind::Weight, "65534"},
        {"uint16 padded decimals", Settings(M::UInt16, 0, 100.0, 2), {7}, Kind::Weight, "7.00"},
        {"int32 high word first",
         Settings(M::Int32, M::HighWordFirst, 1.0, 3),
         {0x0001, 0x0002},
         Kind::Weight,
         "65.538"},
        {"int32 low word first",
         Settings(M::Int32, M::LowWordFirst, 1.0, 3),
         {0x0002, 0x0001},
         Kind::Weight,
         "65.538"},
        {"int32 negative high first",
         Settings(M::Int32, M::HighWordFirst, 1.0, 0),
         {0xFFFF, 0xFFFE},
         Kind::Weight,
         "-2"},
        {"int32 negative low first", Settings(M::Int32, M::LowWordFirst, 1.0, 0), {0xFFFE, 0xFFFF}, Kind::Weight, "-2"},
        {"int32 most negative", Settings(M::Int32, 0, 1.0, 0), {0x8000, 0x0000}, Kind::Weight, "-2147483648"},
        {"uint32 largest", Settings(M::UInt32, 0, 1.0, 0), {0xFFFF, 0xFFFF}, Kind::Weight, "4294967295"},
        {"uint32 large scaled", Settings(M::UInt32, 0, 1.0, 3), {0xFFFF, 0xFFFF}, Kind::Weight, "4294967.295"},
        {"float32", Settings(M::Float32, 0, 1.0, 2), FloatRegisters(12.5f), Kind::Weight, "12.50"},
        {"float32 low word first", Settings(M::Float32, M::LowWordFirst, 1.0, 1), FloatRegisters(-3.25f, false),
         Kind::Weight, "-3.3"},
        {"float32 small negative is not -0", Settings(M::Float32, 0, 1.0, 2), FloatRegisters(-0.004f), Kind::Weight,
         "0.00"},
        {"three implied decimals", Settings(M::Int32, 0, 1.0, 3), {0, 12345}, Kind::Weight, "12.345"},
        {"decimal tie rounds away from zero", Settings(M::Int32, 0, 0.1, 2), {0, 12345}, Kind::Weight, "12.35"},
        {"negative tie rounds away from zero",
         Settings(M::Int32, 0, 0.1, 2),
         {0xFFFF, quint16(-12345)},
         Kind::Weight,
         "-12.35"},
        {"fraction keeps one zero before the point", Settings(M::Int16, 0, 1.0, 2), {5}, Kind::Weight, "0.05"},
        {"zero decimals rounds", Settings(M::Int16, 0, 0.1, 0), {125}, Kind::Weight, "13"},
        {"scale above one", Settings(M::Int16, 0, 20.0, 0), {0xFFFF}, Kind::Weight, "-20"},
        {"NaN", Settings(M::Float32), {0x7FC0, 0x0000}, Kind::Error, ""},
        {"infinity", Settings(M::Float32), FloatRegisters(std::numeric_limits<float>::infinity()), Kind::Error, ""},
        {"float too large to show", Settings(M::Float32, 0, 1.0, 2), FloatRegisters(3e38f), Kind::Error, ""},
        {"one register for a 32-bit format", Settings(M::Int32), {1}, Kind::Malformed, ""},
        {"two registers for a 16-bit format", Settings(M::Int16), {1, 2}, Kind::Malformed, ""},
        {"no registers", Settings(M::UInt16), {}, Kind::Malformed, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const IndicatorFrame f = DecodeModbusWeight(c.registers, std::nullopt, c.settings);
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_EQ(f.weightText, c.text);
        if (c.kind != Kind::Weight) {
            EXPECT_FALSE(f.note.isEmpty());
        }
    }
}

TEST(ModbusDecode, StabilityFromTheConfiguredStatusBit)
{
    struct Case {
        const char *what;
        int statusRegister;
        int stableBit;
        std::optional<quint16> status;
        Stability expected;
    };
    const Case cases[] = {
        {"bit set", 10, 3, 0x0008, Stability::Stable},
        {"other bits set, not this one", 10, 3, 0xFFF7, Stability::Moving},
        {"bit 0", 10, 0, 0x0001, Stability::Stable},
        {"bit 15", 10, 15, 0x8000, Stability::Stable},
        {"bit 15 clear", 10, 15, 0x7FFF, Stability::Moving},
        {"no status register: a value read is ignored", -1, 0, 0x0001, Stability::Unknown},
        {"status register not read", 10, 0, std::nullopt, Stability::Unknown},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ModbusSettings s = Settings(ModbusSettings::UInt16);
        s.statusRegister = c.statusRegister;
        s.stableBit = c.stableBit;
        const IndicatorFrame f = DecodeModbusWeight({100}, c.status, s);
        EXPECT_EQ(f.kind, Kind::Weight);
        EXPECT_EQ(f.weightText, "1.00");
        EXPECT_EQ(f.stability, c.expected);
    }
}

TEST(ModbusDecode, ReadPlanJoinsOnlyNeighbouringStatusRegister)
{
    using M = ModbusSettings;
    struct Case {
        const char *what;
        int format;
        int weightRegister;
        int statusRegister;
        QList<ModbusRead> reads;
    };
    const Case cases[] = {
        {"no status", M::Int32, 100, -1, {{100, 2}}},
        {"16-bit, no status", M::Int16, 100, -1, {{100, 1}}},
        {"status right after", M::Int32, 100, 102, {{100, 3}}},
        {"status right before", M::Float32, 100, 99, {{99, 3}}},
        {"status inside the weight", M::Int32, 100, 101, {{100, 2}}},
        {"status far away", M::Int32, 100, 200, {{100, 2}, {200, 1}}},
        {"status one register apart", M::Int16, 100, 102, {{100, 1}, {102, 1}}},
        {"last register, 16-bit", M::UInt16, 65535, -1, {{65535, 1}}},
        {"32-bit past the last register", M::UInt32, 65535, -1, {}},
        {"status at the last register", M::Int32, 65533, 65535, {{65533, 3}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ModbusSettings s = Settings(c.format);
        s.weightRegister = c.weightRegister;
        s.statusRegister = c.statusRegister;
        EXPECT_EQ(ModbusReadPlan::For(s).reads, c.reads);
    }

    // Values are picked by address, whichever request brought them.
    ModbusSettings s = Settings(M::Int32);
    s.weightRegister = 99;
    s.statusRegister = 98;
    const ModbusReadPlan joined = ModbusReadPlan::For(s);
    auto v = joined.Extract(s, {{0x0004, 0x0001, 0x0002}});
    ASSERT_TRUE(v);
    EXPECT_EQ(v->weight, (QList<quint16>{1, 2}));
    EXPECT_EQ(v->status, quint16(4));
    EXPECT_FALSE(joined.Extract(s, {{0x0004, 0x0001}})); // a short reply

    s.statusRegister = 300;
    const ModbusReadPlan split = ModbusReadPlan::For(s);
    v = split.Extract(s, {{7, 8}, {9}});
    ASSERT_TRUE(v);
    EXPECT_EQ(v->weight, (QList<quint16>{7, 8}));
    EXPECT_EQ(v->status, quint16(9));
    EXPECT_FALSE(split.Extract(s, {{7, 8}})); // the status reply missing
}

TEST(ModbusDecode, PduBytesForTheMonitor)
{
    EXPECT_EQ(ModbusPduBytes(ModbusReadRequest(ModbusSettings::Holding, {100, 2})),
              QByteArray("\x03\x00\x64\x00\x02", 5));
    EXPECT_EQ(ModbusPduBytes(ModbusReadRequest(ModbusSettings::Input, {0x1234, 1})),
              QByteArray("\x04\x12\x34\x00\x01", 5));

    const QModbusExceptionResponse exception(QModbusPdu::ReadHoldingRegisters, QModbusPdu::IllegalDataAddress);
    EXPECT_EQ(ModbusPduBytes(exception), QByteArray("\x83\x02", 2));
    const IndicatorFrame f = ModbusExceptionFrame(exception);
    EXPECT_EQ(f.kind, Kind::Error);
    EXPECT_EQ(f.note, "Modbus exception 02 (illegal data address)");
}

TEST(ModbusDecode, SettingsFromConfigAndTheLinkTheyChoose)
{
    ProgramConfig config;
    config.scaleProtocol = int(IndicatorProtocol::ModbusTcp);
    config.scaleConnection = 0; // the protocol decides: TCP is the address
    config.scaleIpAddress = "10.0.0.5";
    config.scaleIpPort = 502;
    config.scaleRequestMs = 20; // below the lowest interval
    config.modbusUnit = 0;
    config.modbusFormat = 9;
    config.modbusStatusRegister = -7;
    config.modbusDecimals = 12;
    ScaleLinkSettings s = ScaleLinkSettings::FromConfig(config);
    EXPECT_EQ(s.protocol, int(IndicatorProtocol::ModbusTcp));
    EXPECT_EQ(s.connection, ScaleLinkSettings::Ethernet);
    EXPECT_EQ(s.modbus.pollMs, ModbusSettings::kMinPollMs);
    EXPECT_EQ(s.modbus.unit, 1);
    EXPECT_EQ(s.modbus.format, ModbusSettings::Float32);
    EXPECT_EQ(s.modbus.statusRegister, -1);
    EXPECT_EQ(s.modbus.decimals, 6);

    config.scaleProtocol = int(IndicatorProtocol::ModbusRtu);
    config.scaleConnection = 1; // RTU is the serial port whatever this says
    config.modbusParity = 1;
    s = ScaleLinkSettings::FromConfig(config);
    EXPECT_EQ(s.connection, ScaleLinkSettings::Serial);
    EXPECT_EQ(s.modbus.parity, ModbusSettings::EvenParity);

    config.scaleProtocol = int(IndicatorProtocol::Sics);
    EXPECT_EQ(ScaleLinkSettings::FromConfig(config).connection, ScaleLinkSettings::Ethernet);
}

// ---------------------------------------------------------------------------
// The link against servers inside the test.

// A free local port (nothing tells which port a Modbus server bound to).
quint16 FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QModbusDataUnitMap RegisterMap()
{
    QModbusDataUnitMap map;
    map.insert(QModbusDataUnit::HoldingRegisters, {QModbusDataUnit::HoldingRegisters, 0, 200});
    map.insert(QModbusDataUnit::InputRegisters, {QModbusDataUnit::InputRegisters, 0, 200});
    return map;
}

class TestTcpServer {
public:
    bool Start(quint16 port = 0)
    {
        port_ = port ? port : (port_ ? port_ : FreePort());
        server_.setMap(RegisterMap());
        server_.setServerAddress(1);
        server_.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        server_.setConnectionParameter(QModbusDevice::NetworkPortParameter, port_);
        return port_ != 0 && server_.connectDevice();
    }
    void Stop() { server_.disconnectDevice(); }
    quint16 Port() const { return port_; }
    void SetHolding(int address, quint16 value) { server_.setData(QModbusDataUnit::HoldingRegisters, address, value); }
    void SetInput(int address, quint16 value) { server_.setData(QModbusDataUnit::InputRegisters, address, value); }

private:
    QModbusTcpServer server_;
    quint16 port_ = 0;
};

// Everything the link says, recorded.
struct LinkRecorder {
    explicit LinkRecorder(ModbusScaleLink &link)
    {
        QObject::connect(&link, &ModbusScaleLink::frameRead, [this](const QByteArray &r, const IndicatorFrame &f) {
            raw << r;
            frames << f;
        });
        QObject::connect(&link, &ModbusScaleLink::requestSent, [this](const QByteArray &pdu) { requests << pdu; });
        QObject::connect(&link, &ScaleLink::opened, [this] { ++opened; });
        QObject::connect(&link, &ScaleLink::failed, [this](const QString &reason) { failures << reason; });
        QObject::connect(&link, &ScaleLink::bytesArrived, [this](const QByteArray &) { ++byteChunks; });
    }
    QList<QByteArray> raw;
    QList<IndicatorFrame> frames;
    QList<QByteArray> requests;
    QStringList failures;
    int opened = 0;
    int byteChunks = 0;
};

ModbusSettings PollSettings(int format, int weightRegister, int pollMs = 100)
{
    ModbusSettings s = Settings(format, ModbusSettings::HighWordFirst, 1.0, 2);
    s.weightRegister = weightRegister;
    s.pollMs = pollMs;
    return s;
}

class ModbusLinkTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApp(); }
};

TEST_F(ModbusLinkTest, TcpPollsWeightAndStatusAndFollowsChanges)
{
    TestTcpServer server;
    ASSERT_TRUE(server.Start());
    server.SetHolding(10, 0x0001); // 65536 + 2 = 65538 -> 655.38
    server.SetHolding(11, 0x0002);
    server.SetHolding(50, 0x0004); // a separate status register, bit 2 = stable
    ModbusSettings s = PollSettings(ModbusSettings::Int32, 10);
    s.statusRegister = 50;
    s.stableBit = 2;
    auto link = ModbusScaleLink::Tcp("127.0.0.1", server.Port(), s);
    LinkRecorder r(*link);
    link->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.frames.isEmpty() || !r.failures.isEmpty(); }, kWaitMs));
    ASSERT_TRUE(r.failures.isEmpty()) << r.failures.join(';').toStdString();
    EXPECT_TRUE(link->IsOpen());
    EXPECT_TRUE(link->IsSocket());
    EXPECT_EQ(r.opened, 1);

    const IndicatorFrame first = r.frames.first();
    EXPECT_EQ(first.kind, Kind::Weight);
    EXPECT_EQ(first.weightText, "655.38");
    EXPECT_EQ(first.stability, Stability::Stable);
    // Weight request, then status request; raw holds both replies.
    ASSERT_GE(r.requests.size(), 2);
    EXPECT_EQ(r.requests[0], QByteArray("\x03\x00\x0A\x00\x02", 5));
    EXPECT_EQ(r.requests[1], QByteArray("\x03\x00\x32\x00\x01", 5));
    EXPECT_EQ(r.raw.first(), QByteArray("\x03\x04\x00\x01\x00\x02\x03\x02\x00\x04", 10));

    // The indicator's value changes and it starts moving: the next polls say so.
    server.SetHolding(10, 0xFFFF);
    server.SetHolding(11, 0xFF9C); // -100 -> -1.00
    server.SetHolding(50, 0x0000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.frames.last().weightText == "-1.00"; }, kWaitMs));
    EXPECT_EQ(r.frames.last().stability, Stability::Moving);
    EXPECT_EQ(r.byteChunks, 0); // the byte-stream path never sees Modbus
    EXPECT_TRUE(r.failures.isEmpty());
}

TEST_F(ModbusLinkTest, TcpExceptionReplyGivesErrorFrame)
{
    TestTcpServer server;
    ASSERT_TRUE(server.Start());
    ModbusSettings s = PollSettings(ModbusSettings::UInt16, 500); // beyond the server's registers
    s.registerKind = ModbusSettings::Input;
    auto link = ModbusScaleLink::Tcp("127.0.0.1", server.Port(), s);
    LinkRecorder r(*link);
    link->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.frames.isEmpty() || !r.failures.isEmpty(); }, kWaitMs));
    ASSERT_FALSE(r.frames.isEmpty()) << r.failures.join(';').toStdString();
    EXPECT_EQ(r.requests.first(), QByteArray("\x04\x01\xF4\x00\x01", 5));
    EXPECT_EQ(r.frames.first().kind, Kind::Error);
    EXPECT_EQ(r.frames.first().note, "Modbus exception 02 (illegal data address)");
    EXPECT_EQ(r.raw.first(), QByteArray("\x84\x02", 2));
    // An exception is an answer: the link stays up and keeps asking.
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.frames.size() >= 3; }, kWaitMs));
    EXPECT_TRUE(link->IsOpen());
    EXPECT_TRUE(r.failures.isEmpty());

    // Fixed in the indicator: weights come through.
    ModbusSettings fixed = s;
    fixed.weightRegister = 5;
    server.SetInput(5, 250);
    auto good = ModbusScaleLink::Tcp("127.0.0.1", server.Port(), fixed);
    LinkRecorder g(*good);
    good->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !g.frames.isEmpty(); }, kWaitMs));
    EXPECT_EQ(g.frames.first().weightText, "2.50");
    EXPECT_EQ(g.frames.first().stability, Stability::Unknown);
}

// Accepts connections and reads the requests but never answers; notes when each arrives.
class SilentServer {
public:
    bool Listen()
    {
        clock_.start();
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *s = server_.nextPendingConnection())
                QObject::connect(s, &QIODevice::readyRead, [this, s] { Arrived(s->readAll().size()); });
        });
        return server_.listen(QHostAddress::LocalHost, 0);
    }
    quint16 Port() const { return server_.serverPort(); }
    const QList<qint64> &Arrivals() const { return arrivals_; }

private:
    // A read-registers request is 12 bytes with the TCP header; two in one read arrive together.
    void Arrived(qint64 bytes)
    {
        bytes_ += bytes;
        while (bytes_ >= 12) {
            bytes_ -= 12;
            arrivals_ << clock_.elapsed();
        }
    }

    QTcpServer server_;
    QElapsedTimer clock_;
    qint64 bytes_ = 0;
    QList<qint64> arrivals_;
};

TEST_F(ModbusLinkTest, SilentServerGivesNoFramesAndNoPileUpOfRequests)
{
    SilentServer server;
    ASSERT_TRUE(server.Listen());
    constexpr int kPollMs = 100;
    auto link = ModbusScaleLink::Tcp("127.0.0.1", server.Port(), PollSettings(ModbusSettings::Int32, 0, kPollMs));
    LinkRecorder r(*link);
    link->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return link->IsOpen(); }, kWaitMs));

    QElapsedTimer clock;
    clock.start();
    QTest::qWait(kPollMs * 15);
    const qint64 elapsed = clock.elapsed();
    const QList<qint64> arrivals = server.Arrivals();
    // Each request waits out its time-out before the next: at most one per
    // interval, and never two close together.
    EXPECT_LE(arrivals.size(), elapsed / kPollMs + 2);
    EXPECT_EQ(r.requests.size(), arrivals.size());
    for (qsizetype i = 1; i < arrivals.size(); ++i)
        EXPECT_GE(arrivals[i] - arrivals[i - 1], kPollMs / 4) << "request " << i;
    EXPECT_GE(arrivals.size(), 3); // it keeps asking after each time-out
    EXPECT_TRUE(r.frames.isEmpty());
    EXPECT_TRUE(r.failures.isEmpty()); // silence is not a broken connection
    EXPECT_TRUE(link->IsOpen());
}

TEST_F(ModbusLinkTest, ServerDownFailsAndControllerRecovers)
{
    // Nobody listens: the link fails with a reason naming the address.
    const quint16 port = FreePort();
    ASSERT_NE(port, 0);
    auto lone = ModbusScaleLink::Tcp("127.0.0.1", port, PollSettings(ModbusSettings::Int16, 0));
    LinkRecorder lr(*lone);
    lone->Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lr.failures.isEmpty(); }, kWaitMs));
    EXPECT_EQ(lr.failures,
              QStringList{QStringLiteral("Nie można połączyć z urządzeniem Modbus (127.0.0.1:%1)").arg(port)});
    EXPECT_FALSE(lone->IsOpen());

    // Through the controller with its own factory, from konfig.ini keys.
    ProgramConfig config;
    config.scaleProtocol = int(IndicatorProtocol::ModbusTcp);
    config.scaleIpAddress = "127.0.0.1";
    config.scaleIpPort = port;
    config.scaleRequestMs = 100;
    config.modbusFormat = ModbusSettings::UInt16;
    config.modbusRegister = 3;
    config.modbusDecimals = 0;
    ScaleLinkController c;
    c.SetRetryInterval(200);
    int chunks = 0;
    QObject::connect(&c, &ScaleLinkController::bytesReceived, [&](const QByteArray &, bool) { ++chunks; });
    c.Apply(ScaleLinkSettings::FromConfig(config));
    auto *link = qobject_cast<ModbusScaleLink *>(c.Link());
    ASSERT_NE(link, nullptr);
    QList<QByteArray> weights;
    QObject::connect(link, &ModbusScaleLink::frameRead,
                     [&](const QByteArray &, const IndicatorFrame &f) { weights << f.weightText; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsRetrying(); }, kWaitMs));
    EXPECT_EQ(c.StatusText(), "brak połączenia");

    TestTcpServer server;
    ASSERT_TRUE(server.Start(port));
    server.SetHolding(3, 1234);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsOpen() && !weights.isEmpty(); }, kWaitMs))
        << c.LastError().toStdString();
    EXPECT_EQ(c.StatusText(), QStringLiteral("IP 127.0.0.1, port %1").arg(port));
    EXPECT_EQ(weights.first(), "1234");

    // The server goes away: the controller shows it and retries.
    server.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.IsOpen(); }, kWaitMs));
    EXPECT_EQ(c.StatusText(), "brak połączenia");
    EXPECT_EQ(c.LastError(), QStringLiteral("Urządzenie Modbus zamknęło połączenie (127.0.0.1:%1)").arg(port));

    // And comes back: weights flow again on the same link.
    ASSERT_TRUE(server.Start(port));
    server.SetHolding(3, 77);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.IsOpen() && weights.last() == "77"; }, kWaitMs));
    EXPECT_EQ(c.Link(), link);
    EXPECT_EQ(chunks, 0);
}

TEST_F(ModbusLinkTest, ReopenedAtOnceAfterCloseConnectsAgain)
{
    TestTcpServer server;
    ASSERT_TRUE(server.Start());
    server.SetHolding(0, 42);
    auto link = ModbusScaleLink::Tcp("127.0.0.1", server.Port(), PollSettings(ModbusSettings::UInt16, 0));
    LinkRecorder r(*link);
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        link->Open(); // closes what is open first
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.opened == round || !r.failures.isEmpty(); }, kWaitMs));
        ASSERT_TRUE(r.failures.isEmpty()) << r.failures.join(';').toStdString();
        const qsizetype before = r.frames.size();
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.frames.size() > before; }, kWaitMs));
        EXPECT_EQ(r.frames.last().weightText, "0.42");
    }
    link->Close();
    QTest::qWait(200);
    EXPECT_TRUE(r.failures.isEmpty()); // closing on purpose is quiet
    EXPECT_FALSE(link->IsOpen());
}

TEST_F(ModbusLinkTest, RtuRefusesMissingDeviceAndImpossibleRegister)
{
    auto missing = ModbusScaleLink::Rtu("/nonexistent/ttyModbus", 9600, PollSettings(ModbusSettings::Int16, 0));
    LinkRecorder m(*missing);
    missing->Open();
    EXPECT_EQ(m.failures, QStringList{"Urządzenie nie istnieje (/nonexistent/ttyModbus)"});
    EXPECT_FALSE(missing->IsOpen());

    auto nul = ModbusScaleLink::Rtu(QStringLiteral("/dev/null") + QChar(0) + "x", 9600,
                                    PollSettings(ModbusSettings::Int16, 0));
    LinkRecorder n(*nul);
    nul->Open();
    EXPECT_EQ(n.failures, QStringList{"Nazwa urządzenia zawiera niedozwolone znaki"});

    auto beyond = ModbusScaleLink::Tcp("127.0.0.1", 502, PollSettings(ModbusSettings::Float32, 65535));
    LinkRecorder b(*beyond);
    beyond->Open();
    EXPECT_EQ(b.failures, QStringList{"Rejestr wagi poza zakresem adresów Modbus"});
}

// Two pseudo-terminals joined by socat: one end for the server, one for the link.
class PtyPair {
public:
    bool Start(const QString &dir)
    {
        const QString socat = QStandardPaths::findExecutable("socat");
        if (socat.isEmpty())
            return false;
        a_ = dir + "/a";
        b_ = dir + "/b";
        process_.start(socat, {"pty,raw,echo=0,link=" + a_, "pty,raw,echo=0,link=" + b_});
        return QTest::qWaitFor([&] { return QFileInfo::exists(a_) && QFileInfo::exists(b_); }, kWaitMs);
    }
    ~PtyPair() { Stop(); }
    void Stop()
    {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    QString A() const { return QFileInfo(a_).canonicalFilePath(); }
    QString B() const { return QFileInfo(b_).canonicalFilePath(); }

private:
    QProcess process_;
    QString a_, b_;
};

TEST_F(ModbusLinkTest, RtuOverPseudoTerminalsReadsWeightWithParity)
{
    if (QStandardPaths::findExecutable("socat").isEmpty())
        GTEST_SKIP() << "socat is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PtyPair pair;
    ASSERT_TRUE(pair.Start(dir.path()));

    QModbusRtuSerialServer server;
    server.setMap(RegisterMap());
    server.setServerAddress(7);
    server.setConnectionParameter(QModbusDevice::SerialPortNameParameter, pair.A());
    server.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 19200);
    server.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::EvenParity);
    ASSERT_TRUE(server.connectDevice()) << server.errorString().toStdString();
    server.setData(QModbusDataUnit::HoldingRegisters, 20, 0x4148); // 12.5f
    server.setData(QModbusDataUnit::HoldingRegisters, 21, 0x0000);
    server.setData(QModbusDataUnit::HoldingRegisters, 22, 0x0001); // status right after: one request

    ModbusSettings s = PollSettings(ModbusSettings::Float32, 20, 200);
    s.scale = 1.0;
    s.decimals = 1;
    s.unit = 7;
    s.parity = ModbusSettings::EvenParity;
    s.statusRegister = 22;
    s.stableBit = 0;
    auto link = ModbusScaleLink::Rtu(pair.B(), 19200, s);
    LinkRecorder r(*link);
    link->Open();
    ASSERT_TRUE(link->IsOpen()) << r.failures.join(';').toStdString();
    EXPECT_FALSE(link->IsSocket());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.frames.isEmpty(); }, kWaitMs));
    EXPECT_EQ(r.frames.first().kind, Kind::Weight);
    EXPECT_EQ(r.frames.first().weightText, "12.5");
    EXPECT_EQ(r.frames.first().stability, Stability::Stable);
    EXPECT_EQ(r.requests.first(), QByteArray("\x03\x00\x14\x00\x03", 5));

    // A unit that is not there: time-outs, no frames, the port stays open.
    server.setServerAddress(8);
    QTest::qWait(400); // let a poll in flight finish
    const qsizetype framesBefore = r.frames.size();
    QTest::qWait(1000);
    EXPECT_EQ(r.frames.size(), framesBefore);
    EXPECT_TRUE(link->IsOpen());
    EXPECT_TRUE(r.failures.isEmpty());

    // The device goes away: one failure naming it.
    const QString device = pair.B();
    pair.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.failures.isEmpty(); }, kWaitMs));
    QTest::qWait(300);
    EXPECT_EQ(r.failures, QStringList{"Urządzenie zostało odłączone (" + device + ")"});
    EXPECT_FALSE(link->IsOpen());
}

} // namespace
