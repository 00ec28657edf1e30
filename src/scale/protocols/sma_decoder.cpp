#include "scale/protocols/sma_decoder.h"

#include "scale/protocols/weight_text.h"

IndicatorFrame DecodeSmaFrame(QByteArrayView frame)
{
    if (frame.size() < 3 || frame.front() != '\n' || frame.back() != '\r')
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("no LF..CR"));
    const QByteArrayView body = frame.sliced(1, frame.size() - 2);
    if (body == "?")
        return FrameWithNote(IndicatorFrame::Kind::Other, QByteArrayLiteral("command not understood"));
    if (frame.size() != kSmaFrameSize) {
        // Identification replies ("SMA:2/1.0") carry a field name and a colon.
        if (body.size() > 1 && body.indexOf(':') > 0)
            return FrameWithNote(IndicatorFrame::Kind::Other, QByteArrayLiteral("information reply"));
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("wrong length"));
    }

    const char s = body[0];
    const char r = body[1];
    const char n = body[2];
    const char m = body[3];
    if ((r < '0' || r > '9') || (m != ' ' && m != 'M') || (n != 'G' && n != 'N' && n != 'g' && n != 'n' && n != 'T'))
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("bad status"));
    switch (s) {
    case 'O':
        return FrameWithNote(IndicatorFrame::Kind::Overload, {});
    case 'U':
        return FrameWithNote(IndicatorFrame::Kind::Underload, {});
    case 'E':
        return FrameWithNote(IndicatorFrame::Kind::Error, QByteArrayLiteral("zero error"));
    case 'I':
        return FrameWithNote(IndicatorFrame::Kind::Error, QByteArrayLiteral("initial zero error"));
    case 'T':
        return FrameWithNote(IndicatorFrame::Kind::Error, QByteArrayLiteral("tare error"));
    case 'Z':
    case ' ':
        break;
    default:
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("bad status"));
    }

    IndicatorFrame f;
    if (!NormaliseWeightText(body.sliced(5, 10), f.weightText))
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("bad weight"));
    const QByteArrayView unit = TrimSpaces(body.sliced(15, 3));
    for (char c : unit)
        if (c <= ' ' || c > '~')
            return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("bad unit"));
    f.unit = UnitText(unit);
    if (n == 'T') {
        // The display shows the tare, not a weight on the platform.
        f.kind = IndicatorFrame::Kind::Other;
        f.tareText = std::move(f.weightText);
        f.weightText.clear();
        f.note = QByteArrayLiteral("tare on display");
        return f;
    }
    f.kind = IndicatorFrame::Kind::Weight;
    f.zero = s == 'Z';
    f.net = n == 'N' || n == 'n';
    f.stability = m == 'M' ? IndicatorFrame::Stability::Moving : IndicatorFrame::Stability::Stable;
    return f;
}
