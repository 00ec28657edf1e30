#pragma once

// The five tables "Tabela 1" .. "Tabela 5" and which of them is shown.

#include "core/table_params.h"
#include "tables/measurement_table.h"

#include <array>
#include <memory>

constexpr int kTableCount = 5;

class TableSet {
public:
    TableSet()
    {
        for (int i = 0; i < kTableCount; ++i)
            tables_[size_t(i)] = std::make_unique<MeasurementTable>(i + 1);
    }

    // Table by number 1..5.
    MeasurementTable &Table(int number) { return *tables_[size_t(number - 1)]; }
    const MeasurementTable &Table(int number) const { return *tables_[size_t(number - 1)]; }

    // The ActiveTable: the one whose page is shown.
    int ActiveNumber() const { return active_; }
    void SetActiveNumber(int number)
    {
        if (number >= 1 && number <= kTableCount)
            active_ = number;
    }
    MeasurementTable &Active() { return Table(active_); }
    const MeasurementTable &Active() const { return Table(active_); }

private:
    std::array<std::unique_ptr<MeasurementTable>, kTableCount> tables_;
    int active_ = 1;
};

// Tab caption: name + "   (" + rows shown + ")      " (three blanks before, six after).
inline QByteArray TabCaption(const TableParams &params, int rowCount)
{
    return params.name() + "   (" + QByteArray::number(rowCount) + ")      ";
}

// Tab image: 0 on the ActiveTable's tab, 1 on the others.
inline int TabImage(int tableNumber, int activeNumber)
{
    return tableNumber == activeNumber ? 0 : 1;
}
