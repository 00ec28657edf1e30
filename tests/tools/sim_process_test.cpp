// The simulator as a process: answering requests over a pseudo-terminal and
// TCP, keeping frames whole among junk, and serving Modbus TCP and RTU.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QModbusDataUnit>
#include <QModbusReply>
#include <QModbusRtuSerialClient>
#include <QModbusTcpClient>
#include <QProcess>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr int kWaitMs = 20000;  // the build machine is slow and shared
// How long a silent peer is watched to say "nothing came".
constexpr int kQuietMs = 700;

void EnsureApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tools_tests";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

// A running simulator; `where` is what it announced after "PTY " or "TCP ".
struct Sim {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString where;

    explicit Sim(const QStringList &args)
    {
        EnsureApp();
        process->start(QStringLiteral(POMIARY_BIN_DIR) + "/scale-sim", args);
        if (!process->waitForStarted(kWaitMs) ||
            !QTest::qWaitFor([this] { return process->canReadLine(); }, kWaitMs))
            return;
        where = QString::fromLatin1(process->readLine().trimmed()).section(' ', 1);
    }
    ~Sim()
    {
        process->terminate();
        process->waitForFinished(kWaitMs);
    }
};

// Bytes a peer receives, collected as they come.
template <typename Device> struct Peer {
    Device *device;
    QByteArray bytes;

    explicit Peer(Device *d) : device(d)
    {
        QObject::connect(d, &QIODevice::readyRead, [this] { bytes += device->readAll(); });
    }
    // Sends `request` and returns everything up to and including `end` (or what came by the time-out).
    QByteArray Ask(const QByteArray &request, const QByteArray &end = "\r\n")
    {
        bytes.clear();
        device->write(request);
        (void)QTest::qWaitFor([&] { return bytes.contains(end); }, kWaitMs);  // the caller checks what came
        const qsizetype at = bytes.indexOf(end);
        const QByteArray answer = at < 0 ? bytes : bytes.left(at + end.size());
        bytes.remove(0, answer.size());
        return answer;
    }
    bool QuietFor(int ms)
    {
        QTest::qWait(ms);
        return bytes.isEmpty();
    }
};

TEST(SimProcess, AnswersRequestsOverPseudoTerminal)
{
    Sim sim({"--pty", "--format", "sics", "--cycle", "fixed=12.34", "--interval-ms", "50", "--no-answer-after", "3"});
    ASSERT_TRUE(sim.where.startsWith("/dev/")) << sim.where.toStdString();
    QSerialPort port;
    port.setPortName(sim.where);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    Peer<QSerialPort> peer(&port);
    EXPECT_TRUE(peer.QuietFor(kQuietMs)) << "request mode sends nothing unasked";
    EXPECT_EQ(peer.Ask("SI\r\n").toStdString(), "S S      12.34 kg\r\n");
    EXPECT_EQ(peer.Ask("S\r").toStdString(), "S S      12.34 kg\r\n");
    EXPECT_EQ(peer.Ask("\nW\r").toStdString(), "ES\r\n");
    // The fourth request is past --no-answer-after.
    port.write("SI\r\n");
    EXPECT_TRUE(peer.QuietFor(kQuietMs));
}

TEST(SimProcess, AnswersEachTcpClientApart)
{
    struct Case {
        QStringList args;
        QByteArray request;
        QByteArray end;
        QByteArray expected;
    };
    const Case cases[] = {
        {{"--format", "sma", "--cycle", "fixed=-2.5", "--decimals", "1"}, "\nW\r", "\r", "\n 1G        -2.5kg \r"},
        {{"--format", "sma", "--net"}, "W\r", "\r", "\nZ1N        0.00kg \r"},
        {{"--format", "si", "--cycle", "fixed=7"}, "SI\r\n", "\r\n", "SI          7.00 kg \r\n"},
        {{"--format", "sics", "--cycle", "fixed=1", "--unit", "g", "--decimals", "0"}, "SI\r\n", "\r\n",
         "S S          1 g\r\n"},
    };
    for (const Case &c : cases) {
        Sim sim(QStringList{"--tcp", "0", "--interval-ms", "50"} + c.args);
        ASSERT_FALSE(sim.where.isEmpty());
        QTcpSocket socket;
        socket.connectToHost("127.0.0.1", quint16(sim.where.toInt()));
        ASSERT_TRUE(socket.waitForConnected(kWaitMs));
        Peer<QTcpSocket> peer(&socket);
        EXPECT_EQ(peer.Ask(c.request, c.end).toStdString(), c.expected.toStdString()) << c.args.join(' ').toStdString();
    }

    // C1 turns on continuous output for the client that asked, not for the other one.
    Sim sim({"--tcp", "0", "--format", "si", "--cycle", "fixed=3", "--interval-ms", "50"});
    QTcpSocket asking, other;
    asking.connectToHost("127.0.0.1", quint16(sim.where.toInt()));
    other.connectToHost("127.0.0.1", quint16(sim.where.toInt()));
    ASSERT_TRUE(asking.waitForConnected(kWaitMs) && other.waitForConnected(kWaitMs));
    Peer<QTcpSocket> a(&asking), o(&other);
    EXPECT_EQ(a.Ask("C1\r\n").toStdString(), "C1 A\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.bytes.count("SI          3.00 kg \r\n") >= 3; }, kWaitMs));
    EXPECT_TRUE(o.bytes.isEmpty());
    // Frames already on their way come before the acknowledgement; none after it.
    asking.write("C0\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.bytes.contains("C0 A\r\n"); }, kWaitMs));
    QTest::qWait(kQuietMs);
    EXPECT_TRUE(a.bytes.endsWith("C0 A\r\n")) << a.bytes.right(40).toStdString();
}

TEST(SimProcess, AnswerDelayHoldsTheAnswerBack)
{
    Sim sim({"--tcp", "0", "--format", "sics", "--cycle", "fixed=1", "--answer-delay-ms", "400"});
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", quint16(sim.where.toInt()));
    ASSERT_TRUE(socket.waitForConnected(kWaitMs));
    Peer<QTcpSocket> peer(&socket);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(peer.Ask("SI\r\n").toStdString(), "S S       1.00 kg\r\n");
    EXPECT_GE(t.elapsed(), 350);
}

TEST(SimProcess, ContinuousToledoAmongJunkKeepsEveryFrameWhole)
{
    Sim sim({"--tcp", "0", "--format", "toledo", "--checksum", "--cycle", "fixed=81.5", "--decimals", "1",
             "--garbage", "0.5", "--seed", "11", "--interval-ms", "20"});
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", quint16(sim.where.toInt()));
    ASSERT_TRUE(socket.waitForConnected(kWaitMs));
    Peer<QTcpSocket> peer(&socket);
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.bytes.count('\x02') >= 21; }, kWaitMs));
    const QList<QByteArray> parts = peer.bytes.split('\x02');
    int junk = 0;
    // The first part is before the first frame; the last may be cut short.
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        const QByteArray frame = "\x02" + parts[i].left(17);
        EXPECT_EQ(frame.toStdString(), std::string("\x02+0 000815000000\r") + frame.right(1).toStdString());
        int sum = 0;
        for (const char ch : frame)
            sum += ch & 0x7F;
        EXPECT_EQ(sum & 0x7F, 0);
        junk += parts[i].size() > 17 ? 1 : 0;
    }
    EXPECT_GT(junk, 2) << "half the frames should carry junk after them";
    EXPECT_LT(junk, 18);
}

// Reads `count` registers from a Modbus client; empty on failure.
QList<quint16> ReadRegisters(QModbusClient &client, QModbusDataUnit::RegisterType type, int start, int count,
                             int unit)
{
    QModbusReply *reply = client.sendReadRequest(QModbusDataUnit(type, start, quint16(count)), unit);
    if (!reply)
        return {};
    (void)QTest::qWaitFor([reply] { return reply->isFinished(); }, kWaitMs);
    QList<quint16> values;
    if (reply->isFinished() && reply->error() == QModbusDevice::NoError)
        values = reply->result().values();
    reply->deleteLater();
    return values;
}

bool Connect(QModbusClient &client)
{
    client.setTimeout(3000);
    client.setNumberOfRetries(2);
    return client.connectDevice() &&
           QTest::qWaitFor([&] { return client.state() == QModbusDevice::ConnectedState; }, kWaitMs);
}

TEST(SimModbus, TcpServerServesWeightAndStatus)
{
    EnsureApp();
    QTemporaryDir dir;
    QFile script(dir.filePath("moving.txt"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("-4.2 1000 US\n");
    script.close();
    QFile over(dir.filePath("over.txt"));
    ASSERT_TRUE(over.open(QIODevice::WriteOnly));
    over.write("OVER 1000\n");
    over.close();

    using T = QModbusDataUnit::RegisterType;
    struct Case {
        QStringList args;
        T table;
        int start;
        int unit;
        QList<quint16> expected;  // weight words, then the status register
    };
    const Case cases[] = {
        {{"--cycle", "fixed=12.34"}, T::HoldingRegisters, 0, 1, {0, 1234, 1}},
        {{"--cycle", "fixed=12.34", "--modbus-word-order", "low", "--modbus-register", "10", "--modbus-unit", "5"},
         T::InputRegisters, 10, 5, {1234, 0, 1}},
        {{"--cycle", "fixed=12.5", "--modbus-format", "float32", "--net"}, T::HoldingRegisters, 0, 1,
         {0x4148, 0, 1 | 8}},
        {{"--script", script.fileName(), "--modbus-format", "int16", "--modbus-decimals", "1",
          "--modbus-status-register", "1"},
         T::HoldingRegisters, 0, 1, {quint16(-42), 0}},
        {{"--script", over.fileName()}, T::InputRegisters, 0, 1, {0, 0, 2}},
    };
    for (const Case &c : cases) {
        const std::string name = c.args.join(' ').toStdString();
        Sim sim(QStringList{"--tcp", "0", "--format", "modbus", "--bind", "127.0.0.1", "--interval-ms", "50"} +
                c.args);
        ASSERT_FALSE(sim.where.isEmpty()) << name;
        QModbusTcpClient client;
        client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "127.0.0.1");
        client.setConnectionParameter(QModbusDevice::NetworkPortParameter, sim.where.toInt());
        ASSERT_TRUE(Connect(client)) << name;
        EXPECT_EQ(ReadRegisters(client, c.table, c.start, int(c.expected.size()), c.unit), c.expected) << name;
        // Another unit's request gets no answer.
        client.setTimeout(500);
        client.setNumberOfRetries(0);
        EXPECT_TRUE(ReadRegisters(client, c.table, c.start, 1, c.unit + 1).isEmpty()) << name;
        client.disconnectDevice();
    }
}

TEST(SimModbus, RtuOverPseudoTerminalPair)
{
    Sim sim({"--pty", "--format", "modbus", "--cycle", "fixed=250.75", "--modbus-unit", "3", "--modbus-format",
             "uint32", "--interval-ms", "50"});
    ASSERT_TRUE(sim.where.startsWith("/dev/")) << sim.where.toStdString();
    QModbusRtuSerialClient client;
    client.setConnectionParameter(QModbusDevice::SerialPortNameParameter, sim.where);
    client.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, QSerialPort::Baud19200);
    ASSERT_TRUE(Connect(client)) << client.errorString().toStdString();
    // 25075 in two words, high first, then the stable bit.
    EXPECT_EQ(ReadRegisters(client, QModbusDataUnit::HoldingRegisters, 0, 3, 3), (QList<quint16>{0, 25075, 1}));
    EXPECT_EQ(ReadRegisters(client, QModbusDataUnit::InputRegisters, 1, 2, 3), (QList<quint16>{25075, 1}));
    client.disconnectDevice();
}

}  // namespace
