#include "app/instance_guard.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child process that takes the lock and waits to be killed.
class LockHoldingChild {
public:
    explicit LockHoldingChild(const QString &lockPath)
    {
        InstanceGuard guard(lockPath);  // path encoded before the fork
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            ::alarm(30);  // never outlive a broken test
            const char held = guard.Acquire() && guard.Held() ? '1' : '0';
            (void)!::write(fds[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        if (pid_ > 0 && ::read(fds[0], &held_, 1) != 1)
            held_ = 0;
        ::close(fds[0]);
    }
    ~LockHoldingChild() { Kill(); }

    bool Holds() const { return pid_ > 0 && held_ == '1'; }

    void Kill()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    char held_ = 0;
};

TEST(InstanceGuard, SecondCopyIsRefusedUntilTheFirstDiesEvenByKill)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ApplicationTestMap.lock"));
    LockHoldingChild child(path);
    ASSERT_TRUE(child.Holds());

    InstanceGuard guard(path);
    EXPECT_FALSE(guard.Acquire());
    EXPECT_TRUE(guard.AlreadyRunning());
    EXPECT_FALSE(guard.Held());

    child.Kill();  // SIGKILL: no clean-up runs in the child
    EXPECT_TRUE(guard.Acquire());
    EXPECT_FALSE(guard.AlreadyRunning());
    EXPECT_TRUE(guard.Held());
}

TEST(InstanceGuard, ReleaseLetsTheNextCopyStart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ApplicationTestMap.lock"));
    InstanceGuard first(path);
    InstanceGuard second(path);
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.Acquire());  // taking it again is harmless
    EXPECT_FALSE(second.Acquire());
    first.Release();
    EXPECT_TRUE(second.Acquire());
    {
        InstanceGuard third(path);
        EXPECT_FALSE(third.Acquire());
    }
    second.Release();
    {
        InstanceGuard fourth(path);
        EXPECT_TRUE(fourth.Acquire());
    }  // the destructor releases
    EXPECT_TRUE(first.Acquire());
}

TEST(InstanceGuard, UnusableLockFileDoesNotStopTheProgram)
{
    InstanceGuard guard(QStringLiteral("/nonexistent-folder/ApplicationTestMap.lock"));
    EXPECT_TRUE(guard.Acquire());
    EXPECT_FALSE(guard.AlreadyRunning());
    EXPECT_FALSE(guard.Held());
}

TEST(InstanceGuard, DefaultLockIsPerUser)
{
    const QString path = InstanceGuard::DefaultLockPath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/ApplicationTestMap-%1.lock").arg(::getuid()))) << path.toStdString();
}

}  // namespace
