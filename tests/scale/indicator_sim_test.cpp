// The program's side of each indicator family against the simulator's real
// bytes, over a pseudo-terminal and TCP: request mode, detection, Modbus and
// automatic adding that waits for the indicator's stable mark.

#include "support/core_app.h"
#include "core/clock.h"
#include "core/program_config.h"
#include "scale/auto_add.h"
#include "scale/protocol_detector.h"
#include "scale/protocol_settings.h"
#include "scale/scale_input.h"
#include "scale/scale_link.h"
#include "scale/scale_protocol.h"
#include "support/wait_for.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;  // the build machine is slow and shared

// One running simulator; it stops with the object.
class Sim {
public:
    // `way`: {"--pty", "--link", path} or {"--tcp", "0"}.
    explicit Sim(const QStringList &args)
    {
        process_.start(QStringLiteral(POMIARY_BIN_DIR) + "/scale-sim", args);
        if (!process_.waitForStarted(kWaitMs) || !WaitFor([this] { return process_.canReadLine(); }, kWaitMs))
            return;
        announce_ = process_.readLine().trimmed();
    }
    ~Sim()
    {
        process_.terminate();
        process_.waitForFinished(kWaitMs);
    }
    bool Ok() const { return !announce_.isEmpty(); }
    int TcpPort() const { return announce_.startsWith("TCP ") ? announce_.mid(4).toInt() : 0; }

private:
    QProcess process_;
    QByteArray announce_;
};

// A station's scale side: link, protocol and display, as the main window wires them.
struct Station {
    explicit Station(const ProgramConfig &config)
    {
        EnsureApp();
        link.SetRetryInterval(200);
        protocol.SetWriter([this](const QByteArray &bytes) {
            ++requests;
            return link.Write(bytes);
        });
        QObject::connect(&link, &ScaleLinkController::bytesReceived, &protocol, &ScaleProtocol::OnBytes);
        QObject::connect(&link, &ScaleLinkController::frameReceived, &protocol, &ScaleProtocol::OnFrame);
        QObject::connect(&link, &ScaleLinkController::linkOpened, &protocol, &ScaleProtocol::OnLinkOpened);
        QObject::connect(&link, &ScaleLinkController::linkDown, &protocol, [this] {
            protocol.OnLinkDown();
            input.ShowNoReading();
        });
        input.SetMaxMass(config.maxMass);
        protocol.Apply(ProtocolSettings::FromConfig(config), false);
        link.Apply(ScaleLinkSettings::FromConfig(config));
    }
    const QByteArray &Shown() const { return input.Reading().displayText; }
    bool Shows(const QByteArray &text, int ms = kWaitMs) const
    {
        return WaitFor([&] { return Shown() == text; }, ms);
    }

    SystemClock clock;
    ScaleInput input{clock, nullptr};
    ScaleLinkController link;
    ScaleProtocol protocol{input};
    int requests = 0;
};

ProgramConfig SerialConfig(const QString &device, IndicatorProtocol protocol, const QByteArray &request = {})
{
    ProgramConfig c;
    c.scaleDevice = device.toLocal8Bit();
    c.scalePort.rate = br9600;
    c.scaleProtocol = int(protocol);
    c.scaleRequest = request;
    c.scaleRequestMs = 100;
    return c;
}

ProgramConfig TcpConfig(int port, IndicatorProtocol protocol, const QByteArray &request = {})
{
    ProgramConfig c = SerialConfig({}, protocol, request);
    c.scaleConnection = 1;
    c.scaleIpPort = port;
    return c;
}

class IndicatorSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApp();
        ASSERT_TRUE(QFile::exists(QStringLiteral(POMIARY_BIN_DIR) + "/scale-sim")) << "build scale-sim first";
        ASSERT_TRUE(dir.isValid());
    }
    QString Link() const { return dir.filePath("ttyScale"); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(IndicatorSimTest, RequestModeAsksOneAtATimeAndShowsSilenceOverPtyAndTcp)
{
    for (const bool tcp : {false, true}) {
        SCOPED_TRACE(tcp ? "tcp" : "pty");
        const QStringList way = tcp ? QStringList{"--tcp", "0"} : QStringList{"--pty", "--link", Link()};
        auto sim = std::make_unique<Sim>(way + QStringList{"--format", "si", "--cycle", "fixed=12.5",
                                                           "--no-answer-after", "10"});
        ASSERT_TRUE(sim->Ok());
        const int port = sim->TcpPort();
        const ProgramConfig config = tcp ? TcpConfig(port, IndicatorProtocol::SiFamily, "SI\\r\\n")
                                         : SerialConfig(Link(), IndicatorProtocol::SiFamily, "SI\\r\\n");
        Station st(config);
        QElapsedTimer t;
        t.start();
        ASSERT_TRUE(st.Shows("12.50"));
        // The simulator answers ten requests, then falls silent: the display
        // says so within the three seconds, and the program goes on asking
        // once per interval, never faster.
        ASSERT_TRUE(st.Shows("- - - - -", ScaleProtocol::kNoAnswerMs + 5000));
        EXPECT_GE(st.protocol.MissedAnswers(), 1);
        EXPECT_LE(st.requests, t.elapsed() / 100 + 2);
        EXPECT_TRUE(st.link.IsOpen());

        // The indicator comes back (a new simulator on the same device or port).
        sim.reset();
        sim = std::make_unique<Sim>((tcp ? QStringList{"--tcp", QString::number(port)} : way) +
                                    QStringList{"--format", "si", "--cycle", "fixed=7.25"});
        ASSERT_TRUE(sim->Ok());
        EXPECT_TRUE(st.Shows("7.25"));
    }
}

TEST_F(IndicatorSimTest, DetectionFindsEachFamilyWithinTenSeconds)
{
    struct Case {
        QStringList args;
        IndicatorProtocol expected;
    };
    const Case cases[] = {
        {{"--format", "toledo", "--checksum"}, IndicatorProtocol::ToledoContinuous},
        {{"--format", "sma"}, IndicatorProtocol::Sma},
        {{"--format", "sics"}, IndicatorProtocol::Sics},
        {{"--format", "si"}, IndicatorProtocol::SiFamily},
        {{"--format", "header"}, IndicatorProtocol::Standard},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        Sim sim(QStringList{"--pty", "--link", Link(), "--cycle", "fixed=12.5", "--interval-ms", "50"} + c.args);
        ASSERT_TRUE(sim.Ok());
        ProtocolDetector detector(ProtocolDetector::RealLinks(),
                                  ScaleLinkSettings::FromConfig(SerialConfig(Link(), IndicatorProtocol::Standard)),
                                  IndicatorDecoders());
        std::optional<DetectionResult> result;
        QObject::connect(&detector, &ProtocolDetector::finished,
                         [&](const DetectionResult &r) { result = r; });
        QElapsedTimer t;
        t.start();
        detector.Start();
        ASSERT_TRUE(WaitFor([&] { return result.has_value(); }, 15000));
        EXPECT_LE(t.elapsed(), 10500);
        EXPECT_TRUE(result->found);
        EXPECT_EQ(result->protocol, c.expected);
        EXPECT_EQ(result->request, UsualRequest(c.expected));
    }
}

TEST_F(IndicatorSimTest, ModbusFromTheSimulatorsServerOverTcpAndRtu)
{
    for (const bool tcp : {true, false}) {
        SCOPED_TRACE(tcp ? "tcp" : "rtu");
        Sim sim((tcp ? QStringList{"--tcp", "0"} : QStringList{"--pty", "--link", Link()}) +
                QStringList{"--format", "modbus", "--cycle", "fixed=-12.5", "--modbus-register", "10"});
        ASSERT_TRUE(sim.Ok());
        ProgramConfig config = tcp ? TcpConfig(sim.TcpPort(), IndicatorProtocol::ModbusTcp)
                                   : SerialConfig(Link(), IndicatorProtocol::ModbusRtu);
        config.modbusRegister = 10;
        config.modbusStatusRegister = 12;  // the simulator's status: bit 0 stable
        config.modbusParity = 0;
        Station st(config);
        ASSERT_TRUE(st.Shows("-12.50"));
        EXPECT_EQ(st.input.Reading().stability, IndicatorFrame::Stability::Stable);
        EXPECT_EQ(st.requests, 0);  // Modbus polls in its own link
    }
}

TEST_F(IndicatorSimTest, AutomaticAddingWaitsForTheIndicatorsStableMark)
{
    // A load that settles by the numbers but is never marked stable adds
    // nothing; the same load marked stable is added once.
    for (const bool marked : {false, true}) {
        SCOPED_TRACE(marked ? "stable" : "moving");
        QFile script(dir.filePath(marked ? "stable.txt" : "moving.txt"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(marked ? "60 40 ST\n" : "60 40 US\n");
        script.close();
        Sim sim({"--pty", "--link", Link(), "--format", "sics", "--script", script.fileName(), "--interval-ms", "20"});
        ASSERT_TRUE(sim.Ok());
        Station st(SerialConfig(Link(), IndicatorProtocol::Sics, "SI\\r\\n"));
        AutoAdd autoAdd;  // minimum 50, criterion 10, mode 0
        st.input.SetAutoAdd(true, 0);
        st.input.SetAutoAddDecider([&](const QByteArray &previous, double value, bool moving) {
            return autoAdd.Decide(previous.toDouble(), value, false, moving) == AutoAddAction::Add
                       ? ScaleInput::AutoAddDecision::Add
                       : ScaleInput::AutoAddDecision::None;
        });
        int adds = 0;
        QObject::connect(&st.input, &ScaleInput::addRequested, [&] { ++adds; });
        ASSERT_TRUE(st.Shows("60.00"));
        const int before = st.requests;
        ASSERT_TRUE(WaitFor([&] { return st.requests >= before + 15; }, kWaitMs));
        EXPECT_EQ(adds, marked ? 1 : 0);
    }
}
