#pragma once

// The rows of a SummaryResult as a table: the grouping label(s), then the
// count and the sums. The total row has a model of its own (one row) so that
// it stays below the sorted rows.

#include "reports/summary.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QSortFilterProxyModel>
#include <optional>

class SummaryTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum class Part { Rows, Total };
    // The value a column sorts by: a number for the figures, the label for the groupings.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit SummaryTableModel(Part part, QObject *parent = nullptr);

    void SetResult(const SummaryResult &result);
    void Clear();

    // How many grouping columns come before the figures (1 or 2).
    int LabelColumns() const { return hasSecond_ ? 2 : 1; }
    // The measure shown in a figure column, or nothing for a label column.
    std::optional<SummaryMeasure> MeasureAt(int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    Part part_;
    QList<SummaryRow> rows_;
    bool hasSecond_ = false;
    QString firstName_;
    QString secondName_;
};

// Sorts figures as numbers and labels by the Polish collation.
class SummarySortProxy : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    explicit SummarySortProxy(QObject *parent = nullptr);

  protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

  private:
    QCollator collator_;
};

// The measures in the order of the figure columns.
const QList<SummaryMeasure> &SummaryMeasures();
