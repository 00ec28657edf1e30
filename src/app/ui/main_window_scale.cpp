// The scale's side of the main window: its link, the weight display and
// the tare shown beside it.
#include "app/ui/main_window.h"

#include "core/cp1250.h"
#include "output/main_layout.h"
#include "scale/scale_link.h"
#include "scale/protocol_detector.h"
#include "scale/scale_protocol.h"
#include "scale/transmission_log.h"
#include "scale/ui/gauge_widget.h"
#include "scale/ui/link_indicator.h"
#include "scale/ui/port_settings_window.h"
#include "scale/ui/protocol_detection_dialog.h"
#include "scale/ui/transmission_monitor_window.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

void MainWindow::CreateScaleLink()
{
    scaleLink_ = new ScaleLinkController(this);
    scaleProtocol_ = new ScaleProtocol(*scaleInput_, this);
    scaleProtocol_->SetWriter([this](const QByteArray &bytes) { return scaleLink_->Write(bytes); });
    connect(scaleLink_, &ScaleLinkController::bytesReceived, scaleProtocol_, &ScaleProtocol::OnBytes);
    connect(scaleLink_, &ScaleLinkController::linkOpened, scaleProtocol_, &ScaleProtocol::OnLinkOpened);
    connect(scaleLink_, &ScaleLinkController::frameReceived, scaleProtocol_, &ScaleProtocol::OnFrame);
    connect(scaleInput_.get(), &ScaleInput::tareChanged, this, &MainWindow::ShowTare);
    // Everything that crosses the link, for "Podgląd transmisji" (a bounded history).
    transmissionLog_ = std::make_unique<TransmissionLog>();
    const auto now = [this] { return clock_->Now().toMSecsSinceEpoch(); };
    connect(scaleLink_, &ScaleLinkController::bytesReceived, this,
            [this, now](const QByteArray &bytes) { transmissionLog_->AddReceived(now(), bytes); });
    connect(scaleLink_, &ScaleLinkController::bytesSent, this,
            [this, now](const QByteArray &bytes) { transmissionLog_->AddSent(now(), bytes); });
    connect(scaleProtocol_, &ScaleProtocol::frameDecoded, this,
            [this, now](const QByteArray &raw, const IndicatorFrame &frame) {
                transmissionLog_->AddFrame(now(), raw, frame);
            });
    connect(scaleLink_, &ScaleLinkController::statusTextChanged, this, [this](const QString &text) {
        statusPanels_[1]->setText(text);
        statusPanels_[1]->setToolTip(scaleLink_->LastError());
    });
    // No weight is current while the link is not open: none from start-up,
    // none from before a drop. The Ethernet text stays "brak połączenia"
    // from one failure to the next, so the reason is refreshed here too.
    connect(scaleLink_, &ScaleLinkController::linkDown, this, [this] {
        scaleProtocol_->OnLinkDown();
        scaleInput_->ShowNoReading();
        statusPanels_[1]->setToolTip(scaleLink_->LastError());
    });
    // An indicator that answers requests is asked at once with F5.
    auto *askNow = new QShortcut(QKeySequence(Qt::Key_F5), this);
    askNow->setContext(Qt::WindowShortcut);
    connect(askNow, &QShortcut::activated, scaleProtocol_, &ScaleProtocol::SendNow);
    sledEthernet_->Follow(scaleLink_);
    portSettings_ = new PortSettingsWindow(config_, *prompts_, this);
    connect(portSettings_, &PortSettingsWindow::monitorRequested, this, &MainWindow::ShowTransmissionMonitor);
    connect(portSettings_, &PortSettingsWindow::detectRequested, this, &MainWindow::DetectProtocol);
    if (options_.openScaleLink)
        ApplyScaleSettings();
    if (!scaleLink_->IsOpen())
        scaleInput_->ShowNoReading();
    statusPanels_[1]->setText(scaleLink_->StatusText());
    statusPanels_[1]->setToolTip(scaleLink_->LastError());
}

void MainWindow::ApplyScaleSettings()
{
    scaleProtocol_->Apply(ProtocolSettings::FromConfig(config_), false);
    scaleLink_->Apply(ScaleLinkSettings::FromConfig(config_));
}

void MainWindow::ShowTransmissionMonitor()
{
    // A child of the modal settings window, or it could not be used while that is open.
    if (!monitor_) {
        monitor_ = new TransmissionMonitorWindow(*transmissionLog_, portSettings_);
        monitor_->setWindowFlag(Qt::Window);
    }
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
}

void MainWindow::DetectProtocol()
{
    // Detection tries the port and rates the window holds now, not yet applied.
    ProgramConfig tried = config_;
    ApplyChoice(portSettings_->Choice(), tried);
    // The port is held by one owner at a time.
    scaleLink_->Stop();
    scaleProtocol_->OnLinkDown();
    scaleInput_->ShowNoReading();
    auto *detector = new ProtocolDetector(ProtocolDetector::RealLinks(), ScaleLinkSettings::FromConfig(tried),
                                          IndicatorDecoders());
    connect(detector, &ProtocolDetector::bytesReceived, this,
            [this](const QByteArray &bytes) { transmissionLog_->AddReceived(clock_->Now().toMSecsSinceEpoch(), bytes); });
    connect(detector, &ProtocolDetector::bytesSent, this,
            [this](const QByteArray &bytes) { transmissionLog_->AddSent(clock_->Now().toMSecsSinceEpoch(), bytes); });
    ProtocolDetectionDialog dialog(detector, portSettings_);
    if (dialog.exec() == QDialog::Accepted && dialog.Result().found) {
        const DetectionResult &r = dialog.Result();
        portSettings_->ApplyDetection(int(r.protocol), r.rate, r.request);
    }
    // Back to the settings in force until the window's OK.
    ApplyScaleSettings();
}

void MainWindow::BBsetrsClick()
{
    if (portSettings_->exec() == QDialog::Accepted)
        ApplyScaleSettings();
}

void MainWindow::BBset_tareClick()
{
    if (SetTareFromDisplay(scaleInput_->Reading(), *prompts_))
        ShowTare();
}

void MainWindow::LtaraClick()
{
    if (EditTare(scaleInput_->Reading(), *prompts_))
        ShowTare();
}

void MainWindow::ShowDisplay(const QByteArray &text)
{
    const QString shown = cp1250::Decode(text);
    // 96 px figures; an indicator with more digits than the design's
    // "-9999.99" gets smaller figures rather than a cut-off weight.
    QFont f = display_->font();
    int px = 96;
    f.setPixelSize(px);
    while (px > 24 && QFontMetrics(f).horizontalAdvance(shown) > display_->width() - 8)
        f.setPixelSize(px -= 4);
    display_->setFont(f);
    display_->setText(shown);
    // A screen reader hears what the display shows, and hears it change.
    QString spoken = QStringLiteral("Aktualna masa");
    if (!shown.isEmpty())
        spoken += QStringLiteral(": ") + shown;
    if (scaleInput_->Reading().HasMass())
        spoken += ' ' + cp1250::Decode(scaleInput_->Reading().unit);
    display_->setAccessibleName(spoken);
}

void MainWindow::ResetGauge()
{
    gauge_->ResetGauge();
}

void MainWindow::ShowTare()
{
    tare_->setText(cp1250::Decode(scaleInput_->Reading().tareText));
}

void MainWindow::ApplyTareSource()
{
    setTare_->setVisible(!config_.tareFromPackaging);
    tare_->setVisible(!config_.tareFromPackaging);
    tareFromBox_->setVisible(config_.tareFromPackaging);
}
