#pragma once

// Window "Ustawienia portu RS" (form TFormUstaw, its objectName): the
// scale's port number and rate, RS-232 or Ethernet, the serial device and the
// Ethernet address. Created once; every showing starts from the settings, OK
// writes them back.

#include "scale/port_settings_choice.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;
class ProtocolGroup;
class UserPrompts;

class PortSettingsWindow : public QDialog {
    Q_OBJECT
public:
    PortSettingsWindow(ProgramConfig &config, UserPrompts &prompts, QWidget *parent = nullptr);

    // Presets the controls from the settings (runs on every showing).
    void FormShow();
    // Refuses the label printer's port (the window stays open) or applies and closes.
    void BBokClick();

    // What the controls hold now.
    PortSettingsChoice Choice() const;
    // What "Wykryj" found goes into the controls; OK applies it.
    void ApplyDetection(int protocol, int rate, const QByteArray &request);

signals:
    void monitorRequested();
    void detectRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void SetChoice(const PortSettingsChoice &choice);
    void UpdateDeviceHint();

    ProgramConfig &config_;
    UserPrompts &prompts_;
    QButtonGroup *ports_ = nullptr;
    QButtonGroup *rates_ = nullptr;
    QRadioButton *rs232_ = nullptr;
    QRadioButton *ethernet_ = nullptr;
    QComboBox *device_ = nullptr;
    QLineEdit *address_ = nullptr;
    QLineEdit *ipPort_ = nullptr;
    ProtocolGroup *protocol_ = nullptr;
    int detectedRate_ = 0;
};
