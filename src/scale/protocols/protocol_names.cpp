#include "scale/protocols/protocol_names.h"

QString ProtocolName(IndicatorProtocol protocol)
{
    switch (protocol) {
    case IndicatorProtocol::Standard:
        return QStringLiteral("Standardowy");
    case IndicatorProtocol::ToledoContinuous:
        return QStringLiteral("Toledo (ciągły)");
    case IndicatorProtocol::Sma:
        return QStringLiteral("SMA");
    case IndicatorProtocol::Sics:
        return QStringLiteral("MT-SICS");
    case IndicatorProtocol::SiFamily:
        return QStringLiteral("SI (polskie wskaźniki)");
    case IndicatorProtocol::UserPattern:
        return QStringLiteral("Własny wzorzec");
    case IndicatorProtocol::ModbusRtu:
        return QStringLiteral("Modbus RTU");
    case IndicatorProtocol::ModbusTcp:
        return QStringLiteral("Modbus TCP");
    }
    return {};
}
