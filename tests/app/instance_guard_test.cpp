#include "app/instance_guard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A forked child that takes the locks (as `uid` when given) and waits to be killed.
class LockHoldingChild {
public:
    explicit LockHoldingChild(const QStringList &lockPaths, uid_t uid = 0, mode_t umaskValue = 022)
    {
        InstanceGuard guard(lockPaths);  // paths encoded before the fork
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            ::alarm(30);  // never outlive a broken test
            ::umask(umaskValue);
            char held = 'x';
            if (uid == 0 || (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0)) {
                const bool started = guard.Acquire();
                held = !started ? 'r' : guard.Held() ? 'h' : 'u';
            }
            (void)!::write(fds[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        if (pid_ > 0 && ::read(fds[0], &answer_, 1) != 1)
            answer_ = 0;
        ::close(fds[0]);
    }
    ~LockHoldingChild() { Kill(); }

    bool Holds() const { return answer_ == 'h'; }
    bool SawRunningCopy() const { return answer_ == 'r'; }

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
    char answer_ = 0;
};

TEST(InstanceGuard, SecondCopyIsRefusedUntilTheFirstDiesEvenByKill)
{
    QTemporaryDir dir;
    const QStringList paths{dir.filePath("machine.lock"), dir.filePath("data.lock")};
    LockHoldingChild child(paths);
    ASSERT_TRUE(child.Holds());

    InstanceGuard guard(paths);
    EXPECT_FALSE(guard.Acquire());
    EXPECT_TRUE(guard.AlreadyRunning());
    EXPECT_FALSE(guard.Held());

    child.Kill();  // SIGKILL: no clean-up runs in the child
    EXPECT_TRUE(guard.Acquire());
    EXPECT_FALSE(guard.AlreadyRunning());
    EXPECT_TRUE(guard.Held());
}

TEST(InstanceGuard, ReleaseLetsTheNextCopyStartAndARefusedCopyHoldsNothing)
{
    QTemporaryDir dir;
    const QString machine = dir.filePath("machine.lock");
    const QString dataA = dir.filePath("a.lock"), dataB = dir.filePath("b.lock");
    InstanceGuard first({machine, dataA});
    InstanceGuard second({machine, dataB});
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.Acquire());  // taking it again is harmless
    EXPECT_FALSE(second.Acquire());
    // The refused copy must not keep its data folder locked.
    {
        InstanceGuard onB({dir.filePath("other-machine.lock"), dataB});
        EXPECT_TRUE(onB.Acquire());
    }
    first.Release();
    EXPECT_TRUE(second.Acquire());
    {
        InstanceGuard third({machine, dataA});
        EXPECT_FALSE(third.Acquire());
    }
    second.Release();
    {
        InstanceGuard fourth({machine, dataA});
        EXPECT_TRUE(fourth.Acquire());
    }  // the destructor releases
    EXPECT_TRUE(first.Acquire());
}

TEST(InstanceGuard, UnusableLockFileDoesNotStopTheProgramNorHangsIt)
{
    QTemporaryDir dir;
    // No data folder (the program does not create it): the machine lock still counts.
    InstanceGuard noDataDir({dir.filePath("machine.lock"), "/nonexistent-folder/pomiary.lock"});
    EXPECT_TRUE(noDataDir.Acquire());
    EXPECT_FALSE(noDataDir.Held());
    InstanceGuard sameMachine({dir.filePath("machine.lock")});
    EXPECT_FALSE(sameMachine.Acquire());

    // Planted in a shared folder: a FIFO would block a plain open, a link would be followed.
    const QString fifo = dir.filePath("fifo.lock"), link = dir.filePath("link.lock");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    ASSERT_TRUE(QFile::link(dir.filePath("target"), link));
    InstanceGuard planted({fifo, link});
    EXPECT_TRUE(planted.Acquire());
    EXPECT_FALSE(planted.AlreadyRunning());
    EXPECT_FALSE(planted.Held());
    EXPECT_FALSE(QFile::exists(dir.filePath("target")));
}

// Another account's lock file: created under a strict umask, it must still
// be readable, and a read-only descriptor must be enough to find the copy.
TEST(InstanceGuard, AnotherAccountSeesTheRunningCopy)
{
    QTemporaryDir dir(QStringLiteral("/tmp/guard-XXXXXX"));  // reachable by every account
    ASSERT_TRUE(dir.isValid());
    // Like /tmp: every account may create files there.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    const QString path = dir.filePath("machine.lock");
    const mode_t old = ::umask(077);
    {
        InstanceGuard guard({path});
        ASSERT_TRUE(guard.Acquire());
        ::umask(old);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode_t(0644));
    }
    ::umask(old);

    if (::geteuid() != 0)
        GTEST_SKIP() << "switching accounts needs root";
    constexpr uid_t kNobody = 65534, kOther = 65533;
    {
        InstanceGuard owner({path});  // root's file, read-only for the others
        ASSERT_TRUE(owner.Acquire());
        LockHoldingChild nobody({path}, kNobody);
        EXPECT_TRUE(nobody.SawRunningCopy());
    }
    // One unprivileged account creates the file under umask 077, another starts.
    const QString fresh = dir.filePath("fresh.lock");
    LockHoldingChild first({fresh}, kNobody, 077);
    ASSERT_TRUE(first.Holds());
    LockHoldingChild second({fresh}, kOther, 077);
    EXPECT_TRUE(second.SawRunningCopy());
    first.Kill();
    LockHoldingChild third({fresh}, kOther, 077);
    EXPECT_TRUE(third.Holds());
}

// Real second processes, started with different environments.
class GuardProbe {
public:
    GuardProbe(const QString &workDir, const QString &scratch, const QStringList &args = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Everything a per-user or per-session lock would hang on differs.
        for (const char *name : {"TMPDIR", "XDG_RUNTIME_DIR", "HOME", "TMP", "TEMP"})
            env.insert(name, scratch);
        env.insert("USER", QFileInfo(scratch).fileName());
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(workDir);
        process_.start(QStringLiteral(POMIARY_BIN_DIR "/guard_probe"), args);
        if (process_.waitForStarted(10000) && process_.waitForReadyRead(10000))
            answer_ = QString::fromLatin1(process_.readLine().trimmed());
    }
    ~GuardProbe() { Stop(); }
    const QString &Answer() const { return answer_; }
    void Stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10000))
            process_.kill();
    }

private:
    QProcess process_;
    QString answer_;
};

class InstanceGuardProcesses : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "app_tests";
            static char *argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
        ASSERT_TRUE(root_.isValid());
        for (const char *d : {"stationA/dane", "stationB/dane", "envA", "envB"})
            ASSERT_TRUE(QDir(root_.path()).mkpath(d));
    }
    QString Path(const char *name) const { return root_.filePath(name); }
    QTemporaryDir root_;
};

TEST_F(InstanceGuardProcesses, CopiesStartedWithDifferentEnvironmentsShareTheMachineLock)
{
    // Two stations' data folders, two environments: only the machine lock is shared.
    GuardProbe first(Path("stationA"), Path("envA"));
    if (first.Answer() == "running")
        GTEST_SKIP() << "a copy of the program is running on this machine";
    ASSERT_EQ(first.Answer(), "held");
    GuardProbe second(Path("stationB"), Path("envB"));
    EXPECT_EQ(second.Answer(), "running");
    first.Stop();
    GuardProbe third(Path("stationB"), Path("envB"));
    EXPECT_EQ(third.Answer(), "held");
}

TEST_F(InstanceGuardProcesses, TwoCopiesNeverShareADataFolder)
{
    // Each copy with a machine lock of its own, as when that lock is out of reach.
    GuardProbe first(Path("stationA"), Path("envA"), {Path("envA/machine.lock")});
    ASSERT_EQ(first.Answer(), "held");
    GuardProbe second(Path("stationA"), Path("envB"), {Path("envB/machine.lock")});
    EXPECT_EQ(second.Answer(), "running");
    GuardProbe elsewhere(Path("stationB"), Path("envB"), {Path("envB/machine.lock")});
    EXPECT_EQ(elsewhere.Answer(), "held");
}

}  // namespace
