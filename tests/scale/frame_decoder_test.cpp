#include "core/clock.h"
#include "core/event_log.h"
#include "core/number_forms.h"
#include "scale/auto_add.h"
#include "scale/frame_decoder.h"
#include "scale/line_assembler.h"
#include "scale/scale_input.h"
#include "support/scripted_prompts.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Input {
    ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 0))};
    ScaleInput input{clock, nullptr};
    const QByteArray &Shown() const { return input.Reading().displayText; }
    int Decimals() const { return input.Reading().massDecimals; }
};

}  // namespace

TEST(LineAssembly, SerialEndsOnCrAndStxAndDropsLf)
{
    LineAssembler a(LineAssembler::Source::Serial);
    EXPECT_EQ(a.Feed("US,NT,-1.5 kg\r\n"), QList<QByteArray>{"US,NT,-1.5 kg"});
    EXPECT_EQ(a.Pending(), 0);
    EXPECT_EQ(a.Feed("\x02" "1.00\r"), (QList<QByteArray>{"", "1.00"}));
    // Bytes are kept across chunks until the line end.
    EXPECT_TRUE(a.Feed("12.").isEmpty());
    EXPECT_EQ(a.Feed("5\r"), QList<QByteArray>{"12.5"});
}

TEST(LineAssembly, SocketEndsOnLfDropsCrAndKeepsStx)
{
    LineAssembler a(LineAssembler::Source::Socket);
    EXPECT_EQ(a.Feed("1.00\r\n"), QList<QByteArray>{"1.00"});
    EXPECT_EQ(a.Feed("\x02" "2.00\r\n"), QList<QByteArray>{"\x02" "2.00"});
}

TEST(LineAssembly, BufferIsBoundedWithoutLineEnd)
{
    LineAssembler a(LineAssembler::Source::Serial);
    const QByteArray junk(1 << 20, '7');
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(a.Feed(junk).isEmpty());
    EXPECT_EQ(a.Pending(), LineAssembler::kMaxLine);
    const auto lines = a.Feed("\r5\r");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), LineAssembler::kMaxLine);
    EXPECT_EQ(lines[1], "5");
}

TEST(LineAssembly, LeadingSpacesAreCountedNotStored)
{
    // Only what follows the leading spaces counts, however many they are.
    for (auto source : {LineAssembler::Source::Serial, LineAssembler::Source::Socket}) {
        Input in;
        const QByteArray spaces(70000, ' ');
        const QByteArray end = source == LineAssembler::Source::Serial ? "\r" : "\n";
        auto feed = [&](const QByteArray &b) {
            source == LineAssembler::Source::Serial ? in.input.FeedSerialBytes(b) : in.input.FeedSocketBytes(b);
        };
        feed(spaces + "12.5" + end);
        EXPECT_EQ(in.Shown(), "12.5");
        feed(spaces + "7   1234.5 kg" + end);  // a weighing record keeps the display
        EXPECT_EQ(in.Shown(), "12.5");
        feed(spaces + end);  // spaces alone: an unreadable line, not an empty one
        EXPECT_EQ(in.Shown(), "");
    }
    LineAssembler a(LineAssembler::Source::Serial);
    for (int i = 0; i < 64; ++i)
        EXPECT_TRUE(a.Feed(QByteArray(1 << 20, ' ')).isEmpty());
    EXPECT_EQ(a.Pending(), 0);
    EXPECT_TRUE(a.Feed(QByteArray(1 << 20, '7')).isEmpty());
    EXPECT_EQ(a.Pending(), LineAssembler::kMaxLine);
    const auto lines = a.Feed("\r");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].size(), 2 * LineAssembler::kMaxLine);
    EXPECT_TRUE(lines[0].startsWith(' '));
    EXPECT_TRUE(lines[0].endsWith('7'));
}

TEST(DecodeLine, HeaderLinesLoseMarkersAndCommas)
{
    auto d = DecodeLine("ST,GS,+0012.50kg", 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Weight);
    EXPECT_EQ(d.displayText, "0012.50");
    EXPECT_EQ(d.massDecimals, 2);

    d = DecodeLine("US,NT,-1.5 kg", 500);
    EXPECT_EQ(d.displayText, "-1.5");
    EXPECT_EQ(d.massDecimals, 1);

    d = DecodeLine("ST,GS,1,50kg", 500);  // the commas go with the header
    EXPECT_EQ(d.displayText, "150");
    EXPECT_EQ(d.massDecimals, 0);

    d = DecodeLine("  S T , N T , 7.25", 500);  // spaces do not hide a header
    EXPECT_EQ(d.displayText, "7.25");
}

TEST(DecodeLine, PlainLinesKeepTheirDecimalComma)
{
    auto d = DecodeLine("  1,25 kg", 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Weight);
    EXPECT_EQ(d.displayText, "1.25");
    EXPECT_EQ(d.massDecimals, 2);

    d = DecodeLine("12 kg", 500);  // a space but no number after it: not a record
    EXPECT_EQ(d.kind, DecodedLine::Kind::Weight);
    EXPECT_EQ(d.displayText, "12");
    EXPECT_EQ(d.massDecimals, 0);

    d = DecodeLine("XY GS 5", 500);  // not a header: the letters are cleaned away
    EXPECT_EQ(d.displayText, "5");
    // Commas of a line that is not a header stay, and two of them spoil it.
    EXPECT_EQ(DecodeLine("XY,GS,5", 500).kind, DecodedLine::Kind::Unreadable);
}

TEST(DecodeLine, UnreadableAndOverload)
{
    EXPECT_EQ(DecodeLine("12.5.3", 500).kind, DecodedLine::Kind::Unreadable);
    EXPECT_EQ(DecodeLine("kg", 500).kind, DecodedLine::Kind::Unreadable);
    EXPECT_EQ(DecodeLine("\x02", 500).kind, DecodedLine::Kind::Unreadable);

    auto d = DecodeLine("500", 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Weight);
    EXPECT_EQ(d.displayText, "500");
    d = DecodeLine("500.01", 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Overload);
    EXPECT_EQ(d.displayText, "* * * * *");
    EXPECT_EQ(d.massDecimals, 2);
}

TEST(DecodeLine, OnlyTheFirst200CharactersAfterLeadingSpacesCount)
{
    QByteArray line(500, ' ');
    line += QByteArray(199, 'x') + "5";  // the digit is character 200
    EXPECT_EQ(DecodeLine(line, 500).displayText, "5");
    line += "6";
    line.insert(500, 'x');  // now the 5 is character 201
    EXPECT_EQ(DecodeLine(line, 500).kind, DecodedLine::Kind::Unreadable);
}

TEST(DecodeLine, WeighingRecords)
{
    auto d = DecodeLine("7   1234.5 kg", 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Record);
    EXPECT_EQ(d.recordNumber, "7");
    EXPECT_EQ(d.recordWeight, "1234.5");
    EXPECT_EQ(d.massDecimals, 1);

    d = DecodeLine("  12 +3,250", 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Record);
    EXPECT_EQ(d.recordNumber, "12");
    EXPECT_EQ(d.recordWeight, "+3,250");
    EXPECT_EQ(d.massDecimals, 3);

    EXPECT_NE(DecodeLine("ST,GS,+0012.50kg", 500).kind, DecodedLine::Kind::Record);
    EXPECT_NE(DecodeLine("1.5 20", 500).kind, DecodedLine::Kind::Record);  // number is not an integer
    EXPECT_NE(DecodeLine("7 1.2.3", 500).kind, DecodedLine::Kind::Record);
    EXPECT_NE(DecodeLine("99999999999 5", 500).kind, DecodedLine::Kind::Record);

    // However many spaces part number and weight; a weight run longer than
    // 200 characters is cut to 200.
    d = DecodeLine("7" + QByteArray(250, ' ') + "12.5", 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Record);
    EXPECT_EQ(d.recordWeight, "12.5");
    d = DecodeLine("8 " + QByteArray(300, '1'), 500);
    EXPECT_EQ(d.kind, DecodedLine::Kind::Record);
    EXPECT_EQ(d.recordWeight, QByteArray(200, '1'));
}

TEST(ScaleInput, DisplayFollowsLinesAndRecordsLeaveItAlone)
{
    Input s;
    QSignalSpy records(&s.input, &ScaleInput::weighingRecord);
    s.input.FeedSerialBytes("ST,GS,+0012.50kg\r");
    EXPECT_EQ(s.Shown(), "0012.50");
    EXPECT_EQ(s.Decimals(), 2);

    s.input.FeedSerialBytes("7   1234.5 kg\r");
    EXPECT_EQ(s.Shown(), "0012.50");
    EXPECT_EQ(s.Decimals(), 1);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0][0].toByteArray(), "7");
    EXPECT_EQ(records[0][1].toByteArray(), "1234.5");

    s.input.FeedSerialBytes("12.5.3\r");
    EXPECT_TRUE(s.Shown().isEmpty());
    EXPECT_EQ(s.Decimals(), 1);  // unchanged by an unreadable line

    s.input.FeedSocketBytes("\x02" "1.00\r\n");
    EXPECT_EQ(s.Shown(), "1.00");
}

TEST(ScaleInput, EmptyLineMovesOnlyTheFrameTime)
{
    Input s;
    s.input.FeedSerialBytes("3.5\r");
    s.clock.AdvanceMs(5000);
    s.input.FeedSerialBytes("\x02");
    EXPECT_EQ(s.Shown(), "3.5");
    EXPECT_EQ(s.input.Reading().lastFrameTime, s.clock.Now());
}

TEST(ScaleInput, RecordSeriesStartAfterMoreThanThreeSecondsWithAutoDelete)
{
    Input s;
    s.input.SetAutoDelete(true);
    QSignalSpy records(&s.input, &ScaleInput::weighingRecord);
    s.clock.AdvanceMs(3100);
    s.input.DecodeLine("1 10.0");
    s.clock.AdvanceMs(2000);
    s.input.DecodeLine("2 11.0");
    s.clock.AdvanceMs(3100);
    s.input.DecodeLine("3 12.0");
    // 0.0000351 of a day is 3032.64 ms: 3032 ms is within the series, 3033 ms is not.
    s.clock.AdvanceMs(3032);
    s.input.DecodeLine("4 13.0");
    s.clock.AdvanceMs(3033);
    s.input.DecodeLine("5 14.0");
    ASSERT_EQ(records.size(), 5);
    EXPECT_TRUE(records[0][2].toBool());
    EXPECT_FALSE(records[1][2].toBool());
    EXPECT_TRUE(records[2][2].toBool());
    EXPECT_FALSE(records[3][2].toBool());
    EXPECT_TRUE(records[4][2].toBool());
}

TEST(ScaleInput, AutoAddIsAskedOnlyAfterAMass)
{
    Input s;
    s.input.SetAutoAdd(true, 0);
    QList<QByteArray> asked;
    s.input.SetAutoAddDecider([&](const QByteArray &prev, double, bool) {
        asked << prev;
        return ScaleInput::AutoAddDecision::Add;
    });
    QSignalSpy adds(&s.input, &ScaleInput::addRequested);
    s.input.DecodeLine("600");  // overload: not consulted
    s.input.DecodeLine("10");   // previous was overload: not consulted
    s.input.DecodeLine("11");   // consulted with "10"
    EXPECT_EQ(asked, QList<QByteArray>{"10"});
    EXPECT_EQ(adds.size(), 1);
    EXPECT_EQ(s.Shown(), "11");

    // Mode 2 judges the first weight after "no reading" against the last mass shown.
    s.input.SetAutoAdd(true, 2);
    s.input.ShowNoReading();
    s.input.DecodeLine("12");
    EXPECT_EQ(asked.last(), "11");
    EXPECT_EQ(adds.size(), 2);
}

// A flapping cable in mode 2: the link drops and comes back with the same
// load on the platform; only a change of the weight adds a row.
TEST(ScaleInput, ReconnectAloneAddsNothingInModeTwo)
{
    Input s;
    AutoAdd autoAdd;
    autoAdd.settings.mode = 2;
    int rows = 0;
    s.input.SetAutoAdd(true, 2);
    s.input.SetAutoAddDecider([&](const QByteArray &prev, double value, bool) {
        const AutoAddAction a = autoAdd.Decide(ParseNumber(prev).value_or(0), value, rows == 0);
        return a == AutoAddAction::Add ? ScaleInput::AutoAddDecision::Add : ScaleInput::AutoAddDecision::None;
    });
    QObject::connect(&s.input, &ScaleInput::addRequested, [&] { ++rows; });
    s.input.DecodeLine("5.00");
    EXPECT_EQ(rows, 1);
    for (int drop = 0; drop < 3; ++drop) {
        s.input.ShowNoReading();
        s.input.DecodeLine("5.00");
    }
    EXPECT_EQ(rows, 1);
    s.input.ShowNoReading();
    s.input.DecodeLine("7.00");
    EXPECT_EQ(rows, 2);
}

TEST(ScaleInput, LogsEveryLineAndRecordsWithTheLastAddCode)
{
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2024, 5, 17), QTime(14, 3, 0)));
    EventLog log(dir.filePath("log.txt"), clock);
    log.enabled = true;
    ScaleInput input(clock, &log);
    log.NoteAddAction();
    input.FeedSerialBytes("\x02" "5 1.5\r5 1.6\r");
    QFile f(dir.filePath("log.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("hh:mm;ss,sss;gprotocol;strdisp\r\n"
                                      "2024-05-17 14:030\t\r\n"
                                      "2024-05-17 14:030\t5 1.5\r\n"
                                      "2024-05-17 14:033\t5\r\n"
                                      "2024-05-17 14:030\t5 1.6\r\n"
                                      "2024-05-17 14:030\t5\r\n"));
}

TEST(Tare, TakenFromTheDisplayOrTyped)
{
    ScaleReading r;
    ScriptedPrompts p;
    r.displayText = "0012.50";
    EXPECT_TRUE(SetTareFromDisplay(r, p));
    EXPECT_EQ(r.tareText, "0012.50");

    for (const char *none : {"* * * * *", "- - - - -", ""}) {
        r.displayText = none;
        EXPECT_FALSE(SetTareFromDisplay(r, p));
    }
    EXPECT_EQ(p.MessageTexts(), QStringList(3, "Brak pomiaru!"));
    EXPECT_EQ(r.tareText, "0012.50");

    p.messages.clear();
    r.massDecimals = 2;
    p.inputAnswers = {QString("2,5"), QString("abc"), std::nullopt};
    EXPECT_TRUE(EditTare(r, p));
    EXPECT_EQ(r.tareText, "2.50");
    EXPECT_EQ(p.inputs.front(), "Tara|Podaj tarę:|0012.50");
    EXPECT_FALSE(EditTare(r, p));
    EXPECT_EQ(p.MessageTexts(), QStringList{"Błędna wartość!"});
    EXPECT_FALSE(EditTare(r, p));
    EXPECT_EQ(r.tareText, "2.50");
}
