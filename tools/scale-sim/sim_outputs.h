#pragma once

// Where the simulated indicator sends its lines.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <map>

// Every peer that may talk back is a channel: the one peer of a pseudo-terminal
// or device (channel 0), or each TCP client.
class Output {
public:
    struct Events {
        std::function<void(int channel)> opened;
        std::function<void(int channel, const QByteArray &bytes)> received;
        std::function<void(int channel)> closed;
    };

    virtual ~Output() = default;
    // Sends one whole line (its end included) to every peer; a line nobody can take is dropped.
    virtual void Send(const QByteArray &line) = 0;
    // Sends to one peer; an unknown (closed) channel drops it.
    virtual void SendTo(int channel, const QByteArray &bytes)
    {
        if (channel == 0)
            Send(bytes);
    }
    // True when everything sent has left the program.
    virtual bool Drained() const { return true; }
    // Single-peer outputs open their channel 0 at once.
    virtual void SetEvents(Events events)
    {
        events_ = std::move(events);
        if (events_.opened)
            events_.opened(0);
    }

protected:
    Events events_;
};

// A pseudo-terminal the simulator creates; the program opens its slave side.
class PtyOutput : public QObject, public Output {
public:
    ~PtyOutput() override;
    // Creates it; on failure returns false with `error` set.
    bool Create(QString *error);
    QString SlavePath() const { return slavePath_; }
    void Send(const QByteArray &line) override;

private:
    void Read();
    int master_ = -1;
    QString slavePath_;
    // Polled: a master whose slave is closed reports a hang-up on every
    // select(), which a notifier would turn into a busy loop.
    QTimer poll_;
};

// A TCP server; every connected client gets every line.
class TcpOutput : public QObject, public Output {
public:
    bool Listen(const QString &bindAddress, quint16 port, QString *error);
    quint16 Port() const { return server_.serverPort(); }
    void Send(const QByteArray &line) override;
    void SendTo(int channel, const QByteArray &bytes) override;
    bool Drained() const override;
    void SetEvents(Events events) override { events_ = std::move(events); }

private:
    void Accept();
    QTcpServer server_;
    std::map<int, QTcpSocket *> clients_;
    int nextChannel_ = 1;
};

// An existing serial device (a real port, or one end of a null-modem pair).
class DeviceOutput : public Output {
public:
    bool Open(const QString &path, int baud, QString *error);
    void Send(const QByteArray &line) override;
    bool Drained() const override { return port_.bytesToWrite() == 0; }

private:
    QSerialPort port_;
};
