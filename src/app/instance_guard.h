#pragma once

// Keeps a second copy of the program from running for the same user. The
// guard is an flock on a file in the runtime (or temporary) folder; the
// kernel drops the lock when the process ends in any way, so a crashed copy
// never blocks the next start.

#include <QByteArray>
#include <QString>

class InstanceGuard {
public:
    // The default lock file: "ApplicationTestMap-<uid>.lock" in
    // $XDG_RUNTIME_DIR when it is usable, otherwise in QDir::tempPath().
    static QString DefaultLockPath();

    explicit InstanceGuard(const QString &lockPath = DefaultLockPath());
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // False only when another process holds the lock. When the lock file
    // cannot be opened at all, the start is not refused (true, not held).
    bool Acquire();
    void Release();

    bool AlreadyRunning() const { return alreadyRunning_; }
    bool Held() const { return fd_ >= 0; }
    const QString &LockPath() const { return path_; }

private:
    QString path_;
    QByteArray nativePath_;  // encoded once, so Acquire makes only system calls
    int fd_ = -1;
    bool alreadyRunning_ = false;
};
