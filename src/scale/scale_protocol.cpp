#include "scale/scale_protocol.h"

#include "scale/frame_decoder.h"
#include "scale/scale_input.h"

#include <algorithm>

ScaleProtocol::ScaleProtocol(ScaleInput &input, QObject *parent) : QObject(parent), input_(input)
{
    decoderFactory_ = [](const ProtocolSettings &s) {
        return MakeIndicatorDecoder(s.protocol, s.framePattern, s.stableText);
    };
    nextRequest_.setSingleShot(true);
    answerTimeout_.setSingleShot(true);
    silence_.setSingleShot(true);
    silence_.setInterval(kNoAnswerMs);
    connect(&nextRequest_, &QTimer::timeout, this, &ScaleProtocol::SendRequest);
    connect(&answerTimeout_, &QTimer::timeout, this, &ScaleProtocol::OnAnswerTimeout);
    connect(&silence_, &QTimer::timeout, this, [this] { input_.ShowNoReading(); });
    connect(&input_, &ScaleInput::lineDecoded, this, &ScaleProtocol::OnLine);
}

ScaleProtocol::~ScaleProtocol() = default;

void ScaleProtocol::Apply(const ProtocolSettings &settings, bool linkUp)
{
    StopRequests();
    silence_.stop();
    settings_ = settings;
    decoder_.reset();
    if (settings_.protocol != IndicatorProtocol::Standard && !settings_.IsModbus())
        decoder_ = decoderFactory_(settings_);
    input_.ClearReceiveBuffers();
    linkUp_ = false;
    if (linkUp)
        OnLinkOpened();
}

void ScaleProtocol::OnBytes(const QByteArray &bytes, bool fromSocket)
{
    if (settings_.IsModbus())
        return;
    if (!decoder_) {
        if (fromSocket)
            input_.FeedSocketBytes(bytes);
        else
            input_.FeedSerialBytes(bytes);
        return;
    }
    const auto sink = [this](QByteArrayView raw, const IndicatorFrame &frame) { OnFrame(raw.toByteArray(), frame); };
    if (settings_.protocol == IndicatorProtocol::UserPattern) {
        decoder_->Feed(bytes, sink);
        return;
    }
    // The families speak 7-bit ASCII. An indicator left at 7 data bits with
    // parity puts its parity bit where the 8N1 port reads bit 7: dropping it
    // reads such an indicator right and changes nothing for one at 8N1.
    QByteArray ascii = bytes;
    for (char &c : ascii)
        c = char(c & 0x7f);
    decoder_->Feed(ascii, sink);
}

void ScaleProtocol::OnFrame(const QByteArray &raw, const IndicatorFrame &frame)
{
    using Kind = IndicatorFrame::Kind;
    if (frame.kind == Kind::Malformed)
        ++malformed_;
    emit frameDecoded(raw, frame);
    // A Modbus reply is binary: the event log gets it as hex.
    input_.ApplyIndicatorFrame(settings_.IsModbus() ? raw.toHex(' ').toUpper() : raw, frame);
    Answered(frame.kind != Kind::Malformed && frame.kind != Kind::Other);
}

void ScaleProtocol::OnLine(const QByteArray &line, const DecodedLine &decoded)
{
    // Lines reach ScaleInput only while the standard format is chosen.
    emit frameDecoded(line, FrameOfLine(decoded));
    using Kind = DecodedLine::Kind;
    if (decoded.kind == Kind::Unreadable)
        ++malformed_;
    if (decoded.kind != Kind::Empty)
        Answered(decoded.kind != Kind::Unreadable);
}

void ScaleProtocol::Answered(bool reading)
{
    if (reading && linkUp_ && settings_.ExpectsSteadyReadings())
        silence_.start();
    if (!awaiting_)
        return;
    // Any whole frame ends the wait; the next request keeps the interval
    // from the last one, so a quick indicator is not asked faster.
    awaiting_ = false;
    answerTimeout_.stop();
    const qint64 left = settings_.requestIntervalMs - lastSent_.elapsed();
    nextRequest_.start(int(std::max<qint64>(0, left)));
}

void ScaleProtocol::SendRequest()
{
    if (!linkUp_ || !settings_.SendsRequests() || awaiting_)
        return;
    if (!writer_ || !writer_(settings_.request)) {
        nextRequest_.start(settings_.requestIntervalMs);
        return;
    }
    ++requestsSent_;
    awaiting_ = true;
    lastSent_.start();
    answerTimeout_.start(settings_.requestIntervalMs);
}

void ScaleProtocol::OnAnswerTimeout()
{
    // A whole interval has passed since the request: ask again at once.
    awaiting_ = false;
    ++missedAnswers_;
    SendRequest();
}

void ScaleProtocol::SendNow()
{
    if (awaiting_)
        return;
    nextRequest_.stop();
    SendRequest();
}

void ScaleProtocol::OnLinkOpened()
{
    linkUp_ = true;
    // A partial frame from before the link went down is stale.
    input_.ClearReceiveBuffers();
    if (decoder_)
        decoder_->Clear();
    if (settings_.ExpectsSteadyReadings())
        silence_.start();
    StartRequests();
}

void ScaleProtocol::OnLinkDown()
{
    linkUp_ = false;
    StopRequests();
    silence_.stop();
}

void ScaleProtocol::StartRequests()
{
    StopRequests();
    if (settings_.SendsRequests())
        nextRequest_.start(0);
}

void ScaleProtocol::StopRequests()
{
    nextRequest_.stop();
    answerTimeout_.stop();
    awaiting_ = false;
}

IndicatorFrame FrameOfLine(const DecodedLine &decoded)
{
    IndicatorFrame f;
    using Kind = DecodedLine::Kind;
    switch (decoded.kind) {
    case Kind::Empty:
        f.kind = IndicatorFrame::Kind::Other;
        f.note = "empty line";
        break;
    case Kind::Record:
        f.kind = IndicatorFrame::Kind::Other;
        f.weightText = decoded.recordWeight;
        f.note = "weighing record " + decoded.recordNumber;
        break;
    case Kind::Weight:
        f.kind = IndicatorFrame::Kind::Weight;
        f.weightText = decoded.displayText;
        break;
    case Kind::Overload:
        f.kind = IndicatorFrame::Kind::Overload;
        break;
    case Kind::Unreadable:
        f.kind = IndicatorFrame::Kind::Malformed;
        f.note = "no number";
        break;
    }
    return f;
}
