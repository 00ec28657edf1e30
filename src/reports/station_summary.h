#pragma once

// Summaries of the station's own tables. With the filter's rows only, or with
// no filter on, the rows the tables hold are grouped; otherwise the whole
// working files are read (hidden rows included). Nothing is ever written.

#include "reports/summary.h"

#include <optional>

class TableSet;
class TableStorage;
struct DataFilter;

class StationSummary : public SummaryService {
    Q_OBJECT
  public:
    // `filter` is the one the tables were loaded with (null: none); all three must outlive this object.
    StationSummary(const TableSet &tables, const TableStorage &storage, const DataFilter *filter,
                   QObject *parent = nullptr);

    // Computes at once (a few tens of milliseconds for five 100,000-row
    // tables) and answers with finished(), or failed() when a working file
    // cannot be read.
    void Start(const SummaryRequest &request) override;
    QList<SummaryKey> Keys() const override;
    bool IsStation() const override { return true; }

    // The same without signals: the result, or nullopt with the message in `error`.
    std::optional<SummaryResult> Compute(const SummaryRequest &request, QString *error = nullptr) const;

  private:
    const TableSet &tables_;
    const TableStorage &storage_;
    const DataFilter *filter_;
};
