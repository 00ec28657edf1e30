#include "app/ui/main_window.h"

#include "app/disk_space.h"
#include "app/ui/about_window.h"
#include "app/ui/input_dialog.h"
#include "core/cp1250.h"
#include "core/scale_work_prompts.h"
#include "core/ui/dialog_prompts.h"
#include "core/ui/limited_field.h"
#include "dictionaries/ui/customer_window.h"
#include "dictionaries/ui/material_window.h"
#include "dictionaries/ui/packaging_window.h"
#include "dictionaries/ui/dialog_pickers.h"
#include "dictionaries/ui/operator_window.h"
#include "journal/journal.h"
#include "output/main_layout.h"
#include "output/ui/print_platform.h"
#include "scale/scale_link.h"
#include "scale/transmission_log.h"
#include "scale/ui/gauge_widget.h"
#include "scale/ui/link_indicator.h"
#include "scale/ui/port_settings_window.h"
#include "tables/ui/table_pages.h"
#include "tables/ui/table_params_window.h"
#include "tables/weighing_actions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

static MainWindowOptions Resolved(MainWindowOptions o)
{
    if (o.workDir.isEmpty())
        o.workDir = QDir::currentPath();
    return o;
}

MainWindow::MainWindow(MainWindowOptions options)
    : options_(Resolved(std::move(options))),
      clock_(options_.clock ? options_.clock : &systemClock_),
      // The log lives in the current directory of the process.
      log_(QDir(options_.workDir).filePath(QStringLiteral("log.txt")), *clock_)
{
    input_ = new InputDialog(this);
    about_ = new AboutWindow(this);
    if (!options_.prompts)
        ownPrompts_ = std::make_unique<DialogPrompts>(
            this, [this](const QString &title, const QString &prompt, const QString &text, bool masked) {
                return input_->Ask(title, prompt, text, masked);
            });
    scaleWorkPrompts_ = std::make_unique<ScaleWorkPrompts>(options_.prompts ? *options_.prompts : *ownPrompts_);
    prompts_ = scaleWorkPrompts_.get();
    if (!options_.printing)
        ownPrinting_ = std::make_unique<SystemPrintPlatform>();
    printing_ = options_.printing ? options_.printing : ownPrinting_.get();
    scaleInput_ = std::make_unique<ScaleInput>(*clock_, &log_, this);
    BuildControls();
    connect(scaleInput_.get(), &ScaleInput::displayChanged, this, &MainWindow::ShowDisplay);
    qApp->installEventFilter(this);
    FormCreate();
    // The dial follows the display for the whole run, shown or not.
    gauge_->StartTimer();
    // The windows after the main one; the operator window reads its file now.
    operators_ = new OperatorWindow(dataDir_ + QStringLiteral("operatorzy.txt"), options_.arguments, *prompts_, this);
    CreateWeighingActions();
    ConnectPrinting();
    CreateAdvancedSettings();
    CreateCentralSending();
}

MainWindow::~MainWindow()
{
    // The table pages outlive the members: no write may reach a journal gone.
    if (tablePages_)
        tablePages_->SetWriteHook(nullptr);
}

void MainWindow::FormCreate()
{
    // 1. One copy per machine, and never two on one data folder.
    const QString dataDir = QDir(options_.workDir).filePath(QStringLiteral("dane")) + '/';
    guard_ = std::make_unique<InstanceGuard>(InstanceGuard::ProgramLockPaths(
        dataDir, options_.instanceLockPath.isEmpty() ? InstanceGuard::MachineLockPath() : options_.instanceLockPath));
    if (!guard_->Acquire()) {
        prompts_->Error(QStringLiteral("Program jest już w uruchomiony!"));
        terminateRequested_ = true;
    }

    // 2. Free disk space; start-up goes on in every case.
    switch (CheckFreeSpace(options_.workDir)) {
    case DiskSpaceCheck::Low:
        prompts_->Warning(LowDiskSpaceMessage());
        break;
    case DiskSpaceCheck::QueryFailed:
        prompts_->Error(DiskQueryFailedMessage());
        break;
    case DiskSpaceCheck::Enough:
        break;
    }

    // 3.-4. Folders and defaults (ProgramConfig carries its defaults).
    startDir_ = options_.workDir;
    dataDir_ = dataDir;
    config_ = ProgramConfig{};
    log_.enabled = false;

    // 5.-6. Caption, then konfig.ini.
    setWindowTitle(QStringLiteral("Program do archiwizacji pomiarów - QZ"));
    const QString konfig = dataDir_ + QStringLiteral("konfig.ini");
    keepConfigFile_ = ReadConfig(konfig, config_) == ConfigFile::Unreadable;
    if (keepConfigFile_)
        prompts_->Warning(UnreadableConfigMessage(konfig));
    log_.enabled = config_.logEnabled;
    ApplyConfigToControls();
    CreateTablePages();
    journal_ = std::make_unique<Journal>(tablePages_->Storage(), JournalOptions{options_.journalKeyDir, clock_});
    CreateDictionaryWindows();

    // 7. The display starts at zero through the decoder.
    scaleInput_->ClearReceiveBuffers();
    scaleInput_->DecodeLine("0.00");

    // 8. The scale link as set; it keeps retrying by itself while down.
    CreateScaleLink();

    // 9. The printer panel.
    const QString printer = printing_->DefaultPrinterName();
    statusPanels_[3]->setText(printer.isEmpty() ? QStringLiteral("<brak drukarki>") : printer);

    // 11. The company lines: the hidden labels and the image's hint.
    ApplyCompanyHeader();

    // 12. Start page: the dial when asked for or when the maker's page is hidden (it always is).
    // The toggle of automatic adding is set with its settings (ApplyAutoAddSettings).
    settingsPages_->setCurrentIndex(1);

    // 14. Top-left corner, design height.
    move(0, 0);
    resize(MainLayout::kDesignWidth, MainLayout::kDesignHeight);

    // 16.-17. Tare source and the controls that follow the settings.
    ApplyTareSource();
    ApplyLayoutSettings();
}

void MainWindow::ApplyConfigToControls()
{
    unit_->setText(cp1250::Decode(config_.unit));
    scaleInput_->Reading().unit = config_.unit;
    scaleInput_->SetMaxMass(config_.maxMass);
    scaleInput_->SetAutoDelete(config_.autoDelete);
    // Kept byte for byte unless the user changes them (a TAB shows as a blank).
    PresetBytes(param1_, config_.userData1);
    PresetBytes(param2_, config_.userData2);
    const QString zero = QStringLiteral("0.00 ") + cp1250::Decode(config_.unit);
    totals_[0]->setText(zero);
    totals_[1]->setText(zero);
}

void MainWindow::CreateTablePages()
{
    TablesEnvironment env;
    env.tables = &tables_;
    env.config = &config_;
    env.filter = &filter_;
    env.dataDir = dataDir_;
    env.workDir = startDir_;
    env.clock = clock_;
    env.prompts = prompts_;
    env.massDecimals = [this] { return scaleInput_->Reading().massDecimals; };
    tablePages_ = new TablePages(env, tablesArea_);
    tablesArea_->layout()->addWidget(tablePages_);
    connect(tablePages_, &TablePages::totalsChanged, this,
            [this] { ShowTotals(labelGroup_, tablePages_->CurrentTotals()); });
    connect(findChild<QToolButton *>("SBselectall"), &QToolButton::clicked, tablePages_, &TablePages::MarkAll);
    connect(findChild<QToolButton *>("SBselectdown"), &QToolButton::clicked, tablePages_, &TablePages::MarkDown);
}

void MainWindow::CreateDictionaryWindows()
{
    DictionaryWindowEnv env;
    env.dataDir = dataDir_;
    env.prompts = prompts_;
    env.unit = [this] { return unit_->text(); };
    env.massDecimals = [this] { return scaleInput_->Reading().massDecimals; };
    packagings_ = new PackagingWindow(env, this);
    materials_ = new MaterialWindow(env, this);
    materials_->SetPackagingPicker([this] { return packagings_->Pick(false); });
    customers_ = new CustomerWindow(env, this);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (firstShowPending_)
        FormActivate();
}

void MainWindow::FormActivate()
{
    firstShowPending_ = false;
    gauge_->PrepareGauge();
    FormResize();
    OpenJournal();
    tablePages_->LoadAllTables();
    if (config_.fullScreen)
        showMaximized();
    if (!options_.loginAs.isEmpty()) {
        operators_->Login().Succeed(options_.loginAs);
        CompleteLogin(options_.loginAs);
        return;
    }
    // After the window has appeared, so the login shows over it.
    QMetaObject::invokeMethod(this, &MainWindow::StartupLogin, Qt::QueuedConnection);
}

void MainWindow::OpenJournal()
{
    const QList<JournalFinding> findings = journal_->Open();
    tablePages_->SetWriteHook(journal_.get());
    for (const JournalFinding &f : findings)
        prompts_->Warning(FindingMessage(f));
    StartCentralSending();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void MainWindow::FormClose()
{
    // The row of a mode 1 load is final now.
    if (actions_)
        actions_->EndLoad();
    guard_->Release();
    // Fields edited on the "Waga" page go back with the rest of the settings.
    config_.userData1 = TakeBytes(param1_);
    config_.userData2 = TakeBytes(param2_);
    config_.logEnabled = log_.enabled;
    // Defaults must not replace settings that could not be read.
    if (!keepConfigFile_)
        SaveConfig(dataDir_ + QStringLiteral("konfig.ini"), config_);
    scaleLink_->Stop();  // errors while closing are ignored
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees key presses before its controls do.
    if (event->type() == QEvent::KeyPress) {
        auto *w = qobject_cast<QWidget *>(watched);
        auto *key = static_cast<QKeyEvent *>(event);
        if (w && w->window() == this && key->key() == Qt::Key_Insert && !key->isAutoRepeat()) {
            FormKeyDown(key->key());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::FormKeyDown(int key)
{
    if (key == Qt::Key_Insert)
        AddWeighing(TableAction::AddInsert);
}

void MainWindow::BBaboutClick()
{
    about_->exec();
}

void MainWindow::ApplyValueTotalVisibility()
{
    const bool shown = config_.screenWidths[ColValue] != 0;
    valueCaption_->setVisible(shown);
    valueTotal_->setVisible(shown);
    const LabelButtonPlace place = LabelButtonPlaceFor(shown);
    printLabel_->setGeometry(printLabel_->x(), place.top, printLabel_->width(), place.height);
}

void MainWindow::ApplyLayoutSettings()
{
    ApplyValueTotalVisibility();
    findChild<QPushButton *>(QStringLiteral("BBprice"))->setVisible(config_.screenWidths[ColPrice] != 0);
    tablePages_->ApplyTableFont();
    FormResize();
}
