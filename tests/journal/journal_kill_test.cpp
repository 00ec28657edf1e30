// The probe program writes weighings through the real storage and journal
// while the test kills it (SIGKILL) at random moments, over and over. No
// start after a kill may find anything wrong, and the check of the journal
// must agree with the files, both right after a kill and after a start.

#include "journal/journal_check.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

namespace {

const QString kProbe = QStringLiteral(POMIARY_BIN_DIR "/journal_kill_probe");

}  // namespace

TEST(JournalKill, ThreeHundredKillsLeaveAJournalThatAgreesWithTheFiles)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dataDir = tmp.path() + "/dane/";
    const QString keyDir = tmp.path() + "/config/pomiary/dziennik/";
    ASSERT_TRUE(QDir().mkpath(dataDir));
    std::mt19937 timing(4711);
    int killedRunning = 0;
    QString findings;
    for (int run = 0; run < 300; ++run) {
        QProcess probe;
        probe.start(kProbe, {dataDir, keyDir, QString::number(run)});
        ASSERT_TRUE(probe.waitForStarted(10000));
        // Most kills land in the writing loop, some in the start-up check.
        if (run % 10 != 0)
            probe.waitForReadyRead(10000);
        std::this_thread::sleep_for(std::chrono::microseconds(timing() % 30000));
        probe.kill();
        ASSERT_TRUE(probe.waitForFinished(10000));
        const QString out = QString::fromUtf8(probe.readAllStandardOutput());
        if (probe.exitStatus() == QProcess::CrashExit && out.contains("ready"))
            ++killedRunning;
        for (const QString &line : out.split('\n'))
            if (line.startsWith("finding: "))
                findings += QString("run %1: %2\n").arg(run).arg(line);
        // Every twentieth kill is checked at once, before any start.
        if (run % 20 == 19) {
            const JournalCheckReport r = CheckJournal(dataDir, keyDir, 2);
            ASSERT_EQ(r.ExitCode(), 0) << "after run " << run << ":\n" << qPrintable(r.Text());
        }
    }
    EXPECT_TRUE(findings.isEmpty()) << qPrintable(findings);
    EXPECT_GT(killedRunning, 250);

    // Right after the last kill, and after one more start.
    JournalCheckReport r = CheckJournal(dataDir, keyDir, 2);
    EXPECT_EQ(r.ExitCode(), 0) << qPrintable(r.Text());
    QProcess open;
    open.start(kProbe, {dataDir, keyDir, "0", "--open-only"});
    ASSERT_TRUE(open.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(open.readAllStandardOutput()), "ready\n");
    r = CheckJournal(dataDir, keyDir, 2);
    EXPECT_EQ(r.ExitCode(), 0) << qPrintable(r.Text());
    EXPECT_TRUE(r.notes.isEmpty()) << qPrintable(r.Text());
    EXPECT_GT(r.events, 50);  // the probes wrote; how much depends on the machine
}
