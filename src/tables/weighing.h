#pragma once

// The line of a new weighing: taken from the main display by the adding
// action ("  Dodaj pomiar", Insert, automatic adding), or from a weighing
// record the scale sends itself.

#include "core/table_params.h"

#include <QByteArray>
#include <QDateTime>
#include <functional>
#include <optional>

class MeasurementTable;

// The dictionary lookups at the moment of adding (files read afresh).
struct WeighingLookups {
    std::function<double(QByteArrayView material)> materialPrice;
    std::function<QByteArray(QByteArrayView material)> materialDefaultPackaging;
    std::function<double(QByteArrayView packaging)> packagingTare;
};

struct WeighingOptions {
    bool autoNumbering = true;       // Auto_numerowanie_pomiarow
    bool tareFromPackaging = false;  // Tara_z_opakowania
    bool netInBrackets = false;      // Masa_otoczona_nawiasami
    int massDecimals = 2;
    // The "nr" of the new row when numbering is on; nullopt: NextNumber of the table.
    std::optional<QByteArray> number;
};

// The display shows a weight that may be taken: not "- - - - -", not
// "* * * * *" and not empty.
bool DisplayShowsMass(QByteArrayView display);

// The line of a weighing taken from `display` for the next row of `table`,
// filled with the table's defaults. nullopt when the display shows no mass
// or the tare label is not a number.
std::optional<QByteArray> WeighingLine(const MeasurementTable &table, QByteArrayView display, QByteArrayView tareLabel,
                                       const TableParams &params, const WeighingOptions &options,
                                       const WeighingLookups &lookups, const QDateTime &now);

// The line of a weighing record (number, weight) for the next row of
// `table`: the record's weight is the gross, the net is never bracketed, the
// value is weight x price and the operator is "* * * * *". nullopt when the
// weight or the tare label is not a number.
std::optional<QByteArray> RecordLine(const MeasurementTable &table, QByteArrayView number, QByteArrayView weight,
                                     QByteArrayView tareLabel, const TableParams &params,
                                     const WeighingOptions &options, const WeighingLookups &lookups,
                                     const QDateTime &now);
