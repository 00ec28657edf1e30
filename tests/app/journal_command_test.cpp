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

// Two ways to pass a change off: the newest row edited (its last event an
// ordinary add), and the state kept with the key deleted.
TEST_F(JournalCommand, AnEditedLastRowOrADeletedStateExitsWithOne)
{
    const QByteArray row = "2\t2024-05-17 14:05\t20.00\t20.00\t0.00\t1.00\t20.00\t\tPiasek\t\tJAN\t";
    {
        TableStorage storage(tmp.filePath("dane"));
        Journal journal(storage, JournalOptions{tmp.filePath("config/pomiary/dziennik")});
        ASSERT_TRUE(journal.Open().isEmpty());
        storage.SetWriteHook(&journal);
        const ActionScope s(storage, TableAction::AddButton);
        ASSERT_TRUE(AppendLine(storage, 1, row));
        storage.SetWriteHook(nullptr);
    }
    QString out;
    ASSERT_EQ(Run(out), 0) << qPrintable(out);
    QByteArray file = ReadAll(tmp.filePath("dane/pomiary1.txt"));
    file.replace("20.00\t20.00\t0.00\t1.00\t20.00", "25.00\t25.00\t0.00\t1.00\t25.00");
    ASSERT_TRUE(WriteAll(tmp.filePath("dane/pomiary1.txt"), file));
    EXPECT_EQ(Run(out), 1);
    EXPECT_TRUE(out.contains("Tabela 1, linia 2: brutto: w dzienniku \"20.00\", w pliku \"25.00\"")) << qPrintable(out);

    file.replace("25.00\t25.00\t0.00\t1.00\t25.00", "20.00\t20.00\t0.00\t1.00\t20.00");
    ASSERT_TRUE(WriteAll(tmp.filePath("dane/pomiary1.txt"), file));
    const QStringList states = QDir(tmp.filePath("config/pomiary/dziennik")).entryList({"*.stan"});
    ASSERT_EQ(states.size(), 1);
    ASSERT_TRUE(QFile::remove(tmp.filePath("config/pomiary/dziennik/") + states[0]));
    EXPECT_EQ(Run(out), 1);
    EXPECT_TRUE(out.contains("Brak zapisanego stanu dziennika")) << qPrintable(out);
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
