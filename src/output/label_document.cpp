#include "output/label_document.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

namespace {

using namespace print_text;

const QString kIndent(8, QLatin1Char(' '));

// The label's items in their order, with the caption of the single layout
// (17 characters), the table heading and the alignment in the table.
struct LabelItem {
    Column column;
    const char *caption;
    const char *heading;
    bool right;
};
const LabelItem kItems[] = {
    {ColMaterial, "Materiał:        ", "materiał", false},
    {ColPackaging, "Opakowanie:      ", "opakowanie", false},
    {ColOrder, "Zamówienie:      ", "zamówienie", false},
    {ColGross, "Masa brutto:     ", "brutto", true},
    {ColNet, "Masa netto:      ", "netto", true},
    {ColTare, "Tara:            ", "tara", true},
    {ColPrice, "Cena:            ", "cena", true},
    {ColValue, "Wartość:         ", "wartość", true},
};

QString CellText(const MeasurementTable &t, int row, int col)
{
    return cp1250::Decode(FieldView(t.LineView(row), col));
}

int Width(const LabelInput &in, Column c)
{
    return std::clamp(in.widths[size_t(c)], 0, 500);
}

void SingleLayout(const LabelInput &in, const QList<int> &marked, LineWriter &w)
{
    const MeasurementTable &t = *in.table;
    const QString unit = QLatin1Char(' ') + in.unit;
    for (const int row : marked) {
        for (const LabelItem &item : kItems) {
            if (item.column == ColGross)
                w.EndLine();  // between the descriptions and the values, always
            if (Width(in, item.column) == 0)
                continue;
            QString line = kIndent + QString::fromUtf8(item.caption) + CellText(t, row, item.column);
            if (item.column == ColGross || item.column == ColNet || item.column == ColTare)
                line += unit;
            else if (item.column == ColPrice)
                line += QStringLiteral(" zł/") + in.unit;
            else if (item.column == ColValue)
                line += QStringLiteral(" zł");
            w.Line(line);
        }
    }
}

void TableLayout(const LabelInput &in, const QList<int> &marked, LineWriter &w)
{
    const MeasurementTable &t = *in.table;
    int ruleLength = 0;
    QString heading = kIndent;
    for (const LabelItem &item : kItems) {
        if (const int width = Width(in, item.column); width > 0) {
            ruleLength += width + 1;
            heading += Cell(QString::fromUtf8(item.heading), width, item.right);
        }
    }
    w.EndLine();
    w.Rule(kIndent, ruleLength);
    w.EndLine();
    w.Line(heading);
    w.Rule(kIndent, ruleLength);
    w.EndLine();
    double valueSum = 0;
    for (const int row : marked) {
        QString line = kIndent;
        for (const LabelItem &item : kItems)
            if (const int width = Width(in, item.column); width > 0)
                line += Cell(CellText(t, row, item.column), width, item.right);
        w.Line(line);
        // Summed whether or not the column is shown; a cell that is not a number counts 0.
        valueSum += ParseNumber(FieldView(t.LineView(row), ColValue)).value_or(0.0);
    }
    w.EndLine();
    w.Line(kIndent + QStringLiteral("Ilość pomiarów:      ") + PadLeft(in.count, 8));
    w.EndLine();
    if (Width(in, ColGross) > 0)
        w.Line(kIndent + QStringLiteral("Łączna masa brutto:  ") + PadLeft(in.sumGross, 11));
    if (Width(in, ColNet) > 0)
        w.Line(kIndent + QStringLiteral("Łączna masa netto:   ") + PadLeft(in.sumNet, 11));
    if (Width(in, ColTare) > 0)
        w.Line(kIndent + QStringLiteral("Łączna tara:         ") + PadLeft(in.sumTare, 11));
    if (Width(in, ColValue) > 0) {
        w.EndLine();
        w.Line(kIndent + QStringLiteral("Łączna wartość: ") +
               PadLeft(QString::fromLatin1(FormatMoney(valueSum)) + QStringLiteral(" zł"), 11));
    }
}

}  // namespace

QString LabelJobTitle(const QDateTime &now, int copy)
{
    QString title = QStringLiteral("Etykieta ") + now.toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
    if (copy > 1)
        title += QStringLiteral(" c") + QString::number(copy);
    return title;
}

void BuildLabel(const LabelInput &in, DocumentSink &sink)
{
    sink.Begin(DocumentFont{QStringLiteral("Courier New"), 10});
    LineWriter w(sink);
    w.EmptyLines(5);

    // From the last row up: each of date, operator and customer comes from the
    // marked row with the highest number that has it.
    const MeasurementTable &t = *in.table;
    QList<int> marked;
    QString date, op, customer;
    for (int row = t.RowCount() - 1; row >= 0; --row) {
        if (!t.Mark(row))
            continue;
        marked.prepend(row);
        if (date.isEmpty())
            date = CellText(t, row, ColTime);
        if (op.isEmpty())
            op = CellText(t, row, ColOperator);
        if (customer.isEmpty())
            customer = CellText(t, row, ColCustomer);
    }

    w.SetStyle(TextStyle::BoldItalic);
    for (const QString &line : in.company)
        w.Line(kIndent + PadRight(line, 35));
    w.SetStyle(TextStyle::Regular);
    for (const QString &user : {in.userLine1, in.userLine2})
        if (!user.isEmpty())
            w.Line(kIndent + user);
    w.EmptyLines(2);
    w.Line(kIndent + QStringLiteral("Data wydruku:    ") + in.now.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    if (!date.isEmpty())
        w.Line(kIndent + QStringLiteral("Data pomiaru:    ") + date);
    if (!op.isEmpty())
        w.Line(kIndent + QStringLiteral("Operator:        ") + op);
    if (!customer.isEmpty())
        w.Line(kIndent + QStringLiteral("Klient/Dostawca: ") + customer);

    if (marked.size() <= 1)
        SingleLayout(in, marked, w);
    else
        TableLayout(in, marked, w);

    w.EmptyLines(3);
    w.Line(kIndent + QString(34, QLatin1Char(' ')) + QString(39, QLatin1Char('.')));
    w.SetStyle(TextStyle::Italic);
    w.Line(kIndent + QString(50, QLatin1Char(' ')) + QStringLiteral("(podpis)"));
    w.SetStyle(TextStyle::Regular);
}
