#include "sim_modbus.h"

#include "scale/serial_framing.h"

#include <QModbusRtuSerialServer>
#include <QModbusTcpServer>
#include <QTcpServer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

int WordCount(ModbusLayout::Format format)
{
    return format == ModbusLayout::Format::Int16 || format == ModbusLayout::Format::UInt16 ? 1 : 2;
}

QList<quint16> Split(quint32 value, bool highWordFirst)
{
    const quint16 high = quint16(value >> 16);
    const quint16 low = quint16(value & 0xFFFF);
    return highWordFirst ? QList<quint16>{high, low} : QList<quint16>{low, high};
}

// Clamped to what the register can hold: an indicator shows its limit, not a wrapped number.
template <typename T> T Clamped(double raw)
{
    const double low = double(std::numeric_limits<T>::min());
    const double high = double(std::numeric_limits<T>::max());
    if (std::isnan(raw))
        return 0;
    return T(std::llround(std::clamp(raw, low, high)));
}

}  // namespace

QList<quint16> ModbusWeightWords(const Sample &sample, const ModbusLayout &layout)
{
    const double raw = sample.weight * std::pow(10.0, layout.decimals);
    switch (layout.format) {
    case ModbusLayout::Format::Int16:
        return {quint16(Clamped<qint16>(raw))};
    case ModbusLayout::Format::UInt16:
        return {Clamped<quint16>(raw)};
    case ModbusLayout::Format::Int32:
        return Split(quint32(Clamped<qint32>(raw)), layout.highWordFirst);
    case ModbusLayout::Format::UInt32:
        return Split(Clamped<quint32>(raw), layout.highWordFirst);
    case ModbusLayout::Format::Float32: {
        const float f = float(sample.weight);
        quint32 bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        return Split(bits, layout.highWordFirst);
    }
    }
    return {};
}

quint16 ModbusStatusWord(const Sample &sample, const ModbusLayout &layout)
{
    quint16 status = 0;
    if (sample.stable && sample.range == Sample::Range::Normal)
        status |= kModbusStable;
    if (sample.range == Sample::Range::Over)
        status |= kModbusOverload;
    if (sample.range == Sample::Range::Under)
        status |= kModbusUnderload;
    if (layout.net)
        status |= kModbusNet;
    return status;
}

QString ModbusLayoutError(const ModbusLayout &layout)
{
    const int words = WordCount(layout.format);
    if (layout.unit < 1 || layout.unit > 247)
        return QStringLiteral("--modbus-unit must be 1 to 247");
    if (layout.weightRegister < 0 || layout.weightRegister + words > 65536)
        return QStringLiteral("--modbus-register must leave room for the weight below 65536");
    if (layout.statusRegister < 0 || layout.statusRegister > 65535)
        return QStringLiteral("--modbus-status-register must be 0 to 65535");
    if (layout.statusRegister >= layout.weightRegister && layout.statusRegister < layout.weightRegister + words)
        return QStringLiteral("the status register overlaps the weight");
    if (layout.decimals < 0 || layout.decimals > 6)
        return QStringLiteral("--modbus-decimals must be 0 to 6");
    return {};
}

ModbusSim::~ModbusSim()
{
    if (server_)
        server_->disconnectDevice();
}

bool ModbusSim::ListenTcp(const QString &bindAddress, quint16 port, QString *error)
{
    if (port == 0) {
        // The Modbus server does not tell which port it got: find a free one first.
        QTcpServer probe;
        if (!probe.listen(QHostAddress(bindAddress), 0)) {
            *error = QStringLiteral("cannot find a free port: ") + probe.errorString();
            return false;
        }
        port = probe.serverPort();
    }
    auto server = std::make_unique<QModbusTcpServer>();
    server->setConnectionParameter(QModbusDevice::NetworkAddressParameter, bindAddress);
    server->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    server_ = std::move(server);
    port_ = port;
    return Start(error);
}

bool ModbusSim::OpenRtu(const QString &device, int baud, QString *error)
{
    auto server = std::make_unique<QModbusRtuSerialServer>();
    server->setConnectionParameter(QModbusDevice::SerialPortNameParameter, device);
    server->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, baud);
    server->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
    server->setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
    server->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, QSerialPort::OneStop);
    server_ = std::move(server);
    return Start(error);
}

bool ModbusSim::Start(QString *error)
{
    const int first = std::min(layout_.weightRegister, layout_.statusRegister);
    const int last = std::max(layout_.weightRegister + WordCount(layout_.format) - 1, layout_.statusRegister);
    const quint16 count = quint16(std::min(last - first + 1, 65535));
    QModbusDataUnitMap map;
    map.insert(QModbusDataUnit::HoldingRegisters, {QModbusDataUnit::HoldingRegisters, first, count});
    map.insert(QModbusDataUnit::InputRegisters, {QModbusDataUnit::InputRegisters, first, count});
    server_->setMap(map);
    server_->setServerAddress(layout_.unit);
    if (!server_->connectDevice()) {
        *error = QStringLiteral("cannot start the Modbus server: ") + server_->errorString();
        return false;
    }
    return true;
}

void ModbusSim::Update(const Sample &sample)
{
    if (!server_)
        return;
    const QList<quint16> words = ModbusWeightWords(sample, layout_);
    const quint16 status = ModbusStatusWord(sample, layout_);
    for (const auto table : {QModbusDataUnit::HoldingRegisters, QModbusDataUnit::InputRegisters}) {
        for (qsizetype i = 0; i < words.size(); ++i)
            server_->setData(table, quint16(layout_.weightRegister + i), words[i]);
        server_->setData(table, quint16(layout_.statusRegister), status);
    }
}
