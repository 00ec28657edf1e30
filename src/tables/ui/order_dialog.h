#pragma once

// The order window (form TFinput_wz, its objectName), "Zamówienie": the
// order or delivery-note number of weighings, for the current row alone or
// for it and the rows after it. The apply-to choice stays as last made.

#include "tables/weighing_actions.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;

class OrderDialog : public QDialog {
    Q_OBJECT
public:
    explicit OrderDialog(QWidget *parent = nullptr);

    // Shows the window with `order` in the field; the answer on OK.
    std::optional<OrderAnswer> Ask(const QByteArray &order);

    QLineEdit *Field() const { return field_; }

private:
    QLineEdit *field_ = nullptr;
    QRadioButton *current_ = nullptr;
    QRadioButton *following_ = nullptr;
};
