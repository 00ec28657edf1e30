#include "tables/marking.h"

#include "core/user_prompts.h"
#include "tables/measurement_table.h"

namespace {

// Leaves `keep` as the only marked row.
void UnmarkAllBut(MeasurementTable &table, int keep)
{
    table.SetMarks(0, keep - 1, false);
    table.SetMarks(keep + 1, table.RowCount() - 1, false);
}

}  // namespace

QString SingleMarkWarning()
{
    return QStringLiteral("Aktualna konfiguracja programu nie pozwala na równoczesne zaznaczanie wielu pomiarów "
                          "na etykiecie.\nAby to zmienić wybierz [Ustawienia], wyłącz opcję [Etykieta zawiera "
                          "pojedynczy pomiar].");
}

bool MarkOnMouseRelease(MeasurementTable &table, int row, bool checkBoxHit, const MarkingOptions &options)
{
    if (row < 0 || row >= table.RowCount())
        return false;
    if (checkBoxHit)
        table.SetCurrentRow(row);
    else if (options.simplified)
        table.SetMark(row, !table.Mark(row));
    if (options.single && table.Mark(row))
        UnmarkAllBut(table, row);
    return true;
}

bool MarkOnSpaceReleased(MeasurementTable &table, const MarkingOptions &options)
{
    const int current = table.CurrentRow();
    if (current < 0)
        return false;
    if (options.single)
        UnmarkAllBut(table, current);
    return true;
}

bool MarkAll(MeasurementTable &table, const MarkingOptions &options)
{
    if (table.IsEmpty())
        return false;
    const bool state = options.single ? false : !table.Mark(0);
    table.SetAllMarks(state);
    return true;
}

bool MarkDown(MeasurementTable &table, const MarkingOptions &options, UserPrompts &prompts)
{
    if (table.IsEmpty())
        return false;
    const int current = table.CurrentRow();
    if (current < 0) {
        prompts.Error(QStringLiteral("Nie wskazano pomiaru!"));
        return false;
    }
    if (options.single) {
        table.SetMark(current, true);
        UnmarkAllBut(table, current);
        prompts.Warning(SingleMarkWarning());
        return true;
    }
    const bool last = current == table.RowCount() - 1;
    const bool state = last ? true : !table.Mark(current + 1);
    table.SetMarks(0, current - 1, false);
    table.SetMarks(current, table.RowCount() - 1, state);
    return true;
}
