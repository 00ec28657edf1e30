#pragma once

// Window "Usuń dane z tabeli" (form TFdelete_mode, its objectName): which
// data to delete and whether to archive the table first. Created once; it
// keeps the last choices while the program runs.

#include "tables/archive_actions.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QGroupBox;
class QRadioButton;

class DeleteModeDialog : public QDialog {
    Q_OBJECT
public:
    explicit DeleteModeDialog(QWidget *parent = nullptr);

    DeleteChoice Choice() const;
    void SetChoice(const DeleteChoice &choice);

    // Shows the window modally; nullopt for "Anuluj".
    std::optional<DeleteChoice> Ask();

private:
    QGroupBox *group_;
    QRadioButton *modes_[3];
    QCheckBox *archive_;
};
