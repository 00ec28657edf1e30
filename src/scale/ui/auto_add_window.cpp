#include "scale/ui/auto_add_window.h"

#include "core/number_forms.h"
#include "core/ui/dialog_buttons.h"
#include "core/ui/limited_field.h"
#include "core/user_prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kInvalid = QStringLiteral("Nieprawidłowa wartość!");
}

AutoAddWindow::AutoAddWindow(UserPrompts *prompts, QWidget *parent) : QDialog(parent), prompts_(prompts)
{
    setObjectName(QStringLiteral("TFauto_dodaj"));
    setWindowTitle(QStringLiteral("Automatyczne dodawanie pomiarów"));
    setModal(true);

    auto *grid = new QGridLayout;
    auto field = [&](int row, const QString &caption, const char *name, void (AutoAddWindow::*help)()) {
        auto *label = new QLabel(caption, this);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        LimitTyping(edit, 8);
        edit->setAccessibleName(caption);
        edit->installEventFilter(this);
        label->setBuddy(edit);
        auto *helpButton = new QToolButton(this);
        helpButton->setObjectName(QString::fromLatin1(name) + QStringLiteral("_help"));
        helpButton->setText(QStringLiteral("?"));
        helpButton->setToolTip(QStringLiteral("Pomoc"));
        helpButton->setAccessibleName(QStringLiteral("Pomoc: ") + caption);
        helpButton->setFocusPolicy(Qt::NoFocus);  // asking for help does not leave the field
        connect(helpButton, &QToolButton::clicked, this, help);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(helpButton, row, 2);
        return edit;
    };
    min_ = field(0, QStringLiteral("Masa minimalna:"), "Eautoadd_min", &AutoAddWindow::HelpMinClick);
    delta_ = field(1, QStringLiteral("Kryterium stabilizacji:"), "Eautoadd_delta", &AutoAddWindow::HelpDeltaClick);

    auto *modeGroup = new QGroupBox(this);
    modeGroup->setObjectName(QStringLiteral("RGauto_dodaj"));
    auto *modeLayout = new QVBoxLayout(modeGroup);
    const char *const captions[3] = {"  Dodaj pierwszy stabilny pomiar", "  Dodaj ostatni stabilny pomiar",
                                     "  Dodaj wszystkie pomiary (nie powtarzające się)"};
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(QString::fromUtf8(captions[i]), modeGroup);
        modes_[i]->setObjectName(QStringLiteral("RBmode%1").arg(i));
        modeLayout->addWidget(modes_[i]);
    }
    sound_ = new QCheckBox(QStringLiteral("  Dźwięk przy dodawaniu pomiaru"), this);
    sound_->setObjectName(QStringLiteral("CBdzwiek"));

    const DialogButtons buttons = MakeDialogButtons(this);
    cancel_ = buttons.cancel;
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(modeGroup);
    layout->addWidget(sound_);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::optional<AutoAddSettings> AutoAddWindow::Edit(const AutoAddSettings &current)
{
    SetSettings(current);
    if (parentWidget()) {
        adjustSize();
        move(parentWidget()->geometry().center() - rect().center());
    }
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return taken_;
}

void AutoAddWindow::SetSettings(const AutoAddSettings &s)
{
    taken_ = s;
    // A value from konfig.ini may be longer than what can be typed: shown whole.
    PresetText(min_, QString::fromLatin1(FormatFixed(s.minMass, 2)));
    PresetText(delta_, QString::fromLatin1(FormatFixed(s.delta, 2)));
    modes_[(s.mode >= 0 && s.mode <= 2) ? s.mode : 0]->setChecked(true);
    sound_->setChecked(s.sound);
    min_->setFocus();
}

std::optional<AutoAddSettings> AutoAddWindow::TakeSettings()
{
    if (!CheckField(min_) || !CheckField(delta_))
        return std::nullopt;
    // A field left alone keeps its value exactly, not as parsed back from the
    // two decimals it is shown with.
    AutoAddSettings s = taken_;
    if (!ShowsPreset(min_))
        s.minMass = *ParseReal(min_->text().toLatin1());
    if (!ShowsPreset(delta_))
        s.delta = *ParseReal(delta_->text().toLatin1());
    for (int i = 0; i < 3; ++i)
        if (modes_[i]->isChecked())
            s.mode = i;
    s.sound = sound_->isChecked();
    return s;
}

bool AutoAddWindow::CheckField(QLineEdit *field)
{
    if (ParseReal(field->text().toLatin1()))
        return true;
    checking_ = true;
    prompts_->Error(kInvalid);
    field->setFocus();
    checking_ = false;
    return false;
}

void AutoAddWindow::accept()
{
    // A field never left may still hold a bad value: refused the same way.
    const std::optional<AutoAddSettings> s = TakeSettings();
    if (!s)
        return;
    taken_ = *s;
    QDialog::accept();
}

bool AutoAddWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && !checking_ && (watched == min_ || watched == delta_)) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Leaving for another control of this window; not a switch of windows,
        // and "Anuluj" always closes.
        const bool withinWindow = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                                  reason == Qt::MouseFocusReason || reason == Qt::OtherFocusReason;
        if (withinWindow && QApplication::focusWidget() != cancel_)
            CheckField(static_cast<QLineEdit *>(watched));
    }
    return QDialog::eventFilter(watched, event);
}

void AutoAddWindow::HelpMinClick()
{
    prompts_->Information(QStringLiteral("Pomiary o masie mniejszej od [masy minimalnej] nie są automatycznie dodawane."));
}

void AutoAddWindow::HelpDeltaClick()
{
    prompts_->Information(QStringLiteral("Pomiar uważa się za stabilny, jeśli zmiana masy w porównaniu z poprzednim "
                                         "pomiarem \njest mniejsza lub równa od [kryterium stabilizacji]."));
}
