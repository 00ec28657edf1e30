#include "tables/ui/table_params_window.h"

#include "core/cp1250.h"
#include "core/ui/cp1250_validator.h"
#include "core/ui/dialog_buttons.h"
#include "core/ui/limited_field.h"
#include "dictionaries/pickers.h"
#include "tables/ui/panel_colours.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The four defaults are stored on one konfig.ini line, which is read back up
// to 500 characters: bounded so that every field survives a restart.
constexpr int kDefaultFieldLength = 100;

}  // namespace

TableParamsWindow::TableParamsWindow(Pickers *pickers, QWidget *parent) : QDialog(parent), pickers_(pickers)
{
    setObjectName(QStringLiteral("TFparams"));
    setWindowTitle(QStringLiteral("Domyślne parametry"));
    setModal(true);
    chooseColour_ = [this](const QColor &initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this);
        if (!c.isValid())
            return std::nullopt;
        return c;
    };

    auto *defaults = new QGroupBox(QStringLiteral("Domyślne parametry dla nowych pomiarów "), this);
    defaults->setObjectName(QStringLiteral("GBfilter"));
    auto *grid = new QGridLayout(defaults);
    order_ = AddField(grid, 0, "Zamówienie:", "Ewz", kDefaultFieldLength);
    AddClearButton(grid, 0, "SpeedButton3", order_);
    material_ = AddField(grid, 1, "Materiał:", "Ematerial", kDefaultFieldLength);
    connect(AddPickButton(grid, 1, "BBselect_material"), &QPushButton::clicked, this, [this] {
        if (const std::optional<PickedEntry> e = pickers_->PickMaterial(false))
            material_->setText(cp1250::Decode(e->name));
    });
    AddClearButton(grid, 1, "SBclear_material", material_);
    operator_ = AddField(grid, 2, "Operator:", "Eoperator", kDefaultFieldLength);
    QPushButton *pickOperator = AddPickButton(grid, 2, "BBselect_operator");
    connect(pickOperator, &QPushButton::clicked, this, [this] {
        if (const std::optional<PickedEntry> e = pickers_->PickOperator())
            operator_->setText(cp1250::Decode(e->name));
    });
    QToolButton *clearOperator = AddClearButton(grid, 2, "SBdelete_operator", operator_);
    client_ = AddField(grid, 3, "Dostawca/Klient:", "Eclient", kDefaultFieldLength);
    connect(AddPickButton(grid, 3, "BBselect_client"), &QPushButton::clicked, this, [this] {
        if (const std::optional<PickedEntry> e = pickers_->PickCustomer(false))
            client_->setText(cp1250::Decode(e->name));
    });
    AddClearButton(grid, 3, "SBdelete_client", client_);
    auto *clear = new QPushButton(QStringLiteral("wyłącz domyślne parametry"), defaults);
    clear->setObjectName(QStringLiteral("BBclear"));
    connect(clear, &QPushButton::clicked, this, &TableParamsWindow::BBclearClick);
    grid->addWidget(clear, 4, 1);

    auto *header = new QGroupBox(QStringLiteral("Nagłówek tabeli "), this);
    header->setObjectName(QStringLiteral("GBheader"));
    auto *headerGrid = new QGridLayout(header);
    name_ = AddField(headerGrid, 0, "Nazwa tabeli:", "Etabname", 10);
    description_ = AddField(headerGrid, 1, "Opis tabeli:", "Etabheader", 40);
    preview_ = new QLabel(QStringLiteral("Tabela - opis"), header);
    preview_->setObjectName(QStringLiteral("Panel1"));
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setAutoFillBackground(true);
    preview_->setMinimumHeight(28);
    QFont previewFont(QStringLiteral("Arial"));
    previewFont.setBold(true);
    previewFont.setPixelSize(15);
    preview_->setFont(previewFont);
    headerGrid->addWidget(preview_, 2, 0, 1, 2);
    auto *background = new QPushButton(QStringLiteral("kolor tła..."), header);
    background->setObjectName(QStringLiteral("BBpanel_color"));
    connect(background, &QPushButton::clicked, this, &TableParamsWindow::BBpanel_colorClick);
    auto *font = new QPushButton(QStringLiteral("kolor czcionki..."), header);
    font->setObjectName(QStringLiteral("BBpanel_font_color"));
    connect(font, &QPushButton::clicked, this, &TableParamsWindow::BBpanel_font_colorClick);
    auto *defaultColours = new QToolButton(header);
    defaultColours->setObjectName(QStringLiteral("SBset_default_colors"));
    defaultColours->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    defaultColours->setToolTip(QStringLiteral("Ustaw domyślne kolory"));
    defaultColours->setAccessibleName(QStringLiteral("Ustaw domyślne kolory"));
    connect(defaultColours, &QToolButton::clicked, this, &TableParamsWindow::SBset_default_colorsClick);
    auto *colourRow = new QHBoxLayout;
    colourRow->addWidget(background);
    colourRow->addWidget(font);
    colourRow->addWidget(defaultColours);
    colourRow->addStretch();
    headerGrid->addLayout(colourRow, 3, 0, 1, 2);

    adminOnly_ = {operator_, pickOperator, clearOperator, name_, description_, background, font, defaultColours};

    const DialogButtons buttons = MakeDialogButtons(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(defaults);
    layout->addLayout(buttons.row);
}

QLineEdit *TableParamsWindow::AddField(QGridLayout *grid, int row, const char *caption, const char *name,
                                       int maxLength)
{
    QWidget *box = grid->parentWidget();
    auto *label = new QLabel(QString::fromUtf8(caption), box);
    auto *edit = new QLineEdit(box);
    edit->setObjectName(QString::fromLatin1(name));
    // konfig.ini may hold more than the field takes: shown and kept whole.
    LimitTyping(edit, maxLength);
    edit->setValidator(new Cp1250Validator(edit));
    edit->setAccessibleName(label->text());
    edit->installEventFilter(this);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QToolButton *TableParamsWindow::AddClearButton(QGridLayout *grid, int row, const char *name, QLineEdit *field)
{
    QToolButton *b = MakeClearButton(grid->parentWidget(), name, field);
    grid->addWidget(b, row, 3);
    return b;
}

QPushButton *TableParamsWindow::AddPickButton(QGridLayout *grid, int row, const char *name)
{
    auto *b = new QPushButton(QStringLiteral("wybierz..."), grid->parentWidget());
    b->setObjectName(QString::fromLatin1(name));
    grid->addWidget(b, row, 2);
    return b;
}

bool TableParamsWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Enter in a text field moves on to the next control instead of closing.
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit *>(watched)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<TableParams> TableParamsWindow::Edit(int number, const TableParams &params)
{
    SetParams(number, params);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return TakeParams();
}

void TableParamsWindow::SetParams(int number, const TableParams &params)
{
    shown_ = params;
    setWindowTitle(QStringLiteral("Parametry - tabela %1").arg(number));
    PresetBytes(name_, params.fields[TableParams::Name]);
    PresetBytes(description_, params.fields[TableParams::Description]);
    PresetBytes(order_, params.fields[TableParams::Order]);
    PresetBytes(material_, params.fields[TableParams::Material]);
    PresetBytes(operator_, params.fields[TableParams::Operator]);
    PresetBytes(client_, params.fields[TableParams::Customer]);
    panelColour_ = params.fields[TableParams::PanelColour];
    panelFontColour_ = params.fields[TableParams::PanelFontColour];
    ShowPreview();
    (name_->isEnabled() ? name_ : order_)->setFocus();
}

TableParams TableParamsWindow::TakeParams() const
{
    TableParams p = shown_;
    p.fields[TableParams::Name] = TakeBytes(name_);
    p.fields[TableParams::Description] = TakeBytes(description_);
    p.fields[TableParams::Order] = TakeBytes(order_);
    p.fields[TableParams::Material] = TakeBytes(material_);
    p.fields[TableParams::Operator] = TakeBytes(operator_);
    p.fields[TableParams::Customer] = TakeBytes(client_);
    p.fields[TableParams::PanelColour] = panelColour_;
    p.fields[TableParams::PanelFontColour] = panelFontColour_;
    return p;
}

void TableParamsWindow::SetAdministrator(bool administrator)
{
    administrator_ = administrator;
    for (QWidget *w : adminOnly_)
        w->setEnabled(administrator);
}

void TableParamsWindow::ShowPreview()
{
    QPalette pal = preview_->palette();
    const QColor bg = ColourFromSetting(panelColour_, palette())
                          .value_or(*ColourFromSetting(TableParams::kDefaultPanelColour, palette()));
    const QColor fg = ColourFromSetting(panelFontColour_, palette())
                          .value_or(*ColourFromSetting(TableParams::kDefaultPanelFontColour, palette()));
    pal.setColor(QPalette::Window, bg);
    pal.setColor(QPalette::WindowText, fg);
    preview_->setPalette(pal);
}

void TableParamsWindow::BBclearClick()
{
    order_->clear();
    material_->clear();
    client_->clear();
    if (administrator_)
        operator_->clear();
}

void TableParamsWindow::BBpanel_colorClick()
{
    if (const std::optional<QColor> c = chooseColour_(preview_->palette().color(QPalette::Window))) {
        panelColour_ = SettingFromColour(*c);
        ShowPreview();
    }
}

void TableParamsWindow::BBpanel_font_colorClick()
{
    if (const std::optional<QColor> c = chooseColour_(preview_->palette().color(QPalette::WindowText))) {
        panelFontColour_ = SettingFromColour(*c);
        ShowPreview();
    }
}

void TableParamsWindow::SBset_default_colorsClick()
{
    panelColour_ = TableParams::kDefaultPanelColour;
    panelFontColour_ = TableParams::kDefaultPanelFontColour;
    ShowPreview();
}
