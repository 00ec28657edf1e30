#pragma once

#include "scale/protocols/indicator_frame.h"

#include <QString>

// The name the user sees for a protocol (settings, detection, the monitor);
// empty for a value outside the enum (a hand-edited konfig.ini).
QString ProtocolName(IndicatorProtocol protocol);
