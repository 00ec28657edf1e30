#include "scale/scale_link.h"

#include "core/cp1250.h"
#include "scale/modbus/modbus_scale_link.h"
#include "scale/protocols/indicator_frame.h"
#include "scale/serial_scale_link.h"
#include "scale/tcp_scale_link.h"

ScaleLinkSettings ScaleLinkSettings::FromConfig(const ProgramConfig &config)
{
    ScaleLinkSettings s;
    s.portName = config.scalePort.portName;
    s.rate = config.scalePort.rate;
    s.device = config.scaleDevice;
    s.connection = config.scaleConnection == Ethernet ? Ethernet : Serial;
    // The address connected to is the one the status text shows.
    s.ipAddress = config.scaleIpAddress.trimmed();
    s.ipPort = config.scaleIpPort;
    s.protocol = config.scaleProtocol;
    s.modbus = ModbusSettings::FromConfig(config);
    // The protocol names the medium: the status texts and the lamp follow it.
    if (s.protocol == int(IndicatorProtocol::ModbusRtu))
        s.connection = Serial;
    else if (s.protocol == int(IndicatorProtocol::ModbusTcp))
        s.connection = Ethernet;
    return s;
}

QString ScaleLinkSettings::DevicePath() const
{
    const QString chosen = cp1250::Decode(device).trimmed();
    return chosen.isEmpty() ? DefaultDeviceFor(portName) : chosen;
}

int ScaleLinkSettings::BitsPerSecond() const
{
    return BaudRateText(rate).toInt();
}

QString DefaultDeviceFor(const QByteArray &comName)
{
    if (!comName.startsWith("COM"))
        return {};
    bool ok = false;
    const int n = comName.mid(3).toInt(&ok);
    if (!ok || n < 1 || n > 16)
        return {};
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

QString SerialOpenedText(const QByteArray &portName, int rate)
{
    return QStringLiteral("port ") + QString::fromLatin1(portName) + QStringLiteral(", ") +
           QString::fromLatin1(BaudRateText(rate)) + QStringLiteral("bps");
}

QString SerialFailedText(const QByteArray &portName, int rate)
{
    return QStringLiteral("brak połączenia! (") + SerialOpenedText(portName, rate) + QStringLiteral(")");
}

QString EthernetConnectedText(const QByteArray &address, int port)
{
    return QStringLiteral("IP ") + cp1250::Decode(address) + QStringLiteral(", port ") + QString::number(port);
}

QString EthernetDownText()
{
    return QStringLiteral("brak połączenia");
}

std::unique_ptr<ScaleLink> MakeScaleLink(const ScaleLinkSettings &s)
{
    if (s.protocol == int(IndicatorProtocol::ModbusRtu))
        return ModbusScaleLink::Rtu(s.DevicePath(), s.BitsPerSecond(), s.modbus);
    if (s.protocol == int(IndicatorProtocol::ModbusTcp))
        return ModbusScaleLink::Tcp(cp1250::Decode(s.ipAddress), quint16(s.ipPort), s.modbus);
    if (s.connection == ScaleLinkSettings::Ethernet)
        return std::make_unique<TcpScaleLink>(cp1250::Decode(s.ipAddress), quint16(s.ipPort));
    return std::make_unique<SerialScaleLink>(s.DevicePath(), s.BitsPerSecond());
}

ScaleLinkController::ScaleLinkController(QObject *parent)
    : QObject(parent), factory_(MakeScaleLink), statusText_(EthernetDownText())
{
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(kDefaultRetryMs);
    connect(&retryTimer_, &QTimer::timeout, this, &ScaleLinkController::Retry);
}

ScaleLinkController::~ScaleLinkController()
{
    stopped_ = true;
    retryTimer_.stop();
    DropLink(true);
}

void ScaleLinkController::SetLinkFactory(LinkFactory factory)
{
    factory_ = std::move(factory);
}

void ScaleLinkController::SetRetryInterval(int ms)
{
    retryTimer_.setInterval(ms);
}

void ScaleLinkController::Apply(const ScaleLinkSettings &settings)
{
    settings_ = settings;
    OpenScalePort();
}

void ScaleLinkController::OpenScalePort()
{
    stopped_ = false;
    DropLink(false);
    retryTimer_.stop();
    lastError_.clear();
    SetLamp(Red, outline_);

    link_ = factory_(settings_);
    ScaleLink *link = link_.get();
    connect(link, &ScaleLink::connecting, this, &ScaleLinkController::OnConnecting);
    connect(link, &ScaleLink::opened, this, &ScaleLinkController::OnOpened);
    connect(link, &ScaleLink::failed, this, &ScaleLinkController::OnFailed);
    connect(link, &ScaleLink::bytesArrived, this, &ScaleLinkController::OnBytes);
    if (auto *modbus = qobject_cast<ModbusScaleLink *>(link)) {
        connect(modbus, &ModbusScaleLink::frameRead, this, [this](const QByteArray &raw, const IndicatorFrame &frame) {
            if (link_ && link_->IsSocket())
                SetLamp(lamp_, outline_ == Outline::White ? Outline::Green : Outline::White);
            emit frameReceived(raw, frame);
        });
        connect(modbus, &ModbusScaleLink::requestSent, this, &ScaleLinkController::bytesSent);
    }
    link->Open();
    // Until the link says it is up, neither the text nor the display claims more.
    if (!IsOpen()) {
        SetStatus(DownText());
        emit linkDown();
    }
}

void ScaleLinkController::Stop()
{
    stopped_ = true;
    retryTimer_.stop();
    DropLink(false);
}

bool ScaleLinkController::IsOpen() const
{
    return link_ && link_->IsOpen();
}

void ScaleLinkController::OnConnecting()
{
    SetLamp(Yellow, outline_);
}

void ScaleLinkController::OnOpened()
{
    retryTimer_.stop();
    lastError_.clear();
    SetLamp(Green, outline_);
    SetStatus(UpText());
    emit linkOpened(link_ && link_->IsSocket());
}

void ScaleLinkController::OnFailed(const QString &reason)
{
    lastError_ = reason.isEmpty() ? QStringLiteral("Nieznany błąd") : reason;
    SetLamp(Red, outline_);
    SetStatus(DownText());
    emit linkDown();
    if (!stopped_ && !retryTimer_.isActive())
        retryTimer_.start();
}

void ScaleLinkController::OnBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty() || !link_)
        return;
    const bool fromSocket = link_->IsSocket();
    if (fromSocket)
        SetLamp(lamp_, outline_ == Outline::White ? Outline::Green : Outline::White);
    emit bytesReceived(bytes, fromSocket);
}

void ScaleLinkController::Retry()
{
    if (stopped_ || !link_ || link_->IsOpen())
        return;
    link_->Open();
}

void ScaleLinkController::DropLink(bool now)
{
    if (!link_)
        return;
    ScaleLink *link = link_.release();
    link->disconnect(this);
    link->Close();
    if (now) {
        delete link;
        return;
    }
    // The link may be in the middle of emitting a signal when it is replaced.
    link->deleteLater();
}

void ScaleLinkController::SetStatus(const QString &text)
{
    if (text == statusText_)
        return;
    statusText_ = text;
    emit statusTextChanged(statusText_);
}

void ScaleLinkController::SetLamp(LinkLampColour fill, Outline outline)
{
    const bool shown = LampShown();
    if (fill == lamp_ && outline == outline_ && shown == lampShown_)
        return;
    lamp_ = fill;
    outline_ = outline;
    lampShown_ = shown;
    emit lampChanged(lamp_, outline_, lampShown_);
}

QString ScaleLinkController::DownText() const
{
    if (settings_.connection == ScaleLinkSettings::Ethernet)
        return EthernetDownText();
    return SerialFailedText(settings_.portName, settings_.rate);
}

QString ScaleLinkController::UpText() const
{
    if (settings_.connection == ScaleLinkSettings::Ethernet)
        return EthernetConnectedText(settings_.ipAddress, settings_.ipPort);
    return SerialOpenedText(settings_.portName, settings_.rate);
}

bool ScaleLinkController::Write(const QByteArray &bytes)
{
    if (!link_ || !link_->IsOpen() || bytes.isEmpty())
        return false;
    if (!link_->Write(bytes))
        return false;
    emit bytesSent(bytes);
    return true;
}
