#include "scale/frame_decoder.h"

#include "core/number_forms.h"
#include "core/text.h"

#include <algorithm>

namespace {

constexpr qsizetype kLookedAt = 200;  // only this much of a line counts

QByteArrayView SkipLeadingSpaces(QByteArrayView s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.sliced(i);
}

bool IsDecimalInteger(QByteArrayView s)
{
    qsizetype i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    if (i == s.size())
        return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483648LL)  // beyond a 32-bit record number
            return false;
    }
    return true;
}

bool IsNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == ',' || c == '.';
}

}  // namespace

bool ParseWeighingRecord(QByteArrayView line, QByteArray &number, QByteArray &weight)
{
    const QByteArrayView t = SkipLeadingSpaces(line);
    const qsizetype space = t.indexOf(' ');
    if (space < 0 || !IsDecimalInteger(t.first(space)))
        return false;
    qsizetype i = space;
    while (i < t.size() && t[i] == ' ')
        ++i;
    qsizetype end = i;
    while (end < t.size() && IsNumberChar(t[end]))
        ++end;
    const QByteArrayView run = t.sliced(i, std::min(end - i, kLookedAt));
    if (!ParseReal(run))
        return false;
    number = t.first(space).toByteArray();
    weight = run.toByteArray();
    return true;
}

DecodedLine DecodeLine(QByteArrayView line, int maxMass)
{
    DecodedLine out;
    if (line.isEmpty())
        return out;

    if (ParseWeighingRecord(line, out.recordNumber, out.recordWeight)) {
        out.kind = DecodedLine::Kind::Record;
        out.massDecimals = DecimalsOf(StripSpaces(out.recordWeight));
        return out;
    }

    // "ST,"/"US," then "GS"/"NT": commas go, the four marker letters go.
    QByteArray weightText;
    const QByteArray packed = StripSpaces(line);
    const bool header = packed.size() >= 5 && (packed.startsWith("ST,") || packed.startsWith("US,")) &&
                        (packed.mid(3, 2) == "GS" || packed.mid(3, 2) == "NT");
    if (header) {
        weightText = packed;
        weightText.replace(",", "");
        weightText.remove(0, 4);
    } else {
        weightText = line.toByteArray();
    }

    QByteArrayView lookedAt = SkipLeadingSpaces(weightText);
    if (lookedAt.size() > kLookedAt)
        lookedAt = lookedAt.first(kLookedAt);
    QByteArray cleaned;
    for (char c : lookedAt)
        if ((c >= '0' && c <= '9') || c == ',' || c == '-' || c == '.')
            cleaned.append(c);

    const auto value = ParseReal(cleaned);
    if (!value) {
        out.kind = DecodedLine::Kind::Unreadable;
        return out;
    }
    out.value = *value;
    out.massDecimals = DecimalsOf(cleaned);
    if (*value > maxMass) {
        out.kind = DecodedLine::Kind::Overload;
        out.displayText = kOverloadText;
    } else {
        out.kind = DecodedLine::Kind::Weight;
        out.displayText = CommaToDot(cleaned);
    }
    return out;
}
