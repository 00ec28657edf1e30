#pragma once

// The journals' keys and their last states, kept outside the data folders
// in the user's configuration folder (<config>/pomiary/dziennik/, mode 0700,
// files 0600): someone who can change the data folder cannot sign events,
// nor hide a journal cut at its end.
//
// <station>.klucz, written once:   "pomiary-dziennik-klucz 1" / key in hex / data folder
// <station>.stan, two slots:       the last event written, its place in the
//                                   journal and each table file's state after it,
//                                   and the data folder's identity, each slot
//                                   signed with the key (HMAC)

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

struct JournalKey {
    QByteArray station;
    QByteArray secret;  // 32 bytes
    QString dataDir;    // the folder it was made for (canonical, with '/')
};

// What a table file held after the last event, by the journal.
struct FileClaim {
    qint64 lines = -1;  // -1: not known
    QByteArray sha;     // hex
    bool operator==(const FileClaim &) const = default;
};

struct JournalState {
    quint64 generation = 0;  // counts the writes; the newer slot wins
    qint64 seq = -1;         // the last event written
    QByteArray mac;          // its mac
    qint64 lineStart = 0;    // where its line begins in the journal
    qint64 end = 0;          // where it ends (after its CR LF)
    std::array<FileClaim, 5> files;
    // The data folder the journal is kept in (FolderIdentity); empty: not known.
    QByteArray folder;
};

class KeyStore {
public:
    // `dir` empty: DefaultDir().
    explicit KeyStore(QString dir = {});
    // QStandardPaths' generic configuration folder + "/pomiary/dziennik/".
    static QString DefaultDir();
    const QString &Dir() const { return dir_; }

    std::optional<JournalKey> Load(const QByteArray &station) const;
    // A new station and key for `dataDir`, on disk before it returns.
    std::optional<JournalKey> Create(const QString &dataDir);
    // The station whose journal was kept in `dataDir` and wrote a state:
    // a journal missing there has gone.
    std::optional<JournalKey> FindKeptFor(const QString &dataDir) const;

    std::optional<JournalState> LoadState(const JournalKey &key) const;
    // Writes `state` (its generation is advanced) into the older slot. It is
    // not synced: after a power cut it may lag behind the journal, which is
    // synced first, but never run ahead of it.
    // `durable`: synced to disk before it returns (the first state of a journal).
    bool SaveState(const JournalKey &key, JournalState &state, bool durable = false) const;
    QString StatePath(const QByteArray &station) const;
    void RemoveState(const JournalKey &key) const;

    static QString CanonicalDataDir(const QString &dataDir);
    // Which folder `dir` is, whatever its path: its file system and inode
    // ("fsid:inode"; the device number when the file system gives no id).
    // A copy of the folder is another folder. Empty when it cannot be told.
    static QByteArray FolderIdentity(const QString &dir);

private:
    QString KeyPath(const QByteArray &station) const;

    QString dir_;
};
