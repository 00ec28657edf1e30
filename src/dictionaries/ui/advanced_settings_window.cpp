#include "dictionaries/ui/advanced_settings_window.h"

#include "core/ui/clickable_label.h"
#include "core/ui/cp1250_validator.h"
#include "core/ui/dialog_buttons.h"
#include "core/ui/limited_field.h"
#include "core/user_prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kMaxMassLength = 5;

// Column captions and the stems of their konfig.ini keys, in Column order.
struct ColumnName {
    const char *caption;
    const char *stem;
};
constexpr ColumnName kColumnNames[ColumnCount] = {
    {"Numer:", "num"},
    {"Czas:", "czas"},
    {"Masa brutto:", "masa_brutto"},
    {"Masa netto:", "masa_netto"},
    {"Tara:", "tara"},
    {"Cena:", "cena"},
    {"Wartość:", "wartosc"},
    {"Zamówienie:", "wz"},
    {"Materiał:", "mat"},
    {"Opakowanie:", "opakowanie"},
    {"Operator:", "oper"},
    {"Dostawca/klient:", "cli"},
};

template <typename W>
W *Named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

// What a screen reader says for a control: its caption without the colon.
QString Spoken(const QString &caption)
{
    QString s = caption.trimmed();
    if (s.endsWith(u':'))
        s.chop(1);
    return s;
}

// The rows of a group: caption on the left, its control beside it.
class Rows {
public:
    explicit Rows(QGroupBox *group) : group_(group), grid_(new QGridLayout(group))
    {
        grid_->setColumnStretch(2, 1);
        // The rhythm of the rows of spin fields on the other page.
        grid_->setVerticalSpacing(8);
    }

    // A check box whose caption is the label on its left; clicking the caption toggles it.
    QCheckBox *Check(const QString &caption, const QString &suffix)
    {
        auto *box = Named(new QCheckBox(group_), "CB" + suffix);
        box->setAccessibleName(Spoken(caption));
        auto *label = Named(new ClickableLabel(caption, group_), "L" + suffix);
        label->setBuddy(box);
        QObject::connect(label, &ClickableLabel::clicked, box, &QCheckBox::click);
        Add(label, box);
        return box;
    }

    // Any other control, with its caption as a buddy label.
    template <typename W>
    W *Control(const QString &caption, const QString &name, W *control, QWidget *beside = nullptr)
    {
        control->setObjectName(name);
        control->setAccessibleName(Spoken(caption));
        auto *label = Named(new QLabel(caption, group_), "L" + name.mid(name.startsWith(u'E') ? 1 : 2));
        label->setBuddy(control);
        if (beside) {
            auto *row = new QHBoxLayout;
            row->setSpacing(4);
            row->addWidget(control, 1);
            row->addWidget(beside);
            AddLayout(label, row);
        } else {
            Add(label, control);
        }
        return control;
    }

    QList<QLabel *> captions;

private:
    void Add(QLabel *label, QWidget *control)
    {
        const int row = grid_->rowCount();
        grid_->addWidget(label, row, 0);
        grid_->addWidget(control, row, 1, Qt::AlignLeft);
        captions << label;
    }
    void AddLayout(QLabel *label, QLayout *layout)
    {
        const int row = grid_->rowCount();
        grid_->addWidget(label, row, 0);
        grid_->addLayout(layout, row, 1);
        captions << label;
    }

    QGroupBox *group_;
    QGridLayout *grid_;
};

// Groups standing one above the other read as one form: their caption
// columns get the width of the widest caption.
void AlignCaptions(const QList<QLabel *> &captions)
{
    int width = 0;
    for (QLabel *l : captions)
        width = std::max(width, l->sizeHint().width());
    for (QLabel *l : captions)
        l->setMinimumWidth(width);
}

QSpinBox *WidthField(QWidget *parent, const QString &name, const QString &caption, const QString &group)
{
    auto *spin = Named(new QSpinBox(parent), name);
    spin->setRange(0, kMaxColumnWidth);
    spin->setAccessibleName(Spoken(caption));
    spin->setAccessibleDescription(group.trimmed());
    spin->setAlignment(Qt::AlignRight);
    return spin;
}

// A figure in a sunken box the size of the fields above it.
QLabel *TotalField(QWidget *parent, const QString &name, const QSize &fieldSize)
{
    auto *total = Named(new QLabel(parent), name);
    total->setFixedSize(fieldSize);
    total->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    total->setTextInteractionFlags(Qt::TextSelectableByMouse);
    total->setIndent(4);
    return total;
}

}  // namespace

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
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed-size dialog
}

QWidget *AdvancedSettingsWindow::BuildGeneralPage()
{
    auto *page = Named(new QWidget, QStringLiteral("TSogolne"));

    auto *look = Named(new QGroupBox(QStringLiteral("Wygląd ekranu "), page), QStringLiteral("GBwyglad"));
    Rows lookRows(look);
    fontSize_ = lookRows.Control(QStringLiteral("Rozmiar czcionki tabeli:"), QStringLiteral("CBrozmiar_czcionki"),
                                 new QComboBox(look));
    for (int size : TableFontSizes())
        fontSize_->addItem(QString::number(size));
    fontName_ = lookRows.Control(QStringLiteral("Nazwa czcionki tabeli:"), QStringLiteral("CBnazwa_czcionki"),
                                 new QComboBox(look));
    fontName_->addItems(TableFontNames());
    // Nothing is selected until the settings name an entry.
    fontSize_->setCurrentIndex(-1);
    fontName_->setCurrentIndex(-1);
    fullScreen_ = lookRows.Check(QStringLiteral("Uruchamiaj w trybie pełnoekranowym:"), QStringLiteral("pelny_ekran"));
    dialDefault_ = lookRows.Check(QStringLiteral("Zegar widokiem domyślnym:"), QStringLiteral("zegar_domyslny"));

    auto *dial = Named(new QGroupBox(QStringLiteral("Zegar "), page), QStringLiteral("GBzegar"));
    Rows dialRows(dial);
    dialPercent_ = dialRows.Check(QStringLiteral("Skala procentowa"), QStringLiteral("skala_procentowa"));
    maxMass_ = dialRows.Control(QStringLiteral("Masa maksymalna:"), QStringLiteral("Emasa_max"), new QLineEdit(dial));
    LimitTyping(maxMass_, kMaxMassLength);
    maxMass_->setAlignment(Qt::AlignRight);
    // The controls of the left column share one width.
    const int controlWidth = std::max(fontSize_->sizeHint().width(), fontName_->sizeHint().width());
    fontSize_->setFixedWidth(controlWidth);
    fontName_->setFixedWidth(controlWidth);
    maxMass_->setFixedWidth(controlWidth);
    maxMass_->installEventFilter(this);

    auto *label = Named(new QGroupBox(QStringLiteral("Etykieta "), page), QStringLiteral("GBetykieta"));
    Rows labelRows(label);
    singleOnLabel_ =
        labelRows.Check(QStringLiteral("Etykieta zawiera pojedynczy pomiar:"), QStringLiteral("poj_pomiar"));
    simplifiedMarking_ =
        labelRows.Check(QStringLiteral("Uproszczone zaznaczanie pomiarów:"), QStringLiteral("uproszczone_zaznaczanie"));

    auto *rights = Named(new QGroupBox(QStringLiteral("Uprawnienia"), page), QStringLiteral("GBuprawnienia"));
    Rows rightsRows(rights);
    lockMass_ = rightsRows.Check(QStringLiteral("Tylko administrator edytuje masę:"), QStringLiteral("blokuj_mase"));
    lockPrice_ = rightsRows.Check(QStringLiteral("Tylko administrator edytuje cenę:"), QStringLiteral("blokuj_cene"));
    lockDelete_ =
        rightsRows.Check(QStringLiteral("Tylko administrator usuwa pomiary:"), QStringLiteral("blokuj_usuwanie"));

    auto *other = Named(new QGroupBox(QStringLiteral("Inne "), page), QStringLiteral("GBinne"));
    Rows otherRows(other);
    brackets_ = otherRows.Check(QStringLiteral("Wartość masy otoczona nawiasami:"), QStringLiteral("nawiasy"));
    autoDelete_ = otherRows.Check(QStringLiteral("Automatyczne usuwanie pomiarów:"), QStringLiteral("auto_usuwanie"));
    autoNumbering_ =
        otherRows.Check(QStringLiteral("Automatyczna numeracja pomiarów:"), QStringLiteral("auto_numeracja"));
    tareFromPackaging_ = otherRows.Check(QStringLiteral("Tara pobierana automatycznie z opakowania:"),
                                         QStringLiteral("tara_z_opakowania"));
    chooseDir_ = Named(new QPushButton(QStringLiteral("..."), other), QStringLiteral("BBkatalog_archiwum"));
    chooseDir_->setToolTip(QStringLiteral("Wskaż katalog archiwum"));
    chooseDir_->setAccessibleName(QStringLiteral("Wskaż katalog archiwum"));
    chooseDir_->setFixedWidth(chooseDir_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    connect(chooseDir_, &QPushButton::clicked, this, &AdvancedSettingsWindow::BBkatalogClick);
    archiveDir_ = otherRows.Control(QStringLiteral("Katalog archiwum:"), QStringLiteral("Ekatalog_archiwum"),
                                    new QLineEdit(other), chooseDir_);
    LimitTyping(archiveDir_, kArchiveDirLength);
    archiveDir_->setValidator(new Cp1250Validator(archiveDir_));
    archiveDir_->installEventFilter(this);
    excel_ =
        otherRows.Control(QStringLiteral("Wersja MS Excel:"), QStringLiteral("CBwersja_excel"), new QComboBox(other));
    excel_->addItems(ExcelVersionNames());
    excel_->setCurrentIndex(-1);
    // The folder field as wide as the longest entry of the list under it.
    archiveDir_->setMinimumWidth(excel_->sizeHint().width() - chooseDir_->width() - 4);

    AlignCaptions(lookRows.captions + dialRows.captions + labelRows.captions);
    AlignCaptions(rightsRows.captions + otherRows.captions);

    auto *left = new QVBoxLayout;
    left->addWidget(look);
    left->addWidget(dial);
    left->addWidget(label);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(rights);
    right->addWidget(other);
    right->addStretch();
    auto *columns = new QHBoxLayout(page);
    columns->addLayout(left);
    columns->addLayout(right);
    return page;
}

QWidget *AdvancedSettingsWindow::BuildColumnsPage()
{
    auto *page = Named(new QWidget, QStringLiteral("TSkolumny"));
    QList<QLabel *> leftCaptions;
    QList<QLabel *> rightCaptions;

    // A group of width fields: `left` and `right` name its two columns of
    // fields; "Razem:" and its total stand under the right one.
    auto group = [&](const QString &title, const char *name, const QString &prefix, const QList<Column> &left,
                     const QList<Column> &right, std::array<QSpinBox *, ColumnCount> &fields, QLabel *&total) {
        auto *box = Named(new QGroupBox(title, page), QString::fromLatin1(name));
        auto *grid = new QGridLayout(box);
        grid->setVerticalSpacing(4);
        grid->setColumnMinimumWidth(2, 18);
        grid->setColumnStretch(5, 1);
        auto place = [&](Column c, int row, int column, QList<QLabel *> &captions) {
            const QString caption = QString::fromUtf8(kColumnNames[c].caption);
            const QString stem = QString::fromLatin1(kColumnNames[c].stem);
            QSpinBox *spin = WidthField(box, "SE" + prefix + stem, caption, title);
            auto *l = Named(new QLabel(caption, box), "L" + prefix + stem);
            l->setBuddy(spin);
            grid->addWidget(l, row, column);
            grid->addWidget(spin, row, column + 1);
            captions << l;
            fields[c] = spin;
            connect(spin, &QSpinBox::valueChanged, this, &AdvancedSettingsWindow::RecomputeTotals);
        };
        for (int i = 0; i < left.size(); ++i)
            place(left[i], i, 0, leftCaptions);
        for (int i = 0; i < right.size(); ++i)
            place(right[i], i, 3, rightCaptions);
        auto *sum = Named(new QLabel(QStringLiteral("Razem:"), box), "L" + prefix + "razem");
        total = TotalField(box, "L" + prefix + "suma", fields[right.last()]->sizeHint());
        total->setAccessibleName(QStringLiteral("Razem"));
        total->setAccessibleDescription(title.trimmed());
        sum->setBuddy(total);
        const int row = int(right.size());
        grid->addWidget(sum, row, 3);
        grid->addWidget(total, row, 4);
        rightCaptions << sum;
        return box;
    };
    auto info = [&](const QString &text, const char *name) {
        auto *l = Named(new QLabel(text, page), QString::fromLatin1(name));
        l->setIndent(8);
        return l;
    };

    QGroupBox *screen =
        group(QStringLiteral("Rozmiar kolumn w tabelach (punkty, 0 - ukrycie kolumny) "), "GBkol_tabele",
              QStringLiteral("kol_"), {ColNr, ColTime, ColGross, ColNet, ColTare, ColPrice},
              {ColValue, ColOrder, ColMaterial, ColPackaging, ColOperator, ColCustomer}, screen_, screenTotal_);
    QGroupBox *print =
        group(QStringLiteral("Rozmiar kolumn na wydrukach tabel (znaki, 0 - ukrycie kolumny) "), "GBkol_druk",
              QStringLiteral("druk_"), {ColNr, ColTime, ColGross, ColNet, ColTare, ColPrice},
              {ColValue, ColOrder, ColMaterial, ColPackaging, ColOperator, ColCustomer}, print_, printTotal_);
    QGroupBox *label = group(QStringLiteral("Rozmiar kolumn na wydrukach etykiety (znaki, 0 - ukrycie kolumny) "),
                             "GBkol_etykieta", QStringLiteral("et_"),
                             {ColMaterial, ColPackaging, ColOrder, ColGross, ColNet}, {ColTare, ColPrice, ColValue},
                             label_, labelTotal_);
    AlignCaptions(leftCaptions);
    AlignCaptions(rightCaptions);

    tableWidthLine_ = info(TableWidthLine(0), "Lkol_info");
    auto *grid = new QGridLayout(page);
    grid->addWidget(screen, 0, 0);
    grid->addWidget(tableWidthLine_, 1, 0);
    grid->addWidget(print, 0, 1);
    grid->addWidget(info(QStringLiteral("(*) Szerokość kartki A4: 113 zn. (pionowo) lub 162 zn. (poziomo)"),
                         "Ldruk_info"),
                    1, 1);
    grid->addWidget(label, 2, 0);
    grid->addWidget(
        info(QStringLiteral("(*) Szerokość kartki A4: 83 zn. (pionowo) lub 123 zn. (poziomo)"), "Let_info"), 3, 0);
    grid->setRowStretch(4, 1);
    return page;
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
        // Whatever takes the focus: another control, a change of page (which
        // first passes the focus on along the chain), another window. Not
        // the field's own menu; "Anuluj" always closes; a click on OK checks
        // by itself, and a message in the middle of the click would leave
        // the button pressed.
        const bool ownMenu = reason == Qt::PopupFocusReason;
        const bool okClicked = next == ok_ && reason == Qt::MouseFocusReason;
        if (!ownMenu && !okClicked && next != cancel_)
            CheckMaxMass();
    }
    return QDialog::eventFilter(watched, event);
}
