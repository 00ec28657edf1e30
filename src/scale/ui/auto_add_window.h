#pragma once

// The settings window of automatic adding (form TFauto_dodaj, its
// objectName), "Automatyczne dodawanie pomiarów": minimum mass, stability
// criterion, the three modes and the tone.

#include "scale/auto_add.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class UserPrompts;

class AutoAddWindow : public QDialog {
    Q_OBJECT
public:
    explicit AutoAddWindow(UserPrompts *prompts, QWidget *parent = nullptr);

    // Shows the window with `current`; the new settings when closed with OK.
    std::optional<AutoAddSettings> Edit(const AutoAddSettings &current);

    void SetSettings(const AutoAddSettings &s);
    // The settings shown; nullopt (after "Nieprawidłowa wartość!") while a field is not a number.
    std::optional<AutoAddSettings> TakeSettings();

    void HelpMinClick();
    void HelpDeltaClick();
    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Eautoadd_minExit: a field left with a text that is not a number.
    bool CheckField(QLineEdit *field);

    UserPrompts *prompts_;
    QLineEdit *min_ = nullptr;
    QLineEdit *delta_ = nullptr;
    QRadioButton *modes_[3] = {};
    QCheckBox *sound_ = nullptr;
    QWidget *cancel_ = nullptr;
    bool checking_ = false;
    AutoAddSettings taken_;
};
