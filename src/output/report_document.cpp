#include "output/report_document.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

namespace {

using namespace print_text;

const QString kIndent(5, QLatin1Char(' '));

// Report columns in their order: the table's own order, customer last.
struct ReportColumn {
    Column column;
    const char *heading;
    bool right;
};
const ReportColumn kColumns[] = {
    {ColNr, "nr", true},
    {ColTime, "czas pobrania", true},
    {ColGross, "brutto", true},
    {ColNet, "netto", true},
    {ColTare, "tara", true},
    {ColPrice, "cena", true},
    {ColValue, "wartość", true},
    {ColOrder, "zamówienie", false},
    {ColMaterial, "materiał", false},
    {ColPackaging, "opakowanie", false},
    {ColOperator, "operator", false},
    {ColCustomer, "dostawca/kli.", false},
};

int Width(const ReportInput &in, Column c)
{
    return std::clamp(in.widths[size_t(c)], 0, 500);
}

// A column's text: every column but the customer ends with its separating space.
QString ColumnText(const ReportColumn &c, const QString &text, int width)
{
    if (c.column == ColCustomer)
        return Cut(PadRight(text, width), width);
    return Cell(text, width, c.right);
}

// yyyymmddhhmm as yyyy-mm-dd hh:mm.
QString Moment(const QByteArray &digits)
{
    const QString d = cp1250::Decode(digits);
    return d.mid(0, 4) + QLatin1Char('-') + d.mid(4, 2) + QLatin1Char('-') + d.mid(6, 2) + QLatin1Char(' ') +
           d.mid(8, 2) + QLatin1Char(':') + d.mid(10, 2);
}

void FilterLines(const DataFilter &f, LineWriter &w)
{
    if (f.IsEmpty())
        return;
    w.Line(kIndent + QStringLiteral("Filtr danych: "));
    if (!f.from.isEmpty())
        w.Line(kIndent + QStringLiteral("  data początkowa: ") + Moment(f.from));
    if (!f.to.isEmpty())
        w.Line(kIndent + QStringLiteral("  data końcowa:    ") + Moment(f.to));
    const std::pair<const char *, const QByteArray *> texts[] = {
        {"  zamówienie:      ", &f.order},
        {"  materiał:        ", &f.material},
        {"  operator:        ", &f.op},
        {"  dostawca/klient: ", &f.customer},
    };
    for (const auto &[caption, value] : texts)
        if (!value->isEmpty())
            w.Line(kIndent + QString::fromUtf8(caption) + cp1250::Decode(*value));
}

}  // namespace

QString ReportJobTitle(const QDateTime &now)
{
    return QStringLiteral("Ważenia ") + now.toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
}

void BuildReport(const ReportInput &in, DocumentSink &sink)
{
    sink.Begin(DocumentFont{QStringLiteral("Courier New"), 8});
    LineWriter w(sink);
    w.EmptyLines(5);
    w.SetStyle(TextStyle::BoldItalic);
    for (const QString &line : in.company)
        w.Line(kIndent + PadRight(line, 35));
    w.SetStyle(TextStyle::Regular);
    w.EmptyLines(2);
    w.Line(kIndent + QStringLiteral("Nazwa tabeli:      ") + in.tableName + QStringLiteral(" - ") + in.tableDescription);
    w.Line(kIndent + QStringLiteral("Data wydruku:      ") + in.now.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    FilterLines(in.filter, w);
    w.EndLine();

    int ruleLength = 0;
    QString heading = kIndent;
    for (const ReportColumn &c : kColumns) {
        if (const int width = Width(in, c.column); width > 0) {
            ruleLength += width + 1;
            heading += ColumnText(c, QString::fromUtf8(c.heading), width);
        }
    }
    if (Width(in, ColCustomer) > 0)
        --ruleLength;  // the customer column has no separating space
    w.Rule(kIndent, ruleLength);
    w.EndLine();
    w.Line(heading);
    w.Rule(kIndent, ruleLength);
    w.EndLine();

    const MeasurementTable &t = *in.table;
    double gross = 0, net = 0, tare = 0, value = 0;
    // Summed whether or not the column is shown; a cell that is not a number counts 0.
    auto number = [](QByteArrayView cell) { return ParseNumber(cell).value_or(0.0); };
    for (int row = 0; row < t.RowCount(); ++row) {
        const QByteArrayView line = t.LineView(row);
        QString text = kIndent;
        for (const ReportColumn &c : kColumns)
            if (const int width = Width(in, c.column); width > 0)
                text += ColumnText(c, cp1250::Decode(FieldView(line, c.column)), width);
        w.Line(text);
        gross += number(FieldView(line, ColGross));
        net += number(FieldView(line, ColNet));
        tare += number(FieldView(line, ColTare));
        value += number(FieldView(line, ColValue));
    }

    w.Line(kIndent);
    w.Line(kIndent + QStringLiteral("Ilość pomiarów:     ") + PadLeft(QString::number(t.RowCount()), 8));
    w.Line(kIndent);
    const QString unit = QLatin1Char(' ') + in.unit;
    auto mass = [&](double sum) { return PadLeft(QString::fromLatin1(FormatMass(sum, in.massDecimals)), 8) + unit; };
    if (Width(in, ColGross) > 0)
        w.Line(kIndent + QStringLiteral("Łączna masa brutto: ") + mass(gross));
    if (Width(in, ColNet) > 0)
        w.Line(kIndent + QStringLiteral("Łączna masa netto:  ") + mass(net));
    if (Width(in, ColTare) > 0)
        w.Line(kIndent + QStringLiteral("Łączna tara:        ") + mass(tare));
    if (Width(in, ColValue) > 0) {
        w.Line(kIndent);
        w.Line(kIndent + QStringLiteral("Łączna wartość:     ") +
               PadLeft(QString::fromLatin1(FormatMoney(value)) + QStringLiteral(" zł"), 11));
    }
    w.Line(kIndent);
    w.SetStyle(TextStyle::Italic);
    w.Line(kIndent + QStringLiteral("Koniec wydruku."));
    w.SetStyle(TextStyle::Regular);
}
