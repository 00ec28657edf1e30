#pragma once

// The scale indicator's line: 8 data bits, no parity, one stop bit, no flow
// control. Header-only so the simulator uses the same rule without the logic library.

#include <QSerialPort>

inline void ApplyScaleFraming(QSerialPort &port, const QString &device, int bitsPerSecond)
{
    port.setPortName(device);
    port.setBaudRate(bitsPerSecond);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}
