#include "scale/scale_input.h"

#include "core/clock.h"
#include "core/event_log.h"
#include "core/number_forms.h"

#include <QMetaMethod>

#include <algorithm>

namespace {
// 0.0000351 of a day (3032.64 ms): records closer than this belong to one series.
constexpr qint64 kSeriesGapMs = 3032;
}

ScaleInput::ScaleInput(const Clock &clock, EventLog *log, QObject *parent)
    : QObject(parent), clock_(clock), log_(log)
{
    reading_.lastFrameTime = clock_.Now();
    reading_.lastRecordTime = reading_.lastFrameTime;
}

void ScaleInput::FeedSerialBytes(QByteArrayView bytes)
{
    for (const QByteArray &line : serial_.Feed(bytes))
        DecodeLine(line);
}

void ScaleInput::FeedSocketBytes(QByteArrayView bytes)
{
    for (const QByteArray &line : socket_.Feed(bytes))
        DecodeLine(line);
}

void ScaleInput::ClearReceiveBuffers()
{
    serial_.Clear();
    socket_.Clear();
}

void ScaleInput::ShowNoReading()
{
    if (reading_.displayText == kNoReadingText)
        return;
    reading_.displayText = kNoReadingText;
    emit displayChanged(reading_.displayText);
}

void ScaleInput::DecodeLine(QByteArrayView line)
{
    if (log_ && log_->enabled)
        log_->LogEvent(0, line);
    const QDateTime now = clock_.Now();
    reading_.lastFrameTime = now;

    const DecodedLine d = ::DecodeLine(line, maxMass_);
    if (isSignalConnected(QMetaMethod::fromSignal(&ScaleInput::lineDecoded)))
        emit lineDecoded(line.toByteArray(), d);
    using Kind = DecodedLine::Kind;
    switch (d.kind) {
    case Kind::Empty:
        return;
    case Kind::Record: {
        const bool newSeries = autoDelete_ && reading_.lastRecordTime.msecsTo(now) > kSeriesGapMs;
        reading_.lastRecordTime = now;
        reading_.massDecimals = d.massDecimals;
        emit weighingRecord(d.recordNumber, d.recordWeight, newSeries);
        const int code = log_ ? log_->TakeAddCodeForRecord() : 0;
        if (log_ && log_->enabled)
            log_->LogEvent(code, d.recordNumber);
        return;
    }
    case Kind::Unreadable:
        reading_.stability = IndicatorFrame::Stability::Unknown;
        reading_.displayText.clear();
        emit displayChanged(reading_.displayText);
        return;
    case Kind::Overload:
        ShowOverload(d.massDecimals);
        return;
    case Kind::Weight:
        ShowWeight(d.displayText, d.value, d.massDecimals, IndicatorFrame::Stability::Unknown);
        return;
    }
}

void ScaleInput::ShowOverload(int massDecimals)
{
    reading_.stability = IndicatorFrame::Stability::Unknown;
    reading_.displayText = kOverloadText;
    reading_.massDecimals = massDecimals;
    emit displayChanged(reading_.displayText);
}

void ScaleInput::ShowWeight(const QByteArray &text, double value, int massDecimals,
                            IndicatorFrame::Stability stability)
{
    const bool moving = stability == IndicatorFrame::Stability::Moving;
    AutoAddDecision decision = AutoAddDecision::None;
    if (autoAdd_ && decider_) {
        // Mode 2 adds every new value: a value first shown while the
        // indicator said it moved is new once it settles.
        if (reading_.HasMass())
            decision = decider_(autoAddMode_ == 2 ? lastSettled_ : reading_.displayText, value, moving);
        else if (autoAddMode_ == 2 && reading_.displayText == kNoReadingText)
            // "- - - - -" is shown while the link is down: the first reading
            // after it is judged against the last mass shown before, so a
            // reconnect alone never adds a row.
            decision = decider_(lastSettled_, value, moving);
    }
    reading_.displayText = text;
    reading_.stability = stability;
    if (!moving)
        lastSettled_ = text;
    emit displayChanged(reading_.displayText);
    // The weighing taken here still uses the decimals of the previous line.
    if (decision == AutoAddDecision::Add)
        emit addRequested();
    else if (decision == AutoAddDecision::Update)
        emit updateLastRowRequested();
    reading_.massDecimals = massDecimals;
}

namespace {

// The frame for the event log: without the delimiters that end or start it.
QByteArrayView LoggedFrame(QByteArrayView raw)
{
    while (!raw.isEmpty() && (raw.front() == '\x02' || raw.front() == '\n' || raw.front() == '\r'))
        raw = raw.sliced(1);
    while (!raw.isEmpty() && (raw.back() == '\r' || raw.back() == '\n'))
        raw.chop(1);
    return raw;
}

}  // namespace

void ScaleInput::ApplyIndicatorFrame(QByteArrayView raw, const IndicatorFrame &frame)
{
    using Kind = IndicatorFrame::Kind;
    if (frame.kind == Kind::Malformed || frame.kind == Kind::Other)
        return;  // counted by the protocol layer; the display keeps its reading
    if (log_ && log_->enabled)
        log_->LogEvent(0, LoggedFrame(raw));
    reading_.lastFrameTime = clock_.Now();

    switch (frame.kind) {
    case Kind::Error:
        reading_.stability = IndicatorFrame::Stability::Unknown;
        ShowNoReading();
        return;
    case Kind::Overload:
    case Kind::Underload:
        ShowOverload(reading_.massDecimals);
        return;
    default:
        break;
    }

    QByteArray shown = frame.weightText;
    int decimals = DecimalsOf(shown);
    std::optional<double> value = ParseNumber(shown);
    const bool withTare = frame.net && !frame.tareText.isEmpty();
    std::optional<double> tare;
    if (withTare)
        tare = ParseNumber(frame.tareText);
    if (value && tare) {
        // The display shows gross, so that the weighing's net (gross - tare)
        // is the net the indicator shows.
        decimals = std::max(decimals, DecimalsOf(frame.tareText));
        *value += *tare;
        shown = FormatFixed(*value, decimals);
    }
    if (!value) {
        reading_.stability = IndicatorFrame::Stability::Unknown;
        reading_.displayText.clear();
        emit displayChanged(reading_.displayText);
        return;
    }
    if (*value > maxMass_) {
        ShowOverload(decimals);
        return;
    }
    if (tare && frame.tareText != reading_.tareText) {
        reading_.tareText = frame.tareText;
        emit tareChanged(reading_.tareText);
    }
    ShowWeight(shown, *value, decimals, frame.stability);
}
