#include "sim_protocols.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr char kStx = 0x02;
// A request line longer than this is noise, not a command.
constexpr qsizetype kMaxRequest = 64;

struct Mass {
    QByteArray digits;  // "12.34", no sign
    bool negative = false;
};

Mass MassOf(double weight, int decimals)
{
    const double magnitude = std::fabs(weight);
    Mass m;
    m.digits = QByteArray::number(magnitude, 'f', decimals);
    m.negative = weight < 0 && std::llround(magnitude * std::pow(10.0, decimals)) != 0;
    return m;
}

QByteArray SignedMass(double weight, int decimals)
{
    const Mass m = MassOf(weight, decimals);
    return (m.negative ? "-" : "") + m.digits;
}

bool Metric(const QByteArray &unit)
{
    return unit == "kg" || unit == "g" || unit == "t";
}

}  // namespace

QByteArray ToledoFrame(const Sample &sample, const FrameStyle &style)
{
    const int d = std::clamp(style.decimals, 0, 5);
    const double scale = std::pow(10.0, d);
    const long long raw = std::llround(std::fabs(sample.weight) * scale);
    const long long tare = style.net ? std::llround(std::fabs(style.tare) * scale) : 0;
    // A: bits 0-2 the decimal point (2 = none, 3 = one decimal ... 7 = five),
    // bits 3-4 the increment (01 = by one), bit 5 always set.
    const char a = char(0x20 | 0x08 | (d == 0 ? 2 : d + 2));
    const bool outOfRange = sample.range != Sample::Range::Normal || raw > 999999;
    char b = 0x20;
    if (style.net)
        b |= 0x01;
    if (sample.weight < 0 && raw != 0)
        b |= 0x02;
    if (outOfRange)
        b |= 0x04;
    if (!sample.stable)
        b |= 0x08;
    if (Metric(style.unit))
        b |= 0x10;  // kg rather than lb
    char c = 0x20;  // bits 0-2: 0 = kg or lb as B says, 1 = g, 2 = t
    if (style.unit == "g")
        c |= 0x01;
    else if (style.unit == "t")
        c |= 0x02;
    QByteArray frame;
    frame += kStx;
    frame += a;
    frame += b;
    frame += c;
    frame += QByteArray::number(std::min(raw, 999999LL)).rightJustified(6, '0');
    frame += QByteArray::number(std::min(tare, 999999LL)).rightJustified(6, '0');
    frame += '\r';
    if (style.checksum) {
        int sum = 0;
        for (const char ch : std::as_const(frame))
            sum += ch & 0x7F;
        frame += char(-sum & 0x7F);
    }
    return frame;
}

QByteArray SmaFrame(const Sample &sample, const FrameStyle &style)
{
    const Mass m = MassOf(sample.weight, style.decimals);
    char status = ' ';
    if (sample.range == Sample::Range::Over)
        status = 'O';
    else if (sample.range == Sample::Range::Under)
        status = 'U';
    else if (std::llround(std::fabs(sample.weight) * std::pow(10.0, style.decimals)) == 0)
        status = 'Z';
    QByteArray frame = "\n";
    frame += status;
    frame += '1';  // the only range
    frame += style.net ? 'N' : 'G';
    frame += sample.stable ? ' ' : 'M';
    frame += ' ';
    frame += ((m.negative ? "-" : "") + m.digits).rightJustified(10);
    frame += style.unit.leftJustified(3, ' ', true);
    frame += '\r';
    return frame;
}

QByteArray SicsFrame(const Sample &sample, const FrameStyle &style)
{
    if (sample.range == Sample::Range::Over)
        return "S +\r\n";
    if (sample.range == Sample::Range::Under)
        return "S -\r\n";
    return QByteArray("S ") + (sample.stable ? 'S' : 'D') + ' ' +
           SignedMass(sample.weight, style.decimals).rightJustified(10) + ' ' + style.unit + "\r\n";
}

QByteArray SiFrame(const Sample &sample, const FrameStyle &style, const QByteArray &command)
{
    char mark = sample.stable ? ' ' : '?';
    if (sample.range == Sample::Range::Over)
        mark = '^';
    else if (sample.range == Sample::Range::Under)
        mark = 'v';
    const Mass m = MassOf(sample.weight, style.decimals);
    return command + ' ' + mark + ' ' + (m.negative ? '-' : ' ') + m.digits.rightJustified(10) + ' ' +
           style.unit.leftJustified(3, ' ', true) + "\r\n";
}

QByteArray ContinuousFrame(SimFamily family, const Sample &sample, const FrameStyle &style)
{
    switch (family) {
    case SimFamily::Toledo:
        return ToledoFrame(sample, style);
    case SimFamily::Sma:
        return SmaFrame(sample, style);
    case SimFamily::Sics:
        return SicsFrame(sample, style);
    case SimFamily::Si:
        return SiFrame(sample, style, "SI");
    }
    return {};
}

QByteArray Junk(SimFamily family, QRandomGenerator &random)
{
    // No digits, signs, points, letters, marks or frame delimiters.
    static const QByteArray kSymbols = "!\"#$%&'()*/:;<=>@[\\]_`{|}~";
    QByteArray junk;
    const int n = int(random.bounded(1, 7));
    for (int i = 0; i < n; ++i) {
        if (random.bounded(4) == 0)
            junk += char(random.bounded(0x80, 0x100));
        else
            junk += kSymbols.at(random.bounded(int(kSymbols.size())));
    }
    if (family == SimFamily::Sics || family == SimFamily::Si)
        junk += "\r\n";
    return junk;
}

Responder::Responder(SimFamily family, const FrameStyle &style, bool continuous, int stableWaitTicks,
                     std::function<bool()> mayAnswer)
    : family_(family), style_(style), continuous_(continuous), stableWaitTicks_(std::max(1, stableWaitTicks)),
      mayAnswer_(std::move(mayAnswer))
{
}

QList<QByteArray> Responder::Receive(QByteArrayView bytes, const Sample &current)
{
    QList<QByteArray> answers;
    for (const char ch : bytes) {
        const bool end = family_ == SimFamily::Sma ? ch == '\r' : (ch == '\r' || ch == '\n');
        if (!end) {
            // SMA requests start with LF; a new LF starts a new request.
            if (family_ == SimFamily::Sma && ch == '\n')
                buffer_.clear();
            else if (buffer_.size() < kMaxRequest)
                buffer_ += ch;
            continue;
        }
        const QByteArray command = buffer_.trimmed();
        buffer_.clear();
        if (!command.isEmpty() && (!mayAnswer_ || mayAnswer_()))
            Request(command, current, answers);
    }
    return answers;
}

void Responder::Request(const QByteArray &command, const Sample &current, QList<QByteArray> &answers)
{
    switch (family_) {
    case SimFamily::Sma:
        answers += command == "W" ? SmaFrame(current, style_) : QByteArray("\n?\r");
        return;
    case SimFamily::Sics:
        if (command == "SI")
            answers += SicsFrame(current, style_);
        else if (command == "S")
            waitingTicks_ = 0;
        else
            answers += "ES\r\n";
        break;
    case SimFamily::Si:
        if (command == "SI") {
            answers += SiFrame(current, style_, "SI");
        } else if (command == "S") {
            waitingTicks_ = 0;
        } else if (command == "C1" || command == "C0") {
            continuous_ = command == "C1";
            answers += command + " A\r\n";
        }
        break;
    case SimFamily::Toledo:
        return;
    }
    // A stable or out-of-range weight answers at once.
    if (waitingTicks_ == 0) {
        const QByteArray now = StableAnswer(current);
        if (!now.isEmpty()) {
            answers += now;
            waitingTicks_ = -1;
        }
    }
}

QByteArray Responder::StableAnswer(const Sample &current) const
{
    if (!current.stable && current.range == Sample::Range::Normal)
        return {};
    return family_ == SimFamily::Si ? SiFrame(current, style_, "S") : SicsFrame(current, style_);
}

Responder::TickOutput Responder::Tick(const Sample &current)
{
    TickOutput out;
    if (waitingTicks_ >= 0) {
        const QByteArray now = StableAnswer(current);
        if (!now.isEmpty()) {
            out.answers += now;
            waitingTicks_ = -1;
        } else if (++waitingTicks_ >= stableWaitTicks_) {
            // SICS says it cannot; the si family simply never answers.
            if (family_ == SimFamily::Sics)
                out.answers += "S I\r\n";
            waitingTicks_ = -1;
        }
    }
    if (continuous_)
        out.frame = ContinuousFrame(family_, current, style_);
    return out;
}
