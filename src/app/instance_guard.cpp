#include "app/instance_guard.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Readable by every account whatever the umask of the copy that creates it:
// flock needs only a read-only descriptor, and nobody else can fill the file.
constexpr mode_t kLockFileMode = 0644;
// A lock file removed or replaced while we lock it is tried afresh a few times.
constexpr int kAttempts = 4;

enum class LockResult { Held, Busy, Unusable };

int OpenLockFile(const char *path)
{
    // O_NOFOLLOW: in a shared temporary folder another user could plant a
    // link; O_NONBLOCK: a planted FIFO must not hang the start.
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // An existing file is opened without O_CREAT: in a sticky folder the
        // kernel may refuse O_CREAT on another account's file.
        int fd = ::open(path, O_RDWR | kFlags);
        if (fd < 0 && (errno == EACCES || errno == EROFS))
            fd = ::open(path, O_RDONLY | kFlags);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | kFlags, kLockFileMode);
            if (fd < 0 && errno == EEXIST)
                continue;  // another copy created it just now
            if (fd >= 0)
                ::fchmod(fd, kLockFileMode);
        }
        if (fd < 0)
            return -1;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    return -1;
}

bool StillAtPath(int fd, const char *path)
{
    struct stat held {}, now {};
    return ::fstat(fd, &held) == 0 && ::lstat(path, &now) == 0 && held.st_dev == now.st_dev &&
           held.st_ino == now.st_ino;
}

LockResult Lock(const char *path, int &fdOut)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = OpenLockFile(path);
        if (fd < 0)
            return LockResult::Unusable;
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return busy ? LockResult::Busy : LockResult::Unusable;
        }
        // A file removed between our open and our lock no longer guards anything.
        if (StillAtPath(fd, path)) {
            fdOut = fd;
            return LockResult::Held;
        }
        ::close(fd);
    }
    return LockResult::Unusable;
}

}  // namespace

QString InstanceGuard::MachineLockPath()
{
    return QStringLiteral("/tmp/ApplicationTestMap.lock");
}

QString InstanceGuard::DataDirLockPath(const QString &dataDir)
{
    return dataDir + QStringLiteral("pomiary.lock");
}

QStringList InstanceGuard::ProgramLockPaths(const QString &dataDir, const QString &machineLock)
{
    return {machineLock, DataDirLockPath(dataDir)};
}

InstanceGuard::InstanceGuard(const QStringList &lockPaths) : paths_(lockPaths)
{
    for (const QString &p : paths_) {
        nativePaths_.append(QFile::encodeName(p));
        fds_.append(-1);
    }
}

InstanceGuard::~InstanceGuard()
{
    Release();
}

bool InstanceGuard::Acquire()
{
    alreadyRunning_ = false;
    for (qsizetype i = 0; i < fds_.size() && !alreadyRunning_; ++i)
        if (fds_[i] < 0)
            alreadyRunning_ = Lock(nativePaths_[i].constData(), fds_[i]) == LockResult::Busy;
    if (!alreadyRunning_)
        return true;
    // All or nothing: a refused copy keeps no lock that would stop the next start.
    Release();
    return false;
}

bool InstanceGuard::Held() const
{
    for (int fd : fds_)
        if (fd < 0)
            return false;
    return !fds_.isEmpty();
}

void InstanceGuard::Release()
{
    // The files stay: removing one would let a starting copy lock a new file
    // while another still holds the old one.
    for (int &fd : fds_) {
        if (fd < 0)
            continue;
        ::flock(fd, LOCK_UN);
        ::close(fd);
        fd = -1;
    }
}
