#pragma once

// Totals of the marked rows of a table: the five labels of the group box
// GBdrukuj beside the label button.

#include <QString>
#include <array>

class MeasurementTable;

struct Totals {
    QString gross = QStringLiteral("0.00 kg");  // Ldisp_etyk_sum_g
    QString net = QStringLiteral("0.00 kg");    // Ldisp_etyk_sum_n
    QString tare = QStringLiteral("0.00 kg");   // Ldisp_etyk_sum_tare
    QString count = QStringLiteral("0");        // Ldisp_etyk_num
    QString value = QStringLiteral("0.00 zł");  // Ldisp_etyk_value
    int marked = 0;

    bool ok = true;
    QString badCell;  // the text that is not a number, when !ok

    // The label text for objectName `label` (one of the five), empty for another name.
    QString TextFor(const QString &label) const;
};

// One label of GBdrukuj: its objectName, the caption beside it, its hint and its text at start.
struct TotalsLabel {
    const char *name;
    const char *caption;
    const char *hint;
    const char *initial;
};
// Ldisp_etyk_sum_g, Ldisp_etyk_sum_n, Ldisp_etyk_sum_tare, Ldisp_etyk_num, Ldisp_etyk_value:
// the one list of them; the main window builds the group from it, ShowTotals fills it.
const std::array<TotalsLabel, 5> &TotalsLabels();

// Sums gross, net, tare and value over the marked rows (a bracketed net is
// read without its brackets). Masses: FormatMass with `massDecimals` + " " +
// `unit`; count: the number; value: 7 significant digits, 2 decimals +
// " zł". A cell that is not a number stops it: ok false, badCell set, the texts
// left at their start values.
Totals ComputeTotals(const MeasurementTable &table, int massDecimals, const QString &unit);

// The message for a cell that is not a number.
QString BadNumberMessage(const QString &cellText);
