#pragma once

// The label ("etykieta") of the marked weighings of the ActiveTable: company
// header, user lines, dates, operator and customer, then the details of one
// weighing or a small table of several with their totals, and the signature
// line. Built as a document (print_document.h); printing it is the window's.

#include "core/program_config.h"
#include "output/print_document.h"

#include <QDateTime>
#include <QString>
#include <array>

class MeasurementTable;

struct LabelInput {
    const MeasurementTable *table = nullptr;
    // The totals as the main window shows them (Ldisp_etyk_num, _sum_g, _sum_n, _sum_tare).
    QString count = QStringLiteral("0");
    QString sumGross, sumNet, sumTare;
    QString unit = QStringLiteral("kg");
    QString userLine1, userLine2;  // Eparam1, Eparam2
    std::array<QString, 4> company;
    // Szerokosc_et_druk_kolumny_*, by Column; 0 leaves the item out.
    std::array<int, ColumnCount> widths{};
    QDateTime now;
};

// "Etykieta yyyy-MM-dd hh-mm-ss", and " c<copy>" from the second copy on.
QString LabelJobTitle(const QDateTime &now, int copy);

void BuildLabel(const LabelInput &in, DocumentSink &sink);
