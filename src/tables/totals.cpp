#include "tables/totals.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

#include <charconv>
#include <cstring>

namespace {

// ParseNumber without heap copies for the short cells of a table; long or
// unusual text goes through ParseNumber itself.
std::optional<double> ParseCell(QByteArrayView text)
{
    if (text.size() >= 2 && (text[0] == '(' || text[0] == '['))
        text = text.sliced(1, text.size() - 2);
    if (text.isEmpty() || text.size() > 40)
        return ParseNumber(text);
    char buf[48];
    int n = 0, digits = 0, separators = 0;
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    qsizetype e = text.size();
    while (e > i && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (i < e && (text[i] == '+' || text[i] == '-'))
        buf[n++] = text[i++];
    for (; i < e; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
            buf[n++] = c;
        } else if (c == '.' || c == ',') {
            if (++separators > 1)
                return std::nullopt;
            buf[n++] = '.';
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    const char *from = buf[0] == '+' ? buf + 1 : buf;
    double x = 0;
    const auto r = std::from_chars(from, buf + n, x);
    if (r.ec != std::errc() || r.ptr != buf + n)
        return ParseNumber(text);
    return x;
}

}  // namespace

const std::array<TotalsLabel, 5> &TotalsLabels()
{
    static const std::array<TotalsLabel, 5> labels = {{
        {"Ldisp_etyk_sum_g", "Suma brutto:", "Łączna masa brutto na etykiecie", "0.00 kg"},
        {"Ldisp_etyk_sum_n", "Suma netto:", "Łączna masa netto na etykiecie", "0.00 kg"},
        {"Ldisp_etyk_sum_tare", "Suma tara:", "Łączna tara na etykiecie", "0.00 kg"},
        {"Ldisp_etyk_num", "Ilość pom.:", "Liczba pozycji na etykiecie", "0"},
        {"Ldisp_etyk_value", "Wartość:", "Łączna wartość w tabeli", "0.00 zł"},
    }};
    return labels;
}

QString Totals::TextFor(const QString &label) const
{
    if (label == QLatin1String("Ldisp_etyk_sum_g"))
        return gross;
    if (label == QLatin1String("Ldisp_etyk_sum_n"))
        return net;
    if (label == QLatin1String("Ldisp_etyk_sum_tare"))
        return tare;
    if (label == QLatin1String("Ldisp_etyk_num"))
        return count;
    if (label == QLatin1String("Ldisp_etyk_value"))
        return value;
    return {};
}

QString BadNumberMessage(const QString &cellText)
{
    return QStringLiteral("'%1' nie jest prawidłową liczbą.").arg(cellText);
}

Totals ComputeTotals(const MeasurementTable &table, int massDecimals, const QString &unit)
{
    Totals t;
    double gross = 0, net = 0, tare = 0, value = 0;
    int count = 0;
    std::array<qsizetype, kTabsPerLine> tabs;
    const int cols[4] = {ColGross, ColNet, ColTare, ColValue};
    for (int row = 0; row < table.RowCount(); ++row) {
        if (!table.Mark(row))
            continue;
        const QByteArrayView line = table.LineView(row);
        double v[4] = {0, 0, 0, 0};
        const bool split = TabPositions(line, tabs);
        for (int k = 0; k < 4; ++k) {
            QByteArrayView cell;
            if (split) {
                const qsizetype from = tabs[size_t(cols[k] - 1)] + 1;
                cell = line.sliced(from, tabs[size_t(cols[k])] - from);
            } else {
                cell = FieldView(line, cols[k]);
            }
            const auto x = ParseCell(cell);
            if (!x) {
                Totals bad;
                bad.ok = false;
                bad.badCell = cp1250::Decode(cell);
                return bad;
            }
            v[k] = *x;
        }
        gross += v[0];
        net += v[1];
        tare += v[2];
        value += v[3];
        ++count;
    }
    const QString suffix = QLatin1Char(' ') + unit;
    t.gross = QString::fromLatin1(FormatMass(gross, massDecimals)) + suffix;
    t.net = QString::fromLatin1(FormatMass(net, massDecimals)) + suffix;
    t.tare = QString::fromLatin1(FormatMass(tare, massDecimals)) + suffix;
    t.count = QString::number(count);
    t.value = QString::fromLatin1(FormatRounded(value, 7, 2)) + QStringLiteral(" zł");
    t.marked = count;
    return t;
}
