#pragma once

// Groups table rows for a summary: rows are fed as their lines (cp1250,
// fields by the split rule) with their table number; the result holds one
// row per group, sorted, and the total.
//
// A row counts when its time is a "yyyy-MM-dd hh:mm" (seconds allowed,
// blanks around) on a day within [from, to]; a null bound is open. A row
// inside the period whose gross, net, tare or value is not a number (nets in
// "( )" or "[ ]" count as their number; a blank field is no number) is skipped whole,
// as is a row whose time cannot be read. Rows outside the period are neither.

#include "reports/summary.h"

#include <QByteArrayView>
#include <QDate>
#include <memory>
#include <optional>

class SummaryGrouping {
  public:
    explicit SummaryGrouping(const SummaryRequest &request);
    ~SummaryGrouping();
    SummaryGrouping(const SummaryGrouping &) = delete;
    SummaryGrouping &operator=(const SummaryGrouping &) = delete;

    // One row of table `tableNumber`.
    void Add(QByteArrayView line, int tableNumber);
    // Every valid line of a table file's contents (as the table would load it).
    void AddFile(QByteArrayView data, int tableNumber);

    // Takes in the rows another grouping of the same request has counted
    // (the parts of one summary counted side by side).
    void Merge(const SummaryGrouping &other);

    SummaryResult Result() const;

  private:
    struct State;
    std::unique_ptr<State> d;
};

// The day of a table time field; nullopt when it is no "yyyy-MM-dd hh:mm" or
// "yyyy-MM-dd hh:mm:ss" (blanks around allowed) of an existing day.
std::optional<QDate> RowDate(QByteArrayView timeField);

// A mass or money field: ParseNumber's reading (nothing for a blank one).
std::optional<double> RowNumber(QByteArrayView field);

// "2026-W45": the ISO week of `date`, with the year the week belongs to.
QString IsoWeekLabel(QDate date);
