#pragma once

// Register values -> what the display shows, and requests/replies as bytes
// for the transmission monitor. Pure functions.

#include "scale/modbus/modbus_settings.h"
#include "scale/protocols/indicator_frame.h"

#include <QByteArray>
#include <QList>
#include <QModbusPdu>
#include <QModbusRequest>

#include <optional>

// The weight in `weightRegisters` (as many as the format needs, in the order
// read) times the scale, with exactly `decimals` decimals; an integer register
// counts in units of the last decimal (raw / 10^decimals). A float that is
// not a number or infinite, or a value too large to show, gives an Error
// frame; a wrong register count a Malformed one. Stability comes from the
// status register's stable bit when one is configured and read, else Unknown.
IndicatorFrame DecodeModbusWeight(const QList<quint16> &weightRegisters, std::optional<quint16> status,
                                  const ModbusSettings &settings);

// `value` rounded half away from zero to `decimals` decimals, in the display's
// form ("-12.50", "0.05", never "-0"); nothing when it cannot be shown exactly.
std::optional<QByteArray> FixedWeightText(double value, int decimals);

// The read request for `read` (function 03 for holding registers, 04 for input ones).
QModbusRequest ModbusReadRequest(int registerKind, const ModbusRead &read);

// Function code (with the exception bit of an exception reply) + data.
QByteArray ModbusPduBytes(const QModbusPdu &pdu);

// The Error frame of an exception reply, e.g. note "Modbus exception 02 (illegal data address)".
IndicatorFrame ModbusExceptionFrame(const QModbusPdu &reply);
