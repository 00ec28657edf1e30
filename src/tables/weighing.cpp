#include "tables/weighing.h"

#include "core/clock.h"
#include "core/number_forms.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

namespace {

double Lookup(const std::function<double(QByteArrayView)> &f, QByteArrayView name)
{
    return f ? f(name) : 0.0;
}

// The fields every new row takes from the table's defaults.
MeasurementRecord DefaultsRow(const MeasurementTable &table, const TableParams &params,
                              const WeighingOptions &options, const QDateTime &now)
{
    MeasurementRecord r;
    if (options.autoNumbering)
        r.fields[ColNr] = options.number ? *options.number : NextNumber(table, table.RowCount());
    r.fields[ColTime] = TableTime(now);
    r.fields[ColOrder] = params.fields[TableParams::Order];
    r.fields[ColMaterial] = params.fields[TableParams::Material];
    r.fields[ColOperator] = params.fields[TableParams::Operator];
    r.fields[ColCustomer] = params.fields[TableParams::Customer];
    return r;
}

}  // namespace

bool DisplayShowsMass(QByteArrayView display)
{
    return !display.isEmpty() && display != "- - - - -" && display != "* * * * *";
}

std::optional<QByteArray> WeighingLine(const MeasurementTable &table, QByteArrayView display, QByteArrayView tareLabel,
                                       const TableParams &params, const WeighingOptions &options,
                                       const WeighingLookups &lookups, const QDateTime &now)
{
    if (!DisplayShowsMass(display))
        return std::nullopt;
    MeasurementRecord r = DefaultsRow(table, params, options, now);
    const QByteArray &material = params.fields[TableParams::Material];
    const QByteArray packaging = lookups.materialDefaultPackaging ? lookups.materialDefaultPackaging(material) : "";
    const double price = Lookup(lookups.materialPrice, material);

    QByteArray tareText;
    if (options.tareFromPackaging)
        tareText = FormatMass(Lookup(lookups.packagingTare, packaging), options.massDecimals);
    else
        tareText = tareLabel.toByteArray();
    const std::optional<QByteArray> net = NetText(tareText, display, options.massDecimals, options.netInBrackets);
    if (!net)
        return std::nullopt;
    const std::optional<QByteArray> value = ValueText(*net, price);
    if (!value)
        return std::nullopt;

    r.fields[ColGross] = display.toByteArray();
    r.fields[ColNet] = *net;
    r.fields[ColTare] = tareText;
    r.fields[ColPrice] = FormatMoney(price);
    r.fields[ColValue] = *value;
    r.fields[ColPackaging] = packaging;
    return r.Line();
}

std::optional<QByteArray> RecordLine(const MeasurementTable &table, QByteArrayView number, QByteArrayView weight,
                                     QByteArrayView tareLabel, const TableParams &params,
                                     const WeighingOptions &options, const WeighingLookups &lookups,
                                     const QDateTime &now)
{
    const std::optional<double> w = ParseNumber(weight);
    const std::optional<double> tare = ParseNumber(tareLabel);
    if (!w || !tare)
        return std::nullopt;
    MeasurementRecord r = DefaultsRow(table, params, options, now);
    if (!options.autoNumbering)
        r.fields[ColNr] = number.toByteArray();
    const QByteArray &material = params.fields[TableParams::Material];
    const double price = Lookup(lookups.materialPrice, material);
    r.fields[ColGross] = weight.toByteArray();
    r.fields[ColTare] = tareLabel.toByteArray();
    r.fields[ColNet] = FormatMass(*w - *tare, options.massDecimals);
    r.fields[ColPrice] = FormatMoney(price);
    // On this route the value is the record's weight times the price.
    r.fields[ColValue] = FormatMoney(*w * price);
    r.fields[ColPackaging] = lookups.materialDefaultPackaging ? lookups.materialDefaultPackaging(material) : "";
    r.fields[ColOperator] = "* * * * *";
    return r.Line();
}
