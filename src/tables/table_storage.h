#pragma once

// Table working files "pomiary1.txt" .. "pomiary5.txt" in DataDir and archive
// files. Every function returns whether it succeeded and, when not, the
// message for the user; nothing here shows a window.
//
// Every rewrite goes through SafeFileWriter: the working file is never
// removed before its replacement is complete on disk, and a link or the
// file's mode survive it.
//
// With a TableWriteHook set (the weighing journal), every change of a working
// file and every archive made is told to it before the file is written; when
// the hook cannot record it, nothing is written and its message is returned.

#include "core/file_messages.h"
#include "core/safe_file.h"
#include "tables/data_filter.h"
#include "tables/table_write_hook.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <optional>
#include <QString>

class MeasurementTable;
class TableSet;
class UserPrompts;

struct StorageResult {
    bool ok = true;
    QString message;  // for the user when !ok
    // A line to be replaced or removed was not in the working file (or the
    // file had gone); nothing else stopped the write.
    bool lineMissing = false;

    explicit operator bool() const { return ok; }
    static StorageResult Failed(QString message) { return {false, std::move(message)}; }
};

// A line of a table file that is no MeasurementLine: its number (from 1,
// counting every line) and its split code.
struct InvalidLine {
    int line = 0;
    int code = 0;
    bool operator==(const InvalidLine &) const = default;
};

struct LoadResult : StorageResult {
    int code = 0;  // split code of the first invalid line
    int line = 0;  // its number, from 1
    QList<InvalidLine> invalid;  // every invalid line, in file order
    qsizetype validLines = 0;    // valid lines read, whether the filter took them or not
    bool readFailed = false;  // the file exists but could not be read; the table was left as it was
};

// Shows the failure's message (error icon) when there is one; returns r.ok.
bool ReportFailure(const StorageResult &r, UserPrompts &prompts);

class TableStorage {
public:
    // `dataDir` names the data directory; a missing final '/' is added.
    explicit TableStorage(QString dataDir);

    const QString &dataDir() const { return dataDir_; }
    QString WorkingFile(int tableNumber) const;  // dataDir + "pomiaryN.txt"
    QString TempFile() const;                    // dataDir + "pomiary_tmp.txt"
    QString AppendJournal(int tableNumber) const;  // dataDir + "pomiaryN.txt.dopis"

    // The journal's hook; null: writes are not told to anyone.
    void SetWriteHook(TableWriteHook *hook) { hook_ = hook; }
    TableWriteHook *WriteHook() const { return hook_; }
    // What the calls made now are for (ActionScope).
    const ActionInfo &CurrentAction() const { return action_; }

private:
    friend class ActionScope;

    QString dataDir_;
    TableWriteHook *hook_ = nullptr;
    mutable ActionInfo action_;
};

// Message texts of the table files.
// The invalid lines of `path` in one message: the first with its code, the
// next ones (at most five listed) with theirs; they were skipped and stay.
QString InvalidLinesMessage(const QString &path, const QList<InvalidLine> &invalid);
// The same for a single invalid line.
QString ReadErrorMessage(int code, const QString &path, int lineNumber);
QString TempFileErrorMessage(const QString &dataDir);             // "... tymczasowego: ..."
// A table file that cannot be read at all (also a folder, device or FIFO).
QString UnreadableFileMessage(const QString &path);

// Clears the table and reads `path`: every valid line that matches the filter
// becomes an unmarked row, in file order. A missing file leaves the table
// empty (ok). Invalid lines are skipped, not fatal: the rows after them are
// read too, and they come back (not ok) with InvalidLinesMessage.
// A file that exists but cannot be read, or is no regular file (a folder, a
// device, a FIFO), leaves the table as it was (readFailed). Only the bytes the
// file held when opened are read.
LoadResult LoadTable(const QString &path, MeasurementTable &table, const DataFilter &filter);

// Reads each of the five tables from its working file with the filter
// (LoadTable), first completing an append a crash cut short. A failing table
// does not stop the others; the failures come back in table order, for the
// caller to show once its busy cursor is gone.
QList<StorageResult> LoadAllTables(const TableStorage &storage, TableSet &tables, const DataFilter &filter);

// Appends the line (+ CR LF) to table N's working file, created when missing,
// and syncs it to disk. A file whose last line lacks its end gets one first,
// so the new line is never glued to it.
//
// A write that crosses a page boundary can be cut short by a kill or a power
// cut, so the append is first recorded, synced, in a small journal (the old
// size and the bytes to append). RecoverInterruptedAppend finishes such an
// append; every other operation on the working file calls it first.
StorageResult AppendLine(const TableStorage &storage, int tableNumber, QByteArrayView line);

// Completes an append of table N that was interrupted: the working file is
// cut back to its size before the append and the recorded bytes are written
// again. A journal that was itself cut short means the append never began;
// it is dropped. Nothing to do when there is no journal.
StorageResult RecoverInterruptedAppend(const TableStorage &storage, int tableNumber);

// Writes the table's rows (all rows held, that is the rows shown) as its working file.
StorageResult RewriteWorkingFile(const TableStorage &storage, const MeasurementTable &table);

// The same into a new file (archives); messages name `path`. An existing
// file is not written over (the "Błąd (1)" message). With `storage`, the
// archive is told to its hook as made from the rows of table N.
StorageResult WriteRowsTo(const QString &path, const MeasurementTable &table);
StorageResult WriteRowsTo(const TableStorage &storage, const QString &path, const MeasurementTable &table);

// Table N's working file as it will be once an interrupted append is
// completed (RecoverInterruptedAppend), without writing anything: for
// checks that must change nothing. Missing: an absent file.
FileRead ReadWorkingFileRecovered(const TableStorage &storage, int tableNumber, QByteArray &data);

// The "nr" that follows the last valid line of table N's working file
// whose "nr" is an integer, hidden lines included (NumberAfter); "1" when
// there is none or the file is missing. nullopt when the file cannot be
// read. Read from the end, so a long file costs no more than its tail.
std::optional<QByteArray> NextNumberInFile(const TableStorage &storage, int tableNumber);

// True when table N's working file holds any line, shown or hidden.
bool HoldsAnyLine(const TableStorage &storage, int tableNumber);

// The invalid lines of table N's working file (as an interrupted append
// completed would leave it): what a rewrite of the whole file drops.
// 0 for a missing or unreadable file.
int InvalidLineCount(const TableStorage &storage, int tableNumber);

enum class LineSelection { All, Matching, NotMatching };

// Rows the table shows although the filter does not match them (added or
// corrected while it was on), by line, as many times as they stand. A delete
// by the filter counts them as shown: they are on the screen.
using ShownLines = QHash<QByteArray, int>;
ShownLines ShownButNotMatching(const MeasurementTable &table, const DataFilter &filter);

// Writes the lines of table N's working file chosen by `which` (All: every
// line, hidden ones and invalid ones included; Matching / NotMatching: the
// valid lines PurgeByFilter would remove, by the filter) into the new file
// `path`, each ended by CR LF, and syncs it; the working file itself is not
// touched. A missing working file gives an empty archive. `path` existing
// already, or a line that cannot be written, gives the "Błąd (1)" /
// "Błąd (2)" messages naming `path`, and no archive is left.
StorageResult ArchiveWorkingFile(const TableStorage &storage, int tableNumber, const QString &path,
                                 LineSelection which = LineSelection::All, const DataFilter &filter = {},
                                 const ShownLines &alsoShown = {});

// Rewrites table N's working file through "pomiary_tmp.txt" (made in the
// folder of the file the working file's name leads to) with the first line
// equal to `oldLine` replaced by `newLine`, or removed when `newLine` is
// empty; every other line unchanged. A missing working file stays missing.
// A write-protected working file is refused with "Błąd przy zapisie do pliku: ".
StorageResult ReplaceLine(const TableStorage &storage, int tableNumber, QByteArrayView oldLine,
                          QByteArrayView newLine);

// Rewrites table N's working file through "pomiary_tmp.txt" keeping only the
// lines whose filter match equals `keepMatching`; the lines of `alsoShown`
// count as matching (each as many times as listed). Invalid lines are no
// rows of either kind: they stay where they are.
StorageResult PurgeByFilter(const TableStorage &storage, int tableNumber, const DataFilter &filter,
                            bool keepMatching, const ShownLines &alsoShown = {});

// archiveDir + "tab_" + N + "_" + yyyyMMdd_hhmmss + ".txt".
QString ArchiveFileName(const QString &archiveDir, int tableNumber, const QDateTime &now);

// The Katalog_archiwum setting (cp1250, may use '\') as a path with '/' and a final '/'.
QString ArchiveDirFromSetting(QByteArrayView setting);

// One changed line of a working file: `newLine` empty removes the line.
struct LineReplacement {
    QByteArray oldLine;
    QByteArray newLine;
};

// Rewrites table N's working file once with the replacements applied in
// order, each to the first line then equal to its old line, as successive
// ReplaceLine calls would. An old line missing from the file is reported
// (lineMissing); the others are still written. `applied`, when given, tells
// for each replacement whether the file now holds it.
StorageResult ReplaceLines(const TableStorage &storage, int tableNumber, const QList<LineReplacement> &replacements,
                           QList<bool> *applied = nullptr);

// The message of a changed row whose line is not in its working file.
QString MissingLineMessage(const QString &path);
