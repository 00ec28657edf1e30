#pragma once

// Where the simulated indicator sends its lines.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTcpServer>

class Output {
public:
    virtual ~Output() = default;
    // Sends one whole line (its end included); a line nobody can take is dropped.
    virtual void Send(const QByteArray &line) = 0;
    // True when everything sent has left the program.
    virtual bool Drained() const { return true; }
};

// A pseudo-terminal the simulator creates; the program opens its slave side.
class PtyOutput : public Output {
public:
    ~PtyOutput() override;
    // Creates it; on failure returns false with `error` set.
    bool Create(QString *error);
    QString SlavePath() const { return slavePath_; }
    void Send(const QByteArray &line) override;

private:
    int master_ = -1;
    QString slavePath_;
};

// A TCP server; every connected client gets every line.
class TcpOutput : public QObject, public Output {
public:
    bool Listen(const QString &bindAddress, quint16 port, QString *error);
    quint16 Port() const { return server_.serverPort(); }
    void Send(const QByteArray &line) override;
    bool Drained() const override;

private:
    void Accept();
    QTcpServer server_;
    QList<QTcpSocket *> clients_;
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
