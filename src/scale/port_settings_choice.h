#pragma once

// The decisions of the port settings window, apart from its widgets: what it
// shows on opening, what it refuses, and what OK writes into the settings.

#include "core/program_config.h"

#include <QString>
#include <QStringList>

struct PortSettingsChoice {
    static constexpr int kPortCount = 16;   // COM1..COM16
    static constexpr int kRatesOffered = 9;  // 110..19200; faster rates only from konfig.ini

    int portIndex = 1;   // 0 = COM1
    int rateIndex = 3;   // 0 = 110; -1 = none offered matches (the configured rate stays)
    int connection = 0;  // 0 RS-232, 1 Ethernet
    QString device;      // empty = the default device of the COM number
    QString ipAddress;
    QString ipPort;      // as typed

    // How the indicator speaks (group "Protokół wagi").
    int protocol = 0;         // IndicatorProtocol
    QString request;          // escaped as typed: "SI\r\n"
    int requestIntervalMs = 200;
    QString framePattern;
    QString stableText;
    bool onlyStable = false;
    int detectedRate = 0;     // a BaudRate number found by "Wykryj" (may be above the offered ones); 0 = none
    int modbusUnit = 1;
    int modbusRegister = 0;
    int modbusRegisterKind = 0;
    int modbusFormat = 2;
    int modbusWordOrder = 0;
    QString modbusScale = QStringLiteral("1");  // as typed
    int modbusDecimals = 2;
    int modbusStatusRegister = -1;
    int modbusStableBit = 0;
    int modbusParity = 0;
};

// The rate of entry `rateIndex` of the list (110 for 0).
int OfferedRateBps(int rateIndex);

PortSettingsChoice PresetFromConfig(const ProgramConfig &config);

// The message refusing `choice`, or empty when OK may apply it.
QString RefusalFor(const PortSettingsChoice &choice, const ProgramConfig &config);

// Writes an accepted choice into `config`.
void ApplyChoice(const PortSettingsChoice &choice, ProgramConfig &config);

// Serial devices the system reports, by path, for the device choice.
QStringList AvailableSerialDevices();
