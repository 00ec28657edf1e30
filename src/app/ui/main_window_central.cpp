// The central database: with dane/baza.ini the journal is sent by a worker
// thread (central/central_sender.h) and a status panel of its own tells how
// it goes. Without that file nothing here runs and the window is as ever.

#include "app/ui/main_window.h"

#include "central/central_sender.h"
#include "central/central_settings.h"

#include <QLabel>
#include <QStatusBar>

void MainWindow::CreateCentralSending()
{
    central::CentralSettings settings;
    const central::SettingsFile file = central::ReadCentralSettings(central::SettingsPath(dataDir_), settings);
    if (file == central::SettingsFile::Missing || (file == central::SettingsFile::Read && !settings.Enabled()))
        return;
    centralPanel_ = new QLabel(statusBar());
    centralPanel_->setObjectName(QStringLiteral("StatusPanelBaza"));
    centralPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    centralPanel_->setMinimumWidth(170);
    statusBar()->addPermanentWidget(centralPanel_);
    auto show = [this](const central::CentralStatus &s) {
        centralPanel_->setText(central::StatusText(s));
        centralPanel_->setToolTip(central::StatusTip(s));
        centralPanel_->setAccessibleName(central::StatusText(s));
    };
    if (file == central::SettingsFile::Unreadable) {
        central::CentralStatus s;
        s.state = central::CentralStatus::State::SettingsError;
        s.error = QStringLiteral("Nie można odczytać pliku dane/baza.ini");
        show(s);
        return;
    }
    central::SenderOptions o;
    o.dataDir = dataDir_;
    o.settings = settings;
    centralSender_ = new central::CentralSender(o, this);
    connect(centralSender_, &central::CentralSender::statusChanged, centralPanel_, show);
    show(centralSender_->Status());
    centralSender_->Start();
}
