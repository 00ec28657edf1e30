#pragma once

// The SMA serial protocol's weight reply:
// LF, status s r n m f, a 10-character weight, a 3-character unit, CR.
// s: 'Z' centre of zero, 'O' over, 'U' under, 'E' zero error, 'I' initial
// zero error, 'T' tare error, ' ' none; r: range digit; n: 'G'/'N' gross/net
// ('g'/'n' in high resolution), 'T' the tare on display; m: 'M' motion or ' '.

#include "scale/protocols/indicator_frame.h"

inline constexpr qsizetype kSmaFrameSize = 20;  // LF..CR

// One frame as received, LF first and CR last.
IndicatorFrame DecodeSmaFrame(QByteArrayView frame);
