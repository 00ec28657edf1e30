#include "reports/ui/summary_table_model.h"

#include "core/number_forms.h"

#include <QFont>

const QList<SummaryMeasure> &SummaryMeasures()
{
    static const QList<SummaryMeasure> measures = {SummaryMeasure::Count, SummaryMeasure::Gross,
                                                   SummaryMeasure::Net,   SummaryMeasure::Tare,
                                                   SummaryMeasure::Value, SummaryMeasure::MeanNet};
    return measures;
}

SummaryTableModel::SummaryTableModel(Part part, QObject *parent) : QAbstractTableModel(parent), part_(part) {}

void SummaryTableModel::SetResult(const SummaryResult &result)
{
    beginResetModel();
    hasSecond_ = result.request.second != SummaryKey::None;
    firstName_ = SummaryKeyName(result.request.first);
    secondName_ = hasSecond_ ? SummaryKeyName(result.request.second) : QString();
    if (part_ == Part::Rows)
        rows_ = result.rows;
    else
        rows_ = {result.total};
    endResetModel();
}

void SummaryTableModel::Clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

std::optional<SummaryMeasure> SummaryTableModel::MeasureAt(int column) const
{
    const int i = column - LabelColumns();
    if (i < 0 || i >= SummaryMeasures().size())
        return std::nullopt;
    return SummaryMeasures()[i];
}

int SummaryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int SummaryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : LabelColumns() + int(SummaryMeasures().size());
}

QVariant SummaryTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const SummaryRow &row = rows_[index.row()];
    const std::optional<SummaryMeasure> measure = MeasureAt(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (!measure)
            return index.column() == 0 ? row.first : row.second;
        if (*measure == SummaryMeasure::Count)
            return QString::number(row.count);
        return QString::fromLatin1(FormatFixed(row.Measure(*measure), 2));
    case SortRole:
        if (!measure)
            return index.column() == 0 ? row.first : row.second;
        return row.Measure(*measure);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignVCenter | (measure ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::FontRole:
        if (part_ == Part::Total) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant SummaryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (const std::optional<SummaryMeasure> measure = MeasureAt(section))
        return SummaryMeasureName(*measure);
    return section == 0 ? firstName_ : secondName_;
}

SummarySortProxy::SummarySortProxy(QObject *parent)
    : QSortFilterProxyModel(parent), collator_(QLocale(QLocale::Polish, QLocale::Poland))
{
    setSortRole(SummaryTableModel::SortRole);
    collator_.setCaseSensitivity(Qt::CaseSensitive);
    collator_.setNumericMode(true);
}

bool SummarySortProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant l = left.data(sortRole());
    const QVariant r = right.data(sortRole());
    if (l.typeId() == QMetaType::Double && r.typeId() == QMetaType::Double)
        return l.toDouble() < r.toDouble();
    // Periods are written year first, so the collation keeps them in time order too.
    return collator_.compare(l.toString(), r.toString()) < 0;
}
