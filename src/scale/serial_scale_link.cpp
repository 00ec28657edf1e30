#include "scale/serial_scale_link.h"

#include "scale/serial_framing.h"

#include <QFileInfo>

namespace {

// A hung-up line keeps signalling readable data that reads as nothing; a
// few failed reads in a row with no data between mean the device is gone.
constexpr int kReadErrorsMeaningGone = 3;
constexpr int kPresenceCheckMs = 1000;

}  // namespace

SerialScaleLink::SerialScaleLink(const QString &devicePath, int bitsPerSecond, QObject *parent)
    : ScaleLink(parent), devicePath_(devicePath), bitsPerSecond_(bitsPerSecond), port_(this)
{
    port_.setObjectName("ComPortDriver_in");
    connect(&port_, &QSerialPort::readyRead, this, &SerialScaleLink::ReceiveEvent);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialScaleLink::OnError);
    presenceTimer_.setInterval(kPresenceCheckMs);
    connect(&presenceTimer_, &QTimer::timeout, this, &SerialScaleLink::CheckDevicePresent);
}

SerialScaleLink::~SerialScaleLink()
{
    Close();
}

void SerialScaleLink::Open()
{
    Close();
    readErrorsInRow_ = 0;
    if (devicePath_.isEmpty()) {
        emit failed(QStringLiteral("no device for this port"));
        return;
    }
    // The system would cut the name at a NUL and open (and lock) another
    // device, whose lock file the port then could not remove.
    if (devicePath_.contains(QChar(0))) {
        emit failed(QStringLiteral("the device name holds a NUL character"));
        return;
    }
    ApplyScaleFraming(port_, devicePath_, bitsPerSecond_);
    if (!port_.open(QIODevice::ReadOnly)) {
        const QString reason = port_.errorString();
        port_.clearError();
        emit failed(reason);
        return;
    }
    // Modem lines are best effort: a pseudo-terminal or some adapters have none.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(false);
    port_.clearError();
    presenceTimer_.start();
    emit opened();
}

void SerialScaleLink::Close()
{
    presenceTimer_.stop();
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

void SerialScaleLink::ReceiveEvent()
{
    if (!port_.isOpen())
        return;
    const qint64 waiting = port_.bytesAvailable();
    if (waiting <= 0)
        return;
    const QByteArray bytes = port_.read(waiting);
    if (bytes.isEmpty())
        return;  // a failed read loses this chunk only
    readErrorsInRow_ = 0;
    emit bytesArrived(bytes);
}

void SerialScaleLink::OnError(QSerialPort::SerialPortError error)
{
    if (!port_.isOpen())
        return;
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::DeviceNotFoundError:
        GoDown(port_.errorString());
        break;
    case QSerialPort::ReadError:
        // The error text may be stale here: a hang-up reads as nothing, not as an error.
        if (++readErrorsInRow_ >= kReadErrorsMeaningGone)
            GoDown(QStringLiteral("reading from %1 fails: the line was hung up or the device is gone")
                       .arg(devicePath_));
        break;
    default:
        // Modem-line and similar errors leave the data path working.
        break;
    }
}

void SerialScaleLink::CheckDevicePresent()
{
    if (port_.isOpen() && !QFileInfo::exists(devicePath_))
        GoDown(QStringLiteral("the device %1 is gone").arg(devicePath_));
}

void SerialScaleLink::GoDown(const QString &reason)
{
    Close();
    emit failed(reason);
}
