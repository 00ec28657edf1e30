#include "scale/protocols/sics_decoder.h"

#include "scale/protocols/reply_line.h"
#include "scale/protocols/weight_text.h"

namespace {

bool IsWeightReply(QByteArrayView id)
{
    return id == "S" || id == "SI" || id == "SU" || id == "SIU";
}

}  // namespace

IndicatorFrame DecodeSicsLine(QByteArrayView line)
{
    using Kind = IndicatorFrame::Kind;
    ReplyLine r;
    if (!SplitReplyLine(line, r))
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("not a reply line"));
    const bool bare = r.status == 0 || (r.status == ' ' && TrimSpaces(r.rest).isEmpty());
    if (r.id == "ES" || r.id == "EL" || r.id == "ET") {
        if (!bare)
            return FrameWithNote(Kind::Malformed, QByteArrayLiteral("text after an error reply"));
        return FrameWithNote(Kind::Error, r.id == "ES"   ? QByteArrayLiteral("syntax error")
                                  : r.id == "EL" ? QByteArrayLiteral("logical error")
                                                 : QByteArrayLiteral("transmission error"));
    }
    if (r.status == 0)
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("no status"));
    const bool nothingAfter = TrimSpaces(r.rest).isEmpty();
    if (!IsWeightReply(r.id)) {
        switch (r.status) {
        case 'A':
        case 'B':
        case 'S':
        case 'D':
        case 'I':
        case 'L':
        case '+':
        case '-':
            return FrameWithNote(Kind::Other, QByteArrayLiteral("reply without a weight"));
        default:
            return FrameWithNote(Kind::Malformed, QByteArrayLiteral("bad status"));
        }
    }
    switch (r.status) {
    case 'S':
    case 'D': {
        if (r.rest.isEmpty() || r.rest.front() != ' ')
            return FrameWithNote(Kind::Malformed, QByteArrayLiteral("no weight"));
        IndicatorFrame f;
        if (!SplitWeightAndUnit(r.rest, f.weightText, f.unit))
            return FrameWithNote(Kind::Malformed, QByteArrayLiteral("bad weight or unit"));
        f.kind = Kind::Weight;
        f.stability = r.status == 'S' ? IndicatorFrame::Stability::Stable : IndicatorFrame::Stability::Moving;
        return f;
    }
    case 'I':
        return nothingAfter ? FrameWithNote(Kind::Error, QByteArrayLiteral("not executable now"))
                            : FrameWithNote(Kind::Malformed, QByteArrayLiteral("text after status"));
    case '+':
        return nothingAfter ? FrameWithNote(Kind::Overload) : FrameWithNote(Kind::Malformed, QByteArrayLiteral("text after status"));
    case '-':
        return nothingAfter ? FrameWithNote(Kind::Underload) : FrameWithNote(Kind::Malformed, QByteArrayLiteral("text after status"));
    default:
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("bad status"));
    }
}
