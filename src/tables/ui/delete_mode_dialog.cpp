#include "tables/ui/delete_mode_dialog.h"

#include "core/ui/dialog_buttons.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

DeleteModeDialog::DeleteModeDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFdelete_mode"));
    setWindowTitle(QStringLiteral("Usuń dane z tabeli"));
    setModal(true);

    group_ = new QGroupBox(QStringLiteral("Zakres usuwanych danych "), this);
    group_->setObjectName(QStringLiteral("RGzakres"));
    auto *groupLayout = new QVBoxLayout(group_);
    const char *const items[3] = {"Usuń wszystkie dane", "Usuń wyświetlone dane (filtr)",
                                  "Usuń wszystkie dane z wyjątkiem wyświetlonych"};
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(QString::fromUtf8(items[i]), group_);
        modes_[i]->setObjectName(QStringLiteral("RBzakres%1").arg(i));
        groupLayout->addWidget(modes_[i]);
    }
    modes_[0]->setChecked(true);

    archive_ = new QCheckBox(QStringLiteral("Przed usunięciem danych zapisz tabele w archiwum"), this);
    archive_->setObjectName(QStringLiteral("CBarchiwum"));
    archive_->setChecked(true);

    const DialogButtons buttons = MakeDialogButtons(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group_);
    layout->addWidget(archive_);
    layout->addLayout(buttons.row);
}

DeleteChoice DeleteModeDialog::Choice() const
{
    DeleteChoice c;
    for (int i = 0; i < 3; ++i)
        if (modes_[i]->isChecked())
            c.mode = i;
    c.archiveFirst = archive_->isChecked();
    return c;
}

void DeleteModeDialog::SetChoice(const DeleteChoice &choice)
{
    modes_[qBound(0, choice.mode, 2)]->setChecked(true);
    archive_->setChecked(choice.archiveFirst);
}

std::optional<DeleteChoice> DeleteModeDialog::Ask()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Choice();
}
