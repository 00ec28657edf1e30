#include "app/ui/input_dialog.h"

#include "core/ui/cp1250_validator.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

InputDialog::InputDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName("TFinput");
    setModal(true);
    prompt_ = new QLabel(this);
    prompt_->setObjectName("Ldesc");
    edit_ = new QLineEdit(this);
    edit_->setObjectName("Etext");
    edit_->setValidator(new Cp1250Validator(edit_));
    prompt_->setBuddy(edit_);
    auto *buttons = new QDialogButtonBox(this);
    auto *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("BBok");
    ok->setDefault(true);
    auto *cancel = buttons->addButton(QStringLiteral("Anuluj"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("BBcancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    setMinimumWidth(300);
}

void InputDialog::Prepare(const QString &title, const QString &prompt, const QString &text, bool masked)
{
    setWindowTitle(title);
    prompt_->setText(prompt);
    edit_->setAccessibleName(prompt);
    edit_->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    // Masked text shows as "*", whatever the style's own password character.
    edit_->setStyleSheet(masked ? QStringLiteral("lineedit-password-character: 42") : QString());
    edit_->setText(text);
}

QString InputDialog::Text() const
{
    return edit_->text();
}

std::optional<QString> InputDialog::Ask(const QString &title, const QString &prompt, const QString &text, bool masked)
{
    Prepare(title, prompt, text, masked);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Text();
}

void InputDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    edit_->setFocus();
    edit_->selectAll();
}
