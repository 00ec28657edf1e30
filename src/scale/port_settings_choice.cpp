#include "scale/port_settings_choice.h"

#include "core/cp1250.h"

#include <QSerialPortInfo>

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
