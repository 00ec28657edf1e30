#pragma once

// The main window (form TForm1, its objectName): owns the settings, the
// tables, the scale link and the current weight for the whole run, and wires
// the subsystems together.

#include "app/instance_guard.h"
#include "core/clock.h"
#include "core/event_log.h"
#include "core/program_config.h"
#include "core/user_prompts.h"
#include "scale/scale_input.h"
#include "tables/data_filter.h"
#include "tables/table_set.h"

#include <QMainWindow>
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
class PortSettingsWindow;
class LinkIndicator;

// What the main window takes from outside; tests replace the clock, the
// dialogs and the folders.
struct MainWindowOptions {
    QString workDir;             // the current directory at start; empty = QDir::currentPath()
    QString instanceLockPath;    // empty = the per-user default
    const Clock *clock = nullptr;     // null = system clock
    UserPrompts *prompts = nullptr;   // null = real dialogs
    bool openScaleLink = true;
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
    PortSettingsWindow *PortSettings() const { return portSettings_; }

    // Handlers of the main window's own controls.
    void BBdodajClick();
    void BBset_tareClick();
    void LtaraClick();
    void BBaboutClick();
    void BBsetrsClick();
    void FormKeyDown(int key);

    // Shows the tare controls for the current tare source.
    void ApplyTareSource();
    // Applies the window's width to the centre panel, bottom bar and status bar.
    void FormResize();

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
    void ShowDisplay(const QByteArray &text);
    void ShowTare();
    void ApplyValueTotalVisibility();

    MainWindowOptions options_;
    SystemClock systemClock_;
    const Clock *clock_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    UserPrompts *prompts_;
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
    PortSettingsWindow *portSettings_ = nullptr;
    LinkIndicator *sledEthernet_ = nullptr;
    QList<QPushButton *> bottomButtons_;
    QList<QLabel *> statusPanels_;
    InputDialog *input_ = nullptr;
    AboutWindow *about_ = nullptr;
};
