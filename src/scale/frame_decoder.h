#pragma once

// Classifies one scale line and works out the weight it shows. A pure
// function: logging, the display and automatic adding are applied by
// ScaleInput.

#include <QByteArray>

inline constexpr char kOverloadText[] = "* * * * *";
inline constexpr char kNoReadingText[] = "- - - - -";

struct DecodedLine {
    enum class Kind {
        Empty,       // nothing to show; only the frame time moves
        Record,      // a numbered weighing record: number + weight
        Weight,      // a readable weight within the maximum
        Overload,    // a readable weight above the maximum
        Unreadable,  // the display empties
    };
    Kind kind = Kind::Empty;
    QByteArray displayText;   // Weight: the cleaned text with '.'; Overload: kOverloadText
    double value = 0.0;       // Weight, Overload
    int massDecimals = -1;    // new decimals, or -1 when they stay
    QByteArray recordNumber;  // Record
    QByteArray recordWeight;  // Record: the weight text as received
};

DecodedLine DecodeLine(QByteArrayView line, int maxMass);

// The weighing record test alone (number, spaces, a number).
bool ParseWeighingRecord(QByteArrayView line, QByteArray &number, QByteArray &weight);
