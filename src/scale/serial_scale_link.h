#pragma once

// The scale's serial port: 8N1, no flow control, DTR on, RTS off.

#include "scale/scale_link.h"

#include <QSerialPort>
#include <QTimer>

// Short Polish text of a serial port error, naming the device. A permission
// error on a device this process may not read says how to get access.
QString SerialErrorText(QSerialPort::SerialPortError error, const QString &devicePath);

// "Brak uprawnień do portu /dev/ttyS0. Dodaj użytkownika do grupy dialout
// (sudo usermod -aG dialout jan) i zaloguj się ponownie."
// An empty group reads "dialout", an empty user "<użytkownik>".
QString SerialPermissionText(const QString &devicePath, const QString &group, const QString &user);

class SerialScaleLink : public ScaleLink {
    Q_OBJECT
public:
    SerialScaleLink(const QString &devicePath, int bitsPerSecond, QObject *parent = nullptr);
    ~SerialScaleLink() override;

    bool IsSocket() const override { return false; }
    // Synchronous: opened() or failed() is emitted before it returns.
    void Open() override;
    void Close() override;
    bool IsOpen() const override { return port_.isOpen(); }
    bool Write(const QByteArray &bytes) override
    {
        return port_.isOpen() && port_.write(bytes) == bytes.size();
    }

    // The receive event: reads what is waiting; nothing waiting does nothing.
    void ReceiveEvent();

    QSerialPort &Port() { return port_; }

private:
    void OnError(QSerialPort::SerialPortError error);
    void CheckDevicePresent();
    void GoDown(const QString &reason);

    QString devicePath_;
    int bitsPerSecond_;
    QSerialPort port_;
    // While open, the device node is checked now and then: an unplugged
    // adapter does not always report an error on its own.
    QTimer presenceTimer_;
    int readErrorsInRow_ = 0;
};
