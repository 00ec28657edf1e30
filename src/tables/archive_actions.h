#pragma once

// The three archive buttons of each table's tool bar, acting on the
// ActiveTable. Questions and messages go through UserPrompts. After each
// action the caller refreshes the tab captions and the totals.

#include "tables/data_filter.h"

#include <QString>
#include <functional>

class Clock;
class MeasurementTable;
class TableStorage;
class UserPrompts;

struct ArchiveContext {
    MeasurementTable &table;  // the ActiveTable
    const TableStorage &storage;
    QString archiveDir;  // with a final '/'; see ArchiveDirFromSetting
    const DataFilter &filter;
    const Clock &clock;
    UserPrompts &prompts;
    // Runs the reading of a chosen archive file; the window shows the busy
    // cursor and hides the list meanwhile. Null: run it as it is.
    std::function<void(const std::function<void()> &work)> whileBusy = {};
};

// The choice made in DeleteModeDialog (form TFdelete_mode).
struct DeleteChoice {
    enum Mode { All = 0, Shown = 1, AllButShown = 2 };
    int mode = All;
    bool archiveFirst = true;
};

// The message naming a written archive file.
QString ArchiveSavedMessage(const QString &path);
// Told before a whole-file rewrite drops `count` invalid lines of the working file.
QString InvalidLinesGoText(int count);
// The file-open dialog's filter for archives.
QString ArchiveFileFilter();

// TBsavetableClick: the rows shown into a new archive file. True when written.
// ArchiveDir is not created here.
bool SaveTableToArchive(ArchiveContext &ctx);

// TBreadtableClick. Asks whether to archive first whenever the working file
// holds any line, shown or hidden; then the file dialog. Only once the chosen
// file has been read are the old working file archived whole (on "Tak") and
// table and working file replaced by the rows read (through whileBusy; the
// messages come after). A file that cannot be read, or that holds invalid
// lines and no valid one, changes nothing; the question names the invalid
// lines of the working file the rewrite drops. True when the table's rows changed.
bool ReadTableFromArchive(ArchiveContext &ctx);

// TBdeletetableClick after the window answered OK. The archive copy asked
// for holds exactly the lines the deletion removes (every line, the lines
// matching the filter, or those not matching); when it cannot be written
// completely nothing is deleted. Deleting all data asks first when the
// working file holds invalid lines ("Nie" stops). True when rows may have changed.
bool DeleteTableData(ArchiveContext &ctx, const DeleteChoice &choice);
