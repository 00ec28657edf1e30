#include "file_size_limit.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Row(int nr, const QByteArray &material = "Piasek", const QByteArray &time = "2024-05-17 14:03")
{
    return QByteArray::number(nr) + "\t" + time + "\t120.50\t(118.00)\t2.50\t0.50\t59.00\tWZ1\t" + material +
           "\tBig bag\tJAN\tFirma";
}

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        dataDir = tmp.path() + "/dane/";
        ASSERT_TRUE(QDir().mkpath(dataDir));
    }
    QString Working(int n = 1) const { return dataDir + QString("pomiary%1.txt").arg(n); }

    QTemporaryDir tmp;
    QString dataDir;
    TableStorage Storage() const { return TableStorage(dataDir); }
};

}  // namespace

TEST_F(StorageTest, FileNamesAndArchiveName)
{
    EXPECT_EQ(TableStorage(tmp.path() + "/dane").WorkingFile(3), tmp.path() + "/dane/pomiary3.txt");
    EXPECT_EQ(Storage().TempFile(), dataDir + "pomiary_tmp.txt");
    const QDateTime t(QDate(2024, 5, 17), QTime(14, 3, 12));
    EXPECT_EQ(ArchiveFileName("archiwum/", 2, t), QString("archiwum/tab_2_20240517_140312.txt"));
    EXPECT_EQ(ArchiveDirFromSetting("archiwum\\"), QString("archiwum/"));
    EXPECT_EQ(ArchiveDirFromSetting("D:\\dane\\arch"), QString("D:/dane/arch/"));
}

TEST_F(StorageTest, InvalidLineIsSkippedAndTheRowsAfterItAreRead)
{
    const QString path = Working();
    WriteAll(path, Row(1) + "\r\n" + Row(2) + "\r\n" + "a\tb\tc\td\te\tf\r\n" + Row(4) + "\r\n");
    MeasurementTable t(1);
    const LoadResult r = LoadTable(path, t, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.line, 3);
    EXPECT_EQ(r.validLines, 3);
    EXPECT_EQ(r.message, QString::fromUtf8("Błąd (5) w pliku z pomiarami \"") + path +
                             QString::fromUtf8("\", linia: 3\nNieprawidłowy format linii.\n"
                                               "Linię pominięto; pozostaje w pliku."));
    ASSERT_EQ(t.RowCount(), 3);
    EXPECT_EQ(t.Line(1), Row(2));
    EXPECT_EQ(t.Line(2), Row(4));
    EXPECT_FALSE(t.Mark(0));
}

TEST_F(StorageTest, ABlankLineLeftByAnEditorHidesNoLaterWeighing)
{
    MeasurementTable t(1);
    WriteAll(Working(), Row(1) + "\r\n" + Row(2) + "\r\n\r\n");
    ASSERT_TRUE(AppendLine(Storage(), 1, Row(3)).ok);
    LoadResult r = LoadTable(Working(), t, {});
    EXPECT_EQ(r.invalid, (QList<InvalidLine>{{3, -1}}));
    ASSERT_EQ(t.RowCount(), 3);
    EXPECT_EQ(t.Line(2), Row(3));

    WriteAll(Working(), Row(1) + "\r\nno tabs here\r\n");
    r = LoadTable(Working(), t, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(t.RowCount(), 1);
}

TEST_F(StorageTest, InvalidLinesMessageListsAtMostFiveFurtherLines)
{
    const QString head = QString::fromUtf8("Błąd (-1) w pliku z pomiarami \"p.txt\", linia: 2\nNieprawidłowy format linii.\n");
    const QString many = QString::fromUtf8("\nLinie pominięto; pozostają w pliku.");
    const struct {
        QList<InvalidLine> invalid;
        QString rest;
    } cases[] = {
        {{{2, -1}}, QString::fromUtf8("Linię pominięto; pozostaje w pliku.")},
        {{{2, -1}, {7, 3}}, QString::fromUtf8("… i w 1 kolejnej linii: 7 (kod 3)") + many},
        {{{2, -1}, {7, -1}, {9, 10}}, QString::fromUtf8("… i w 2 kolejnych liniach: 7 (kod -1), 9 (kod 10)") + many},
        {{{2, -1}, {3, 1}, {4, 2}, {5, 3}, {6, 4}, {7, 5}},
         QString::fromUtf8("… i w 5 kolejnych liniach: 3 (kod 1), 4 (kod 2), 5 (kod 3), 6 (kod 4), 7 (kod 5)") + many},
        {{{2, -1}, {3, 1}, {4, 2}, {5, 3}, {6, 4}, {7, 5}, {80, 0}},
         QString::fromUtf8("… i w 6 kolejnych liniach: 3 (kod 1), 4 (kod 2), 5 (kod 3), 6 (kod 4), 7 (kod 5), …") +
             many},
    };
    for (const auto &c : cases)
        EXPECT_EQ(InvalidLinesMessage("p.txt", c.invalid), head + c.rest) << c.invalid.size();
}

TEST_F(StorageTest, LineEndsAndExtraTabs)
{
    MeasurementTable t(1);
    // CR LF, LF and a lone CR all end a line; the last line needs no end.
    WriteAll(Working(), Row(1) + "\r\n" + Row(2) + "\n" + Row(3) + "\r" + Row(4) + "\tA\tB");
    LoadResult r = LoadTable(Working(), t, {});
    EXPECT_TRUE(r.ok) << r.message.toStdString();
    ASSERT_EQ(t.RowCount(), 4);
    EXPECT_EQ(t.Cell(2, ColNr), QByteArray("3"));
    EXPECT_EQ(t.Cell(3, ColCustomer), QByteArray("Firma\tA\tB"));

    // A missing file leaves the table empty, silently.
    r = LoadTable(dataDir + "none.txt", t, {});
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_EQ(t.RowCount(), 0);
}

TEST_F(StorageTest, LoadWithFilterAndLoadAll)
{
    WriteAll(Working(1), Row(1, "Piasek płukany") + "\r\n" + Row(2, "Żwir") + "\r\n" + Row(3, "PIASEK") + "\r\n");
    WriteAll(Working(4), "bad\r\n");
    // Table 5 after a crash mid-append: the line is completed before it is read.
    const QByteArray before = Row(7, "piasek") + "\r\n";
    WriteAll(Working(5), before + Row(8, "piasek").left(9));
    WriteAll(Storage().AppendJournal(5), QByteArray::number(before.size()) + "\n" + Row(8, "piasek") + "\r\n");
    DataFilter f;
    f.material = "piasek";
    TableSet set;
    const QList<StorageResult> failures = LoadAllTables(Storage(), set, f);
    ASSERT_EQ(set.Table(1).RowCount(), 2);
    EXPECT_EQ(set.Table(1).Cell(1, ColNr), QByteArray("3"));
    EXPECT_EQ(set.Table(2).RowCount(), 0);
    // The bad table 4 is reported, and table 5 after it is still read.
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].message.startsWith("Błąd (0) w pliku z pomiarami \"" + Working(4) + "\", linia: 1"));
    ASSERT_EQ(set.Table(5).RowCount(), 2);
    EXPECT_EQ(set.Table(5).Cell(1, ColNr), QByteArray("8"));
}

TEST_F(StorageTest, AppendCreatesAndNeverGluesToATornLastLine)
{
    const TableStorage s = Storage();
    EXPECT_TRUE(AppendLine(s, 2, Row(1)).ok);
    EXPECT_TRUE(AppendLine(s, 2, Row(2)).ok);
    EXPECT_EQ(ReadAll(Working(2)), Row(1) + "\r\n" + Row(2) + "\r\n");

    WriteAll(Working(3), Row(1) + "\r\n1\t2024");
    EXPECT_TRUE(AppendLine(s, 3, Row(2)).ok);
    EXPECT_EQ(ReadAll(Working(3)), Row(1) + "\r\n1\t2024\r\n" + Row(2) + "\r\n");

    const StorageResult r = AppendLine(TableStorage(tmp.path() + "/nowhere"), 1, Row(1));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, QString::fromUtf8("Błąd przy zapisie do pliku: ") + tmp.path() +
                             QString::fromUtf8("/nowhere/pomiary1.txt.\nBrak miejsca na dysku lub dysk "
                                               "zabezpieczony przed zapisem."));
}

TEST_F(StorageTest, RewriteAndWriteRowsTo)
{
    MeasurementTable t(1);
    t.AddLine(Row(1));
    t.AddLine(Row(2));
    WriteAll(Working(), "old content\r\n");
    ASSERT_TRUE(RewriteWorkingFile(Storage(), t).ok);
    EXPECT_EQ(ReadAll(Working()), Row(1) + "\r\n" + Row(2) + "\r\n");

    const QString archive = tmp.path() + "/archiwum/tab_1_20240517_140312.txt";
    const StorageResult r = WriteRowsTo(archive, t);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, QString::fromUtf8("Błąd (1) przy zapisie do pliku: ") + archive +
                             QString::fromUtf8(".\nBrak miejsca na dysku lub dysk zabezpieczony przed zapisem."));
    EXPECT_FALSE(QFile::exists(archive));
    EXPECT_EQ(LineErrorMessage("x.txt", 7),
              QString::fromUtf8("Błąd (2) przy zapisie do pliku: x.txt linia 7.\nBrak miejsca na dysku lub dysk "
                                "zabezpieczony przed zapisem."));

    MeasurementTable empty(1);
    ASSERT_TRUE(RewriteWorkingFile(Storage(), empty).ok);
    EXPECT_TRUE(QFile::exists(Working()));
    EXPECT_EQ(ReadAll(Working()), QByteArray());
}

TEST_F(StorageTest, ReplaceLineChangesOnlyTheFirstEqualLine)
{
    const TableStorage s = Storage();
    // Two identical rows, a hidden (filtered) one between them.
    WriteAll(Working(), Row(1) + "\r\n" + Row(7, "Hidden") + "\r\n" + Row(1) + "\r\n");
    ASSERT_TRUE(ReplaceLine(s, 1, Row(1), Row(1, "Żwir")).ok);
    EXPECT_EQ(ReadAll(Working()), Row(1, "Żwir") + "\r\n" + Row(7, "Hidden") + "\r\n" + Row(1) + "\r\n");

    ASSERT_TRUE(ReplaceLine(s, 1, Row(1), QByteArray()).ok);  // deletion
    EXPECT_EQ(ReadAll(Working()), Row(1, "Żwir") + "\r\n" + Row(7, "Hidden") + "\r\n");

    // Not there (edited outside, or an earlier write failed): said so, content unchanged.
    const StorageResult missing = ReplaceLine(s, 1, Row(99), Row(100));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, MissingLineMessage(Working()));
    EXPECT_EQ(ReadAll(Working()), Row(1, "Żwir") + "\r\n" + Row(7, "Hidden") + "\r\n");
    EXPECT_FALSE(QFile::exists(s.TempFile()));

    // A last line without its end gets one; a missing working file stays
    // missing, and the change that could not be stored is reported.
    WriteAll(Working(2), Row(1) + "\r\n" + Row(2));
    ASSERT_TRUE(ReplaceLine(s, 2, Row(1), Row(3)).ok);
    EXPECT_EQ(ReadAll(Working(2)), Row(3) + "\r\n" + Row(2) + "\r\n");
    EXPECT_FALSE(ReplaceLine(s, 3, Row(1), Row(3)).ok);
    EXPECT_FALSE(QFile::exists(Working(3)));
}

TEST_F(StorageTest, TemporaryFileThatCannotBeMadeLeavesTheWorkingFile)
{
    const TableStorage s = Storage();
    WriteAll(Working(), Row(1) + "\r\n");
    ASSERT_TRUE(QDir().mkpath(s.TempFile()));  // a folder in its place
    const QString expected = QString::fromUtf8("Błąd przy zapisie do pliku tymczasowego: ") + dataDir +
                             QString::fromUtf8("pomiary_tmp.txt.\nBrak miejsca na dysku lub dysk zabezpieczony "
                                               "przed zapisem.");
    StorageResult r = ReplaceLine(s, 1, Row(1), Row(2));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, expected);
    r = PurgeByFilter(s, 1, {}, false);
    EXPECT_EQ(r.message, expected);
    EXPECT_EQ(ReadAll(Working()), Row(1) + "\r\n");
}

TEST_F(StorageTest, PurgeByFilterKeepsHiddenOrShownLines)
{
    const TableStorage s = Storage();
    const QByteArray content = Row(1, "Piasek") + "\r\n" + Row(2, "Żwir") + "\r\n" + Row(3, "piasek") + "\r\n";
    DataFilter f;
    f.material = "PIASEK";
    WriteAll(Working(), content);
    ASSERT_TRUE(PurgeByFilter(s, 1, f, true).ok);
    EXPECT_EQ(ReadAll(Working()), Row(1, "Piasek") + "\r\n" + Row(3, "piasek") + "\r\n");
    WriteAll(Working(), content);
    ASSERT_TRUE(PurgeByFilter(s, 1, f, false).ok);
    EXPECT_EQ(ReadAll(Working()), Row(2, "Żwir") + "\r\n");
    // An empty filter matches everything.
    WriteAll(Working(), content);
    ASSERT_TRUE(PurgeByFilter(s, 1, {}, true).ok);
    EXPECT_EQ(ReadAll(Working()), content);
    ASSERT_TRUE(PurgeByFilter(s, 1, {}, false).ok);
    EXPECT_EQ(ReadAll(Working()), QByteArray());
}

// Invalid lines are no rows: every rewrite of chosen lines leaves them where
// they stand, and only a copy of the whole file takes them along.
TEST_F(StorageTest, InvalidLinesStayThroughEveryLineRewrite)
{
    const TableStorage s = Storage();
    const QByteArray blank = "\r\n", tabs = "1\t2\r\n";
    const QByteArray content =
        Row(1, "Piasek") + "\r\n" + blank + Row(2, "Żwir") + "\r\n" + tabs + Row(3, "piasek") + "\r\n" + blank;
    DataFilter f;
    f.material = "PIASEK";
    const struct {
        const char *what;
        std::function<StorageResult()> run;
        QByteArray expected;
    } cases[] = {
        {"edit", [&] { return ReplaceLine(s, 1, Row(2, "Żwir"), Row(2, "Glina")); },
         Row(1, "Piasek") + "\r\n" + blank + Row(2, "Glina") + "\r\n" + tabs + Row(3, "piasek") + "\r\n" + blank},
        {"delete", [&] { return ReplaceLine(s, 1, Row(3, "piasek"), {}); },
         Row(1, "Piasek") + "\r\n" + blank + Row(2, "Żwir") + "\r\n" + tabs + blank},
        {"range edit",
         [&] { return ReplaceLines(s, 1, {{Row(1, "Piasek"), Row(1, "X")}, {Row(3, "piasek"), Row(3, "X")}}); },
         Row(1, "X") + "\r\n" + blank + Row(2, "Żwir") + "\r\n" + tabs + Row(3, "X") + "\r\n" + blank},
        {"purge keeping matching", [&] { return PurgeByFilter(s, 1, f, true); },
         Row(1, "Piasek") + "\r\n" + blank + tabs + Row(3, "piasek") + "\r\n" + blank},
        {"purge keeping the others", [&] { return PurgeByFilter(s, 1, f, false); },
         blank + Row(2, "Żwir") + "\r\n" + tabs + blank},
    };
    for (const auto &c : cases) {
        WriteAll(Working(), content);
        const StorageResult r = c.run();
        EXPECT_TRUE(r.ok) << c.what << ": " << r.message.toStdString();
        EXPECT_EQ(ReadAll(Working()), c.expected) << c.what;
    }

    WriteAll(Working(), content);
    const QString all = tmp.path() + "/all.txt", matching = tmp.path() + "/matching.txt";
    ASSERT_TRUE(ArchiveWorkingFile(s, 1, all).ok);
    EXPECT_EQ(ReadAll(all), content);
    ASSERT_TRUE(ArchiveWorkingFile(s, 1, matching, LineSelection::Matching, f).ok);
    EXPECT_EQ(ReadAll(matching), Row(1, "Piasek") + "\r\n" + Row(3, "piasek") + "\r\n");
    EXPECT_EQ(InvalidLineCount(s, 1), 3);
    EXPECT_EQ(InvalidLineCount(s, 2), 0);  // no file
}

TEST_F(StorageTest, ReadErrorNamesAPathWithPercentSignsAsItIs)
{
    const QString path = dataDir + "tab_%2_%1.txt";
    WriteAll(path, Row(1) + "\r\n" + "a\tb\r\n");
    MeasurementTable t(1);
    const LoadResult r = LoadTable(path, t, {});
    EXPECT_EQ(r.message, QString::fromUtf8("Błąd (1) w pliku z pomiarami \"") + path +
                             QString::fromUtf8("\", linia: 2\nNieprawidłowy format linii.\n"
                                               "Linię pominięto; pozostaje w pliku."));
}

TEST_F(StorageTest, UnreadableOrSpecialFileLeavesTheTableAsItWas)
{
    MeasurementTable t(1);
    t.AddLine(Row(1));
    const QString folder = dataDir + "folder.txt";  // exists, but cannot be read as a file
    ASSERT_TRUE(QDir().mkpath(folder));
    // A FIFO would block an ordinary open; /dev/zero never ends.
    const QString fifo = dataDir + "fifo.txt";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {folder, fifo, QString("/dev/zero")}) {
        const LoadResult r = LoadTable(path, t, {});
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.readFailed);
        EXPECT_EQ(r.message, QString::fromUtf8("Nie można odczytać pliku z pomiarami \"") + path +
                                 QString::fromUtf8("\".\nCzytanie pliku zostało przerwane."));
        ASSERT_EQ(t.RowCount(), 1);
        EXPECT_EQ(t.Line(0), Row(1));
    }
    // A working file that is a link to a device is neither read nor replaced.
    ASSERT_TRUE(QFile::link("/dev/zero", Working(2)));
    EXPECT_EQ(ReplaceLine(Storage(), 2, Row(1), Row(2)).message, UnreadableFileMessage(Working(2)));
    EXPECT_EQ(PurgeByFilter(Storage(), 2, {}, true).message, UnreadableFileMessage(Working(2)));
}

TEST_F(StorageTest, RewritesKeepALinkAndTheFileModeAndRefuseAWriteProtectedFile)
{
    const TableStorage s = Storage();
    // The working file links, relatively, to a file in another folder.
    const QString elsewhere = tmp.path() + "/gdzie_indziej/";
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const QString target = elsewhere + "tabela1.txt";
    WriteAll(target, Row(1) + "\r\n" + Row(2, "Żwir") + "\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    ASSERT_EQ(::symlink("../gdzie_indziej/tabela1.txt", QFile::encodeName(Working()).constData()), 0);
    const auto unchangedIdentity = [&] {
        EXPECT_EQ(QFileInfo(Working()).symLinkTarget(), target);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        // No temporary left, here or there.
        EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files), QStringList{"tabela1.txt"});
        EXPECT_EQ(QDir(dataDir).entryList(QDir::Files), QStringList{"pomiary1.txt"});
    };

    ASSERT_TRUE(ReplaceLine(s, 1, Row(1), Row(3)).ok);
    EXPECT_EQ(ReadAll(target), Row(3) + "\r\n" + Row(2, "Żwir") + "\r\n");
    unchangedIdentity();
    DataFilter f;
    f.material = "WIR";
    ASSERT_TRUE(PurgeByFilter(s, 1, f, true).ok);
    EXPECT_EQ(ReadAll(target), Row(2, "Żwir") + "\r\n");
    unchangedIdentity();
    MeasurementTable t(1);
    t.AddLine(Row(4));
    ASSERT_TRUE(RewriteWorkingFile(s, t).ok);
    EXPECT_EQ(ReadAll(target), Row(4) + "\r\n");
    unchangedIdentity();

    // Write-protected (also for root): every writer refuses it and it stays.
    const QByteArray content = Row(1) + "\r\n";
    WriteAll(Working(2), content);
    ASSERT_TRUE(QFile::setPermissions(Working(2), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    EXPECT_EQ(ReplaceLine(s, 2, Row(1), Row(3)).message, WriteErrorMessage(Working(2)));
    EXPECT_EQ(PurgeByFilter(s, 2, {}, false).message, WriteErrorMessage(Working(2)));
    t.setNumber(2);
    EXPECT_EQ(RewriteWorkingFile(s, t).message, CreateErrorMessage(Working(2)));
    EXPECT_EQ(AppendLine(s, 2, Row(5)).message, WriteErrorMessage(Working(2)));
    EXPECT_EQ(ReadAll(Working(2)), content);
    EXPECT_FALSE(QFile::exists(s.TempFile()));
}

TEST_F(StorageTest, LineErrorNamesTheLineThatDidNotFitOnTheDisk)
{
    MeasurementTable t(1);
    for (int nr = 1001; nr <= 2000; ++nr)  // lines of one length
        t.AddLine(Row(nr));
    const qint64 lineBytes = Row(1001).size() + 2;
    // The limit cuts line 301 in its middle, then falls just after line 300.
    for (const qint64 limit : {300 * lineBytes + lineBytes / 2, 300 * lineBytes}) {
        StorageResult r;
        {
            FileSizeLimit disk(limit);
            r = RewriteWorkingFile(Storage(), t);
        }
        EXPECT_EQ(r.message, LineErrorMessage(Working(), 301)) << limit;
        EXPECT_FALSE(QFile::exists(Working()));
        EXPECT_TRUE(QDir(dataDir).entryList(QDir::Files).isEmpty());  // no cut temporary left
    }
}

TEST_F(StorageTest, AppendThatFillsTheDiskLeavesTheFileAsItWas)
{
    const TableStorage s = Storage();
    const QByteArray before = Row(1) + "\r\n1\t2024";  // a torn last line gets its end first
    WriteAll(Working(), before);
    StorageResult r;
    {
        FileSizeLimit limit(before.size() + 20);
        r = AppendLine(s, 1, Row(2));
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, WriteErrorMessage(Working()));
    EXPECT_EQ(ReadAll(Working()), before);
    // The next append is whole and not glued to a cut piece.
    ASSERT_TRUE(AppendLine(s, 1, Row(3)).ok);
    EXPECT_EQ(ReadAll(Working()), before + "\r\n" + Row(3) + "\r\n");
}

TEST_F(StorageTest, InterruptedAppendIsCompletedAndACutJournalIsDropped)
{
    const TableStorage s = Storage();
    const QByteArray before = Row(1) + "\r\n";
    const QByteArray appended = Row(2) + "\r\n";
    const QByteArray journal = QByteArray::number(before.size()) + "\n" + appended;

    // Killed while the line was being written: a cut piece of it on disk.
    WriteAll(Working(), before + appended.left(17));
    WriteAll(s.AppendJournal(1), journal);
    ASSERT_TRUE(RecoverInterruptedAppend(s, 1).ok);
    EXPECT_EQ(ReadAll(Working()), before + appended);
    EXPECT_FALSE(QFile::exists(s.AppendJournal(1)));

    // Killed after the line was written but before the journal went: the redo changes nothing.
    WriteAll(s.AppendJournal(1), journal);
    ASSERT_TRUE(RecoverInterruptedAppend(s, 1).ok);
    EXPECT_EQ(ReadAll(Working()), before + appended);

    // Killed while the journal itself was written: the append never began.
    WriteAll(Working(), before);
    WriteAll(s.AppendJournal(1), journal.left(journal.size() - 1));
    ASSERT_TRUE(RecoverInterruptedAppend(s, 1).ok);
    EXPECT_EQ(ReadAll(Working()), before);
    EXPECT_FALSE(QFile::exists(s.AppendJournal(1)));

    // The first line of a new table: there was no working file yet.
    QFile::remove(Working(2));
    WriteAll(s.AppendJournal(2), "0\n" + appended);
    ASSERT_TRUE(RecoverInterruptedAppend(s, 2).ok);
    EXPECT_EQ(ReadAll(Working(2)), appended);
}

TEST_F(StorageTest, EveryChangeOfTheFileFinishesAnInterruptedAppendFirst)
{
    const TableStorage s = Storage();
    const QByteArray before = Row(1) + "\r\n";
    WriteAll(Working(), before + Row(2).left(5));
    WriteAll(s.AppendJournal(1), QByteArray::number(before.size()) + "\n" + Row(2) + "\r\n");
    ASSERT_TRUE(AppendLine(s, 1, Row(3)).ok);
    EXPECT_EQ(ReadAll(Working()), before + Row(2) + "\r\n" + Row(3) + "\r\n");
    EXPECT_FALSE(QFile::exists(s.AppendJournal(1)));

    WriteAll(Working(), before + Row(2).left(5));
    WriteAll(s.AppendJournal(1), QByteArray::number(before.size()) + "\n" + Row(2) + "\r\n");
    ASSERT_TRUE(ReplaceLine(s, 1, Row(1), Row(3)).ok);
    EXPECT_EQ(ReadAll(Working()), Row(3) + "\r\n" + Row(2) + "\r\n");
}

TEST_F(StorageTest, NextNumberInFileReadsFromTheEnd)
{
    const TableStorage s = Storage();
    EXPECT_EQ(NextNumberInFile(s, 1), QByteArray("1"));  // no file
    WriteAll(Working(), QByteArray());
    EXPECT_EQ(NextNumberInFile(s, 1), QByteArray("1"));

    // Unnumbered, blank and invalid lines at the end are passed over; a last
    // line without its end counts.
    const QByteArray unnumbered = "\t2024-05-17 14:03\t1.00\t1.00\t0.00\t0.00\t0.00\t\t\t\t\t";
    WriteAll(Working(), Row(7) + "\r\n" + Row(12) + "\r\n" + unnumbered + "\r\n\r\n12\tbroken\n" + unnumbered);
    EXPECT_EQ(NextNumberInFile(s, 1), QByteArray("13"));
    WriteAll(Working(), Row(7) + "\n" + Row(99999999) + "\r");
    EXPECT_EQ(NextNumberInFile(s, 1), QByteArray("100000000"));
    WriteAll(Working(), unnumbered + "\r\n");
    EXPECT_EQ(NextNumberInFile(s, 1), QByteArray("1"));

    // Lines longer than the piece read at a time, across its edges.
    const QByteArray longCustomer(100000, 'x');
    QByteArray big;
    for (int nr = 1; nr <= 30; ++nr)
        big += Row(nr) + longCustomer.left(nr * 3000) + "\r\n";
    WriteAll(Working(), big + unnumbered + longCustomer + "\r\n");
    EXPECT_EQ(NextNumberInFile(s, 1), QByteArray("31"));

    // A folder in its place cannot be read.
    ASSERT_TRUE(QDir().mkpath(Working(2)));
    EXPECT_FALSE(NextNumberInFile(s, 2).has_value());
}
