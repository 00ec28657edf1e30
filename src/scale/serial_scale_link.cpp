#include "scale/serial_scale_link.h"

#include "scale/serial_framing.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A hung-up line keeps signalling readable data that reads as nothing; a
// few failed reads in a row with no data between mean the device is gone.
constexpr int kReadErrorsMeaningGone = 3;
constexpr int kPresenceCheckMs = 1000;

QString WithDevice(const char *text, const QString &devicePath)
{
    return QString::fromUtf8(text) + QStringLiteral(" (") + devicePath + ')';
}

// Qt reports a held lock, an exclusive open and a refused open alike; only
// the last is a matter of rights, and only then is the group worth naming.
bool DeniedToThisUser(const QString &devicePath)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(devicePath).constData(), R_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// The group that may read the device (dialout for the serial ports on Debian).
QString ReadingGroupOf(const QString &devicePath)
{
    struct stat st {};
    if (::stat(QFile::encodeName(devicePath).constData(), &st) != 0 || !(st.st_mode & S_IRGRP) || st.st_gid == 0)
        return {};
    const group *g = ::getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString();
}

QString CurrentUserName()
{
    const passwd *pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

}  // namespace

QString SerialErrorText(QSerialPort::SerialPortError error, const QString &devicePath)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return WithDevice("Urządzenie nie istnieje", devicePath);
    case QSerialPort::PermissionError:
        if (DeniedToThisUser(devicePath))
            return SerialPermissionText(devicePath, ReadingGroupOf(devicePath), CurrentUserName());
        // Also what a port locked by another program reports.
        return WithDevice("Brak dostępu do portu lub port zajęty", devicePath);
    case QSerialPort::OpenError:
        return WithDevice("Port jest już otwarty", devicePath);
    case QSerialPort::UnsupportedOperationError:
        return WithDevice("Port nie obsługuje tych ustawień", devicePath);
    case QSerialPort::ResourceError:
        return WithDevice("Urządzenie zostało odłączone", devicePath);
    case QSerialPort::ReadError:
        return WithDevice("Błąd odczytu z portu", devicePath);
    case QSerialPort::TimeoutError:
        return WithDevice("Przekroczono czas operacji na porcie", devicePath);
    default:
        return WithDevice("Błąd portu szeregowego", devicePath);
    }
}

QString SerialPermissionText(const QString &devicePath, const QString &group, const QString &user)
{
    const QString g = group.isEmpty() ? QStringLiteral("dialout") : group;
    const QString u = user.isEmpty() ? QStringLiteral("<użytkownik>") : user;
    return QStringLiteral("Brak uprawnień do portu %1. Dodaj użytkownika do grupy %2 (sudo usermod -aG %2 %3) "
                          "i zaloguj się ponownie.")
        .arg(devicePath, g, u);
}

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
        emit failed(QStringLiteral("Brak urządzenia dla tego portu"));
        return;
    }
    // The system would cut the name at a NUL and open (and lock) another
    // device, whose lock file the port then could not remove.
    if (devicePath_.contains(QChar(0))) {
        emit failed(QStringLiteral("Nazwa urządzenia zawiera niedozwolone znaki"));
        return;
    }
    ApplyScaleFraming(port_, devicePath_, bitsPerSecond_);
    // Read and write: indicators that answer requests are asked through it.
    if (!port_.open(QIODevice::ReadWrite)) {
        const QString reason = SerialErrorText(port_.error(), devicePath_);
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
        GoDown(SerialErrorText(error, devicePath_));
        break;
    case QSerialPort::ReadError:
        // The error text may be stale here: a hang-up reads as nothing, not as an error.
        if (++readErrorsInRow_ >= kReadErrorsMeaningGone)
            GoDown(WithDevice("Linia rozłączona lub urządzenie odłączone", devicePath_));
        break;
    default:
        // Modem-line and similar errors leave the data path working.
        break;
    }
}

void SerialScaleLink::CheckDevicePresent()
{
    if (port_.isOpen() && !QFileInfo::exists(devicePath_))
        GoDown(SerialErrorText(QSerialPort::ResourceError, devicePath_));
}

void SerialScaleLink::GoDown(const QString &reason)
{
    Close();
    emit failed(reason);
}
