#pragma once

// The indicator as a Modbus server: the weight in holding registers (the same
// values in input registers) and a status register, over TCP or RTU.

#include "sim_load.h"

#include <QList>
#include <QModbusServer>
#include <QString>

#include <memory>

struct ModbusLayout {
    enum class Format { Int16, UInt16, Int32, UInt32, Float32 };
    int unit = 1;
    int weightRegister = 0;
    int statusRegister = 2;  // right after a two-register weight
    Format format = Format::Int32;
    bool highWordFirst = true;
    int decimals = 2;  // integer formats: weight = raw / 10^decimals
    bool net = false;
};

// Status register bits.
enum ModbusStatusBit : quint16 {
    kModbusStable = 0x0001,
    kModbusOverload = 0x0002,
    kModbusUnderload = 0x0004,
    kModbusNet = 0x0008,
};

// The weight's registers (one or two) in the order they are stored.
QList<quint16> ModbusWeightWords(const Sample &sample, const ModbusLayout &layout);
quint16 ModbusStatusWord(const Sample &sample, const ModbusLayout &layout);
// Registers the layout uses must not overlap and must fit below 65536; empty when they do.
QString ModbusLayoutError(const ModbusLayout &layout);

class ModbusSim {
public:
    explicit ModbusSim(const ModbusLayout &layout) : layout_(layout) {}
    ~ModbusSim();
    // Serve Modbus TCP; port 0 picks a free port, Port() tells which.
    bool ListenTcp(const QString &bindAddress, quint16 port, QString *error);
    // Serve Modbus RTU on a serial device (a pseudo-terminal slave will do).
    bool OpenRtu(const QString &device, int baud, QString *error);
    quint16 Port() const { return port_; }
    void Update(const Sample &sample);

private:
    bool Start(QString *error);
    ModbusLayout layout_;
    std::unique_ptr<QModbusServer> server_;
    quint16 port_ = 0;
};
