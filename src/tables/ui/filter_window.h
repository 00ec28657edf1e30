#pragma once

// The filter window (form TFfilter, its objectName), "Filtr pomiarów": the
// date range and the four text criteria of the data filter. Opened by the
// main window's "Ustaw filtr"; OK hands the six values back.

#include "tables/data_filter.h"

#include <QDialog>

class Clock;
class Pickers;
class QLineEdit;
class UserPrompts;

class FilterWindow : public QDialog {
    Q_OBJECT
public:
    FilterWindow(Pickers *pickers, UserPrompts *prompts, const Clock *clock, QWidget *parent = nullptr);

    // Shows the window preset from `filter`; the new filter when closed with OK.
    std::optional<DataFilter> Edit(const DataFilter &filter);

    // The six fields as a filter; nullopt (and a message) while a date is partly typed.
    std::optional<DataFilter> TakeFields();
    void SetFields(const DataFilter &filter);

    // Button handlers.
    void BBtodayClick();
    void BBmonthClick();
    void BBselect_materialClick();
    void BBselect_operatorClick();
    void BBselect_clientClick();
    void BBclearClick();

    void accept() override;

private:
    QLineEdit *AddTextRow(class QGridLayout *grid, int row, const char *caption, const char *name,
                          const char *clearName, const char *pickName, void (FilterWindow::*pick)());

    Pickers *pickers_;
    UserPrompts *prompts_;
    const Clock *clock_;
    QLineEdit *from_ = nullptr;
    QLineEdit *to_ = nullptr;
    QLineEdit *order_ = nullptr;
    QLineEdit *material_ = nullptr;
    QLineEdit *operator_ = nullptr;
    QLineEdit *client_ = nullptr;
    DataFilter taken_;
};
