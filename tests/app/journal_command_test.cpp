// "pomiary --sprawdz-dziennik" run as a program: without a display, in the
// working folder, with its report and exit codes 0 / 1 / 2.

#include "app/journal_command.h"
#include "core/clock.h"
#include "journal/journal.h"
#include "support/temp_dir.h"
#include "tables/table_storage.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

const QString kProgram = QStringLiteral(POMIARY_BIN_DIR "/pomiary");

class JournalCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(tmp.filePath("dane")));
        ASSERT_TRUE(WriteAll(tmp.filePath("dane/pomiary1.txt"),
                             "1\t2024-05-17 14:03\t10.00\t10.00\t0.00\t1.00\t10.00\t\tPiasek\t\tJAN\t\r\n"));
        // The key where the program looks for it: XDG_CONFIG_HOME/pomiary/dziennik.
        const TableStorage storage(tmp.filePath("dane"));
        ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 22), Qt::OffsetFromUTC, 7200)};
        Journal journal(storage, JournalOptions{tmp.filePath("config/pomiary/dziennik"), &clock});
        ASSERT_TRUE(journal.Open().isEmpty());
        ASSERT_TRUE(journal.NoteLogin("JAN"));
    }

    // Runs the check with no display at all; its exit code, its output in `out`.
    int Run(QString &out, const QString &config = {}, const QStringList &args = {"--sprawdz-dziennik"})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("XDG_CONFIG_HOME", config.isEmpty() ? tmp.filePath("config") : config);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(tmp.path());
        p.start(kProgram, args);
        if (!p.waitForFinished(30000))
            return -1;
        out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QTemporaryDir tmp;
};

}  // namespace

TEST_F(JournalCommand, AgreeingJournalAndTablesExitWithZero)
{
    QString out;
    EXPECT_EQ(Run(out), 0);
    EXPECT_EQ(out, "Sprawdzono zdarzeń: 7\nWynik: dziennik zgodny z plikami tabel.\n");
}

TEST_F(JournalCommand, ADifferenceExitsWithOneAndIsNamed)
{
    ASSERT_TRUE(WriteAll(tmp.filePath("dane/pomiary1.txt"),
                         "1\t2024-05-17 14:03\t12.00\t10.00\t0.00\t1.00\t10.00\t\tPiasek\t\tJAN\t\r\n"));
    QString out;
    EXPECT_EQ(Run(out), 1);
    EXPECT_EQ(out, "Sprawdzono zdarzeń: 7\nTabela 1, linia 1: brutto: w dzienniku \"10.00\", w pliku \"12.00\"\n"
                   "Wynik: znaleziono niezgodności: 1.\n");
}

TEST_F(JournalCommand, NoKeyOrNoJournalExitsWithTwo)
{
    QString out;
    EXPECT_EQ(Run(out, tmp.filePath("another-account")), 2);
    EXPECT_TRUE(out.startsWith("Brak klucza dziennika (stanowisko ")) << qPrintable(out);
    QTemporaryDir empty;
    QDir().mkpath(empty.filePath("dane"));
    QProcess p;
    p.setWorkingDirectory(empty.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", empty.filePath("config"));
    p.setProcessEnvironment(env);
    p.start(kProgram, {"--sprawdz-dziennik"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), "Nie można odczytać dziennika " + empty.filePath("dane/dziennik.txt") + ".\n");
}

TEST(JournalCommandLine, OnlyTheOptionAloneChecks)
{
    // Two arguments are an operator's name and password, whatever they say.
    char program[] = "pomiary", option[] = "--sprawdz-dziennik", other[] = "957";
    char *alone[] = {program, option};
    char *withPassword[] = {program, option, other};
    char *asPassword[] = {program, other, option};
    EXPECT_TRUE(IsJournalCheckCommand(2, alone));
    EXPECT_FALSE(IsJournalCheckCommand(3, withPassword));
    EXPECT_FALSE(IsJournalCheckCommand(3, asPassword));
    EXPECT_FALSE(IsJournalCheckCommand(1, alone));
}
