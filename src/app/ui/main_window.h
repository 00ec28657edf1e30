#pragma once

// The main window (form TForm1, its objectName): owns the settings, the
// tables, the scale link and the current weight for the whole run, and wires
// the subsystems together.

#include "app/instance_guard.h"
#include "core/clock.h"
#include "core/event_log.h"
#include "core/program_config.h"
#include "core/user_prompts.h"
#include "dictionaries/operator_rights.h"
#include "output/company_header.h"
#include "scale/auto_add.h"
#include "scale/scale_input.h"
#include "tables/data_filter.h"
#include "tables/table_set.h"
#include "tables/table_write_hook.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class InputDialog;
class AboutWindow;
class TablePages;
class ScaleLinkController;
class ScaleProtocol;
class TransmissionLog;
class ReportsWindow;
class StationSummary;
class TransmissionMonitorWindow;
class PortSettingsWindow;
class LinkIndicator;
class MaterialWindow;
class PackagingWindow;
class CustomerWindow;
class OperatorWindow;
class DialogPickers;
class WeighingActions;
class OrderDialog;
class TableParamsWindow;
class FilterWindow;
class AutoAddWindow;
class AdvancedSettingsWindow;
struct AdvancedSettings;
class TonePlayer;
class GaugeWidget;
class Journal;
class WeighingHistoryWindow;
class ScaleWorkPrompts;
class PrintPlatform;
namespace central {
class CentralSender;
}
struct PrintEnvironment;
struct LabelInput;
struct ReportInput;

// What the main window takes from outside; tests replace the clock, the
// dialogs and the folders.
struct MainWindowOptions {
    QString workDir;             // the current directory at start; empty = QDir::currentPath()
    QString instanceLockPath;    // the machine lock; empty = the program's fixed path
    const Clock *clock = nullptr;     // null = system clock
    UserPrompts *prompts = nullptr;   // null = real dialogs
    bool openScaleLink = true;
    QStringList arguments;            // the command line after the program's name
    // The printers and the print dialog; null = the system's.
    PrintPlatform *printing = nullptr;
    // Tests: the operator taken as logged in, without the operator window.
    // Empty: the start-up login runs through the operator window.
    QByteArray loginAs;
    // Where the weighing journal's keys are kept; empty = the user's
    // configuration folder (tests keep them in their own folder).
    QString journalKeyDir;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowOptions options = {});
    ~MainWindow() override;

    // A second copy was detected at creation: the program ends without a login.
    bool TerminateRequested() const { return terminateRequested_; }

    ProgramConfig &Config() { return config_; }
    ScaleInput &Scale() { return *scaleInput_; }
    EventLog &Log() { return log_; }
    UserPrompts &Prompts() { return *prompts_; }
    const QString &DataDir() const { return dataDir_; }
    QLabel *StatusPanel(int i) const { return statusPanels_.at(i); }
    TableSet &Tables() { return tables_; }
    TablePages *Pages() const { return tablePages_; }
    ScaleLinkController *ScaleLink() const { return scaleLink_; }
    ScaleProtocol *Protocol() const { return scaleProtocol_; }
    PortSettingsWindow *PortSettings() const { return portSettings_; }
    MaterialWindow *Materials() const { return materials_; }
    PackagingWindow *Packagings() const { return packagings_; }
    CustomerWindow *Customers() const { return customers_; }
    OperatorWindow *Operators() const { return operators_; }
    // The logged-in operator; empty before the login.
    const QByteArray &CurrentOperator() const { return currentOperator_; }
    // What that operator may do; windows built later read them when built.
    const OperatorRights &Rights() const { return rights_; }
    WeighingActions &Actions() { return *actions_; }
    AutoAdd &AutoAdding() { return autoAdding_; }
    OrderDialog *OrderWindow() const { return orderDialog_; }
    TableParamsWindow *ParamsWindow() const { return paramsWindow_; }
    FilterWindow *Filter() const { return filterWindow_; }
    AutoAddWindow *AutoAddSettingsWindow() const { return autoAddWindow_; }
    const DataFilter &CurrentFilter() const { return filter_; }
    GaugeWidget *Gauge() const { return gauge_; }
    // The dial back to "no reading" (GaugeValue -1), so that it is drawn
    // afresh for a changed maximum mass or scale at the next tick.
    void ResetGauge();
    AdvancedSettingsWindow *AdvancedWindow() const { return advancedWindow_; }
    // Sending the journal to the central database; null without dane/baza.ini.
    central::CentralSender *CentralSending() const { return centralSender_; }
    Journal &WeighingJournal() { return *journal_; }
    WeighingHistoryWindow *HistoryWindow() const { return history_; }

    // Handlers of the main window's own controls.
    void BBdodajClick();
    // "Historia pomiaru..." (a row's context menu, Ctrl+H): the current row's history.
    void ShowWeighingHistory();
    void BBset_tareClick();
    void LtaraClick();
    void BBaboutClick();
    void BBsetrsClick();
    void BBoperatorsClick();
    void TBparams1Click();
    void BBfilterClick();
    void SBauto_dodajClick();
    // The window "Ustawienia dodatkowe" (main_window_settings.cpp).
    void BBadvsettingsClick();
    // What its OK returned: into the settings, then onto the screen.
    void ApplyAdvancedSettings(const AdvancedSettings &settings);
    void FormKeyDown(int key);
    // Printing, copying and exporting (main_window_output.cpp).
    void BBdrukujClick();
    void TBcopytable1Click();
    void TBexcel1Click();
    void TBprinttable1Click();
    void PreviewLabelClick();
    void PreviewTableClick();
    const CompanyHeader &Company() const { return company_; }

    // Shows the tare controls for the current tare source.
    void ApplyTareSource();
    // Applies the window's width to the centre panel, bottom bar and status
    // bar, and the set column widths to the five tables.
    void FormResize();
    // After the settings change: the value total and the label button, the
    // price button, the table font, then FormResize.
    void ApplyLayoutSettings();

signals:
    // The adding action ran (button, Insert key or automatic adding).
    void addWeighingRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormActivate();
    void FormClose();
    void BuildControls();
    QWidget *BuildTopCenter(QWidget *parent);
    QGroupBox *BuildLabelGroup(QWidget *parent);
    QTabWidget *BuildSettingsPages(QWidget *parent);
    void BuildBottomBar(QWidget *parent);
    void BuildStatusBar();
    void ApplyConfigToControls();
    void CreateTablePages();
    void CreateScaleLink();
    // The link and the protocol as konfig.ini has them now.
    void ApplyScaleSettings();
    // "Podgląd transmisji" over the port settings window.
    void ShowTransmissionMonitor();
    // "Wykryj": the scale's link is lent to the detection and given back after.
    void DetectProtocol();
    // "Zestawienia" (the settings page's button and F9): summaries of this station's tables.
    void ShowReports();
    void CreateDictionaryWindows();
    void ShowDisplay(const QByteArray &text);
    void ShowTare();
    void ApplyValueTotalVisibility();
    void StartupLogin();
    void CompleteLogin(const QByteArray &name);
    void ApplyRights();
    // The windows and actions of the weighings (main_window_actions.cpp).
    void CreateWeighingActions();
    void AddWeighing(TableAction via);
    // The start-up comparison of the tables with the journal; its findings are shown.
    void OpenJournal();
    void CreateHistoryWindow();
    void ScheduleHistoryRefresh();
    void ConnectWeighingActions();
    void ApplyAutoAddSettings();
    void ApplyCompanyHeader();
    void ConnectPrinting();
    PrintEnvironment PrintEnv();
    LabelInput LabelNow() const;
    ReportInput ReportNow() const;
    void ShowPrintMenu(const QPoint &globalPos, void (MainWindow::*preview)());
    // The window "Ustawienia dodatkowe" and its button (main_window_settings.cpp).
    void CreateAdvancedSettings();
    // The central database's sender and its status panel (main_window_central.cpp).
    void CreateCentralSending();
    void StartCentralSending();
    void MakeRoomForCentralPanel(std::array<int, 6> &statusWidths);

    MainWindowOptions options_;
    SystemClock systemClock_;
    const Clock *clock_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    // In front of the dialogs: what a scale line starts never opens a box
    // inside the port's receive handling, nor a second one (scale_work_prompts.h).
    std::unique_ptr<ScaleWorkPrompts> scaleWorkPrompts_;
    UserPrompts *prompts_;
    std::unique_ptr<PrintPlatform> ownPrinting_;
    PrintPlatform *printing_;
    CompanyHeader company_;
    std::unique_ptr<InstanceGuard> guard_;
    ProgramConfig config_;
    // konfig.ini exists but could not be read: it is left as it is at close.
    bool keepConfigFile_ = false;
    EventLog log_;
    std::unique_ptr<ScaleInput> scaleInput_;
    QString startDir_;
    QString dataDir_;
    bool firstShowPending_ = true;
    bool terminateRequested_ = false;
    QByteArray currentOperator_;
    OperatorRights rights_;
    TableSet tables_;
    DataFilter filter_;

    // Controls.
    QWidget *central_ = nullptr;
    QWidget *topCenter_ = nullptr;
    QLabel *display_ = nullptr;
    QLabel *unit_ = nullptr;
    QLabel *tare_ = nullptr;
    QPushButton *setTare_ = nullptr;
    QLabel *tareFromBox_ = nullptr;
    QPushButton *add_ = nullptr;
    QToolButton *autoAdd_ = nullptr;
    QGroupBox *labelGroup_ = nullptr;
    QPushButton *printLabel_ = nullptr;
    QLabel *valueCaption_ = nullptr;
    QLabel *valueTotal_ = nullptr;
    QList<QLabel *> totals_;
    QTabWidget *settingsPages_ = nullptr;
    QLineEdit *param1_ = nullptr;
    QLineEdit *param2_ = nullptr;
    QWidget *tablesArea_ = nullptr;
    TablePages *tablePages_ = nullptr;
    ScaleLinkController *scaleLink_ = nullptr;
    ScaleProtocol *scaleProtocol_ = nullptr;
    std::unique_ptr<TransmissionLog> transmissionLog_;
    TransmissionMonitorWindow *monitor_ = nullptr;
    StationSummary *stationSummary_ = nullptr;
    ReportsWindow *reports_ = nullptr;
    PortSettingsWindow *portSettings_ = nullptr;
    LinkIndicator *sledEthernet_ = nullptr;
    QList<QPushButton *> bottomButtons_;
    QList<QLabel *> statusPanels_;
    InputDialog *input_ = nullptr;
    AboutWindow *about_ = nullptr;
    MaterialWindow *materials_ = nullptr;
    PackagingWindow *packagings_ = nullptr;
    CustomerWindow *customers_ = nullptr;
    OperatorWindow *operators_ = nullptr;
    std::unique_ptr<DialogPickers> pickers_;
    std::unique_ptr<WeighingActions> actions_;
    AutoAdd autoAdding_;
    OrderDialog *orderDialog_ = nullptr;
    TableParamsWindow *paramsWindow_ = nullptr;
    FilterWindow *filterWindow_ = nullptr;
    AutoAddWindow *autoAddWindow_ = nullptr;
    AdvancedSettingsWindow *advancedWindow_ = nullptr;
    TonePlayer *tone_ = nullptr;
    GaugeWidget *gauge_ = nullptr;
    central::CentralSender *centralSender_ = nullptr;
    QLabel *centralPanel_ = nullptr;
    std::unique_ptr<Journal> journal_;
    WeighingHistoryWindow *history_ = nullptr;
    bool historyRefreshDue_ = false;
    qint64 historyJournalSize_ = -1;
};
