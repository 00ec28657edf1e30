#pragma once

// Helpers shared by the indicator decoders: the weight text in the one form
// the display uses, and units without a copy for the common ones.

#include <QByteArray>
#include <QByteArrayView>

struct WeightSyntax {
    bool spaceAfterSign = false;  // "-    12.5": the sign sits in a fixed column
    bool commaDecimal = false;   // "12,5" as well as "12.5"
};

// Spaces around, an optional sign, digits with at most one decimal point.
// On success `out` is the normal form: no '+', no leading zeros but one
// before the point, no sign on zero, decimals as sent.
bool NormaliseWeightText(QByteArrayView text, QByteArray &out, WeightSyntax syntax = {});

// The unit as a QByteArray; the usual ones share static data.
QByteArray UnitText(QByteArrayView unit);

QByteArrayView TrimSpaces(QByteArrayView s);

// "    12.34 kg" -> weight "12.34", unit "kg". The unit is the last word and
// is required; false when either part is missing or the weight is no number.
bool SplitWeightAndUnit(QByteArrayView rest, QByteArray &weight, QByteArray &unit, WeightSyntax syntax = {});
