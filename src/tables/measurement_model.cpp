#include "tables/measurement_model.h"

#include "core/cp1250.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

MeasurementModel::MeasurementModel(MeasurementTable &table, QObject *parent) : QAbstractTableModel(parent), table_(table)
{
    connect(&table_, &MeasurementTable::aboutToReset, this, [this] { beginResetModel(); });
    connect(&table_, &MeasurementTable::reset, this, [this] { endResetModel(); });
    connect(&table_, &MeasurementTable::aboutToInsertRows, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(&table_, &MeasurementTable::rowsInserted, this, [this] { endInsertRows(); });
    connect(&table_, &MeasurementTable::aboutToRemoveRows, this,
            [this](int first, int last) { beginRemoveRows({}, first, last); });
    connect(&table_, &MeasurementTable::rowsRemoved, this, [this] { endRemoveRows(); });
    connect(&table_, &MeasurementTable::rowsChanged, this, [this](int first, int last) {
        emit dataChanged(index(first, 1), index(last, kColumnCount - 1), {Qt::DisplayRole});
    });
    connect(&table_, &MeasurementTable::marksChanged, this, [this](int first, int last) {
        emit dataChanged(index(first, kCheckColumn), index(last, kCheckColumn), {Qt::CheckStateRole});
    });
}

int MeasurementModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : table_.RowCount();
}

int MeasurementModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant MeasurementModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= table_.RowCount())
        return {};
    const int column = index.column();
    if (column == kCheckColumn) {
        if (role == Qt::CheckStateRole)
            return table_.Mark(index.row()) ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::DisplayRole)
            return QString();
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        ++decoded_;
        return cp1250::Decode(FieldView(table_.LineView(index.row()), FieldOfColumn(column)));
    case Qt::TextAlignmentRole:
        return ColumnRightAligned(FieldOfColumn(column)) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                         : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool MeasurementModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // Only the check box is changed from the view; the table tells the view.
    if (!index.isValid() || index.column() != kCheckColumn || role != Qt::CheckStateRole)
        return false;
    table_.SetMark(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QVariant MeasurementModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return section == kCheckColumn ? QStringLiteral("e") : ColumnHeader(FieldOfColumn(section));
    if (role == Qt::TextAlignmentRole && section != kCheckColumn)
        return ColumnRightAligned(FieldOfColumn(section)) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                          : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags MeasurementModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kCheckColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}
