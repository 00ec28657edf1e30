#pragma once

// MT-SICS style replies: "S S     12.34 kg" (stable), "S D     12.35 kg"
// (dynamic), "S I" (not executable now), "S +" / "S -" (over / under the
// range), "ES" / "EL" / "ET" (syntax, logical, transmission error). Replies
// to other commands ("Z A", "I4 A ...") carry no weight.

#include "scale/protocols/indicator_frame.h"

// One line, its CR LF (or bare CR/LF) optional.
IndicatorFrame DecodeSicsLine(QByteArrayView line);
