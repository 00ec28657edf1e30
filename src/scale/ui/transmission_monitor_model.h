#pragma once

// The rows of the transmission monitor: a copy of the log's entries, bounded,
// so the view can stand still while the log goes on. Cells are formatted
// only when the view asks for them (the rows on screen).

#include "scale/transmission_log.h"

#include <QAbstractTableModel>

#include <deque>

class TransmissionMonitorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, DirectionColumn, TextColumn, HexColumn, DecodedColumn, ColumnCount };

    explicit TransmissionMonitorModel(int maxRows, QObject *parent = nullptr);

    // Adds the entries at the end, dropping the oldest rows beyond the bound.
    void Append(const QList<TransmissionEntry> &entries);
    void Clear();
    int MaxRows() const { return maxRows_; }
    // One row as text, its cells separated by tabs.
    QString RowText(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString Cell(const TransmissionEntry &e, int column) const;

    int maxRows_;
    std::deque<TransmissionEntry> rows_;
};
