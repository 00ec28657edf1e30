#include "dictionaries/ui/advanced_settings_window.h"

#include "core/ui/dialog_buttons.h"
#include "core/ui/limited_field.h"
#include "core/user_prompts.h"
#include "dictionaries/ui/advanced_settings_controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using advanced_settings_ui::Named;

AdvancedSettingsWindow::AdvancedSettingsWindow(const ProgramConfig &config, UserPrompts &prompts, QWidget *parent)
    : QDialog(parent), config_(config), prompts_(prompts)
{
    setObjectName(QStringLiteral("TFparams_adv"));
    setWindowTitle(QStringLiteral("Ustawienia dodatkowe"));
    setModal(true);

    pages_ = Named(new QTabWidget(this), QStringLiteral("PCparams_adv"));
    pages_->addTab(BuildGeneralPage(), QStringLiteral("Ustawienia ogólne"));
    pages_->addTab(BuildColumnsPage(), QStringLiteral("Rozmiar i ukrywanie kolumn"));

    const DialogButtons buttons = MakeDialogButtons(this);
    ok_ = buttons.ok;
    cancel_ = buttons.cancel;
    // OK checks the fields before it closes.
    disconnect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(ok_, &QPushButton::clicked, this, &AdvancedSettingsWindow::BBokClick);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed-size dialog
}

void AdvancedSettingsWindow::SetTableMeasure(std::function<TableMeasure()> measure)
{
    measure_ = std::move(measure);
}

void AdvancedSettingsWindow::SetFolderChooser(FolderChooser chooser)
{
    chooseFolder_ = std::move(chooser);
}

std::optional<AdvancedSettings> AdvancedSettingsWindow::Edit()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Settings();
}

void AdvancedSettingsWindow::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        FormActivate();
    QDialog::showEvent(event);
}

void AdvancedSettingsWindow::FormActivate()
{
    pages_->setCurrentIndex(0);
    const TableMeasure m = measure_ ? measure_() : TableMeasure{};
    tableWidthLine_->setText(TableWidthLine(m.tableWidth));
    SetSettings(AdvancedSettingsFrom(config_));
    RecomputeTotals();
    fontSize_->setFocus();
}

void AdvancedSettingsWindow::SetSettings(const AdvancedSettings &s)
{
    // A font the lists do not offer leaves the entry shown before.
    if (s.fontSizeIndex >= 0)
        fontSize_->setCurrentIndex(s.fontSizeIndex);
    if (s.fontNameIndex >= 0)
        fontName_->setCurrentIndex(s.fontNameIndex);
    fullScreen_->setChecked(s.fullScreen);
    dialDefault_->setChecked(s.dialDefaultView);
    dialPercent_->setChecked(s.dialPercent);
    PresetText(maxMass_, s.maxMass);
    singleOnLabel_->setChecked(s.singleOnLabel);
    simplifiedMarking_->setChecked(s.simplifiedMarking);
    lockMass_->setChecked(s.lockMassEdit);
    lockPrice_->setChecked(s.lockPriceEdit);
    lockDelete_->setChecked(s.lockDelete);
    brackets_->setChecked(s.netInBrackets);
    autoDelete_->setChecked(s.autoDelete);
    autoNumbering_->setChecked(s.autoNumbering);
    tareFromPackaging_->setChecked(s.tareFromPackaging);
    PresetBytes(archiveDir_, s.archiveDir);
    excel_->setCurrentIndex(s.excelVersion);
    for (int c = 0; c < ColumnCount; ++c) {
        screen_[c]->setValue(s.screenWidths[c]);
        print_[c]->setValue(s.printWidths[c]);
        if (label_[c])
            label_[c]->setValue(s.labelWidths[c]);
    }
}

AdvancedSettings AdvancedSettingsWindow::Settings() const
{
    AdvancedSettings s;
    s.fontSizeIndex = fontSize_->currentIndex();
    s.fontNameIndex = fontName_->currentIndex();
    s.fullScreen = fullScreen_->isChecked();
    s.dialDefaultView = dialDefault_->isChecked();
    s.dialPercent = dialPercent_->isChecked();
    s.maxMass = maxMass_->text();
    s.singleOnLabel = singleOnLabel_->isChecked();
    s.simplifiedMarking = simplifiedMarking_->isChecked();
    s.lockMassEdit = lockMass_->isChecked();
    s.lockPriceEdit = lockPrice_->isChecked();
    s.lockDelete = lockDelete_->isChecked();
    s.netInBrackets = brackets_->isChecked();
    s.autoDelete = autoDelete_->isChecked();
    s.autoNumbering = autoNumbering_->isChecked();
    s.tareFromPackaging = tareFromPackaging_->isChecked();
    s.archiveDir = TakeBytes(archiveDir_);
    s.excelVersion = excel_->currentIndex();
    // The columns a label has no field for keep their settings.
    s.labelWidths = config_.labelWidths;
    for (int c = 0; c < ColumnCount; ++c) {
        s.screenWidths[c] = screen_[c]->value();
        s.printWidths[c] = print_[c]->value();
        if (label_[c])
            s.labelWidths[c] = label_[c]->value();
    }
    return s;
}

void AdvancedSettingsWindow::RecomputeTotals()
{
    const AdvancedSettings s = Settings();
    const TableMeasure m = measure_ ? measure_() : TableMeasure{};
    screenTotal_->setText(QString::number(ScreenColumnsTotal(m.checkColumnWidth, s.screenWidths)));
    printTotal_->setText(QString::number(PrintColumnsTotal(s.printWidths)));
    labelTotal_->setText(QString::number(LabelColumnsTotal(s.labelWidths)));
}

bool AdvancedSettingsWindow::CheckMaxMass()
{
    const QString refusal = MaxMassRefusal(maxMass_->text());
    if (refusal.isEmpty())
        return true;
    checking_ = true;
    prompts_.Error(refusal);
    ReturnTo(maxMass_, false);
    checking_ = false;
    return false;
}

void AdvancedSettingsWindow::ReturnTo(QWidget *field, bool now)
{
    auto back = [this, field] {
        pages_->setCurrentIndex(0);
        field->setFocus(Qt::OtherFocusReason);
    };
    // Left by a change of page: the page goes on being changed first.
    if (now || (pages_->currentIndex() == 0 && field->isVisible()))
        back();
    else
        QMetaObject::invokeMethod(this, back, Qt::QueuedConnection);
}

void AdvancedSettingsWindow::BBokClick()
{
    // OK pressed without leaving a field is checked the same way.
    const AdvancedSettings s = Settings();
    const std::pair<QString, QWidget *> refusals[] = {
        {MaxMassRefusal(s.maxMass), maxMass_},
        {ArchiveDirRefusal(s.archiveDir), archiveDir_},
    };
    for (const auto &[refusal, field] : refusals) {
        if (refusal.isEmpty())
            continue;
        checking_ = true;
        prompts_.Error(refusal);
        ReturnTo(field, true);
        checking_ = false;
        return;
    }
    accept();
}

void AdvancedSettingsWindow::BBkatalogClick()
{
    const QString title = QStringLiteral("Wskaż katalog archiwum");
    std::optional<QString> chosen;
    if (chooseFolder_) {
        chosen = chooseFolder_(title, QString());
    } else {
        const QString dir = QFileDialog::getExistingDirectory(this, title, QString(), QFileDialog::ShowDirsOnly);
        if (!dir.isEmpty())
            chosen = dir;
    }
    if (!chosen || chosen->isEmpty())
        return;
    const QString dir = WithoutTrailingSeparator(*chosen);
    if (const QString refusal = PickedFolderRefusal(dir); !refusal.isEmpty()) {
        prompts_.Error(refusal);
        return;
    }
    archiveDir_->setText(dir);
}

bool AdvancedSettingsWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && !checking_ && isVisible() &&
        (watched == maxMass_ || watched == archiveDir_)) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        QWidget *next = QApplication::focusWidget();
        // Whatever control of this window takes the focus, a change of page
        // included (it first passes the focus on along the chain). Not a
        // switch to another window (the user comes back to the field), not
        // the field's own menu; "Anuluj" always closes; a click on OK checks
        // by itself, and a message in the middle of the click would leave
        // the button pressed.
        const bool ownMenu = reason == Qt::PopupFocusReason;
        const bool otherWindow = reason == Qt::ActiveWindowFocusReason;
        const bool okClicked = next == ok_ && reason == Qt::MouseFocusReason;
        if (!ownMenu && !otherWindow && !okClicked && next != cancel_)
            CheckMaxMass();
    }
    return QDialog::eventFilter(watched, event);
}
