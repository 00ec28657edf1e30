// The page "Ustawienia ogólne" of the window "Ustawienia dodatkowe": its
// groups of check boxes, lists and fields, each row a caption and its control.

#include "core/ui/clickable_label.h"
#include "core/ui/cp1250_validator.h"
#include "core/ui/limited_field.h"
#include "dictionaries/ui/advanced_settings_controls.h"
#include "dictionaries/ui/advanced_settings_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace advanced_settings_ui;

namespace {

constexpr int kMaxMassLength = 5;

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
    template <typename W> W *Control(const QString &caption, const QString &name, W *control, QWidget *beside = nullptr)
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

} // namespace

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
