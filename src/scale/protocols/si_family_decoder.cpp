#include "scale/protocols/si_family_decoder.h"

#include "scale/protocols/reply_line.h"
#include "scale/protocols/weight_text.h"

namespace {

bool IsWeightCommand(QByteArrayView id)
{
    return id == "SI" || id == "S" || id == "SU" || id == "SUI";
}

}  // namespace

IndicatorFrame DecodeSiFamilyLine(QByteArrayView line)
{
    using Kind = IndicatorFrame::Kind;
    ReplyLine r;
    if (!SplitReplyLine(line, r))
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("not a reply line"));
    if (r.id == "ES" && (r.status == 0 || (r.status == ' ' && TrimSpaces(r.rest).isEmpty())))
        return FrameWithNote(Kind::Error, QByteArrayLiteral("unknown command"));
    if (r.status == 0)
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("no mark"));
    const bool nothingAfter = TrimSpaces(r.rest).isEmpty();

    // A letter answers the command itself.
    if (r.status >= 'A' && r.status <= 'Z') {
        if (!nothingAfter)
            return FrameWithNote(Kind::Malformed, QByteArrayLiteral("text after the answer"));
        switch (r.status) {
        case 'A':
            return FrameWithNote(Kind::Other, QByteArrayLiteral("command accepted"));
        case 'D':
            return FrameWithNote(Kind::Other, QByteArrayLiteral("command done"));
        case 'E':
            return FrameWithNote(IsWeightCommand(r.id) ? Kind::Error : Kind::Other,
                         QByteArrayLiteral("no stable result in time"));
        case 'I':
            return FrameWithNote(IsWeightCommand(r.id) ? Kind::Error : Kind::Other, QByteArrayLiteral("not possible now"));
        default:
            return FrameWithNote(Kind::Malformed, QByteArrayLiteral("unknown answer"));
        }
    }
    if (!IsWeightCommand(r.id))
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("weight for another command"));

    IndicatorFrame f;
    switch (r.status) {
    case ' ':
        f.stability = IndicatorFrame::Stability::Stable;
        break;
    case '?':
        f.stability = IndicatorFrame::Stability::Moving;
        break;
    case '^':
    case 'v':
        // The weight after an over/under mark is not to be shown; it may be absent.
        if (!nothingAfter && !SplitWeightAndUnit(r.rest, f.weightText, f.unit, {.spaceAfterSign = true}))
            return FrameWithNote(Kind::Malformed, QByteArrayLiteral("bad weight or unit"));
        f.weightText.clear();
        f.kind = r.status == '^' ? Kind::Overload : Kind::Underload;
        return f;
    default:
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("bad mark"));
    }
    if (r.rest.isEmpty() || r.rest.front() != ' ' ||
        !SplitWeightAndUnit(r.rest, f.weightText, f.unit, {.spaceAfterSign = true}))
        return FrameWithNote(Kind::Malformed, QByteArrayLiteral("bad weight or unit"));
    f.kind = Kind::Weight;
    return f;
}
