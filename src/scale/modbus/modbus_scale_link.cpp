#include "scale/modbus/modbus_scale_link.h"

#include "scale/modbus/modbus_registers.h"
#include "scale/serial_scale_link.h"

#include <QFileInfo>
#include <QModbusRtuSerialClient>
#include <QModbusTcpClient>
#include <QSerialPort>

namespace {

constexpr int kPresenceCheckMs = 1000;

QSerialPort::Parity SerialParity(int parity)
{
    switch (parity) {
    case ModbusSettings::EvenParity:
        return QSerialPort::EvenParity;
    case ModbusSettings::OddParity:
        return QSerialPort::OddParity;
    default:
        return QSerialPort::NoParity;
    }
}

} // namespace

std::unique_ptr<ModbusScaleLink> ModbusScaleLink::Rtu(const QString &devicePath, int bitsPerSecond,
                                                      const ModbusSettings &settings)
{
    return std::unique_ptr<ModbusScaleLink>(new ModbusScaleLink(false, devicePath, bitsPerSecond, settings));
}

std::unique_ptr<ModbusScaleLink> ModbusScaleLink::Tcp(const QString &address, quint16 port,
                                                      const ModbusSettings &settings)
{
    return std::unique_ptr<ModbusScaleLink>(new ModbusScaleLink(true, address, port, settings));
}

ModbusScaleLink::ModbusScaleLink(bool tcp, const QString &target, int portOrRate, const ModbusSettings &settings)
    : tcp_(tcp), target_(target), portOrRate_(portOrRate), settings_(settings), plan_(ModbusReadPlan::For(settings))
{
    if (tcp_) {
        client_ = std::make_unique<QModbusTcpClient>();
        client_->setConnectionParameter(QModbusDevice::NetworkAddressParameter, target_);
        client_->setConnectionParameter(QModbusDevice::NetworkPortParameter, portOrRate_);
    } else {
        client_ = std::make_unique<QModbusRtuSerialClient>();
        client_->setConnectionParameter(QModbusDevice::SerialPortNameParameter, target_);
        client_->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, portOrRate_);
        client_->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
        const QSerialPort::Parity parity = SerialParity(settings_.parity);
        client_->setConnectionParameter(QModbusDevice::SerialParityParameter, parity);
        // The line's character is 11 bits: two stop bits stand in for a missing parity bit.
        client_->setConnectionParameter(QModbusDevice::SerialStopBitsParameter,
                                        parity == QSerialPort::NoParity ? QSerialPort::TwoStop : QSerialPort::OneStop);
    }
    // One request at a time: a reply not back by the next poll is given up.
    client_->setTimeout(settings_.pollMs);
    client_->setNumberOfRetries(0);
    connect(client_.get(), &QModbusDevice::stateChanged, this, &ModbusScaleLink::OnStateChanged);
    connect(client_.get(), &QModbusDevice::errorOccurred, this, &ModbusScaleLink::OnDeviceError);

    pollTimer_.setInterval(settings_.pollMs);
    connect(&pollTimer_, &QTimer::timeout, this, &ModbusScaleLink::Poll);
    connectTimer_.setSingleShot(true);
    connectTimer_.setInterval(kConnectTimeoutMs);
    connect(&connectTimer_, &QTimer::timeout, this,
            [this] { GoDown(QStringLiteral("Przekroczono czas połączenia") + Where()); });
    presenceTimer_.setInterval(kPresenceCheckMs);
    connect(&presenceTimer_, &QTimer::timeout, this, &ModbusScaleLink::CheckDevicePresent);
}

ModbusScaleLink::~ModbusScaleLink()
{
    Close();
    // Replies still held by the client go with it; none may call back here.
    client_->disconnect(this);
}

bool ModbusScaleLink::IsOpen() const
{
    return up_ && client_->state() == QModbusDevice::ConnectedState;
}

void ModbusScaleLink::Open()
{
    Close();
    if (plan_.reads.isEmpty()) {
        emit failed(QStringLiteral("Rejestr wagi poza zakresem adresów Modbus"));
        return;
    }
    if (!tcp_) {
        if (target_.isEmpty()) {
            emit failed(QStringLiteral("Brak urządzenia dla tego portu"));
            return;
        }
        // The system would cut the name at a NUL and open another device.
        if (target_.contains(QChar(0))) {
            emit failed(QStringLiteral("Nazwa urządzenia zawiera niedozwolone znaki"));
            return;
        }
    }
    down_ = false;
    if (tcp_)
        connectTimer_.start();
    if (!client_->connectDevice() && !down_)
        GoDown(OpenFailedText());
}

void ModbusScaleLink::Close()
{
    pollTimer_.stop();
    connectTimer_.stop();
    presenceTimer_.stop();
    down_ = true;
    up_ = false;
    // An aborted reply may still report; it is no longer the one awaited.
    pending_ = nullptr;
    replies_.clear();
    raw_.clear();
    // Closing on purpose is not a failure: no state change may escape.
    const QSignalBlocker block(client_.get());
    if (client_->state() != QModbusDevice::UnconnectedState)
        client_->disconnectDevice();
}

void ModbusScaleLink::OnStateChanged(QModbusDevice::State state)
{
    if (down_)
        return;
    switch (state) {
    case QModbusDevice::ConnectingState:
        emit connecting();
        break;
    case QModbusDevice::ConnectedState:
        if (up_)
            break;
        connectTimer_.stop();
        up_ = true;
        if (!tcp_)
            presenceTimer_.start();
        pollTimer_.start();
        emit opened();
        // The first weight need not wait a whole interval.
        if (up_)
            Poll();
        break;
    case QModbusDevice::UnconnectedState:
        GoDown(up_ ? LostText() : OpenFailedText());
        break;
    case QModbusDevice::ClosingState:
        break;
    }
}

void ModbusScaleLink::OnDeviceError(QModbusDevice::Error error)
{
    if (down_)
        return;
    // Reply errors (time-outs, exceptions) arrive with the reply; only a
    // broken connection or port matters here.
    if (error == QModbusDevice::ConnectionError)
        GoDown(up_ ? LostText() : OpenFailedText());
}

void ModbusScaleLink::Poll()
{
    if (!IsOpen() || pending_)
        return;
    replies_.clear();
    raw_.clear();
    SendRead(0);
}

void ModbusScaleLink::SendRead(qsizetype index)
{
    readIndex_ = index;
    const ModbusRead &read = plan_.reads[index];
    const auto kind = settings_.registerKind == ModbusSettings::Input ? QModbusDataUnit::InputRegisters
                                                                      : QModbusDataUnit::HoldingRegisters;
    QModbusReply *reply =
        client_->sendReadRequest(QModbusDataUnit(kind, read.start, quint16(read.count)), settings_.unit);
    if (!reply)
        return; // the device refused to send (not connected): the state change says why
    emit requestSent(ModbusPduBytes(ModbusReadRequest(settings_.registerKind, read)));
    pending_ = reply;
    if (reply->isFinished())
        OnReply(reply);
    else
        connect(reply, &QModbusReply::finished, this, [this, reply] { OnReply(reply); });
}

void ModbusScaleLink::OnReply(QModbusReply *reply)
{
    reply->deleteLater();
    if (reply != pending_)
        return;
    pending_ = nullptr;
    const QModbusResponse response = reply->rawResult();
    switch (reply->error()) {
    case QModbusDevice::NoError:
        break;
    case QModbusDevice::TimeoutError:
    case QModbusDevice::ReplyAbortedError:
    case QModbusDevice::ConnectionError:
        // Silence shows as no weight; a broken connection reports itself.
        return;
    default:
        // Qt keeps an exception reply's function code sign-extended, a value
        // its enum cannot hold: the code is not read back from the reply but
        // rebuilt from the request (the exception bit on its function code).
        if (reply->error() == QModbusDevice::ProtocolError && response.dataSize() > 0) {
            const QByteArray request = ModbusPduBytes(ModbusReadRequest(settings_.registerKind, plan_.reads[readIndex_]));
            raw_ += char(quint8(request.at(0)) | QModbusPdu::ExceptionByte) + response.data();
            FinishPoll(ModbusExceptionFrame(response));
        } else {
            IndicatorFrame f;
            f.kind = IndicatorFrame::Kind::Malformed;
            f.note = "invalid Modbus reply: " + reply->errorString().toUtf8();
            raw_ += ModbusPduBytes(response);
            FinishPoll(f);
        }
        return;
    }
    raw_ += ModbusPduBytes(response);
    replies_ << reply->result().values();
    if (readIndex_ + 1 < plan_.reads.size()) {
        SendRead(readIndex_ + 1);
        return;
    }
    const auto values = plan_.Extract(settings_, replies_);
    if (!values) {
        IndicatorFrame f;
        f.kind = IndicatorFrame::Kind::Malformed;
        f.note = "Modbus reply holds fewer registers than asked for";
        FinishPoll(f);
        return;
    }
    FinishPoll(DecodeModbusWeight(values->weight, values->status, settings_));
}

void ModbusScaleLink::FinishPoll(const IndicatorFrame &frame)
{
    const QByteArray raw = raw_;
    replies_.clear();
    raw_.clear();
    emit frameRead(raw, frame);
}

void ModbusScaleLink::CheckDevicePresent()
{
    if (IsOpen() && !QFileInfo::exists(target_))
        GoDown(LostText());
}

void ModbusScaleLink::GoDown(const QString &reason)
{
    if (down_)
        return; // an error and the state change that follows are one failure
    Close();
    emit failed(reason);
}

QString ModbusScaleLink::Where() const
{
    if (tcp_)
        return QStringLiteral(" (%1:%2)").arg(target_).arg(portOrRate_);
    return QStringLiteral(" (%1)").arg(target_);
}

QString ModbusScaleLink::OpenFailedText() const
{
    if (tcp_)
        return QStringLiteral("Nie można połączyć z urządzeniem Modbus") + Where();
    if (!QFileInfo::exists(target_))
        return SerialErrorText(QSerialPort::DeviceNotFoundError, target_);
    // An existing device that does not open is held by another program or not ours to read.
    return SerialErrorText(QSerialPort::PermissionError, target_);
}

QString ModbusScaleLink::LostText() const
{
    if (tcp_)
        return QStringLiteral("Urządzenie Modbus zamknęło połączenie") + Where();
    return SerialErrorText(QSerialPort::ResourceError, target_);
}
