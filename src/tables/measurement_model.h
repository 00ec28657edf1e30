#pragma once

// Qt model over one MeasurementTable: column 0 "e" is the check box (its text
// always empty), columns 1..12 the record's fields. Cells are decoded from
// cp1250 only when the view asks for them, that is for the rows on screen.
// The model follows the table's own change signals, so every change made
// through the table (adding, editing, loading) reaches the view.

#include <QAbstractTableModel>

class MeasurementTable;

class MeasurementModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCheckColumn = 0;
    static constexpr int kColumnCount = 13;

    explicit MeasurementModel(MeasurementTable &table, QObject *parent = nullptr);

    MeasurementTable &table() const { return table_; }

    // Model column of record field `field` (0..11), and back (-1 for the check column).
    static int ColumnOfField(int field) { return field + 1; }
    static int FieldOfColumn(int column) { return column - 1; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Cells decoded for display so far (to check that only rows on screen are).
    qint64 DecodedCells() const { return decoded_; }

private:
    MeasurementTable &table_;
    mutable qint64 decoded_ = 0;
};
