#pragma once

// Lines of an indicator the program knows no family for, read with a
// regular expression of the user's: named groups "waga" (the weight,
// required), "jednostka" (the unit) and "stabilny" (stability).

#include "scale/protocols/indicator_frame.h"

#include <QRegularExpression>

class PatternDecoder {
public:
    // stableText: what the "stabilny" group holds when the weight is stable;
    // empty: any text there means stable.
    PatternDecoder(const QByteArray &pattern, const QByteArray &stableText);

    bool IsValid() const { return problem_.isEmpty(); }
    // Why the pattern cannot be used (empty when it can).
    const QByteArray &Problem() const { return problem_; }

    // One line, its line end optional.
    IndicatorFrame Decode(QByteArrayView line) const;

private:
    QRegularExpression regex_;
    QByteArray stableText_;
    QByteArray problem_;
    bool hasUnit_ = false;
    bool hasStable_ = false;
};
