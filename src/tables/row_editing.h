#pragma once

// Corrections of weighings: the cell rules of each bottom-bar action, and
// applying one to the current row or to it and all rows after it with a
// single rewrite of the working file.

#include "tables/table_storage.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class MeasurementTable;
struct PickedEntry;

// Changes one row's line; nullopt (and `error`, the number reader's message)
// when a cell it must compute with is not a number.
using LineEdit = std::function<std::optional<QByteArray>(QByteArrayView line, QString &error)>;

// "&Brutto": G := typed (8 significant digits); N := G - T; V := N x P.
LineEdit GrossEdit(double typed, int massDecimals);
// "&Tara": N := N + T_old - typed; T := typed; V := N x P. G stays.
LineEdit TareEdit(double typed, int massDecimals);
// "&Cena": P := typed; V := N x P; both with 8 significant digits and MassDecimals decimals.
LineEdit PriceEdit(double typed, int massDecimals);
// A text column (order, supplier/customer, operator) := text.
LineEdit TextEdit(int column, QByteArray text);
// "&Materiał": material, its default packaging and price from the picker row;
// with the tare from packaging also T := PackagingTare(packaging) and N follows; V := N x P.
LineEdit MaterialEdit(const PickedEntry &material, bool tareFromPackaging,
                      std::function<double(QByteArrayView)> packagingTare, int massDecimals);
// "O&pakowanie": packaging := name; with the tare from packaging T := the
// picker's tare text, N follows and V := N x P.
LineEdit PackagingEdit(const PickedEntry &packaging, bool tareFromPackaging, int massDecimals);

struct RangeEditResult {
    int rowsChanged = 0;  // rows whose change is in the file and the table
    QString cellError;    // the row that stopped the range could not be computed
    StorageResult file;   // the one rewrite of the working file
};

// Applies `edit` to rows first..last of `table` (table N, working file of
// `storage`) with a single rewrite of the working file, exactly as one
// ReplaceLine per row would leave it. A row that cannot be computed stops
// the range; the rows before it keep their changes. A row takes its new line
// only when the file took it: after a failed write the table still equals
// its file. The first row of the range is current again at the end.
RangeEditResult ApplyToRange(MeasurementTable &table, const TableStorage &storage, int first, int last,
                             const LineEdit &edit);

// The question before deleting a row.
QString DeleteQuestion(QByteArrayView line);
