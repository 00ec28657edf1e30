#include "scale/port_settings_choice.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "scale/protocol_settings.h"

#include <QRegularExpression>

#include <QSerialPortInfo>

#include <cmath>
#include <optional>

namespace {

std::optional<int> ParsePort(const QString &text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

std::optional<double> ParseScale(const QString &text)
{
    const auto x = ParseNumber(text.trimmed().toLatin1());
    if (!x || *x == 0 || !std::isfinite(*x))
        return std::nullopt;
    return x;
}

bool ValidRequest(const QString &text)
{
    return cp1250::CanEncode(text) && UnescapeRequest(cp1250::EncodeLossy(text)).has_value();
}

bool ValidPattern(const QString &text)
{
    const QRegularExpression re(text);
    return re.isValid() && re.namedCaptureGroups().contains(QStringLiteral("waga")) && cp1250::CanEncode(text);
}

bool ValidAddress(const QString &text)
{
    const QString a = text.trimmed();
    return !a.isEmpty() && !a.contains(' ') && cp1250::CanEncode(a);
}

}  // namespace

int OfferedRateBps(int rateIndex)
{
    return BaudRateText(rateIndex + 1).toInt();
}

PortSettingsChoice PresetFromConfig(const ProgramConfig &config)
{
    PortSettingsChoice c;
    const int number = config.scalePort.PortNumber();
    c.portIndex = number >= 1 && number <= PortSettingsChoice::kPortCount ? number - 1 : 0;
    const int rate = config.scalePort.rate;
    c.rateIndex = rate >= 1 && rate <= PortSettingsChoice::kRatesOffered ? rate - 1 : -1;
    c.connection = config.scaleConnection == 1 ? 1 : 0;
    c.device = cp1250::Decode(config.scaleDevice);
    c.ipAddress = cp1250::Decode(config.scaleIpAddress);
    c.ipPort = QString::number(config.scaleIpPort);
    c.protocol = config.scaleProtocol;
    c.request = cp1250::Decode(config.scaleRequest);
    c.requestIntervalMs = config.scaleRequestMs;
    c.framePattern = cp1250::Decode(config.scaleFramePattern);
    c.stableText = cp1250::Decode(config.scaleStableText);
    c.onlyStable = config.onlyStable;
    c.modbusUnit = config.modbusUnit;
    c.modbusRegister = config.modbusRegister;
    c.modbusRegisterKind = config.modbusRegisterKind;
    c.modbusFormat = config.modbusFormat;
    c.modbusWordOrder = config.modbusWordOrder;
    c.modbusScale = QString::fromLatin1(QByteArray::number(config.modbusScale, 'g', 12));
    c.modbusDecimals = config.modbusDecimals;
    c.modbusStatusRegister = config.modbusStatusRegister;
    c.modbusStableBit = config.modbusStableBit;
    c.modbusParity = config.modbusParity;
    return c;
}

QString RefusalFor(const PortSettingsChoice &choice, const ProgramConfig &config)
{
    if (choice.portIndex + 1 == config.printerPort.PortNumber())
        return QStringLiteral("Pilot wagi i drukarka nie mogą być połączone do tego samego portu RS!");
    if (!cp1250::CanEncode(choice.device.trimmed()))
        return QStringLiteral("Nazwa urządzenia zawiera niedozwolone znaki!");
    if (choice.connection == 1 && (!ValidAddress(choice.ipAddress) || !ParsePort(choice.ipPort)))
        return QStringLiteral("Nieprawidłowy adres IP lub port docelowy!");
    if (!ValidRequest(choice.request))
        return QStringLiteral("Nieprawidłowe zapytanie wagi!");
    if (choice.protocol == int(IndicatorProtocol::UserPattern) && !ValidPattern(choice.framePattern))
        return QStringLiteral("Nieprawidłowy wzorzec ramki wagi!");
    if (!cp1250::CanEncode(choice.stableText))
        return QStringLiteral("Nieprawidłowy wzorzec ramki wagi!");
    if (!ParseScale(choice.modbusScale))
        return QStringLiteral("Nieprawidłowy mnożnik Modbus!");
    return {};
}

void ApplyChoice(const PortSettingsChoice &choice, ProgramConfig &config)
{
    config.scalePort.portName = "COM" + QByteArray::number(choice.portIndex + 1);
    if (choice.rateIndex >= 0 && choice.rateIndex < PortSettingsChoice::kRatesOffered)
        config.scalePort.rate = choice.rateIndex + 1;
    config.scaleDevice = cp1250::EncodeLossy(choice.device.trimmed());
    config.scaleConnection = choice.connection == 1 ? 1 : 0;
    // With RS-232 chosen the Ethernet fields are kept only when they make sense.
    if (ValidAddress(choice.ipAddress))
        config.scaleIpAddress = cp1250::EncodeLossy(choice.ipAddress.trimmed());
    if (const auto port = ParsePort(choice.ipPort))
        config.scaleIpPort = *port;
    if (choice.detectedRate >= br110 && choice.detectedRate <= br115200)
        config.scalePort.rate = choice.detectedRate;

    config.scaleProtocol = qBound(0, choice.protocol, kIndicatorProtocolCount - 1);
    // Modbus RTU runs over the serial port and Modbus TCP over the network, whatever the radio buttons say.
    if (config.scaleProtocol == int(IndicatorProtocol::ModbusRtu))
        config.scaleConnection = 0;
    else if (config.scaleProtocol == int(IndicatorProtocol::ModbusTcp))
        config.scaleConnection = 1;
    config.scaleRequest = cp1250::EncodeLossy(choice.request);
    config.scaleRequestMs =
        qBound(ProtocolSettings::kMinIntervalMs, choice.requestIntervalMs, ProtocolSettings::kMaxIntervalMs);
    config.scaleFramePattern = cp1250::EncodeLossy(choice.framePattern);
    config.scaleStableText = cp1250::EncodeLossy(choice.stableText);
    config.onlyStable = choice.onlyStable;
    config.modbusUnit = qBound(1, choice.modbusUnit, 247);
    config.modbusRegister = qBound(0, choice.modbusRegister, 65535);
    config.modbusRegisterKind = qBound(0, choice.modbusRegisterKind, 1);
    config.modbusFormat = qBound(0, choice.modbusFormat, 4);
    config.modbusWordOrder = qBound(0, choice.modbusWordOrder, 1);
    if (const auto scale = ParseScale(choice.modbusScale))
        config.modbusScale = *scale;
    config.modbusDecimals = qBound(0, choice.modbusDecimals, 6);
    config.modbusStatusRegister = qBound(-1, choice.modbusStatusRegister, 65535);
    config.modbusStableBit = qBound(0, choice.modbusStableBit, 15);
    config.modbusParity = qBound(0, choice.modbusParity, 2);
}

QStringList AvailableSerialDevices()
{
    QStringList paths;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (!paths.contains(info.systemLocation()))
            paths << info.systemLocation();
    paths.sort();
    return paths;
}
