#pragma once

// The Ethernet link: a non-blocking TCP client ("ClientSocket1") to the
// indicator's Ethernet module.

#include "scale/scale_link.h"

#include <QAbstractSocket>
#include <QTcpSocket>
#include <QTimer>

// Short Polish text of a TCP client error.
QString SocketErrorText(QAbstractSocket::SocketError error);

class TcpScaleLink : public ScaleLink {
    Q_OBJECT
public:
    static constexpr int kConnectTimeoutMs = 5000;

    TcpScaleLink(const QString &address, quint16 port, QObject *parent = nullptr);
    ~TcpScaleLink() override;

    bool IsSocket() const override { return true; }
    // Starts connecting and returns at once.
    void Open() override;
    void Close() override;
    bool IsOpen() const override { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool Write(const QByteArray &bytes) override
    {
        return IsOpen() && socket_.write(bytes) == bytes.size();
    }

    QTcpSocket &Socket() { return socket_; }

private:
    void ClientSocket1Connecting(QAbstractSocket::SocketState state);
    void ClientSocket1Connect();
    void ClientSocket1Disconnect();
    void ClientSocket1Error(QAbstractSocket::SocketError error);
    void ClientSocket1Read();
    void ConnectTimedOut();
    // `reason` gets the address and port appended.
    void GoDown(const QString &reason);
    void EnableKeepAlive();

    QString address_;
    quint16 port_;
    QTcpSocket socket_;
    // A silently dropped SYN would keep the client "connecting" for minutes.
    QTimer connectTimer_;
    bool down_ = true;
};
