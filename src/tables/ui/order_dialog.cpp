#include "tables/ui/order_dialog.h"

#include "core/cp1250.h"
#include "core/ui/cp1250_validator.h"
#include "core/ui/dialog_buttons.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

OrderDialog::OrderDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFinput_wz"));
    setWindowTitle(QStringLiteral("Zamówienie"));
    setModal(true);

    auto *group = new QGroupBox(QStringLiteral("Podaj numer zamówienia / WZ: "), this);
    group->setObjectName(QStringLiteral("GBwz"));
    field_ = new QLineEdit(group);
    field_->setObjectName(QStringLiteral("Ewz"));
    field_->setValidator(new Cp1250Validator(field_));
    field_->setAccessibleName(group->title());
    field_->setMinimumWidth(300);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(field_);

    auto *apply = new QGroupBox(QStringLiteral("Zastosuj do: "), this);
    apply->setObjectName(QStringLiteral("RGapply_to"));
    current_ = new QRadioButton(QStringLiteral("bieżącego pomiaru"), apply);
    following_ = new QRadioButton(QStringLiteral("bieżącego pomiaru i następnych"), apply);
    current_->setChecked(true);
    auto *applyLayout = new QHBoxLayout(apply);
    applyLayout->addWidget(current_);
    applyLayout->addWidget(following_);

    const DialogButtons buttons = MakeDialogButtons(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(apply);
    layout->addLayout(buttons.row);
}

std::optional<OrderAnswer> OrderDialog::Ask(const QByteArray &order)
{
    field_->setText(cp1250::Decode(order));
    field_->selectAll();
    field_->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    OrderAnswer a;
    a.order = cp1250::EncodeLossy(field_->text());
    a.applyTo = following_->isChecked() ? ApplyToChoice::CurrentAndFollowing : ApplyToChoice::CurrentRow;
    return a;
}
