#include "sim_outputs.h"

#include "scale/serial_framing.h"

#include <QTcpSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A client that stops reading must not make the simulator grow without end.
constexpr qint64 kMaxQueuedPerClient = 64 * 1024;

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

PtyOutput::~PtyOutput()
{
    if (master_ >= 0)
        ::close(master_);
}

bool PtyOutput::Create(QString *error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: ") + SystemError();
        return false;
    }
    const char *name = ::ptsname(master_);
    if (!name) {
        *error = QStringLiteral("cannot name the pseudo-terminal: ") + SystemError();
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    termios t{};
    if (::tcgetattr(master_, &t) == 0) {
        ::cfmakeraw(&t);  // no echo, no line editing: bytes pass as sent
        ::tcsetattr(master_, TCSANOW, &t);
    }
    // Opening and closing the slave once makes the master report a hang-up
    // while nobody listens, so lines are not queued up for a late reader.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0)
        ::close(slave);
    QObject::connect(&poll_, &QTimer::timeout, this, &PtyOutput::Read);
    poll_.start(10);
    return true;
}

void PtyOutput::Read()
{
    // Read also when nobody listens, so nothing old is answered later.
    QByteArray bytes;
    char chunk[512];
    ssize_t n = 0;
    while ((n = ::read(master_, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, n);
    if (!bytes.isEmpty() && events_.received)
        events_.received(0, bytes);
}

void PtyOutput::Send(const QByteArray &line)
{
    pollfd p{master_, POLLOUT, 0};
    if (::poll(&p, 1, 0) <= 0 || (p.revents & POLLHUP) || !(p.revents & POLLOUT))
        return;  // nobody has the slave open
    const ssize_t written = ::write(master_, line.constData(), size_t(line.size()));
    (void)written;  // a full buffer drops the line, as a real line would lose it
}

bool TcpOutput::Listen(const QString &bindAddress, quint16 port, QString *error)
{
    QObject::connect(&server_, &QTcpServer::newConnection, this, &TcpOutput::Accept);
    if (!server_.listen(QHostAddress(bindAddress), port)) {
        *error = QStringLiteral("cannot listen on %1:%2: %3").arg(bindAddress).arg(port).arg(server_.errorString());
        return false;
    }
    return true;
}

void TcpOutput::Accept()
{
    while (QTcpSocket *client = server_.nextPendingConnection()) {
        const int channel = nextChannel_++;
        clients_[channel] = client;
        QObject::connect(client, &QTcpSocket::disconnected, this, [this, client, channel] {
            clients_.erase(channel);
            client->deleteLater();
            if (events_.closed)
                events_.closed(channel);
        });
        QObject::connect(client, &QTcpSocket::readyRead, this, [this, client, channel] {
            const QByteArray bytes = client->readAll();
            if (events_.received)
                events_.received(channel, bytes);
        });
        if (events_.opened)
            events_.opened(channel);
    }
}

void TcpOutput::Send(const QByteArray &line)
{
    for (const auto &[channel, client] : clients_)
        if (client->bytesToWrite() < kMaxQueuedPerClient)
            client->write(line);
}

void TcpOutput::SendTo(int channel, const QByteArray &bytes)
{
    const auto it = clients_.find(channel);
    if (it != clients_.end() && it->second->bytesToWrite() < kMaxQueuedPerClient)
        it->second->write(bytes);
}

bool TcpOutput::Drained() const
{
    for (const auto &[channel, client] : clients_)
        if (client->bytesToWrite() > 0)
            return false;
    return true;
}

bool DeviceOutput::Open(const QString &path, int baud, QString *error)
{
    ApplyScaleFraming(port_, path, baud);
    if (!port_.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, port_.errorString());
        return false;
    }
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] {
        const QByteArray bytes = port_.readAll();
        if (events_.received)
            events_.received(0, bytes);
    });
    return true;
}

void DeviceOutput::Send(const QByteArray &line)
{
    if (port_.bytesToWrite() < kMaxQueuedPerClient)
        port_.write(line);
}
