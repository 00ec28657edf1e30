#pragma once

// Every write of a table's working file passes the table storage; a hook set
// on it (the weighing journal) hears of each change before it reaches the
// file and whether it got there. The storage knows what it writes; what the
// user did (a correction of which field, a new series, ...) comes from the
// action that called it, through an ActionScope around the call.

#include "core/sha256.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class MeasurementTable;
class TableStorage;
struct StorageResult;

// What the user did; None: the kind follows from the operation.
enum class TableAction {
    None,
    AddButton,    // "Dodaj pomiar"
    AddInsert,    // the Insert key
    AddAutomatic, // automatic adding
    AddRecord,    // a weighing record sent by the scale
    Correction,   // a bottom-bar correction: `field`, `range`
    LoadUpdate,   // automatic adding mode 1 brings the row of the current load up to date
    Delete,       // "Usuń pomiar"
    NewSeries,    // the scale started a new series (Auto_usuwanie)
    ArchiveRead,  // a table read back from the archive `file`
    DeleteRange,  // "Usuń dane z tabeli": `deleteMode`
};

struct ActionInfo {
    TableAction kind = TableAction::None;
    int field = -1;      // Correction: the column chosen (ColGross, ...)
    bool range = false;  // Correction: the current row and all after it
    QString file;        // ArchiveRead
    int deleteMode = 0;  // DeleteRange: DeleteChoice::Mode
    // AddAutomatic in mode 1: the row is a load, updated while it stays on the scale.
    bool opensLoad = false;

    static ActionInfo Of(TableAction kind)
    {
        ActionInfo a;
        a.kind = kind;
        return a;
    }
    static ActionInfo Correction(int field, bool range)
    {
        ActionInfo a = Of(TableAction::Correction);
        a.field = field;
        a.range = range;
        return a;
    }
    static ActionInfo ArchiveRead(QString file)
    {
        ActionInfo a = Of(TableAction::ArchiveRead);
        a.file = std::move(file);
        return a;
    }
    static ActionInfo DeleteRange(int mode)
    {
        ActionInfo a = Of(TableAction::DeleteRange);
        a.deleteMode = mode;
        return a;
    }
};

// One change of a working file (or a new archive made from one).
struct TableChange {
    enum class Op { Append, Replace, Rewrite, Purge, Archive };
    Op op = Op::Append;
    int table = 0;

    // Append: the line, and the bytes that go onto the end of the file (a
    // line end for a last line that lacked one, the line, CR LF).
    QByteArray line;
    QByteArray appended;

    // Replace: the lines changed or removed, by position (from 0) in the
    // file before, ascending; an empty newLine removes the line.
    struct Row {
        qsizetype at;
        QByteArray oldLine;
        QByteArray newLine;
    };
    QList<Row> rows;

    // Rewrite: the file becomes these rows, each ended by CR LF.
    const MeasurementTable *rewritten = nullptr;

    // Purge: the positions removed (from 0, ascending).
    std::vector<qsizetype> removed;

    // Archive: the new file, its line count, and what was chosen.
    QString archivePath;
    qsizetype archiveLines = 0;
    QByteArray selection;  // "all", "matching", "not_matching", "rows"

    // Replace, Rewrite, Purge: the resulting file's line count and the hash
    // state over all its bytes (when the hook wanted it).
    qsizetype linesAfter = 0;
    bool hasDigest = false;
    Sha256 digest;
};

class TableWriteHook {
public:
    virtual ~TableWriteHook() = default;
    // Whether the storage should hash the file it rewrites for this action.
    virtual bool WantsDigest(const ActionInfo &action) const = 0;
    // Before the change reaches the file. A failure stops the write: the
    // file stays as it is and the result's message says why.
    virtual StorageResult Record(const TableChange &change, const ActionInfo &action) = 0;
    // After the write: whether the file now holds the change.
    virtual void Written(const TableChange &change, bool applied) = 0;
    // The rows of mode 1 loads (LoadUpdate) are final: the weight left the
    // scale, another row came, the page changed or the program closes.
    // False when that could not be recorded.
    virtual bool EndLoadUpdates() = 0;
};

// Names the action of the storage calls made while it lives.
class ActionScope {
public:
    ActionScope(const TableStorage &storage, ActionInfo info);
    ActionScope(const TableStorage &storage, TableAction kind) : ActionScope(storage, ActionInfo::Of(kind)) {}
    ~ActionScope();
    ActionScope(const ActionScope &) = delete;
    ActionScope &operator=(const ActionScope &) = delete;

private:
    const TableStorage &storage_;
    ActionInfo previous_;
};
