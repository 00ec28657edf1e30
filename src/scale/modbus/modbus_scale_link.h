#pragma once

// The scale read over Modbus: RTU on the serial port or TCP to the
// indicator's address. The link polls the weight register(s), one request at
// a time, and hands on decoded frames; no byte stream leaves it.

#include "scale/modbus/modbus_settings.h"
#include "scale/protocols/indicator_frame.h"
#include "scale/scale_link.h"

#include <QList>
#include <QModbusClient>
#include <QModbusReply>
#include <QPointer>
#include <QTimer>

#include <memory>

class ModbusScaleLink : public ScaleLink {
    Q_OBJECT
public:
    static constexpr int kConnectTimeoutMs = 5000;

    // Modbus RTU on `devicePath`: 8 data bits, the configured parity.
    static std::unique_ptr<ModbusScaleLink> Rtu(const QString &devicePath, int bitsPerSecond,
                                                const ModbusSettings &settings);
    // Modbus TCP to `address`:`port`.
    static std::unique_ptr<ModbusScaleLink> Tcp(const QString &address, quint16 port, const ModbusSettings &settings);

    ~ModbusScaleLink() override;

    bool IsSocket() const override { return tcp_; }
    // RTU: opened() or failed() before it returns. TCP: starts connecting.
    void Open() override;
    void Close() override;
    bool IsOpen() const override;

    const ModbusSettings &Settings() const { return settings_; }
    QModbusClient *Client() const { return client_.get(); }

signals:
    // One per poll answered: the reply PDUs of the poll (function code + data,
    // in order) and what they say. An exception reply gives an Error frame.
    void frameRead(const QByteArray &raw, const IndicatorFrame &frame);
    // Each request as it is sent (function code + data), for the monitor.
    void requestSent(const QByteArray &pdu);

private:
    ModbusScaleLink(bool tcp, const QString &target, int portOrRate, const ModbusSettings &settings);

    void OnStateChanged(QModbusDevice::State state);
    void OnDeviceError(QModbusDevice::Error error);
    void Poll();
    void SendRead(qsizetype index);
    void OnReply(QModbusReply *reply);
    void FinishPoll(const IndicatorFrame &frame);
    void CheckDevicePresent();
    void GoDown(const QString &reason);
    QString Where() const;
    QString OpenFailedText() const;
    QString LostText() const;

    bool tcp_;
    QString target_; // device path or address
    int portOrRate_; // TCP port or bit rate
    ModbusSettings settings_;
    ModbusReadPlan plan_;
    std::unique_ptr<QModbusClient> client_;
    QTimer pollTimer_;
    QTimer connectTimer_;  // a silently dropped SYN would keep the client connecting for minutes
    QTimer presenceTimer_; // an unplugged adapter does not always report an error
    QPointer<QModbusReply> pending_;
    qsizetype readIndex_ = 0;
    QList<QList<quint16>> replies_;
    QByteArray raw_;
    bool down_ = true;
    bool up_ = false;
};
