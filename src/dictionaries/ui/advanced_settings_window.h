#pragma once

// Window "Ustawienia dodatkowe" (form TFparams_adv, its objectName): the
// settings that are not about the scale link, on the pages "Ustawienia
// ogólne" and "Rozmiar i ukrywanie kolumn". Every opening starts on the
// first page with the controls loaded from the settings; the window only
// shows and edits them, the main window applies what OK returns.

#include "core/program_config.h"
#include "dictionaries/advanced_settings.h"

#include <QDialog>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class UserPrompts;

class AdvancedSettingsWindow : public QDialog {
    Q_OBJECT
  public:
    // The list of "Tabela 1" as it is at the opening, in pixels.
    struct TableMeasure {
        int checkColumnWidth = 0; // its first column, the check boxes
        int tableWidth = 0;
    };
    // The folder dialog: its title and start folder; the folder confirmed, or nullopt.
    using FolderChooser = std::function<std::optional<QString>(const QString &title, const QString &start)>;

    AdvancedSettingsWindow(const ProgramConfig &config, UserPrompts &prompts, QWidget *parent = nullptr);

    // Where the screen total and the table width line come from; none = 0.
    void SetTableMeasure(std::function<TableMeasure()> measure);
    // Tests answer the folder dialog; none = the real dialog.
    void SetFolderChooser(FolderChooser chooser);

    // Shows the window modally; what it holds when closed with OK.
    std::optional<AdvancedSettings> Edit();

    // What the controls hold now.
    AdvancedSettings Settings() const;

    // Runs at every opening: first page, the table width line, the controls
    // from the settings, the totals.
    void FormActivate();
    // Refuses a maximum mass that is not a positive integer and an empty
    // archive folder (the window stays open), or closes with OK.
    void BBokClick();
    // "..." beside the archive folder.
    void BBkatalogClick();
    // The three "Razem:" figures.
    void RecomputeTotals();
    // Emasa_maxExit: false (after the message, with the focus back on the
    // field) when the maximum mass cannot be taken.
    bool CheckMaxMass();

  protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // Each page is built in a file of its own (advanced_settings_*_page.cpp).
    QWidget *BuildGeneralPage();
    QWidget *BuildColumnsPage();
    void SetSettings(const AdvancedSettings &s);
    // Back on the first page with the focus on `field`; later when a page
    // change is under way.
    void ReturnTo(QWidget *field, bool now);

    const ProgramConfig &config_;
    UserPrompts &prompts_;
    std::function<TableMeasure()> measure_;
    FolderChooser chooseFolder_;
    bool checking_ = false;

    QTabWidget *pages_ = nullptr;
    QComboBox *fontSize_ = nullptr;
    QComboBox *fontName_ = nullptr;
    QCheckBox *fullScreen_ = nullptr;
    QCheckBox *dialDefault_ = nullptr;
    QCheckBox *dialPercent_ = nullptr;
    QLineEdit *maxMass_ = nullptr;
    QCheckBox *singleOnLabel_ = nullptr;
    QCheckBox *simplifiedMarking_ = nullptr;
    QCheckBox *lockMass_ = nullptr;
    QCheckBox *lockPrice_ = nullptr;
    QCheckBox *lockDelete_ = nullptr;
    QCheckBox *brackets_ = nullptr;
    QCheckBox *autoDelete_ = nullptr;
    QCheckBox *autoNumbering_ = nullptr;
    QCheckBox *tareFromPackaging_ = nullptr;
    QLineEdit *archiveDir_ = nullptr;
    QPushButton *chooseDir_ = nullptr;
    QComboBox *excel_ = nullptr;
    std::array<QSpinBox *, ColumnCount> screen_{};
    std::array<QSpinBox *, ColumnCount> print_{};
    std::array<QSpinBox *, ColumnCount> label_{}; // null where a label has no column
    QLabel *screenTotal_ = nullptr;
    QLabel *printTotal_ = nullptr;
    QLabel *labelTotal_ = nullptr;
    QLabel *tableWidthLine_ = nullptr;
    QPushButton *ok_ = nullptr;
    QPushButton *cancel_ = nullptr;
};
