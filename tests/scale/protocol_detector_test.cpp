// Protocol detection against a pretend scale (fake link) and stand-in
// decoders: which rates are tried, a scale that talks by itself, one that
// only answers its own request, nothing to find, and cancelling; then the
// real decoders, and the simulator over a real pseudo-terminal and TCP.

#include "support/core_app.h"
#include "detection_fakes.h"
#include "scale/protocol_detector.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtCore/qtestsupport_core.h>

#include <optional>

using namespace detection_fakes;

namespace {

constexpr int kWaitMs = 30000;

struct DetectionRun {
    std::optional<DetectionResult> result;
    int finishedCount = 0;
    qint64 elapsedMs = 0;
    QList<int> listenedAt;
};

// Runs a detection to its end (or kWaitMs) and leaves the links' record in `record`.
DetectionRun Detect(const Scale &scale, const ScaleLinkSettings &settings, Record &record,
                    ProtocolDetector::Timing timing = QuickTiming())
{
    DetectionRun run;
    ProtocolDetector d(LinksTo(scale, record), settings, TagDecoders);
    d.SetTiming(timing);
    QObject::connect(&d, &ProtocolDetector::finished, [&run](const DetectionResult &r) {
        run.result = r;
        ++run.finishedCount;
    });
    QObject::connect(&d, &ProtocolDetector::listening, [&run](int rate) { run.listenedAt << rate; });
    QElapsedTimer clock;
    clock.start();
    d.Start();
    static_cast<void>(QTest::qWaitFor([&run] { return run.result.has_value(); }, kWaitMs));
    run.elapsedMs = clock.elapsed();
    QTest::qWait(50);  // a late second finished() would show here; links deleted later go now
    return run;
}

class DetectorTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApp(); }
};

TEST_F(DetectorTest, RatesTriedCurrentFirstThenTheUsualOnes)
{
    const QList<int> usual{br9600, br4800, br19200, br2400, br1200, br38400, br57600, br115200};
    EXPECT_EQ(ProtocolDetector::RatesToTry(SerialAt(br9600)), usual);
    EXPECT_EQ(ProtocolDetector::RatesToTry(SerialAt(br1200)),
              (QList<int>{br1200, br9600, br4800, br19200, br2400, br38400, br57600, br115200}));
    EXPECT_EQ(ProtocolDetector::RatesToTry(SerialAt(br14400)), QList<int>{br14400} + usual);
    EXPECT_EQ(ProtocolDetector::RatesToTry(SerialAt(0)), usual);  // a hand-edited konfig.ini
    EXPECT_EQ(ProtocolDetector::RatesToTry(SerialAt(99)), usual);
    ScaleLinkSettings tcp = SerialAt(br4800);
    tcp.connection = ScaleLinkSettings::Ethernet;
    EXPECT_EQ(ProtocolDetector::RatesToTry(tcp), QList<int>{br4800});
}

TEST_F(DetectorTest, ScaleThatSendsByItself)
{
    struct Case {
        const char *name;
        Scale scale;
        int startRate;
        bool socket;
        IndicatorProtocol protocol;
        int rate;
        QByteArray sample;
    };
    Scale slow = Streaming(br9600, "TOL 1.25\n");
    slow.periodMs = 130;  // two frames in one listening window
    const Case cases[] = {
        {"slow talker heard in a second window", slow, br9600, false, IndicatorProtocol::ToledoContinuous, br9600,
         "1.25"},
        {"continuous at another rate", Streaming(br9600, "TOL 12.50\n"), br1200, false,
         IndicatorProtocol::ToledoContinuous, br9600, "12.50"},
        {"standard lines", Streaming(br4800, "ST,GS,+0012.50kg\r"), br1200, false, IndicatorProtocol::Standard, br4800,
         "12.50"},
        {"numbered weighing records", Streaming(br4800, "17   +0034,5 kg\r"), br4800, false,
         IndicatorProtocol::Standard, br4800, "34.5"},
        // DecodeLine reads "SMA 1.5" as a weight too: the family of its own wins.
        {"family over the line format", Streaming(br2400, "SMA 1.5\r\n"), br2400, false, IndicatorProtocol::Sma, br2400,
         "1.5"},
        {"over TCP, one pass", Streaming(br1200, "SICS 0.25\n"), br1200, true, IndicatorProtocol::Sics, br1200, "0.25"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScaleLinkSettings settings = SerialAt(c.startRate);
        if (c.socket)
            settings.connection = ScaleLinkSettings::Ethernet;
        Record record;
        const DetectionRun run = Detect(c.scale, settings, record);
        ASSERT_TRUE(run.result.has_value());
        EXPECT_EQ(run.finishedCount, 1);
        EXPECT_TRUE(run.result->found);
        EXPECT_EQ(run.result->protocol, c.protocol);
        EXPECT_EQ(run.result->rate, c.rate);
        EXPECT_TRUE(run.result->request.isEmpty());
        ASSERT_FALSE(run.result->samples.isEmpty());
        EXPECT_LE(run.result->samples.size(), ProtocolDetector::kMaxSamples);
        EXPECT_EQ(run.result->samples.last().weightText, c.sample);
        EXPECT_EQ(record.rates.last(), c.rate);
        EXPECT_EQ(record.opens, record.closes);  // every link closed at the end
        EXPECT_EQ(record.alive, 0);
    }
}

TEST_F(DetectorTest, ScaleThatOnlyAnswersItsRequest)
{
    struct Case {
        const char *name;
        Scale scale;
        IndicatorProtocol protocol;
    };
    const Case cases[] = {
        {"SMA", Answering(br19200, "\nW\r", "SMA 3.25\r\n"), IndicatorProtocol::Sma},
        {"SICS", Answering(br19200, "SI\r\n", "SICS 3.25\r\n"), IndicatorProtocol::Sics},
        // Same request as SICS: the shape of the answer tells them apart.
        {"SI family", Answering(br19200, "SI\r\n", "SIF 3.25\r\n"), IndicatorProtocol::SiFamily},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Record record;
        const DetectionRun run = Detect(c.scale, SerialAt(br9600), record);
        ASSERT_TRUE(run.result.has_value());
        EXPECT_TRUE(run.result->found);
        EXPECT_EQ(run.result->protocol, c.protocol);
        EXPECT_EQ(run.result->rate, br19200);
        EXPECT_EQ(run.result->request, c.scale.request);
        ASSERT_GE(run.result->samples.size(), ProtocolDetector::kWeightFramesNeeded);
        EXPECT_EQ(run.result->samples.last().weightText, "3.25");
        // Listened first at each rate, and asked with each request until the answer came.
        EXPECT_EQ(run.listenedAt, (QList<int>{br9600, br4800, br19200}));
        EXPECT_TRUE(record.writes.contains("\nW\r"));
        EXPECT_TRUE(record.writes.contains("SI\r\n"));
        EXPECT_EQ(record.writes.count(c.scale.request), 2 + ProtocolDetector::kWeightFramesNeeded);
        EXPECT_EQ(record.opens, record.closes);
    }
}

TEST_F(DetectorTest, NothingToFindEndsAtTheDeadline)
{
    struct Case {
        const char *name;
        Scale scale;
        int deadlineMs;
        bool byDeadline;  // false: it runs out of rates before
    };
    const Case cases[] = {
        {"silent scale", Streaming(br9600, {}), 1500, true},
        // Heard at its rate, but more bad frames than good ones.
        {"mostly garbage", Streaming(br9600, "TOL 1\nxx\nyy\n"), 1500, true},
        {"port that never opens", Refusing(), 5000, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProtocolDetector::Timing timing = QuickTiming();
        timing.listenMs = 100;
        timing.answerMs = 60;
        timing.deadlineMs = c.deadlineMs;
        Record record;
        const DetectionRun run = Detect(c.scale, SerialAt(br1200), record, timing);
        ASSERT_TRUE(run.result.has_value());
        EXPECT_EQ(run.finishedCount, 1);
        EXPECT_FALSE(run.result->found);
        EXPECT_TRUE(run.result->samples.isEmpty());
        EXPECT_LT(run.elapsedMs, c.deadlineMs + 1000);
        if (c.byDeadline)
            EXPECT_GE(run.elapsedMs, c.deadlineMs - 50);
        else
            EXPECT_EQ(record.opens, 8);  // each rate once, then done
        EXPECT_EQ(record.opens, record.closes);
        EXPECT_EQ(record.alive, 0);
    }
}

TEST_F(DetectorTest, CancelStopsQuietlyAndClosesTheLink)
{
    Record record;
    int finished = 0;
    {
        ProtocolDetector d(LinksTo(Streaming(br9600, "TOL 1.00\n"), record), SerialAt(br1200), TagDecoders);
        d.SetTiming(QuickTiming());
        QObject::connect(&d, &ProtocolDetector::finished, [&finished] { ++finished; });
        d.Start();
        EXPECT_TRUE(d.IsRunning());
        QTest::qWait(100);
        d.Cancel();
        EXPECT_FALSE(d.IsRunning());
        EXPECT_EQ(record.opens, record.closes);
        QTest::qWait(1500);  // past the time it would have found the scale
        EXPECT_EQ(finished, 0);
        EXPECT_EQ(record.opens, 1);

        // It can be started again after a cancel.
        d.Start();
        ASSERT_TRUE(QTest::qWaitFor([&finished] { return finished == 1; }, kWaitMs));
    }
    QTest::qWait(10);
    EXPECT_EQ(record.alive, 0);

    // Destroyed mid-search: the link is closed with it.
    Record second;
    {
        ProtocolDetector d(LinksTo(Streaming(br9600, "TOL 1.00\n"), second), SerialAt(br9600), TagDecoders);
        d.Start();
        QTest::qWait(50);
    }
    EXPECT_EQ(second.opens, second.closes);
    QTest::qWait(10);
    EXPECT_EQ(second.alive, 0);
}

TEST_F(DetectorTest, FamiliesWithoutADecoderAreNotTried)
{
    // Only the line format is left: the requests are never sent.
    Record record;
    ProtocolDetector d(LinksTo(Streaming(br9600, "ST,GS,+0001.00kg\r"), record), SerialAt(br9600),
                       [](IndicatorProtocol) { return std::unique_ptr<IndicatorDecoder>(); });
    std::optional<DetectionResult> result;
    QObject::connect(&d, &ProtocolDetector::finished, [&result](const DetectionResult &r) { result = r; });
    d.SetTiming(QuickTiming());
    d.Start();
    ASSERT_TRUE(QTest::qWaitFor([&result] { return result.has_value(); }, kWaitMs));
    EXPECT_TRUE(result->found);
    EXPECT_EQ(result->protocol, IndicatorProtocol::Standard);
    EXPECT_TRUE(record.writes.isEmpty());
}

}  // namespace

namespace {

// The real decoders behind the detector: each family's own frames are told
// apart from the others' and from the line format.
TEST_F(DetectorTest, RealDecodersTellTheFamiliesApart)
{
    struct Case {
        const char *name;
        Scale scale;
        IndicatorProtocol protocol;
        QByteArray sample;
    };
    const QByteArray toledo("\x02,0 001234000000\r");
    const QByteArray sma("\n 1G      12.345 kg\r");
    const QByteArray sics("S S     12.34 kg\r\n");
    const QByteArray si("SI       12.345 kg\r\n");
    const Case cases[] = {
        {"continuous", Streaming(br4800, toledo), IndicatorProtocol::ToledoContinuous, "12.34"},
        {"SMA sending by itself", Streaming(br9600, sma), IndicatorProtocol::Sma, "12.345"},
        {"SICS sending by itself", Streaming(br4800, sics), IndicatorProtocol::Sics, "12.34"},
        {"SI family sending by itself", Streaming(br9600, si), IndicatorProtocol::SiFamily, "12.345"},
        {"line format", Streaming(br4800, "ST,GS,+0012.50kg\r"), IndicatorProtocol::Standard, "12.50"},
        {"SMA asked", Answering(br4800, "\nW\r", sma), IndicatorProtocol::Sma, "12.345"},
        {"SICS asked", Answering(br9600, "SI\r\n", sics), IndicatorProtocol::Sics, "12.34"},
        {"SI family asked", Answering(br4800, "SI\r\n", si), IndicatorProtocol::SiFamily, "12.345"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Record record;
        DetectionRun run;
        ProtocolDetector d(LinksTo(c.scale, record), SerialAt(br9600), IndicatorDecoders());
        d.SetTiming(QuickTiming());
        QObject::connect(&d, &ProtocolDetector::finished, [&run](const DetectionResult &r) { run.result = r; });
        d.Start();
        ASSERT_TRUE(QTest::qWaitFor([&run] { return run.result.has_value(); }, kWaitMs));
        EXPECT_TRUE(run.result->found);
        EXPECT_EQ(run.result->protocol, c.protocol);
        EXPECT_EQ(run.result->rate, c.scale.rate);
        EXPECT_EQ(run.result->request, c.scale.request);
        ASSERT_FALSE(run.result->samples.isEmpty());
        EXPECT_EQ(run.result->samples.last().weightText, c.sample);
    }
}

}  // namespace

namespace {

// The simulator's line forms over a real pseudo-terminal and a real TCP
// link: the line format, not claimed by any family's decoder.
TEST_F(DetectorTest, SimulatorOverRealLinksIsTheLineFormat)
{
    const QString sim = QStringLiteral(POMIARY_BIN_DIR) + "/scale-sim";
    ASSERT_TRUE(QFile::exists(sim)) << "build the scale-sim target first";
    struct Case {
        const char *name;
        QStringList args;
        QByteArray announce;
    };
    const Case cases[] = {
        {"pseudo-terminal, header lines", {"--pty", "--cycle", "fixed=12.5", "--interval-ms", "50"}, "PTY "},
        {"TCP, plain lines",
         {"--tcp", "0", "--format", "plain", "--cycle", "fixed=12.5", "--interval-ms", "50"},
         "TCP "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QProcess process;
        process.start(sim, c.args);
        ASSERT_TRUE(process.waitForStarted(kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return process.canReadLine(); }, kWaitMs));
        const QByteArray line = process.readLine().trimmed();
        ASSERT_TRUE(line.startsWith(c.announce)) << line.toStdString();
        ScaleLinkSettings settings = SerialAt(br9600);
        if (c.announce == "TCP ") {
            settings.connection = ScaleLinkSettings::Ethernet;
            settings.ipPort = line.mid(4).toInt();
        } else {
            settings.device = line.mid(4);
        }

        std::optional<DetectionResult> result;
        ProtocolDetector d(ProtocolDetector::RealLinks(), settings, IndicatorDecoders());
        QObject::connect(&d, &ProtocolDetector::finished, [&result](const DetectionResult &r) { result = r; });
        d.Start();
        ASSERT_TRUE(QTest::qWaitFor([&result] { return result.has_value(); }, kWaitMs));
        EXPECT_TRUE(result->found);
        EXPECT_EQ(result->protocol, IndicatorProtocol::Standard);
        EXPECT_EQ(result->rate, br9600);
        ASSERT_FALSE(result->samples.isEmpty());
        EXPECT_EQ(result->samples.last().weightText, "12.50");
        process.terminate();
        ASSERT_TRUE(process.waitForFinished(kWaitMs));
    }
}

}  // namespace
