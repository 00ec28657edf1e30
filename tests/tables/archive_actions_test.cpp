#include "core/clock.h"
#include "file_size_limit.h"
#include "support/recording_write_hook.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/archive_actions.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/table_storage.h"

#include <QDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray Row(int nr, const QByteArray &material = "Piasek")
{
    return QByteArray::number(nr) + "\t2024-05-17 14:03\t10.00\t10.00\t0.00\t0.00\t0.00\t\t" + material +
           "\t\tJAN\t";
}

const QString kSaved = QString::fromUtf8("Pomiary z tabeli zostały zapisane w archiwum w pliku:\n");
const QString kSaveQuestion = QString::fromUtf8("Czy napewno zapisać w archiwum pomiary z bieżącej tabeli?");
const QString kReadQuestion = QString::fromUtf8(
    "Dane w bieżącej tabeli zostaną nadpisane danymi odczytanymi z archiwum.\n"
    "Czy przed odczytem zapisać bieżące dane do archiwum?");

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dataDir = tmp.path() + "/dane/";
        archiveDir = tmp.path() + "/archiwum/";
        QDir().mkpath(dataDir);
    }
    ArchiveContext Ctx() { return ArchiveContext{table, storage, archiveDir, filter, clock, prompts}; }
    QString ArchiveName() const { return archiveDir + "tab_2_20240517_140312.txt"; }
    QString Working() const { return storage.WorkingFile(2); }
    // Working file and table with rows 1..3 (Piasek, Żwir, Piasek), the filter on "piasek".
    void ThreeRowsFiltered()
    {
        WriteAll(Working(), Row(1) + "\r\n" + Row(2, "Zwir") + "\r\n" + Row(3) + "\r\n");
        filter.material = "piasek";
        LoadTable(Working(), table, filter);
        ASSERT_EQ(table.RowCount(), 2);
    }

    QTemporaryDir tmp;
    QString dataDir, archiveDir;
    TableStorage storage{tmp.path() + "/dane"};
    MeasurementTable table{2};
    DataFilter filter;
    ManualClock clock{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 12))};
    ScriptedPrompts prompts;
};

}  // namespace

TEST_F(ArchiveTest, SaveWritesShownRowsButDoesNotCreateTheFolder)
{
    ThreeRowsFiltered();
    prompts.answers = {true};
    auto ctx = Ctx();
    EXPECT_FALSE(SaveTableToArchive(ctx));
    EXPECT_EQ(prompts.questions, QStringList{kSaveQuestion});
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].icon, UserPrompts::Icon::Error);
    EXPECT_EQ(prompts.messages[0].text, CreateErrorMessage(ArchiveName()));
    EXPECT_FALSE(QDir(archiveDir).exists());

    QDir().mkpath(archiveDir);
    prompts.messages.clear();
    prompts.answers = {true};
    EXPECT_TRUE(SaveTableToArchive(ctx));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{kSaved + ArchiveName()});
    EXPECT_EQ(ReadAll(ArchiveName()), Row(1) + "\r\n" + Row(3) + "\r\n");

    prompts.answers = {false};  // "Nie": nothing
    prompts.messages.clear();
    EXPECT_FALSE(SaveTableToArchive(ctx));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ArchiveTest, ReadWithArchivingKeepsTheWholeFileThenLoadsFiltered)
{
    ThreeRowsFiltered();
    const QString source = tmp.path() + "/old.txt";
    const QByteArray sourceBytes = Row(10) + "\r\n" + Row(11, "Zwir") + "\r\n" + Row(12, "piasek") + "\r\n";
    WriteAll(source, sourceBytes);
    prompts.answers = {true};
    prompts.fileAnswers = {source};
    auto ctx = Ctx();
    EXPECT_TRUE(ReadTableFromArchive(ctx));
    EXPECT_EQ(prompts.questions, QStringList{kReadQuestion});
    // The folder was created and the whole working file, hidden row included, archived.
    EXPECT_EQ(ReadAll(ArchiveName()), Row(1) + "\r\n" + Row(2, "Zwir") + "\r\n" + Row(3) + "\r\n");
    EXPECT_EQ(prompts.MessageTexts(), QStringList{kSaved + ArchiveName()});
    EXPECT_EQ(prompts.openDialogs,
              QStringList{QDir(archiveDir).absolutePath() + "|Pliki tekstowe (*.txt);;Wszystkie pliki (*.*)"});
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(ReadAll(Working()), Row(10) + "\r\n" + Row(12, "piasek") + "\r\n");
    EXPECT_EQ(ReadAll(source), sourceBytes);  // the archive file is never changed
}

TEST_F(ArchiveTest, ReadAsksAlsoWhenEveryRowIsHidden)
{
    const QByteArray hidden = Row(2, "Zwir") + "\r\n";
    WriteAll(Working(), hidden);
    filter.material = "piasek";
    LoadTable(Working(), table, filter);
    ASSERT_EQ(table.RowCount(), 0);
    const QString source = tmp.path() + "/old.txt";
    WriteAll(source, Row(10) + "\r\n");
    prompts.answers = {true};
    prompts.fileAnswers = {source};
    auto ctx = Ctx();
    EXPECT_TRUE(ReadTableFromArchive(ctx));
    EXPECT_EQ(prompts.questions, QStringList{kReadQuestion});
    EXPECT_EQ(ReadAll(ArchiveName()), hidden);
    EXPECT_EQ(ReadAll(Working()), Row(10) + "\r\n");
}

TEST_F(ArchiveTest, NothingChangesBeforeAFileIsChosenAndRead)
{
    ThreeRowsFiltered();
    const QByteArray working = ReadAll(Working());
    auto ctx = Ctx();
    // "Anuluj" in the dialog, after either answer.
    for (const bool archiveFirst : {false, true}) {
        prompts.answers = {archiveFirst};
        prompts.fileAnswers = {std::nullopt};
        EXPECT_FALSE(ReadTableFromArchive(ctx));
        EXPECT_EQ(ReadAll(Working()), working);
        EXPECT_EQ(table.RowCount(), 2);
    }
    // A wrong file: not one valid line; also unreadable files
    // (a folder, a FIFO that would block, a device that never ends).
    const QString wrong = tmp.path() + "/notatki.txt";
    WriteAll(wrong, "Lista zakupów\r\nmleko\tchleb\r\n");
    const QString folder = tmp.path() + "/folder.txt";
    QDir().mkpath(folder);
    const QString fifo = tmp.path() + "/fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QList<std::pair<QString, QString>> chosen = {{wrong, InvalidLinesMessage(wrong, {{1, 0}, {2, 1}})},
                                                       {folder, UnreadableFileMessage(folder)},
                                                       {fifo, UnreadableFileMessage(fifo)},
                                                       {"/dev/zero", UnreadableFileMessage("/dev/zero")}};
    for (const auto &[path, message] : chosen) {
        prompts.messages.clear();
        prompts.answers = {true};
        prompts.fileAnswers = {path};
        EXPECT_FALSE(ReadTableFromArchive(ctx));
        ASSERT_EQ(prompts.messages.size(), 1);
        EXPECT_EQ(prompts.messages[0].icon, UserPrompts::Icon::Error);
        EXPECT_EQ(prompts.messages[0].text, message);
        EXPECT_EQ(ReadAll(Working()), working);
        EXPECT_EQ(table.RowCount(), 2);
    }
    EXPECT_FALSE(QDir(archiveDir).exists());
}

TEST_F(ArchiveTest, ReadSkipsABadLineAndCancelStops)
{
    ThreeRowsFiltered();
    const QString source = tmp.path() + "/bad.txt";
    // Invalid from its first line on, but not only invalid: its rows are read.
    WriteAll(source, "x\ty\r\n" + Row(5) + "\r\n" + Row(6, "Zwir") + "\r\n" + Row(7) + "\r\n\r\n" + Row(8) + "\r\n");
    prompts.answers = {false};
    prompts.fileAnswers = {source};
    auto ctx = Ctx();
    // Only the reading and the rewrite run busy: after the question and the
    // dialog, and before any message.
    int busyRuns = 0;
    ctx.whileBusy = [&](const std::function<void()> &work) {
        ++busyRuns;
        EXPECT_EQ(prompts.openDialogs.size(), 1);
        EXPECT_EQ(table.RowCount(), 2);
        work();
        ASSERT_EQ(table.RowCount(), 3);
        EXPECT_EQ(table.Cell(2, ColNr), QByteArray("8"));
        EXPECT_EQ(ReadAll(Working()), Row(5) + "\r\n" + Row(7) + "\r\n" + Row(8) + "\r\n");
        EXPECT_TRUE(prompts.messages.isEmpty());
    };
    EXPECT_TRUE(ReadTableFromArchive(ctx));
    EXPECT_EQ(busyRuns, 1);
    EXPECT_EQ(prompts.MessageTexts(), QStringList{InvalidLinesMessage(source, {{1, 1}, {5, -1}})});
    EXPECT_EQ(ReadAll(Working()), Row(5) + "\r\n" + Row(7) + "\r\n" + Row(8) + "\r\n");
    EXPECT_FALSE(QDir(archiveDir).exists());

    // An empty table with an empty file asks nothing; a cancelled dialog reads nothing.
    table.Clear();
    QFile::remove(Working());
    prompts.questions.clear();
    prompts.messages.clear();
    EXPECT_FALSE(ReadTableFromArchive(ctx));
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(busyRuns, 1);
    EXPECT_FALSE(QFile::exists(Working()));
}

TEST_F(ArchiveTest, FailedArchiveCopyBeforeReadingChangesNothing)
{
    ThreeRowsFiltered();
    archiveDir = tmp.path() + "/blocker/archiwum/";
    WriteAll(tmp.path() + "/blocker", "a file where the folder should be");
    const QString source = tmp.path() + "/old.txt";
    WriteAll(source, Row(10) + "\r\n");
    prompts.answers = {true};
    prompts.fileAnswers = {source};
    auto ctx = Ctx();
    EXPECT_FALSE(ReadTableFromArchive(ctx));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{CreateErrorMessage(archiveDir + "tab_2_20240517_140312.txt")});
    EXPECT_EQ(ReadAll(Working()), Row(1) + "\r\n" + Row(2, "Zwir") + "\r\n" + Row(3) + "\r\n");
    EXPECT_EQ(table.RowCount(), 2);
}

TEST_F(ArchiveTest, DeleteModes)
{
    auto ctx = Ctx();
    // Mode 1 without a filter: every line matches, all goes.
    WriteAll(Working(), Row(1) + "\r\n" + Row(2) + "\r\n");
    LoadTable(Working(), table, filter);
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::Shown, false}));
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(ReadAll(Working()), QByteArray());
    // Mode 2 without a filter deletes nothing.
    WriteAll(Working(), Row(1) + "\r\n" + Row(2) + "\r\n");
    LoadTable(Working(), table, filter);
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::AllButShown, false}));
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(ReadAll(Working()), Row(1) + "\r\n" + Row(2) + "\r\n");
    EXPECT_TRUE(prompts.messages.isEmpty());

    // With a filter: mode 1 removes the shown lines, mode 2 keeps only them, mode 0 everything.
    ThreeRowsFiltered();
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::Shown, false}));
    EXPECT_EQ(ReadAll(Working()), Row(2, "Zwir") + "\r\n");
    EXPECT_EQ(table.RowCount(), 0);
    ThreeRowsFiltered();
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::AllButShown, false}));
    EXPECT_EQ(ReadAll(Working()), Row(1) + "\r\n" + Row(3) + "\r\n");
    EXPECT_EQ(table.RowCount(), 2);
    // A row added under the filter that does not match it is on the screen:
    // mode 2 keeps it (in file and table), mode 1 deletes it with the others,
    // and the archive made first holds exactly what goes.
    ThreeRowsFiltered();
    table.AddLine(Row(4, "Zwir"));
    AppendLine(storage, 2, Row(4, "Zwir"));
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::AllButShown, false}));
    EXPECT_EQ(ReadAll(Working()), Row(1) + "\r\n" + Row(3) + "\r\n" + Row(4, "Zwir") + "\r\n");
    EXPECT_EQ(table.RowCount(), 3);
    ThreeRowsFiltered();
    table.AddLine(Row(4, "Zwir"));
    AppendLine(storage, 2, Row(4, "Zwir"));
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::Shown, true}));
    EXPECT_EQ(ReadAll(Working()), Row(2, "Zwir") + "\r\n");
    EXPECT_EQ(table.RowCount(), 0);
    const QStringList archives = QDir(archiveDir).entryList(QDir::Files);
    ASSERT_FALSE(archives.isEmpty());
    EXPECT_EQ(ReadAll(archiveDir + archives.last()), Row(1) + "\r\n" + Row(3) + "\r\n" + Row(4, "Zwir") + "\r\n");
    ThreeRowsFiltered();
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::All, false}));
    EXPECT_TRUE(QFile::exists(Working()));
    EXPECT_EQ(ReadAll(Working()), QByteArray());
    EXPECT_EQ(table.RowCount(), 0);
}

TEST_F(ArchiveTest, DeleteArchivesExactlyTheLinesItRemoves)
{
    auto ctx = Ctx();
    const QByteArray shown = Row(1) + "\r\n" + Row(3) + "\r\n";
    const QByteArray hidden = Row(2, "Zwir") + "\r\n";
    struct Case {
        int mode;
        QByteArray archived, left;
    };
    const Case cases[] = {{DeleteChoice::All, Row(1) + "\r\n" + hidden + Row(3) + "\r\n", ""},
                          {DeleteChoice::Shown, shown, hidden},
                          {DeleteChoice::AllButShown, hidden, shown}};
    for (const Case &c : cases) {
        ThreeRowsFiltered();
        prompts.messages.clear();
        QFile::remove(ArchiveName());
        EXPECT_TRUE(DeleteTableData(ctx, {c.mode, true}));
        EXPECT_EQ(prompts.MessageTexts(), QStringList{kSaved + ArchiveName()});  // the folder was created
        EXPECT_EQ(ReadAll(ArchiveName()), c.archived) << c.mode;
        EXPECT_EQ(ReadAll(Working()), c.left) << c.mode;
    }
}

TEST_F(ArchiveTest, FailedArchiveCopyDeletesNothing)
{
    ThreeRowsFiltered();
    const QByteArray working = ReadAll(Working());
    const QString archive = ArchiveName();
    auto ctx = Ctx();
    // A full disk in the middle of the copy's second line.
    QDir().mkpath(archiveDir);
    bool deleted = true;
    {
        FileSizeLimit disk(Row(1).size() + 10);
        deleted = DeleteTableData(ctx, {DeleteChoice::All, true});
    }
    EXPECT_FALSE(deleted);
    EXPECT_EQ(prompts.MessageTexts(), QStringList{LineErrorMessage(archive, 2)});
    EXPECT_FALSE(QFile::exists(archive));
    EXPECT_TRUE(QDir(archiveDir).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(ReadAll(Working()), working);

    // No folder can be made for it.
    prompts.messages.clear();
    archiveDir = tmp.path() + "/blocker/archiwum/";
    WriteAll(tmp.path() + "/blocker", "x");
    auto blocked = Ctx();
    EXPECT_FALSE(DeleteTableData(blocked, {DeleteChoice::Shown, true}));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{CreateErrorMessage(archiveDir + "tab_2_20240517_140312.txt")});
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(ReadAll(Working()), working);

}

// Only a rewrite of the whole file drops the invalid lines, and it says so
// first: in the question before reading an archive, in one of its own
// before deleting all data ("Nie" changes nothing).
TEST_F(ArchiveTest, WholeFileRewritesNameTheInvalidLinesTheyDrop)
{
    const QByteArray content = Row(1) + "\r\n\r\n" + Row(3) + "\r\n1\t2\r\n";
    WriteAll(Working(), content);
    LoadTable(Working(), table, filter);
    ASSERT_EQ(table.RowCount(), 2);
    auto ctx = Ctx();
    const QString drops = QString::fromUtf8("Z pliku tabeli zostaną też usunięte nieprawidłowe linie: 2.");
    prompts.answers = {false};
    EXPECT_FALSE(DeleteTableData(ctx, {DeleteChoice::All, false}));
    EXPECT_EQ(prompts.questions, QStringList{drops + QString::fromUtf8("\nCzy usunąć dane z tabeli?")});
    EXPECT_EQ(ReadAll(Working()), content);
    EXPECT_EQ(table.RowCount(), 2);

    // Deleting the rows shown leaves them; asks nothing.
    prompts.questions.clear();
    EXPECT_TRUE(DeleteTableData(ctx, {DeleteChoice::Shown, true}));
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(ReadAll(Working()), "\r\n1\t2\r\n");
    EXPECT_EQ(ReadAll(ArchiveName()), Row(1) + "\r\n" + Row(3) + "\r\n");

    const QString source = tmp.path() + "/old.txt";
    WriteAll(source, Row(10) + "\r\n");
    prompts.answers = {false};
    prompts.fileAnswers = {source};
    EXPECT_TRUE(ReadTableFromArchive(ctx));
    EXPECT_EQ(prompts.questions,
              QStringList{QString::fromUtf8("Dane w bieżącej tabeli zostaną nadpisane danymi odczytanymi z archiwum.\n") +
                          drops + QString::fromUtf8("\nCzy przed odczytem zapisać bieżące dane do archiwum?")});
    EXPECT_EQ(ReadAll(Working()), Row(10) + "\r\n");
}

TEST_F(ArchiveTest, WorkingFileSurvivesAFullDiskWhileArchivingBeforeRead)
{
    const QByteArray content = Row(1) + "\r\n" + Row(2) + "\r\n" + Row(3) + "\r\n";
    WriteAll(Working(), content);
    LoadTable(Working(), table, filter);
    QDir().mkpath(archiveDir);
    const QString source = tmp.path() + "/old.txt";
    WriteAll(source, Row(10) + "\r\n");
    prompts.answers = {true};
    prompts.fileAnswers = {source};
    auto ctx = Ctx();
    bool changed = true;
    {
        FileSizeLimit limit(20);
        changed = ReadTableFromArchive(ctx);
    }
    EXPECT_FALSE(changed);
    EXPECT_EQ(prompts.MessageTexts(), QStringList{LineErrorMessage(ArchiveName(), 1)});
    EXPECT_EQ(ReadAll(Working()), content);
    EXPECT_EQ(table.RowCount(), 3);
}

TEST_F(ArchiveTest, AnEarlierArchiveOfTheSameSecondIsNeverOverwritten)
{
    ThreeRowsFiltered();
    const QByteArray working = ReadAll(Working());
    QDir().mkpath(archiveDir);
    WriteAll(ArchiveName(), "earlier\r\n");
    auto ctx = Ctx();

    prompts.answers = {true};
    EXPECT_FALSE(SaveTableToArchive(ctx));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{CreateErrorMessage(ArchiveName())});

    prompts.messages.clear();
    EXPECT_FALSE(DeleteTableData(ctx, {DeleteChoice::All, true}));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{CreateErrorMessage(ArchiveName())});
    EXPECT_EQ(table.RowCount(), 2);

    prompts.messages.clear();
    prompts.answers = {true};
    const QString source = tmp.path() + "/old.txt";
    WriteAll(source, Row(10) + "\r\n");
    prompts.fileAnswers = {source};
    EXPECT_FALSE(ReadTableFromArchive(ctx));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{CreateErrorMessage(ArchiveName())});

    EXPECT_EQ(ReadAll(ArchiveName()), QByteArray("earlier\r\n"));
    EXPECT_EQ(ReadAll(Working()), working);
}

TEST_F(ArchiveTest, EachWriteTellsTheJournalWhatTheActionWas)
{
    RecordingWriteHook hook;
    storage.SetWriteHook(&hook);
    auto ctx = Ctx();
    ThreeRowsFiltered();
    prompts.answers = {true};
    ASSERT_TRUE(QDir().mkpath(archiveDir));
    EXPECT_TRUE(SaveTableToArchive(ctx));
    const QString read = tmp.path() + "/read.txt";
    WriteAll(read, Row(9) + "\r\n");
    prompts.answers = {true};
    prompts.fileAnswers = {read};
    clock.AdvanceMs(1000);
    EXPECT_TRUE(ReadTableFromArchive(ctx));
    for (int mode : {DeleteChoice::Shown, DeleteChoice::AllButShown, DeleteChoice::All}) {
        clock.AdvanceMs(1000);
        ThreeRowsFiltered();
        EXPECT_TRUE(DeleteTableData(ctx, {mode, true}));
    }
    storage.SetWriteHook(nullptr);
    EXPECT_EQ(hook.writes, (QStringList{"archive none", "archive none", "rewrite reading " + read, "archive none",
                                        "purge delete range mode 1", "archive none", "purge delete range mode 2",
                                        "archive none", "rewrite delete range mode 0"}));
}
