#pragma once

// The scale link: one serial port or one TCP client that delivers the scale's
// raw bytes, reports honestly whether it is up, and reopens itself while down.

#include "core/program_config.h"
#include "scale/protocols/indicator_frame.h"
#include "scale/modbus/modbus_settings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

// What the link needs from the settings (konfig.ini keys of the scale).
struct ScaleLinkSettings {
    enum Connection { Serial = 0, Ethernet = 1 };

    QByteArray portName = "COM2";  // "COM1".."COM16": the name every text shows
    int rate = br1200;             // BaudRate number
    QByteArray device;             // cp1250; empty = DefaultDeviceFor(portName)
    int connection = Serial;
    QByteArray ipAddress = "127.0.0.1";
    int ipPort = 3333;
    int protocol = 0;  // IndicatorProtocol; Modbus RTU uses the serial port, Modbus TCP the address
    ModbusSettings modbus;

    static ScaleLinkSettings FromConfig(const ProgramConfig &config);

    // The device the serial link opens: the chosen one, or the default for the COM name.
    QString DevicePath() const;
    // Integer bit rate for the port (1200 for br1200; 9600 for an unknown number).
    int BitsPerSecond() const;
};

// "COM1" -> "/dev/ttyS0" .. "COM16" -> "/dev/ttyS15"; empty for any other name.
QString DefaultDeviceFor(const QByteArray &comName);

// Status panel texts.
QString SerialOpenedText(const QByteArray &portName, int rate);   // "port COM2, 9600bps"
QString SerialFailedText(const QByteArray &portName, int rate);   // "brak połączenia! (port COM2, 1200bps)"
QString EthernetConnectedText(const QByteArray &address, int port);  // "IP 127.0.0.1, port 3333"
QString EthernetDownText();                                         // "brak połączenia"

class ScaleLink;
// The serial, TCP or Modbus link `settings` name.
std::unique_ptr<ScaleLink> MakeScaleLink(const ScaleLinkSettings &settings);

// One physical link. Open() starts opening and ends, at once or later, with
// opened() or failed(); after opened(), failed() means the link went down.
// Close() is quiet: it ignores errors and emits nothing.
class ScaleLink : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ScaleLink() override = default;

    virtual bool IsSocket() const = 0;
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Sends bytes to the indicator (a request); false when the link is not
    // open or refused them. Links that only listen keep the default.
    virtual bool Write(const QByteArray &bytes)
    {
        Q_UNUSED(bytes);
        return false;
    }

signals:
    void connecting();
    void opened();
    // `reason`: a short Polish text for the tooltip of the status panel.
    void failed(const QString &reason);
    // Never empty.
    void bytesArrived(const QByteArray &bytes);
};

// Owned by the main window: opens the configured link, keeps the status
// panel text and the Ethernet indicator state, retries while the link is down
// and hands every received chunk on.
class ScaleLinkController : public QObject {
    Q_OBJECT
public:
    enum LinkLampColour { Red, Yellow, Green };
    Q_ENUM(LinkLampColour)
    // The lamp's outline: its own colour until data first arrives, then
    // white, green, white... with each arrival.
    enum class Outline { Initial, White, Green };
    Q_ENUM(Outline)

    using LinkFactory = std::function<std::unique_ptr<ScaleLink>(const ScaleLinkSettings &)>;

    static constexpr int kDefaultRetryMs = 2000;

    explicit ScaleLinkController(QObject *parent = nullptr);
    ~ScaleLinkController() override;

    // Tests put a fake link here; the default makes the serial or TCP link.
    void SetLinkFactory(LinkFactory factory);
    void SetRetryInterval(int ms);

    // Closes the current link (errors ignored) and opens the one `settings`
    // name. Called at start-up and after the port settings window's OK.
    void Apply(const ScaleLinkSettings &settings);
    // Closes and reopens the current link now (the serial port, or the
    // Ethernet client when that is chosen); the result goes to the status text.
    void OpenScalePort();
    // Program end: closes the link, ignores errors, stops retrying.
    void Stop();

    const ScaleLinkSettings &Settings() const { return settings_; }
    QString StatusText() const { return statusText_; }
    bool IsOpen() const;
    bool IsRetrying() const { return retryTimer_.isActive(); }
    // Why the link is down, a short Polish text; empty while it is up.
    QString LastError() const { return lastError_; }

    // The Ethernet indicator: shown only while the Ethernet link is chosen.
    bool LampShown() const { return settings_.connection == ScaleLinkSettings::Ethernet; }
    LinkLampColour LampColour() const { return lamp_; }
    Outline LampOutline() const { return outline_; }

    ScaleLink *Link() const { return link_.get(); }
    // Sends a request to the indicator; false while the link is down.
    // Every byte sent is also reported by bytesSent, for the monitor.
    bool Write(const QByteArray &bytes);

signals:
    void statusTextChanged(const QString &text);
    void bytesReceived(const QByteArray &bytes, bool fromSocket);
    void bytesSent(const QByteArray &bytes);
    // A link that decodes for itself (Modbus) hands on whole frames instead of bytes.
    void frameReceived(const QByteArray &raw, const IndicatorFrame &frame);
    void lampChanged(ScaleLinkController::LinkLampColour fill, ScaleLinkController::Outline outline, bool shown);
    // The link is not open: from its opening until it is up, and whenever it goes down.
    void linkDown();
    // The link is (again) up: a partial line received before is stale.
    void linkOpened(bool fromSocket);

private:
    void OnConnecting();
    void OnOpened();
    void OnFailed(const QString &reason);
    void OnBytes(const QByteArray &bytes);
    void Retry();
    void DropLink(bool now);
    void SetStatus(const QString &text);
    void SetLamp(LinkLampColour fill, Outline outline);
    QString DownText() const;
    QString UpText() const;

    ScaleLinkSettings settings_;
    LinkFactory factory_;
    std::unique_ptr<ScaleLink> link_;
    QTimer retryTimer_;
    QString statusText_;
    QString lastError_;
    LinkLampColour lamp_ = Red;
    Outline outline_ = Outline::Initial;
    bool lampShown_ = false;
    bool stopped_ = false;
};
