#pragma once

// Keeps a second copy of the program from running: one lock for the whole
// machine, whatever the user account or the environment of the copy, and one
// in the data folder, so two copies never write the same tables even when
// the machine lock is out of reach. The locks are flocks: the kernel drops
// them when the process ends in any way, so a crashed copy never blocks the
// next start.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class InstanceGuard {
public:
    // The machine lock: a fixed path in the world-writable temporary folder,
    // read from no environment variable, the same for every account.
    static QString MachineLockPath();
    // The lock file of a data folder (`dataDir` ends with '/').
    static QString DataDirLockPath(const QString &dataDir);
    // What a copy of the program locks: the machine lock and its data folder's.
    static QStringList ProgramLockPaths(const QString &dataDir, const QString &machineLock = MachineLockPath());

    explicit InstanceGuard(const QStringList &lockPaths);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // Takes every lock, or none: false only when another process holds one
    // of them. A lock file that cannot be opened at all (no data folder, a
    // foreign file we may not even read) does not refuse the start.
    bool Acquire();
    void Release();

    bool AlreadyRunning() const { return alreadyRunning_; }
    // Every lock is held.
    bool Held() const;
    const QStringList &LockPaths() const { return paths_; }

private:
    QStringList paths_;
    QList<QByteArray> nativePaths_;  // encoded once, so Acquire makes only system calls
    QList<int> fds_;
    bool alreadyRunning_ = false;
};
