// The central database: with dane/baza.ini the journal is sent by a worker
// thread (central/central_sender.h) and a status panel of its own tells how
// it goes. Without that file nothing here runs and the window is as ever.

#include "app/ui/main_window.h"

#include "central/central_sender.h"
#include "central/central_settings.h"
#include "journal/journal.h"

#include <QLabel>
#include <QLayout>
#include <QStatusBar>

#include <algorithm>
#include <numeric>

void MainWindow::CreateCentralSending()
{
    central::CentralSettings settings;
    const central::SettingsFile file = central::ReadCentralSettings(central::SettingsPath(dataDir_), settings);
    if (file == central::SettingsFile::Missing || (file == central::SettingsFile::Read && !settings.Enabled()))
        return;
    centralPanel_ = new QLabel(statusBar());
    centralPanel_->setObjectName(QStringLiteral("StatusPanelBaza"));
    centralPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
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
}

// Once the journal is open: the sender reads it. A journal not kept this run
// records no weighing, so the panel must not say the weighings are sent.
void MainWindow::StartCentralSending()
{
    if (!centralSender_)
        return;
    if (journal_->IsKept()) {
        centralSender_->Start();
        return;
    }
    const QString text = QStringLiteral("Baza: nie wysyła");
    centralPanel_->setText(text);
    centralPanel_->setAccessibleName(text);
    centralPanel_->setToolTip(journal_->Refusal().isEmpty()
                                  ? QStringLiteral("Dziennik pomiarów nie jest prowadzony.")
                                  : QStringLiteral("Zmiany nie są zapisywane: ") + journal_->Refusal());
}

// The database's panel comes after the six panels of the layout and would be
// cut off at the window's usual width: the two panels that grow with the
// window give it the room it lacks, down to a width that still shows a port
// or a printer's name.
void MainWindow::MakeRoomForCentralPanel(std::array<int, 6> &statusWidths)
{
    constexpr int kNarrowest = 130;
    central::CentralStatus longest;
    longest.state = central::CentralStatus::State::NotConnected;
    longest.waiting = 99999;
    const int panel = centralPanel_->fontMetrics().horizontalAdvance(central::StatusText(longest)) +
                      2 * centralPanel_->frameWidth() + 8;
    centralPanel_->setFixedWidth(panel);
    const QLayout *layout = statusBar()->layout();
    const int spacing = layout ? std::max(0, layout->spacing()) : 6;
    const QMargins margins = layout ? layout->contentsMargins() : QMargins();
    // The size grip and the gaps between the seven panels.
    const int fixed = margins.left() + margins.right() + 8 * spacing + 20;
    const int used = std::accumulate(statusWidths.begin(), statusWidths.end(), 0) + panel + fixed;
    int lack = used - width();
    // Half from the scale's panel, the rest from the printer's.
    for (const auto &[panelIndex, share] : {std::pair{size_t(1), (lack + 1) / 2}, std::pair{size_t(3), lack}}) {
        const int give = std::clamp(std::min(share, lack), 0, std::max(0, statusWidths[panelIndex] - kNarrowest));
        statusWidths[panelIndex] -= give;
        lack -= give;
    }
}
