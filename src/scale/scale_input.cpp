#include "scale/scale_input.h"

#include "core/clock.h"
#include "core/event_log.h"

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
        reading_.displayText.clear();
        emit displayChanged(reading_.displayText);
        return;
    case Kind::Overload:
        reading_.displayText = d.displayText;
        reading_.massDecimals = d.massDecimals;
        emit displayChanged(reading_.displayText);
        return;
    case Kind::Weight:
        break;
    }

    AutoAddDecision decision = AutoAddDecision::None;
    if (autoAdd_) {
        if (reading_.HasMass() && decider_)
            decision = decider_(reading_.displayText, d.value);
        else if (autoAddMode_ == 2 && reading_.displayText == kNoReadingText && decider_)
            // "- - - - -" is shown while the link is down: the first reading
            // after it is judged against the last mass shown before, so a
            // reconnect alone never adds a row.
            decision = decider_(lastMass_, d.value);
    }
    reading_.displayText = d.displayText;
    lastMass_ = d.displayText;
    emit displayChanged(reading_.displayText);
    // The weighing taken here still uses the decimals of the previous line.
    if (decision == AutoAddDecision::Add)
        emit addRequested();
    else if (decision == AutoAddDecision::Update)
        emit updateLastRowRequested();
    reading_.massDecimals = d.massDecimals;
}
