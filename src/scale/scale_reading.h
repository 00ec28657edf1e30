#pragma once

// The current weight state. DisplayText is the single source of the current
// weight: every consumer reads the text shown and parses it.

#include "scale/protocols/indicator_frame.h"

#include <QByteArray>
#include <QDateTime>

struct ScaleReading {
    QByteArray displayText = "0.00";
    QByteArray unit = "kg";
    int massDecimals = 2;
    QByteArray tareText = "0.00";
    QDateTime lastFrameTime;
    QDateTime lastRecordTime;
    // What the indicator says of the shown weight; Unknown where its frames
    // carry no such flag (the standard line format).
    IndicatorFrame::Stability stability = IndicatorFrame::Stability::Unknown;

    // A mass is shown (not overload, not "no reading", not empty).
    bool HasMass() const;
};

class UserPrompts;

// "Tara ": the shown weight becomes the tare. False (and "Brak pomiaru!")
// when no weight is shown.
bool SetTareFromDisplay(ScaleReading &reading, UserPrompts &prompts);

// A click on the tare figure: the tare typed in the input window.
// False when cancelled or refused ("Błędna wartość!").
bool EditTare(ScaleReading &reading, UserPrompts &prompts);
