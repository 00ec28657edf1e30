// The page "Rozmiar i ukrywanie kolumn" of the window "Ustawienia
// dodatkowe": three groups of width fields with their totals, and the lines
// to compare the totals with.

#include "dictionaries/ui/advanced_settings_controls.h"
#include "dictionaries/ui/advanced_settings_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>

using namespace advanced_settings_ui;

namespace {

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

} // namespace

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
    QGroupBox *label =
        group(QStringLiteral("Rozmiar kolumn na wydrukach etykiety (znaki, 0 - ukrycie kolumny) "), "GBkol_etykieta",
              QStringLiteral("et_"), {ColMaterial, ColPackaging, ColOrder, ColGross, ColNet},
              {ColTare, ColPrice, ColValue}, label_, labelTotal_);
    AlignCaptions(leftCaptions);
    AlignCaptions(rightCaptions);

    tableWidthLine_ = info(TableWidthLine(0), "Lkol_info");
    auto *grid = new QGridLayout(page);
    grid->addWidget(screen, 0, 0);
    grid->addWidget(tableWidthLine_, 1, 0);
    grid->addWidget(print, 0, 1);
    grid->addWidget(
        info(QStringLiteral("(*) Szerokość kartki A4: 113 zn. (pionowo) lub 162 zn. (poziomo)"), "Ldruk_info"), 1, 1);
    grid->addWidget(label, 2, 0);
    grid->addWidget(info(QStringLiteral("(*) Szerokość kartki A4: 83 zn. (pionowo) lub 123 zn. (poziomo)"), "Let_info"),
                    3, 0);
    grid->setRowStretch(4, 1);
    return page;
}
