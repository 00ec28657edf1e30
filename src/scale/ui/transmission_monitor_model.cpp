#include "scale/ui/transmission_monitor_model.h"

#include <QDateTime>

#include <algorithm>

namespace {

QString Arrow(TransmissionEntry::Direction d)
{
    switch (d) {
    case TransmissionEntry::Direction::Received:
        return QStringLiteral("←");
    case TransmissionEntry::Direction::Sent:
        return QStringLiteral("→");
    case TransmissionEntry::Direction::Frame:
        break;
    }
    return QStringLiteral("◀");
}

// A chunk cut short in the log says how long it really was.
QString Cut(const TransmissionEntry &e)
{
    return e.length > e.bytes.size() ? QStringLiteral(" … (%1 B)").arg(e.length) : QString();
}

}  // namespace

TransmissionMonitorModel::TransmissionMonitorModel(int maxRows, QObject *parent)
    : QAbstractTableModel(parent), maxRows_(std::max(1, maxRows))
{
}

void TransmissionMonitorModel::Append(const QList<TransmissionEntry> &entries)
{
    if (entries.isEmpty())
        return;
    // Of a batch larger than the view only its end can be shown.
    const qsizetype take = std::min<qsizetype>(entries.size(), maxRows_);
    const int overflow = int(rows_.size()) + int(take) - maxRows_;
    if (overflow > 0) {
        beginRemoveRows({}, 0, overflow - 1);
        rows_.erase(rows_.begin(), rows_.begin() + overflow);
        endRemoveRows();
    }
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(take) - 1);
    rows_.insert(rows_.end(), entries.end() - take, entries.end());
    endInsertRows();
}

void TransmissionMonitorModel::Clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QString TransmissionMonitorModel::RowText(int row) const
{
    if (row < 0 || row >= int(rows_.size()))
        return {};
    QStringList cells;
    for (int c = 0; c < ColumnCount; ++c)
        cells << Cell(rows_[size_t(row)], c);
    return cells.join(u'\t');
}

int TransmissionMonitorModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int TransmissionMonitorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TransmissionMonitorModel::Cell(const TransmissionEntry &e, int column) const
{
    switch (column) {
    case TimeColumn:
        return QDateTime::fromMSecsSinceEpoch(e.msecs).toString(QStringLiteral("hh:mm:ss.zzz"));
    case DirectionColumn:
        return Arrow(e.direction);
    case TextColumn:
        return ControlText(e.bytes) + Cut(e);
    case HexColumn:
        return HexText(e.bytes) + Cut(e);
    case DecodedColumn:
        return e.decoded;
    default:
        return {};
    }
}

QVariant TransmissionMonitorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    // The tooltip shows a cell too long for its column in full.
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() != DirectionColumn))
        return Cell(rows_[size_t(index.row())], index.column());
    if (role == Qt::ToolTipRole && index.column() == DirectionColumn) {
        switch (rows_[size_t(index.row())].direction) {
        case TransmissionEntry::Direction::Received:
            return QStringLiteral("odebrane");
        case TransmissionEntry::Direction::Sent:
            return QStringLiteral("wysłane");
        case TransmissionEntry::Direction::Frame:
            return QStringLiteral("ramka");
        }
    }
    return {};
}

QVariant TransmissionMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn:
        return QStringLiteral("Czas");
    case DirectionColumn:
        return QString();
    case TextColumn:
        return QStringLiteral("Znaki");
    case HexColumn:
        return QStringLiteral("Szesnastkowo");
    case DecodedColumn:
        return QStringLiteral("Odczyt");
    default:
        return {};
    }
}
