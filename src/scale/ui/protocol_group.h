#pragma once

// The group "Protokół wagi" of the port settings window: which protocol the
// indicator speaks, the request sent to it and how often, the user's frame
// pattern, the Modbus register, and the buttons of the monitor and of
// detection.

#include "scale/port_settings_choice.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class ProtocolGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit ProtocolGroup(QWidget *parent = nullptr);

    void SetChoice(const PortSettingsChoice &choice);
    // Writes the group's fields into `choice` (the link fields stay).
    void ReadInto(PortSettingsChoice &choice) const;

signals:
    void monitorRequested();
    void detectRequested();

private:
    void ProtocolChosen(int index);
    void UpdateEnabled();

    QComboBox *protocol_ = nullptr;
    QLineEdit *request_ = nullptr;
    QSpinBox *interval_ = nullptr;
    QLineEdit *pattern_ = nullptr;
    QLineEdit *stableText_ = nullptr;
    QCheckBox *onlyStable_ = nullptr;
    QGroupBox *modbus_ = nullptr;
    QSpinBox *unit_ = nullptr;
    QSpinBox *register_ = nullptr;
    QComboBox *registerKind_ = nullptr;
    QComboBox *format_ = nullptr;
    QComboBox *wordOrder_ = nullptr;
    QLineEdit *scale_ = nullptr;
    QSpinBox *decimals_ = nullptr;
    QSpinBox *statusRegister_ = nullptr;
    QSpinBox *stableBit_ = nullptr;
    QComboBox *parity_ = nullptr;
    int shownProtocol_ = 0;
};
