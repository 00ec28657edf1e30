#include "core/ui/dialog_prompts.h"

#include "core/ui/save_file_dialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

QString DialogPrompts::Caption()
{
    return QStringLiteral("Archiwizacja pomiarów");
}

void DialogPrompts::Message(Icon icon, const QString &text)
{
    QMessageBox box(icon == Icon::Error     ? QMessageBox::Critical
                    : icon == Icon::Warning ? QMessageBox::Warning
                                            : QMessageBox::Information,
                    Caption(), text, QMessageBox::NoButton, parent_);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool DialogPrompts::Question(const QString &text)
{
    QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::NoButton, parent_);
    QPushButton *yes = box.addButton(QStringLiteral("Tak"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("Nie"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

std::optional<QString> DialogPrompts::InputText(const QString &title, const QString &prompt, const QString &initial,
                                                bool masked)
{
    return input_(title, prompt, initial, masked);
}

std::optional<QString> DialogPrompts::SaveFileName(const SaveDialog &d)
{
    SaveFileDialog dialog(parent_, d.title, d.directory, d.filter);
    dialog.setObjectName(d.objectName);
    // The caller asks before overwriting; the program's own folder stays the current one.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDefaultSuffix(d.defaultSuffix);
    dialog.selectFile(d.suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> DialogPrompts::OpenFileName(const QString &directory, const QString &filter)
{
    const QString path = QFileDialog::getOpenFileName(parent_, QString(), directory, filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
