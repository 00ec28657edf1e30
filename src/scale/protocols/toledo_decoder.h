#pragma once

// The Toledo-style continuous output: STX, status words A, B, C, six weight
// digits, six tare digits, CR and, when the indicator is set so, a checksum
// byte that makes the 7-bit sum of STX..checksum zero.

#include "scale/protocols/indicator_frame.h"

inline constexpr qsizetype kToledoFrameSize = 17;  // STX..CR, without the checksum

// One frame as received, STX first, with or without its checksum byte.
IndicatorFrame DecodeToledoFrame(QByteArrayView frame);

// The checksum byte that would follow STX..CR (the 7-bit two's complement of their sum).
char ToledoChecksum(QByteArrayView stxToCr);
