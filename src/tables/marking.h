#pragma once

// Marking rows for the label: mouse, Space and the two speed buttons. Each
// function changes the marks of the table; the caller then refreshes the totals.

#include <QString>

class MeasurementTable;
class UserPrompts;

struct MarkingOptions {
    bool simplified = true;  // Uproszczone_zaznacz_pomiarow: a click anywhere on a row toggles it
    bool single = false;     // Poj_pomiar_na_etykiecie: at most one marked row
};

// The warning of the mark-down button while single-weighing labels are on.
QString SingleMarkWarning();

// Mouse button released over `row` (-1: no row there; returns false, no
// totals). `checkBoxHit`: the click hit the row's check box, which the list
// has already toggled. Returns true when the totals are to be refreshed.
bool MarkOnMouseRelease(MeasurementTable &table, int row, bool checkBoxHit, const MarkingOptions &options);

// Space released on the list (the list has toggled the current row's mark on
// the key press). Returns true when the totals are to be refreshed.
bool MarkOnSpaceReleased(MeasurementTable &table, const MarkingOptions &options);

// SBselectallClick. False for an empty table (nothing to refresh).
bool MarkAll(MeasurementTable &table, const MarkingOptions &options);

// SBselectdownClick: from the CurrentRow down. Shows "Nie wskazano pomiaru!"
// without a current row and the single-weighing warning. Returns true when
// the totals are to be refreshed.
bool MarkDown(MeasurementTable &table, const MarkingOptions &options, UserPrompts &prompts);
