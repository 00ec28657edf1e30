#include "app/instance_guard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString InstanceGuard::DefaultLockPath()
{
    const QString name = QStringLiteral("ApplicationTestMap-%1.lock").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QFileInfo info(runtime);
        if (info.isDir() && info.isWritable())
            return QDir(runtime).filePath(name);
    }
    return QDir(QDir::tempPath()).filePath(name);
}

InstanceGuard::InstanceGuard(const QString &lockPath) : path_(lockPath), nativePath_(QFile::encodeName(lockPath)) {}

InstanceGuard::~InstanceGuard()
{
    Release();
}

bool InstanceGuard::Acquire()
{
    if (fd_ >= 0)
        return true;
    alreadyRunning_ = false;
    // O_NOFOLLOW: in a shared temporary folder another user could plant a link.
    const int fd = ::open(nativePath_.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        fd_ = fd;
        return true;
    }
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    alreadyRunning_ = busy;
    return !busy;
}

void InstanceGuard::Release()
{
    if (fd_ < 0)
        return;
    // The file stays: removing it would let a starting copy lock a new file
    // while another still holds the old one.
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}
