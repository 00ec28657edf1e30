#pragma once

// The weighing journal of one data folder (dane/dziennik.txt): every change
// the program makes to a table file becomes a signed, chained event, synced
// to disk before the file is written (journal_format.h has the format). It
// hooks into the table storage, which every table write passes.
//
// At every start Open() compares the five working files with the journal:
// a last change that never reached its file is recorded as not applied, the
// last update of a mode 1 load that a stop left unrecorded is recorded, and
// a file changed outside the program is recorded as such and reported.

#include "core/clock.h"
#include "core/sha256.h"
#include "journal/key_store.h"
#include "tables/table_storage.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace journal {
struct Event;
}

struct JournalOptions {
    QString keyDir;                // empty: KeyStore::DefaultDir()
    const Clock *clock = nullptr;  // null: the system clock
};

// What the start-up check found, for a message box each.
struct JournalFinding {
    enum class Kind {
        FileChanged,     // a table file changed outside the program: `table`, `rows`
        JournalCut,      // the journal ends before the last event kept with the key: `seq`, `foundSeq`
        JournalBroken,   // lines of the journal were changed, removed or moved
        JournalMissing,  // the journal kept for this folder has gone; a new one began
        StateLost,       // the state kept with the key is missing or spoilt: `path` is its file
        FolderCopy,      // the data folder is a copy of the one the journal is kept in: read only
        KeyMissing,      // no key for this journal here: nothing is journaled this run
        Unwritable,      // the journal cannot be begun or written: nothing is journaled this run
    };
    Kind kind;
    QString path;  // the table file or the journal
    int table = 0;
    qint64 rows = 0;
    qint64 seq = 0;
    qint64 foundSeq = 0;
    bool refused = false;  // table changes are refused this run (Journal::Refusal)
};

QString FindingMessage(const JournalFinding &f);

class Journal : public TableWriteHook {
public:
    explicit Journal(const TableStorage &storage, JournalOptions options = {});
    ~Journal() override;
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Completes interrupted appends, opens the journal (or begins it, the
    // working files as they are becoming the opening balance) and compares
    // the five files with it. Call before the tables are loaded.
    QList<JournalFinding> Open();
    // Events are written this run.
    bool IsKept() const { return kept_; }
    // Why table changes are refused this run (Polish); empty when they are
    // not. A journal that exists but cannot be kept refuses them: a change
    // made then would be neither journaled nor sent, and would later show as
    // made outside the program.
    const QString &Refusal() const { return refusal_; }
    QString Path() const;
    const QByteArray &Station() const { return key_.station; }
    const KeyStore &Keys() const { return keys_; }

    // The operator named in the events from now on.
    void SetOperator(const QByteArray &name) { operator_ = name; }
    // The login of `name`: an event, and the operator from now on.
    StorageResult NoteLogin(const QByteArray &name);
    // The rows of current mode 1 loads are final: their last updates are journaled.
    bool EndLoadUpdates() override;

    bool WantsDigest(const ActionInfo &action) const override;
    StorageResult Record(const TableChange &change, const ActionInfo &action) override;
    void Written(const TableChange &change, bool applied) override;

private:
    struct TableFile {
        FileClaim claim;  // what the journal says the file holds
        Sha256 hash;      // over the file's bytes, when hashValid
        bool hashValid = false;
        Sha256 beforeLast;  // over all lines but the last, when beforeLastValid
        bool beforeLastValid = false;
        // Mode 1: the row of the current load, updated in the file, not yet journaled.
        bool loadPending = false;
        qsizetype loadAt = 0;
        QByteArray loadJournaled;
        QByteArray loadLine;
    };
    struct Pending {
        bool active = false;
        bool event = false;  // an event was written
        bool loadUpdate = false;
        int table = 0;
        qint64 seq = -1;
        TableFile before, after;
    };
    struct FileRead {
        bool ok = false;
        QByteArray data;
        Sha256 hash;
        qsizetype lines = 0;
    };

    bool Append(QJsonObject content, int table = 0);
    void SaveState(bool durable = false);
    StorageResult JournalWriteFailure() const;
    StorageResult FinishLoad(int table);
    FileRead ReadFile(int table) const;
    QList<JournalFinding> Begin(const std::optional<JournalKey> &previous);
    // The journal exists and cannot be kept: `finding` is reported, changes are refused.
    QList<JournalFinding> Refuse(QList<JournalFinding> findings, JournalFinding finding);
    bool ScanTail(QList<JournalFinding> &findings, std::optional<journal::Event> &last,
                  std::array<FileClaim, 5> &before);
    bool ScanAll(QList<JournalFinding> &findings, std::optional<journal::Event> &last,
                 std::array<FileClaim, 5> &before);
    // Brings the journal in line with a file that differs from it.
    void Reconcile(int table, const FileRead &file, QList<JournalFinding> &findings);

    const TableStorage &storage_;
    JournalOptions options_;
    SystemClock systemClock_;
    KeyStore keys_;
    JournalKey key_;
    JournalState state_;
    bool kept_ = false;
    QString refusal_;
    QByteArray folder_;  // KeyStore::FolderIdentity of the data folder
    QByteArray operator_;
    std::array<TableFile, 5> files_;
    Pending pending_;
};
