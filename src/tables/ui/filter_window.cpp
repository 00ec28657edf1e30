#include "tables/ui/filter_window.h"

#include "core/clock.h"
#include "core/cp1250.h"
#include "core/ui/cp1250_validator.h"
#include "core/ui/dialog_buttons.h"
#include "core/user_prompts.h"
#include "dictionaries/pickers.h"
#include "tables/filter_dates.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QByteArray FieldBytes(const QLineEdit *edit)
{
    return cp1250::EncodeLossy(edit->text());
}

}  // namespace

FilterWindow::FilterWindow(Pickers *pickers, UserPrompts *prompts, const Clock *clock, QWidget *parent)
    : QDialog(parent), pickers_(pickers), prompts_(prompts), clock_(clock)
{
    setObjectName(QStringLiteral("TFfilter"));
    setWindowTitle(QStringLiteral("Filtr pomiarów"));
    setModal(true);

    auto *dates = new QGroupBox(this);
    auto *dateGrid = new QGridLayout(dates);
    auto dateField = [&](int row, const QString &caption, const char *name) {
        auto *label = new QLabel(caption, dates);
        auto *edit = new QLineEdit(dates);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setInputMask(QString::fromLatin1(kFilterDateMask));
        edit->setAccessibleName(caption);
        label->setBuddy(edit);
        dateGrid->addWidget(label, row, 0);
        dateGrid->addWidget(edit, row, 1);
        return edit;
    };
    from_ = dateField(0, QStringLiteral("Data od:"), "MEday_from");
    to_ = dateField(1, QStringLiteral("Data do:"), "MEday_to");
    auto *today = new QPushButton(QStringLiteral("    dzisiaj"), dates);
    today->setObjectName(QStringLiteral("BBtoday"));
    auto *month = new QPushButton(QStringLiteral("bież. miesiąc"), dates);
    month->setObjectName(QStringLiteral("BBmonth"));
    dateGrid->addWidget(today, 0, 2);
    dateGrid->addWidget(month, 1, 2);
    connect(today, &QPushButton::clicked, this, &FilterWindow::BBtodayClick);
    connect(month, &QPushButton::clicked, this, &FilterWindow::BBmonthClick);

    auto *texts = new QGroupBox(this);
    auto *grid = new QGridLayout(texts);
    order_ = AddTextRow(grid, 0, "Zamówienie:", "Ewz", "SBclear_wz", nullptr, nullptr);
    material_ = AddTextRow(grid, 1, "Materiał:", "Ematerial", "SBclear_material", "BBselect_material",
                           &FilterWindow::BBselect_materialClick);
    operator_ = AddTextRow(grid, 2, "Operator:", "Eoperator", "SBclear_operator", "BBselect_operator",
                           &FilterWindow::BBselect_operatorClick);
    client_ = AddTextRow(grid, 3, "Dostawca/Klient:", "Eclient", "SBclear_client", "BBselect_client",
                         &FilterWindow::BBselect_clientClick);

    auto *clear = new QPushButton(QStringLiteral("wyłącz filtr"), this);
    clear->setObjectName(QStringLiteral("BBclear"));
    connect(clear, &QPushButton::clicked, this, &FilterWindow::BBclearClick);
    const DialogButtons buttons = MakeDialogButtons(this);
    buttons.row->insertWidget(0, clear);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(dates);
    layout->addWidget(texts);
    layout->addLayout(buttons.row);
}

QLineEdit *FilterWindow::AddTextRow(QGridLayout *grid, int row, const char *caption, const char *name,
                                    const char *clearName, const char *pickName, void (FilterWindow::*pick)())
{
    QWidget *box = grid->parentWidget();
    auto *label = new QLabel(QString::fromUtf8(caption), box);
    auto *edit = new QLineEdit(box);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setValidator(new Cp1250Validator(edit));
    edit->setAccessibleName(label->text());
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    if (pickName) {
        auto *b = new QPushButton(QStringLiteral("wybierz..."), box);
        b->setObjectName(QString::fromLatin1(pickName));
        connect(b, &QPushButton::clicked, this, pick);
        grid->addWidget(b, row, 2);
    }
    grid->addWidget(MakeClearButton(box, clearName, edit), row, 3);
    return edit;
}

std::optional<DataFilter> FilterWindow::Edit(const DataFilter &filter)
{
    SetFields(filter);
    from_->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return taken_;
}

void FilterWindow::SetFields(const DataFilter &filter)
{
    from_->setText(FilterDateText(filter.from));
    to_->setText(FilterDateText(filter.to));
    order_->setText(cp1250::Decode(filter.order));
    material_->setText(cp1250::Decode(filter.material));
    operator_->setText(cp1250::Decode(filter.op));
    client_->setText(cp1250::Decode(filter.customer));
}

std::optional<DataFilter> FilterWindow::TakeFields()
{
    DataFilter f;
    const std::optional<QByteArray> from = FilterDateDigits(from_->displayText());
    const std::optional<QByteArray> to = FilterDateDigits(to_->displayText());
    if (!from || !to) {
        QLineEdit *partial = from ? to_ : from_;
        prompts_->Error(QStringLiteral("Niepełna data w polu \"%1\"\nWpisz pełną datę z godziną albo wyczyść pole.")
                            .arg(partial == from_ ? QStringLiteral("Data od:") : QStringLiteral("Data do:")));
        partial->setFocus();
        return std::nullopt;
    }
    f.from = *from;
    f.to = *to;
    f.order = FieldBytes(order_);
    f.material = FieldBytes(material_);
    f.op = FieldBytes(operator_);
    f.customer = FieldBytes(client_);
    return f;
}

void FilterWindow::accept()
{
    std::optional<DataFilter> f = TakeFields();
    if (!f)
        return;
    taken_ = *f;
    QDialog::accept();
}

void FilterWindow::BBtodayClick()
{
    const FilterBounds b = TodayBounds(clock_->Now().date());
    from_->setText(FilterDateText(b.from));
    to_->setText(FilterDateText(b.to));
}

void FilterWindow::BBmonthClick()
{
    const FilterBounds b = MonthBounds(clock_->Now().date());
    from_->setText(FilterDateText(b.from));
    to_->setText(FilterDateText(b.to));
}

void FilterWindow::BBselect_materialClick()
{
    if (const std::optional<PickedEntry> e = pickers_->PickMaterial(false))
        material_->setText(cp1250::Decode(e->name));
}

void FilterWindow::BBselect_operatorClick()
{
    if (const std::optional<PickedEntry> e = pickers_->PickOperator())
        operator_->setText(cp1250::Decode(e->name));
}

void FilterWindow::BBselect_clientClick()
{
    if (const std::optional<PickedEntry> e = pickers_->PickCustomer(false))
        client_->setText(cp1250::Decode(e->name));
}

void FilterWindow::BBclearClick()
{
    SetFields(DataFilter{});
}
