#pragma once

// The table printout ("Drukuj tabelę"): company header, table name and
// description, print date, the filter in force, a ruled heading, one line
// per row of the ActiveTable and the totals, closed by "Koniec wydruku.".
// Written line by line into a DocumentSink, so a printer draws a long table
// page by page as it is produced.

#include "core/program_config.h"
#include "output/print_document.h"
#include "tables/data_filter.h"

#include <QDateTime>
#include <QString>
#include <array>

class MeasurementTable;

struct ReportInput {
    const MeasurementTable *table = nullptr;
    QString tableName, tableDescription;
    DataFilter filter;  // the filter in force; empty when off
    QString unit = QStringLiteral("kg");
    int massDecimals = 2;
    std::array<QString, 4> company;
    // Szerokosc_druk_kolumny_*, by Column; 0 leaves the column out.
    std::array<int, ColumnCount> widths{};
    QDateTime now;
};

// "Ważenia yyyy-MM-dd hh-mm-ss".
QString ReportJobTitle(const QDateTime &now);

void BuildReport(const ReportInput &in, DocumentSink &sink);
