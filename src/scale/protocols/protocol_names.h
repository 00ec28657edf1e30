#pragma once

// The names of the protocols as the port settings window lists them.

#include "scale/protocols/indicator_frame.h"

#include <QString>

QString ProtocolName(IndicatorProtocol protocol);
