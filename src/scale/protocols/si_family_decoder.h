#pragma once

// The request/reply format common to Polish indicators: the command letters
// ("SI", "S", "SU", "SUI"), a space, a mark, then the weight and its unit:
// "SI ?      -12.345 kg". Mark ' ' stable, '?' unstable, '^' over, 'v' under.
// A letter as mark answers a command without a weight: 'A' accepted,
// 'D' done, 'E' no stable weight in time, 'I' not possible now; "ES" is an
// unknown command.

#include "scale/protocols/indicator_frame.h"

// One line, its CR LF (or bare CR/LF) optional.
IndicatorFrame DecodeSiFamilyLine(QByteArrayView line);
