#pragma once

// What the adding and the correcting actions of WeighingActions share; only
// for weighing_actions.cpp and weighing_corrections.cpp.

#include "tables/measurement_table.h"
#include "tables/weighing_actions.h"

#include <QObject>
#include <QString>
#include <functional>

namespace weighing_detail {

// The last line of a failed write's message.
inline const QString kChangeNotRecorded = QStringLiteral("Zmiana nie została zapisana.");

inline void Call(const std::function<void()> &f)
{
    if (f)
        f();
}

}  // namespace weighing_detail

// The scale keeps sending while an action's window is open: automatic adding
// and weighing records append rows and make the new one current, and a new
// series of records starts the table afresh. The watch follows the row the
// action began on, so the answer goes to that weighing and no other.
class WeighingActions::RowWatch {
public:
    RowWatch(MeasurementTable &table, int row) : row_(row)
    {
        connections_[0] = QObject::connect(&table, &MeasurementTable::aboutToReset, [this] { row_ = -1; });
        connections_[1] = QObject::connect(&table, &MeasurementTable::rowsInserted, [this](int first, int last) {
            if (row_ >= first)
                row_ += last - first + 1;
        });
        connections_[2] = QObject::connect(&table, &MeasurementTable::rowsRemoved, [this](int first, int last) {
            if (row_ > last)
                row_ -= last - first + 1;
            else if (row_ >= first)
                row_ = -1;
        });
    }
    ~RowWatch()
    {
        for (const QMetaObject::Connection &c : connections_)
            QObject::disconnect(c);
    }
    RowWatch(const RowWatch &) = delete;
    RowWatch &operator=(const RowWatch &) = delete;

    // The row now, -1 when it is gone.
    int Row() const { return row_; }

private:
    int row_;
    QMetaObject::Connection connections_[3];
};
