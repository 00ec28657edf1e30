#include "tables/row_editing.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "dictionaries/pickers.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/totals.h"

namespace {

// Reads cell `col` of the record as a number; false and the reader's message when it is not one.
bool ReadCell(const MeasurementRecord &r, int col, double &out, QString &error)
{
    const std::optional<double> v = ParseNumber(r.fields[size_t(col)]);
    if (!v) {
        error = BadNumberMessage(cp1250::Decode(r.fields[size_t(col)]));
        return false;
    }
    out = *v;
    return true;
}

// V := N x P from the cells as written.
bool RecomputeValue(MeasurementRecord &r, QString &error)
{
    double net = 0, price = 0;
    if (!ReadCell(r, ColNet, net, error) || !ReadCell(r, ColPrice, price, error))
        return false;
    r.fields[ColValue] = FormatMoney(net * price);
    return true;
}

// T := newTare (as text), N := N_old + T_old - newTare, V := N x P.
bool ChangeTare(MeasurementRecord &r, double newTare, QByteArray newTareText, int massDecimals, QString &error)
{
    double net = 0, tare = 0;
    if (!ReadCell(r, ColNet, net, error) || !ReadCell(r, ColTare, tare, error))
        return false;
    r.fields[ColNet] = FormatMass(net + tare - newTare, massDecimals);
    r.fields[ColTare] = std::move(newTareText);
    return RecomputeValue(r, error);
}

template <typename Change>
LineEdit Edit(Change change)
{
    return [change](QByteArrayView line, QString &error) -> std::optional<QByteArray> {
        MeasurementRecord r = MeasurementRecord::FromLine(line);
        if (!change(r, error))
            return std::nullopt;
        // Only the changed fields: a last field with TABs of its own stays whole.
        std::optional<QByteArray> out = r.LineOver(line);
        if (!out)
            error = QStringLiteral("Tekst zawiera niedozwolony znak (tabulator lub koniec linii).");
        return out;
    };
}

}  // namespace

LineEdit GrossEdit(double typed, int massDecimals)
{
    return Edit([=](MeasurementRecord &r, QString &error) {
        double tare = 0;
        if (!ReadCell(r, ColTare, tare, error))
            return false;
        r.fields[ColGross] = FormatRounded(typed, 8, massDecimals);
        double gross = 0;
        if (!ReadCell(r, ColGross, gross, error))
            return false;
        r.fields[ColNet] = FormatMass(gross - tare, massDecimals);
        return RecomputeValue(r, error);
    });
}

LineEdit TareEdit(double typed, int massDecimals)
{
    return Edit([=](MeasurementRecord &r, QString &error) {
        return ChangeTare(r, typed, FormatMass(typed, massDecimals), massDecimals, error);
    });
}

LineEdit PriceEdit(double typed, int massDecimals)
{
    return Edit([=](MeasurementRecord &r, QString &error) {
        double net = 0;
        if (!ReadCell(r, ColNet, net, error))
            return false;
        r.fields[ColPrice] = FormatRounded(typed, 8, massDecimals);
        double price = 0;
        if (!ReadCell(r, ColPrice, price, error))
            return false;
        r.fields[ColValue] = FormatRounded(net * price, 8, massDecimals);
        return true;
    });
}

LineEdit TextEdit(int column, QByteArray text)
{
    return Edit([column, text](MeasurementRecord &r, QString &) {
        r.fields[size_t(column)] = text;
        return true;
    });
}

LineEdit MaterialEdit(const PickedEntry &material, bool tareFromPackaging,
                      std::function<double(QByteArrayView)> packagingTare, int massDecimals)
{
    return Edit([=](MeasurementRecord &r, QString &error) {
        r.fields[ColMaterial] = material.name;
        r.fields[ColPackaging] = material.packaging;
        r.fields[ColPrice] = material.price;
        if (tareFromPackaging) {
            const double tare = packagingTare ? packagingTare(material.packaging) : 0.0;
            if (!ChangeTare(r, tare, FormatMass(tare, massDecimals), massDecimals, error))
                return false;
        }
        return RecomputeValue(r, error);
    });
}

LineEdit PackagingEdit(const PickedEntry &packaging, bool tareFromPackaging, int massDecimals)
{
    return Edit([=](MeasurementRecord &r, QString &error) {
        r.fields[ColPackaging] = packaging.name;
        if (!tareFromPackaging)
            return true;
        const std::optional<double> tare = ParseNumber(packaging.tare);
        if (!tare) {
            error = BadNumberMessage(cp1250::Decode(packaging.tare));
            return false;
        }
        return ChangeTare(r, *tare, packaging.tare, massDecimals, error);
    });
}

RangeEditResult ApplyToRange(MeasurementTable &table, const TableStorage &storage, int first, int last,
                             const LineEdit &edit)
{
    RangeEditResult result;
    QList<LineReplacement> changes;
    // The new lines are made first and the working file is written once;
    // only what the file took is then shown, so the table never shows a
    // change that a restart would lose. The rows are not made current one by
    // one: moving the highlight row by row would cost more than the edit.
    for (int row = first; row <= last && row < table.RowCount(); ++row) {
        const QByteArray oldLine = table.Line(row);
        std::optional<QByteArray> newLine = edit(oldLine, result.cellError);
        if (!newLine)
            break;
        changes.append({oldLine, std::move(*newLine)});
    }
    QList<bool> applied;
    result.file = ReplaceLines(storage, table.number(), changes, &applied);
    for (qsizetype k = 0; k < changes.size(); ++k) {
        if (applied.value(k)) {
            table.SetLine(first + int(k), changes[k].newLine);
            ++result.rowsChanged;
        }
    }
    if (first < table.RowCount())
        table.SetCurrentRow(first);
    return result;
}

QString DeleteQuestion(QByteArrayView line)
{
    auto field = [&](int col) { return cp1250::Decode(FieldView(line, col)); };
    return QStringLiteral("Czy napewno usunąć zaznaczony pomiar %1 ?\nczas pobrania: %2\nmasa brutto: %3\nmasa netto: %4")
        .arg(field(ColNr), field(ColTime), field(ColGross), field(ColNet));
}
