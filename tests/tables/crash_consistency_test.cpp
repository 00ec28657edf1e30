// A child process rewrites, replaces and appends lines of a working file
// while the parent kills it with SIGKILL at random moments. After every kill
// the file must be exactly the state before or after the operation that was
// running: no torn, lost or half-replaced line.

#include "tables/measurement_table.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct FileState {
    QList<QByteArray> lines;
    int nextId = 1;
    int version = 0;
};

QByteArray MakeLine(int id, int version)
{
    // A valid line, long enough that a rewrite takes several write calls.
    return QByteArray::number(id) + "\t2024-05-17 14:03\t" + QByteArray::number(version) +
           "\t10.00\t0.00\t1.00\t10.00\tWZ\tPiasek\tBig bag\tJAN\t" + QByteArray(60 + id % 40, 'k');
}

QByteArray Serialize(const FileState &s)
{
    QByteArray out;
    for (const QByteArray &l : s.lines)
        out += l + "\r\n";
    return out;
}

FileState Initial()
{
    FileState s;
    for (; s.nextId <= 300; ++s.nextId)
        s.lines.append(MakeLine(s.nextId, 0));
    return s;
}

// One operation drawn from `rng`, applied to `s`; with `storage` also to the file.
bool Step(std::mt19937 &rng, FileState &s, const TableStorage *storage)
{
    const int kind = int(rng() % 100);
    if (kind < 40 || s.lines.isEmpty()) {  // append
        const QByteArray line = MakeLine(s.nextId++, s.version);
        s.lines.append(line);
        return !storage || AppendLine(*storage, 1, line).ok;
    }
    if (kind < 85) {  // replace one line, sometimes delete it
        const int i = int(rng() % unsigned(s.lines.size()));
        const QByteArray old = s.lines[i];
        QByteArray repl;
        if (kind < 80)
            repl = MakeLine(s.nextId++, s.version);
        if (repl.isEmpty())
            s.lines.removeAt(i);
        else
            s.lines[i] = repl;
        return !storage || ReplaceLine(*storage, 1, old, repl).ok;
    }
    // Rewrite: every line changes, so a half-written file would show.
    ++s.version;
    for (int i = 0; i < s.lines.size(); ++i)
        s.lines[i] = MakeLine(s.lines[i].left(s.lines[i].indexOf('\t')).toInt(), s.version);
    if (!storage)
        return true;
    MeasurementTable table(1);
    for (const QByteArray &l : s.lines)
        table.AddLine(l);
    return RewriteWorkingFile(*storage, table).ok;
}

[[noreturn]] void RunChild(const QString &dataDir, unsigned seed, int pipeFd)
{
    const TableStorage storage(dataDir);
    std::mt19937 rng(seed);
    FileState s = Initial();
    for (int done = 1;; ++done) {
        if (!Step(rng, s, &storage))
            _exit(3);
        if (::write(pipeFd, &done, sizeof done) != sizeof done)
            _exit(4);
    }
}

}  // namespace

TEST(CrashConsistency, KilledWriterLeavesOldOrNewFile)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dataDir = tmp.path() + "/dane/";
    const TableStorage storage(dataDir);
    std::mt19937 timing(12345);
    const auto started = std::chrono::steady_clock::now();
    int iterations = 0, killedMidway = 0, maxDone = 0;

    for (; iterations < 300; ++iterations) {
        if (std::chrono::steady_clock::now() - started > std::chrono::seconds(45))
            break;
        QDir(dataDir).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dataDir));
        const FileState initial = Initial();
        {
            MeasurementTable t(1);
            for (const QByteArray &l : initial.lines)
                t.AddLine(l);
            ASSERT_TRUE(RewriteWorkingFile(storage, t).ok);
        }
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const unsigned seed = 1000u + unsigned(iterations);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(fds[0]);
            RunChild(dataDir, seed, fds[1]);
        }
        ::close(fds[1]);
        ::usleep(useconds_t(timing() % 25000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: status " << status;

        int done = 0, value = 0;
        while (::read(fds[0], &value, sizeof value) == sizeof value)
            done = value;
        ::close(fds[0]);
        maxDone = std::max(maxDone, done);

        std::mt19937 rng(seed);
        FileState before = initial;
        for (int i = 0; i < done; ++i)
            Step(rng, before, nullptr);
        FileState after = before;
        Step(rng, after, nullptr);

        // What the next start-up sees: an interrupted append is completed first.
        ASSERT_TRUE(RecoverInterruptedAppend(storage, 1).ok);
        QFile f(dataDir + "pomiary1.txt");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "working file missing after kill " << iterations;
        const QByteArray onDisk = f.readAll();
        const bool isBefore = onDisk == Serialize(before);
        const bool isAfter = onDisk == Serialize(after);
        ASSERT_TRUE(isBefore || isAfter) << "iteration " << iterations << ": after " << done
                                         << " operations the file is neither state";
        if (isAfter && !isBefore)
            ++killedMidway;
    }
    EXPECT_GE(iterations, 100);
    EXPECT_GT(maxDone, 0);
    RecordProperty("iterations", iterations);
    RecordProperty("killedAfterCompletionBeforeReport", killedMidway);
}
