#include "scale/tcp_scale_link.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

QString SocketErrorText(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Odmowa połączenia");
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("Waga zamknęła połączenie");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("Nie znaleziono hosta");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Przekroczono czas połączenia");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("Błąd sieci");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("Brak dostępu do sieci");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("Brak zasobów systemu na połączenie");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("Nieobsługiwany rodzaj adresu");
    default:
        return QStringLiteral("Błąd połączenia sieciowego");
    }
}

TcpScaleLink::TcpScaleLink(const QString &address, quint16 port, QObject *parent)
    : ScaleLink(parent), address_(address), port_(port), socket_(this)
{
    socket_.setObjectName("ClientSocket1");
    connect(&socket_, &QAbstractSocket::stateChanged, this, &TcpScaleLink::ClientSocket1Connecting);
    connect(&socket_, &QAbstractSocket::connected, this, &TcpScaleLink::ClientSocket1Connect);
    connect(&socket_, &QAbstractSocket::disconnected, this, &TcpScaleLink::ClientSocket1Disconnect);
    connect(&socket_, &QAbstractSocket::errorOccurred, this, &TcpScaleLink::ClientSocket1Error);
    connect(&socket_, &QIODevice::readyRead, this, &TcpScaleLink::ClientSocket1Read);
    connectTimer_.setSingleShot(true);
    connectTimer_.setInterval(kConnectTimeoutMs);
    connect(&connectTimer_, &QTimer::timeout, this, &TcpScaleLink::ConnectTimedOut);
}

TcpScaleLink::~TcpScaleLink()
{
    Close();
}

void TcpScaleLink::Open()
{
    Close();
    down_ = false;
    connectTimer_.start();
    socket_.connectToHost(address_, port_, QIODevice::ReadWrite);
}

void TcpScaleLink::Close()
{
    connectTimer_.stop();
    // Closing on purpose is not a failure: no signal may escape from abort().
    down_ = true;
    const QSignalBlocker block(socket_);
    socket_.abort();
}

void TcpScaleLink::ClientSocket1Connecting(QAbstractSocket::SocketState state)
{
    if (!down_ && (state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState))
        emit connecting();
}

void TcpScaleLink::ClientSocket1Connect()
{
    connectTimer_.stop();
    EnableKeepAlive();
    emit opened();
}

void TcpScaleLink::ClientSocket1Disconnect()
{
    GoDown(SocketErrorText(QAbstractSocket::RemoteHostClosedError));
}

void TcpScaleLink::ClientSocket1Error(QAbstractSocket::SocketError error)
{
    // Never a message box: the error is handled here.
    GoDown(SocketErrorText(error));
}

void TcpScaleLink::ClientSocket1Read()
{
    const QByteArray bytes = socket_.readAll();
    if (!bytes.isEmpty())
        emit bytesArrived(bytes);
}

void TcpScaleLink::ConnectTimedOut()
{
    GoDown(SocketErrorText(QAbstractSocket::SocketTimeoutError));
}

void TcpScaleLink::GoDown(const QString &reason)
{
    if (down_)
        return;  // an error and the disconnect that follows are one failure
    ClientSocket1Read();  // what arrived before the close still counts
    if (down_)
        return;
    Close();
    emit failed(reason + QStringLiteral(" (%1:%2)").arg(address_).arg(port_));
}

void TcpScaleLink::EnableKeepAlive()
{
    // A pulled cable or a powered-off module leaves the connection looking
    // alive; keep-alive probes find out within half a minute.
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const qintptr fd = socket_.socketDescriptor();
    if (fd < 0)
        return;
    const int idleSeconds = 10, intervalSeconds = 5, probes = 3;
    ::setsockopt(int(fd), IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(int(fd), IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    ::setsockopt(int(fd), IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}
