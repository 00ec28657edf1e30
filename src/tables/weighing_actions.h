#pragma once

// What happens to the weighings of the ActiveTable: adding one (button,
// Insert key, automatic adding, a scale's weighing record), keeping the last
// automatically added row up to date, and the corrections and deletion of
// the bottom bar. Every question goes through UserPrompts and Pickers; the
// table's list is reached through the view hooks.

#include "core/program_config.h"
#include "dictionaries/pickers.h"
#include "tables/table_write_hook.h"
#include "tables/weighing.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>

class AutoAdd;
class Clock;
struct DataFilter;
struct StorageResult;
class EventLog;
class MeasurementTable;
class TableSet;
class TableStorage;
class UserPrompts;
struct ScaleReading;

// The order window (TFinput_wz): the typed order and its apply-to choice.
struct OrderAnswer {
    QByteArray order;
    ApplyToChoice applyTo = ApplyToChoice::CurrentRow;
};

// The table's list and the labels around it; any may be null.
struct TableViewHooks {
    std::function<void()> focusList;
    std::function<void(int dy)> scrollList;
    std::function<void()> refreshCaptions;  // RefreshTableCaptions
    std::function<void()> refreshTotals;    // RefreshTotals
    std::function<void(bool on)> busy;      // the hourglass during range loops
};

struct WeighingEnvironment {
    TableSet *tables = nullptr;
    const TableStorage *storage = nullptr;
    const ProgramConfig *config = nullptr;
    const ScaleReading *reading = nullptr;
    UserPrompts *prompts = nullptr;
    Pickers *pickers = nullptr;
    const Clock *clock = nullptr;
    EventLog *log = nullptr;          // may be null
    AutoAdd *autoAdd = nullptr;       // may be null
    const DataFilter *filter = nullptr;  // the filter the tables were loaded with; may be null
    WeighingLookups lookups;
    std::function<std::optional<OrderAnswer>(const QByteArray &order)> askOrder;
    std::function<bool()> isAdministrator;  // null = administrator
    TableViewHooks view;
};

class WeighingActions {
public:
    explicit WeighingActions(WeighingEnvironment env);
    ~WeighingActions();
    WeighingActions(const WeighingActions &) = delete;
    WeighingActions &operator=(const WeighingActions &) = delete;

    // BBdodajClick: the weight shown becomes a new row; false when refused.
    // `via` tells the journal how it was asked for (button, Insert, automatic).
    bool AddWeighing(TableAction via = TableAction::AddButton);
    // ScaleRecordRow: a weighing record (number, weight) becomes a new row;
    // `newSeries` empties the table and its file first (Auto_usuwanie).
    void AddRecordRow(const QByteArray &number, const QByteArray &weight, bool newSeries);
    // UpdateLastRow: the last row takes the weight shown now, provided it is
    // the row the adding action made last; any other row (the newest one was
    // deleted, the table reloaded, a scale's record came after it) is left alone.
    // A failed write ends the following of that row: one message per load.
    // The updates are journaled once, when the row is final (EndLoad).
    void UpdateLastRow();
    // The row of the current load is final (the weight left the scale, the
    // page changed, the program closes): its last update is journaled.
    void EndLoad();

    // Every change reaches the working file first and the table only when it
    // is there: after a failed write the table still equals its file, and
    // the message says what was not recorded.

    // The bottom bar.
    void EditGross();     // "&Brutto"
    void EditTare();      // "&Tara"
    void EditPrice();     // "&Cena"
    void EditOrder();     // "&Zamówienie"
    void EditMaterial();  // "&Materiał"
    void EditPackaging(); // "O&pakowanie"
    void EditCustomer();  // "Dostawca/&Klient"
    void EditOperator();  // "&Operator"
    void DeleteRow();     // "Usuń pomiar"

    // Keys and mouse on the list.
    void DoubleClick();   // LVdata1DblClick
    void DeleteKey();     // Delete: only for the administrator or with deleting not locked

private:
    MeasurementTable &Table() const;
    int MassDecimals() const;
    WeighingOptions Options() const;
    void ShowNewRow(int row);
    // The "nr" of a new row: under a filter the file decides, hidden lines included.
    std::optional<QByteArray> NumberForNewRow(const MeasurementTable &table) const;
    // Shows a failed write's message with `notRecorded` below it; r.ok.
    bool Recorded(const StorageResult &r, const QString &notRecorded);
    // The common frame: a selected row, then `edit` over `first..last`.
    bool HasSelection();
    void ApplyEdit(int first, int last, const std::function<std::optional<QByteArray>(QByteArrayView, QString &)> &edit,
                   bool rangeLoop, bool totals, const ActionInfo &action);
    class RowWatch;
    // The last row of the apply-to range that starts at `row`.
    int RangeEnd(ApplyToChoice choice, int row) const;
    // The row a window was opened for, now; -1 (and a message) when it is gone.
    int RowAfterWindow(const RowWatch &watch);
    std::optional<double> AskNumber(const QString &title, const QString &prompt, const QByteArray &preset);
    void AfterCancel();

    WeighingEnvironment env_;
    // The row the adding action made last, and its table.
    MeasurementTable *newestTable_ = nullptr;
    std::unique_ptr<RowWatch> newest_;
};
