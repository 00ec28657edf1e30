#pragma once

// How the station's indicator speaks: the protocol, the request sent to it
// and how often. Read from konfig.ini; the link settings stay in ScaleLinkSettings.

#include "scale/protocols/indicator_frame.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

struct ProgramConfig;

struct ProtocolSettings {
    static constexpr int kMinIntervalMs = 50;
    static constexpr int kMaxIntervalMs = 5000;

    IndicatorProtocol protocol = IndicatorProtocol::Standard;
    QByteArray request;           // the bytes sent; empty = the indicator is never asked
    int requestIntervalMs = 200;  // also the time an answer is awaited
    QByteArray framePattern;      // user pattern (cp1250 as stored)
    QByteArray stableText;
    bool onlyStable = false;

    static ProtocolSettings FromConfig(const ProgramConfig &config);

    bool IsModbus() const
    {
        return protocol == IndicatorProtocol::ModbusRtu || protocol == IndicatorProtocol::ModbusTcp;
    }
    // The program sends requests itself (Modbus polls in its own link).
    bool SendsRequests() const { return !IsModbus() && !request.isEmpty(); }
    // A reading is expected at least every few seconds, so silence means no reading.
    bool ExpectsSteadyReadings() const { return protocol != IndicatorProtocol::Standard || SendsRequests(); }
};

// "\r", "\n", "\t", "\\" and "\xHH" (two hex digits) become their bytes;
// any other byte stands for itself. nullopt for a broken escape.
std::optional<QByteArray> UnescapeRequest(QByteArrayView text);
// The inverse, for showing a request in the window: printable ASCII as is,
// the rest as escapes.
QByteArray EscapeRequest(QByteArrayView bytes);
