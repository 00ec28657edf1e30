#include "scale/protocols/pattern_decoder.h"

#include "scale/protocols/weight_text.h"

#include <QString>

// Bytes map one to one onto Latin-1 characters, so pattern and line compare
// byte for byte whatever their code page.
PatternDecoder::PatternDecoder(const QByteArray &pattern, const QByteArray &stableText)
    : regex_(QString::fromLatin1(pattern)), stableText_(TrimSpaces(stableText).toByteArray())
{
    if (pattern.isEmpty()) {
        problem_ = QByteArrayLiteral("empty pattern");
        return;
    }
    if (!regex_.isValid()) {
        problem_ = "invalid pattern at " + QByteArray::number(regex_.patternErrorOffset()) + ": " +
                   regex_.errorString().toLatin1();
        return;
    }
    const QStringList names = regex_.namedCaptureGroups();
    if (!names.contains(QStringLiteral("waga"))) {
        problem_ = QByteArrayLiteral("pattern has no group named waga");
        return;
    }
    hasUnit_ = names.contains(QStringLiteral("jednostka"));
    hasStable_ = names.contains(QStringLiteral("stabilny"));
    regex_.optimize();
}

IndicatorFrame PatternDecoder::Decode(QByteArrayView line) const
{
    IndicatorFrame f;
    if (!IsValid()) {
        f.note = problem_;
        return f;
    }
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
        line.chop(1);
    const QRegularExpressionMatch m = regex_.match(QString::fromLatin1(line));
    if (!m.hasMatch()) {
        f.note = QByteArrayLiteral("line does not match the pattern");
        return f;
    }
    const QByteArray weight = m.captured(u"waga").toLatin1();
    if (!NormaliseWeightText(weight, f.weightText, {.spaceAfterSign = true, .commaDecimal = true})) {
        f.weightText.clear();
        f.note = QByteArrayLiteral("group waga holds no number");
        return f;
    }
    if (hasUnit_)
        f.unit = UnitText(TrimSpaces(m.captured(u"jednostka").toLatin1()));
    if (hasStable_) {
        const QByteArray mark = m.captured(u"stabilny").toLatin1();
        const QByteArrayView trimmed = TrimSpaces(mark);
        const bool stable = stableText_.isEmpty() ? !trimmed.isEmpty() : trimmed == stableText_;
        f.stability = stable ? IndicatorFrame::Stability::Stable : IndicatorFrame::Stability::Moving;
    }
    f.kind = IndicatorFrame::Kind::Weight;
    return f;
}
