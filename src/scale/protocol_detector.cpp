#include "scale/protocol_detector.h"

#include "scale/frame_decoder.h"
#include "scale/protocols/weight_text.h"

#include <algorithm>
#include <limits>

namespace {

// Families that send by themselves or answer a request, in the order of preference on a tie.
constexpr IndicatorProtocol kStreamFamilies[] = {IndicatorProtocol::ToledoContinuous, IndicatorProtocol::Sma,
                                                 IndicatorProtocol::Sics, IndicatorProtocol::SiFamily};

bool IsWeightKind(IndicatorFrame::Kind k)
{
    using Kind = IndicatorFrame::Kind;
    return k == Kind::Weight || k == Kind::Overload || k == Kind::Underload;
}

// "0012.50" -> "12.50", "-000,5" -> "-0.5": the frame form of a weight, as the decoders give it.
QByteArray FrameWeight(const QByteArray &text)
{
    QByteArray normal;
    return NormaliseWeightText(text, normal, {.commaDecimal = true}) ? normal : text;
}

// A standard line in the frame form, so samples of every family look alike.
IndicatorFrame FrameOfLine(const DecodedLine &d)
{
    IndicatorFrame f;
    switch (d.kind) {
    case DecodedLine::Kind::Record:
        f.kind = IndicatorFrame::Kind::Weight;
        f.weightText = FrameWeight(d.recordWeight);
        break;
    case DecodedLine::Kind::Weight:
        f.kind = IndicatorFrame::Kind::Weight;
        f.weightText = FrameWeight(d.displayText);
        break;
    case DecodedLine::Kind::Overload:
        f.kind = IndicatorFrame::Kind::Overload;
        break;
    default:
        f.note = "unreadable line";
        break;
    }
    return f;
}

}  // namespace

ProtocolDetector::ProtocolDetector(LinkFactory links, ScaleLinkSettings settings, DecoderFactory decoders,
                                   QObject *parent)
    : QObject(parent), links_(std::move(links)), settings_(std::move(settings))
{
    for (const IndicatorProtocol p : kStreamFamilies) {
        Candidate c;
        c.protocol = p;
        c.decoder = decoders ? decoders(p) : nullptr;
        if (c.decoder)
            candidates_.push_back(std::move(c));
    }
    Candidate standard;
    standard.protocol = IndicatorProtocol::Standard;
    candidates_.push_back(std::move(standard));

    // Families that share a request are asked together; their answers' shapes tell them apart.
    for (const Candidate &c : candidates_) {
        const QByteArray request = c.decoder ? UsualRequest(c.protocol) : QByteArray();
        if (request.isEmpty())
            continue;
        auto same = std::find_if(groups_.begin(), groups_.end(),
                                 [&request](const RequestGroup &g) { return g.request == request; });
        if (same == groups_.end())
            groups_.push_back({request, {c.protocol}});
        else
            same->families.append(c.protocol);
    }

    phaseTimer_.setSingleShot(true);
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
    connect(&phaseTimer_, &QTimer::timeout, this, &ProtocolDetector::OnPhaseTimeout);
    connect(&deadline_, &QTimer::timeout, this, &ProtocolDetector::OnDeadline);
}

ProtocolDetector::~ProtocolDetector()
{
    if (link_) {
        disconnect(link_.get(), nullptr, this, nullptr);
        link_->Close();
    }
}

ProtocolDetector::LinkFactory ProtocolDetector::RealLinks()
{
    // Detection reads bytes: never a Modbus link, whatever the settings say.
    return [](ScaleLinkSettings s) {
        s.protocol = int(IndicatorProtocol::Standard);
        return MakeScaleLink(s);
    };
}

QList<int> ProtocolDetector::RatesToTry(const ScaleLinkSettings &settings)
{
    if (settings.connection == ScaleLinkSettings::Ethernet)
        return {settings.rate};
    QList<int> rates;
    if (settings.rate >= br110 && settings.rate <= br115200)
        rates.append(settings.rate);
    for (const int r : {br9600, br4800, br19200, br2400, br1200, br38400, br57600, br115200})
        if (!rates.contains(r))
            rates.append(r);
    return rates;
}

void ProtocolDetector::Start()
{
    if (IsRunning())
        return;
    rates_ = RatesToTry(settings_);
    rateIndex_ = -1;
    deadline_.start(timing_.deadlineMs);
    NextRate();
}

void ProtocolDetector::Cancel()
{
    phaseTimer_.stop();
    deadline_.stop();
    DropLink();
    phase_ = Phase::Idle;
}

void ProtocolDetector::NextRate()
{
    DropLink();
    ++rateIndex_;
    if (rateIndex_ >= rates_.size() || !links_) {
        Finish(nullptr);
        return;
    }
    ScaleLinkSettings s = settings_;
    s.rate = rates_[rateIndex_];
    link_ = links_(s);
    if (!link_) {
        phase_ = Phase::LinkLost;
        phaseTimer_.start(0);
        return;
    }
    lines_ = LineAssembler(link_->IsSocket() ? LineAssembler::Source::Socket : LineAssembler::Source::Serial);
    connect(link_.get(), &ScaleLink::opened, this, &ProtocolDetector::OnOpened);
    connect(link_.get(), &ScaleLink::failed, this, &ProtocolDetector::OnFailed);
    connect(link_.get(), &ScaleLink::bytesArrived, this, &ProtocolDetector::OnBytes);
    phase_ = Phase::Opening;
    phaseTimer_.start(timing_.openMs);
    link_->Open();
}

void ProtocolDetector::OnOpened()
{
    if (phase_ != Phase::Opening)
        return;
    ResetCounts();
    groupIndex_ = -1;
    listenedLonger_ = false;
    phase_ = Phase::Listening;
    phaseTimer_.start(timing_.listenMs);
    emit listening(rates_[rateIndex_]);
}

void ProtocolDetector::OnFailed()
{
    // Moving on is left to the timer: the link may be in the middle of emitting.
    if (phase_ == Phase::Idle || phase_ == Phase::LinkLost)
        return;
    phase_ = Phase::LinkLost;
    phaseTimer_.start(0);
}

void ProtocolDetector::OnBytes(const QByteArray &bytes)
{
    emit bytesReceived(bytes);
    if (phase_ != Phase::Listening && phase_ != Phase::Asking)
        return;
    for (Candidate &c : candidates_) {
        if (c.decoder) {
            c.decoder->Feed(bytes, [this, &c](QByteArrayView, const IndicatorFrame &f) { Count(c, f); });
        } else {
            for (const QByteArray &line : lines_.Feed(bytes)) {
                const DecodedLine d = DecodeLine(line, std::numeric_limits<int>::max());
                if (d.kind != DecodedLine::Kind::Empty)
                    Count(c, FrameOfLine(d));
            }
        }
    }
    if (phase_ == Phase::Asking && answered_) {
        // Enough already, or the next request at once rather than after the whole wait.
        if (const Candidate *best = Best(Allowed()))
            Finish(best);
        else
            phaseTimer_.start(0);
    }
}

void ProtocolDetector::Count(Candidate &c, const IndicatorFrame &frame)
{
    if (frame.kind == IndicatorFrame::Kind::Malformed) {
        ++c.malformed;
        return;
    }
    ++c.good;
    if (IsWeightKind(frame.kind))
        ++c.weights;
    c.samples.append(frame);
    if (c.samples.size() > kMaxSamples)
        c.samples.removeFirst();
    if (phase_ == Phase::Asking && groups_[size_t(groupIndex_)].families.contains(c.protocol))
        answered_ = true;
}

void ProtocolDetector::ResetCounts()
{
    for (Candidate &c : candidates_) {
        if (c.decoder)
            c.decoder->Clear();
        c.weights = c.good = c.malformed = 0;
        c.samples.clear();
    }
    lines_.Clear();
}

QList<IndicatorProtocol> ProtocolDetector::Allowed() const
{
    if (phase_ == Phase::Asking)
        return groups_[size_t(groupIndex_)].families;
    if (phase_ != Phase::Listening)
        return {};
    QList<IndicatorProtocol> all;
    for (const Candidate &c : candidates_)
        all.append(c.protocol);
    return all;
}

const ProtocolDetector::Candidate *ProtocolDetector::Best(const QList<IndicatorProtocol> &allowed) const
{
    const auto enough = [](const Candidate &c) { return c.weights >= kWeightFramesNeeded && c.good > c.malformed; };
    const Candidate *best = nullptr;
    const Candidate *standard = nullptr;
    for (const Candidate &c : candidates_) {
        if (!allowed.contains(c.protocol) || !enough(c))
            continue;
        // The line format reads a number out of almost anything: it is chosen
        // only when no family of its own recognises the stream.
        if (!c.decoder) {
            standard = &c;
            continue;
        }
        const int margin = c.good - c.malformed;
        if (!best || margin > best->good - best->malformed ||
            (margin == best->good - best->malformed && c.weights > best->weights))
            best = &c;
    }
    return best ? best : standard;
}

bool ProtocolDetector::Promising() const
{
    return std::any_of(candidates_.begin(), candidates_.end(),
                       [](const Candidate &c) { return c.weights > 0 && c.good > c.malformed; });
}

void ProtocolDetector::OnPhaseTimeout()
{
    switch (phase_) {
    case Phase::Idle:
        return;
    case Phase::Opening:
    case Phase::LinkLost:
        NextRate();
        return;
    case Phase::Listening:
        if (const Candidate *best = Best(Allowed())) {
            Finish(best);
        } else if (!listenedLonger_ && Promising()) {
            // A slow rate carries only a frame or two in one window: listen once more.
            listenedLonger_ = true;
            phaseTimer_.start(timing_.listenMs);
        } else {
            NextRequestGroup();
        }
        return;
    case Phase::Asking:
        if (!answered_ || sends_ >= kMaxRequests)
            NextRequestGroup();
        else
            SendRequest();
        return;
    }
}

void ProtocolDetector::NextRequestGroup()
{
    ++groupIndex_;
    if (groupIndex_ >= qsizetype(groups_.size())) {
        NextRate();
        return;
    }
    phase_ = Phase::Asking;
    ResetCounts();
    sends_ = 0;
    emit requesting(rates_[rateIndex_], groups_[size_t(groupIndex_)].families);
    SendRequest();
}

void ProtocolDetector::SendRequest()
{
    const QByteArray &request = groups_[size_t(groupIndex_)].request;
    answered_ = false;
    ++sends_;
    if (!link_ || !link_->Write(request)) {
        phase_ = Phase::LinkLost;
        phaseTimer_.start(0);
        return;
    }
    emit bytesSent(request);
    phaseTimer_.start(timing_.answerMs);
}

void ProtocolDetector::OnDeadline()
{
    Finish(Best(Allowed()));
}

void ProtocolDetector::Finish(const Candidate *found)
{
    DetectionResult result;
    if (found) {
        result.found = true;
        result.protocol = found->protocol;
        result.rate = rates_[rateIndex_];
        result.samples = found->samples;
        if (phase_ == Phase::Asking)
            result.request = groups_[size_t(groupIndex_)].request;
    } else {
        result.rate = settings_.rate;
    }
    phaseTimer_.stop();
    deadline_.stop();
    DropLink();
    phase_ = Phase::Idle;
    emit finished(result);
}

void ProtocolDetector::DropLink()
{
    if (!link_)
        return;
    disconnect(link_.get(), nullptr, this, nullptr);
    link_->Close();
    // Not deleted here: this may run inside one of the link's own signals.
    link_.release()->deleteLater();
}
