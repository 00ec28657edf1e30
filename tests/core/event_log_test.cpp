#include "core/event_log.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QByteArray kHeader = "hh:mm;ss,sss;gprotocol;strdisp\r\n";

class EventLogTest : public ::testing::Test {
protected:
    QString Path() const { return dir_.filePath(QStringLiteral("log.txt")); }

    QTemporaryDir dir_;
    ManualClock clock_{QDateTime(QDate(2024, 5, 17), QTime(14, 3, 27))};
};

TEST_F(EventLogTest, FirstEntryCreatesTheFileWithItsHeader)
{
    EventLog log(Path(), clock_);
    log.enabled = true;
    log.LogEvent(0, "ST,GS,+0012.50kg");
    EXPECT_EQ(ReadAll(Path()), kHeader + "2024-05-17 14:030\tST,GS,+0012.50kg\r\n");

    // Later entries append; the header is not repeated, empty lines are logged too.
    clock_.Set(QDateTime(QDate(2024, 12, 1), QTime(9, 5, 59)));
    log.LogEvent(3, "online");
    log.LogEvent(0, "");
    EXPECT_EQ(ReadAll(Path()), kHeader + "2024-05-17 14:030\tST,GS,+0012.50kg\r\n"
                                         "2024-12-01 09:053\tonline\r\n"
                                         "2024-12-01 09:050\t\r\n");
}

TEST_F(EventLogTest, ExistingFileGetsNoHeaderAndBytesPassUnchanged)
{
    ASSERT_TRUE(WriteAll(Path(), "stare\r\n"));
    EventLog log(Path(), clock_);
    log.enabled = true;
    log.LogEvent(12, "\xA3\xF3\x64\x9F");
    EXPECT_EQ(ReadAll(Path()), "stare\r\n2024-05-17 14:0312\t\xA3\xF3\x64\x9F\r\n");
}

TEST_F(EventLogTest, AddCodeIsThreeForTheFirstRecordAfterAnAdd)
{
    EventLog log(Path(), clock_);
    log.enabled = true;
    EXPECT_EQ(log.lastAddCode, 0);
    log.NoteAddAction();
    log.LogEvent(3, "online");
    log.LogEvent(log.TakeAddCodeForRecord(), "17");
    log.LogEvent(log.TakeAddCodeForRecord(), "18");
    EXPECT_EQ(ReadAll(Path()), kHeader + "2024-05-17 14:033\tonline\r\n"
                                         "2024-05-17 14:033\t17\r\n"
                                         "2024-05-17 14:030\t18\r\n");
}

TEST_F(EventLogTest, OffWritesNothingButStillTracksTheAddCode)
{
    EventLog log(Path(), clock_);
    log.LogEvent(0, "linia");
    log.NoteAddAction();
    EXPECT_FALSE(QFile::exists(Path()));
    EXPECT_EQ(log.TakeAddCodeForRecord(), 3);
    EXPECT_EQ(log.TakeAddCodeForRecord(), 0);
}

TEST_F(EventLogTest, UnwritablePathIsIgnored)
{
    EventLog log(dir_.filePath(QStringLiteral("brak/log.txt")), clock_);
    log.enabled = true;
    log.LogEvent(0, "linia");
    EXPECT_FALSE(QFile::exists(log.Path()));

    EventLog onDir(dir_.path(), clock_);  // a folder where the file should be
    onDir.enabled = true;
    onDir.LogEvent(0, "linia");
    EXPECT_TRUE(QFileInfo(dir_.path()).isDir());
}

}  // namespace
