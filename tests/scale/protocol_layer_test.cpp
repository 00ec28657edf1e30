// The protocol layer between the link and the display: request escapes,
// request timing, the silence watchdog, and frames of other families shown
// and judged for automatic adding.

#include "support/core_app.h"
#include "core/clock.h"
#include "scale/auto_add.h"
#include "scale/protocol_settings.h"
#include "scale/scale_input.h"
#include "scale/scale_protocol.h"
#include "support/wait_for.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A decoder of a made-up family: "S12.5\n" stable, "M12.5\n" moving,
// "O\n" overload, "E\n" error, anything else malformed.
class LetterDecoder : public IndicatorDecoder {
public:
    void Feed(QByteArrayView bytes, const Sink &sink) override
    {
        buffer_ += bytes;
        qsizetype end;
        while ((end = buffer_.indexOf('\n')) >= 0) {
            const QByteArray raw = buffer_.left(end + 1);
            buffer_.remove(0, end + 1);
            IndicatorFrame f;
            const char c = raw.isEmpty() ? 0 : raw[0];
            if (c == 'S' || c == 'M' || c == 'N') {
                f.kind = IndicatorFrame::Kind::Weight;
                const QList<QByteArray> parts = raw.mid(1).trimmed().split('/');
                f.weightText = parts[0];
                f.stability = c == 'M' ? IndicatorFrame::Stability::Moving : IndicatorFrame::Stability::Stable;
                f.net = c == 'N';
                if (parts.size() > 1)
                    f.tareText = parts[1];
            } else if (c == 'O') {
                f.kind = IndicatorFrame::Kind::Overload;
            } else if (c == 'E') {
                f.kind = IndicatorFrame::Kind::Error;
            }
            sink(raw, f);
        }
    }
    void Clear() override { buffer_.clear(); }

private:
    QByteArray buffer_;
};

struct Station {
    Station()
    {
        EnsureApp();
        protocol.SetDecoderFactory([](const ProtocolSettings &) { return std::make_unique<LetterDecoder>(); });
        protocol.SetWriter([this](const QByteArray &bytes) {
            sent << bytes;
            sentAt << clock.elapsed();
            return linkAccepts;
        });
        clock.start();
    }
    void Use(IndicatorProtocol p, const QByteArray &request = {}, int intervalMs = 200)
    {
        ProtocolSettings s;
        s.protocol = p;
        s.request = request;
        s.requestIntervalMs = intervalMs;
        protocol.Apply(s, true);
    }
    const QByteArray &Shown() const { return input.Reading().displayText; }

    ManualClock manual{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 0))};
    ScaleInput input{manual, nullptr};
    ScaleProtocol protocol{input};
    QList<QByteArray> sent;
    QList<qint64> sentAt;
    QElapsedTimer clock;
    bool linkAccepts = true;
};

}  // namespace

TEST(RequestEscapes, ReadAndWrittenBack)
{
    struct Case {
        const char *typed;
        QByteArray bytes;
        bool valid;
    };
    const Case cases[] = {
        {"SI\\r\\n", "SI\r\n", true},
        {"\\nW\\r", "\nW\r", true},
        {"\\x05", QByteArray("\x05", 1), true},
        {"\\x00Q", QByteArray("\x00Q", 2), true},
        {"a\\\\b", "a\\b", true},
        {"", "", true},
        {"\\x0", "", false},
        {"\\xG1", "", false},
        {"\\q", "", false},
        {"SI\\", "", false},
    };
    for (const Case &c : cases) {
        const auto bytes = UnescapeRequest(c.typed);
        EXPECT_EQ(bytes.has_value(), c.valid) << c.typed;
        if (bytes) {
            EXPECT_EQ(*bytes, c.bytes) << c.typed;
        }
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(UnescapeRequest(EscapeRequest(all)), all);
}

TEST(ProtocolLayer, FramesOfAFamilyReachTheDisplayWithTheirFlags)
{
    Station st;
    st.input.SetMaxMass(500);
    st.Use(IndicatorProtocol::Sics);
    QSignalSpy tare(&st.input, &ScaleInput::tareChanged);
    struct Step {
        QByteArray bytes;
        QByteArray shown;
        IndicatorFrame::Stability stability;
    };
    using S = IndicatorFrame::Stability;
    const Step steps[] = {
        {"S0012.50\n", "0012.50", S::Stable},
        {"M13.1\n", "13.1", S::Moving},
        {"O\n", "* * * * *", S::Unknown},
        {"S12.00\n", "12.00", S::Stable},
        {"garbage\n", "12.00", S::Stable},  // counted, never shown
        // 7 data bits with parity read on the 8N1 port: bit 7 is the parity.
        {"\xd3" "1\xb3.00\x8a", "13.00", S::Stable},
        {"E\n", "- - - - -", S::Unknown},
        {"S500.01\n", "* * * * *", S::Unknown},  // the station's own maximum still holds
        // A net frame with the indicator's tare: the display shows gross, so
        // the weighing's net is the indicator's net.
        {"N10.5/2.25\n", "12.75", S::Stable},
    };
    for (const Step &s : steps) {
        st.protocol.OnBytes(s.bytes, false);
        EXPECT_EQ(st.Shown(), s.shown) << s.bytes.constData();
        EXPECT_EQ(st.input.Reading().stability, s.stability) << s.bytes.constData();
    }
    EXPECT_EQ(st.input.Reading().tareText, "2.25");
    EXPECT_EQ(tare.count(), 1);
    EXPECT_EQ(st.input.Reading().massDecimals, 2);
    EXPECT_EQ(st.protocol.MalformedFrames(), 1);
}

TEST(ProtocolLayer, AutomaticAddingWaitsForTheIndicatorsStableMark)
{
    // Min 50, criterion 10: readings the criterion calls stable add nothing
    // while the indicator says they move.
    struct Case {
        int mode;
        QList<QByteArray> frames;
        int adds;
    };
    const Case cases[] = {
        {0, {"M60\n", "M61\n", "M61\n", "M61\n"}, 0},
        {0, {"M60\n", "M61\n", "S61\n", "S61\n"}, 1},
        // A moving reading below the minimum still ends the load.
        {0, {"S61\n", "S61\n", "M20\n", "S60\n", "S60\n"}, 2},
        {1, {"M60\n", "M61\n"}, 0},
        {2, {"M5\n", "M6\n", "S6\n", "S7\n"}, 2},
    };
    for (const Case &c : cases) {
        Station st;
        st.input.SetMaxMass(500);
        AutoAdd autoAdd;
        autoAdd.settings.mode = c.mode;
        st.input.SetAutoAdd(true, c.mode);
        st.input.SetAutoAddDecider([&](const QByteArray &previous, double value, bool moving) {
            switch (autoAdd.Decide(previous.toDouble(), value, false, moving)) {
            case AutoAddAction::Add:
                return ScaleInput::AutoAddDecision::Add;
            case AutoAddAction::Update:
                return ScaleInput::AutoAddDecision::Update;
            default:
                return ScaleInput::AutoAddDecision::None;
            }
        });
        QSignalSpy adds(&st.input, &ScaleInput::addRequested);
        st.Use(IndicatorProtocol::Sics);
        st.protocol.OnBytes("S0\n", false);
        for (const QByteArray &f : c.frames)
            st.protocol.OnBytes(f, false);
        EXPECT_EQ(adds.count(), c.adds) << "mode " << c.mode << " " << c.frames.join().constData();
    }
}

TEST(ProtocolLayer, OneRequestAtATimeAndAskedAgainAfterTheInterval)
{
    Station st;
    st.Use(IndicatorProtocol::SiFamily, "SI\r\n", 100);
    // Nobody answers: one request per interval, never two awaiting.
    ASSERT_TRUE(WaitFor([&] { return st.sent.size() >= 6; }, 5000));
    for (int i = 1; i < st.sent.size(); ++i)
        EXPECT_GE(st.sentAt[i] - st.sentAt[i - 1], 90) << i;
    EXPECT_GE(st.protocol.MissedAnswers(), 5);
    EXPECT_EQ(st.sent.first(), "SI\r\n");

    // An answer ends the wait; the next request keeps the interval.
    const qsizetype before = st.sent.size();
    ASSERT_TRUE(st.protocol.AwaitingAnswer());
    st.protocol.OnBytes("S1.5\n", false);
    EXPECT_FALSE(st.protocol.AwaitingAnswer());
    EXPECT_EQ(st.Shown(), "1.5");
    // "Send now" while nothing is awaited asks at once; while awaited, not again.
    st.protocol.SendNow();
    EXPECT_EQ(st.sent.size(), before + 1);
    st.protocol.SendNow();
    EXPECT_EQ(st.sent.size(), before + 1);

    // The link goes down: nothing is sent until it is up again, then at once.
    st.protocol.OnLinkDown();
    const qsizetype down = st.sent.size();
    QElapsedTimer t;
    t.start();
    WaitFor([] { return false; }, 350);
    EXPECT_EQ(st.sent.size(), down);
    st.protocol.OnLinkOpened();
    ASSERT_TRUE(WaitFor([&] { return st.sent.size() > down; }, 2000));
}

TEST(ProtocolLayer, SilenceShowsNoReadingOnlyWhereReadingsAreExpected)
{
    Station st;
    st.Use(IndicatorProtocol::Sma, "\nW\r", 1000);
    st.linkAccepts = true;
    st.protocol.OnBytes("S7.25\n", false);
    EXPECT_EQ(st.Shown(), "7.25");
    ASSERT_TRUE(WaitFor([&] { return st.Shown() == "- - - - -"; }, ScaleProtocol::kNoAnswerMs + 2000));
    st.protocol.OnBytes("S7.30\n", false);
    EXPECT_EQ(st.Shown(), "7.30");

    // The standard format without requests keeps today's behaviour: the last
    // weight stays however long the scale is silent.
    Station plain;
    plain.Use(IndicatorProtocol::Standard);
    plain.protocol.OnBytes("ST,GS,+0012.50kg\r", false);
    EXPECT_EQ(plain.Shown(), "0012.50");
    WaitFor([] { return false; }, ScaleProtocol::kNoAnswerMs + 300);
    EXPECT_EQ(plain.Shown(), "0012.50");
    EXPECT_TRUE(plain.sent.isEmpty());
}
