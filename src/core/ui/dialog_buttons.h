#pragma once

// The "OK" (default) and "Anuluj" buttons at the bottom of a dialog, and the
// small clear button beside a text field.

#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

struct DialogButtons {
    QPushButton *ok;
    QPushButton *cancel;
    QHBoxLayout *row;  // stretch, OK, Anuluj
};

// "OK" (objectName BBok) runs the dialog's accept(), overrides included;
// "Anuluj" (BBcancel) its reject().
inline DialogButtons MakeDialogButtons(QDialog *dialog)
{
    DialogButtons b;
    b.ok = new QPushButton(QStringLiteral("OK"), dialog);
    b.ok->setObjectName(QStringLiteral("BBok"));
    b.ok->setDefault(true);
    b.cancel = new QPushButton(QStringLiteral("Anuluj"), dialog);
    b.cancel->setObjectName(QStringLiteral("BBcancel"));
    QObject::connect(b.ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(b.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    b.row = new QHBoxLayout;
    b.row->addStretch();
    b.row->addWidget(b.ok);
    b.row->addWidget(b.cancel);
    return b;
}

// An icon button (objectName `name`) that empties `field`.
inline QToolButton *MakeClearButton(QWidget *parent, const char *name, QLineEdit *field)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(parent->style()->standardIcon(QStyle::SP_LineEditClearButton));
    const QString hint = QStringLiteral("Wyczyść pole");
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    QObject::connect(b, &QToolButton::clicked, field, &QLineEdit::clear);
    return b;
}
