#include "app/disk_space.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <limits>

namespace {

TEST(DiskSpace, RealFolderAgainstTheMinimum)
{
    QTemporaryDir dir;
    EXPECT_EQ(CheckFreeSpace(dir.path(), 1), DiskSpaceCheck::Enough);
    EXPECT_EQ(CheckFreeSpace(dir.path(), std::numeric_limits<qint64>::max()), DiskSpaceCheck::Low);
    EXPECT_EQ(CheckFreeSpace(dir.filePath(QStringLiteral("brak/folderu"))), DiskSpaceCheck::QueryFailed);
}

TEST(DiskSpace, MinimumIsInclusiveAndNegativeAnswersAreLow)
{
    EXPECT_EQ(ClassifyFreeSpace(true, 1000000, 1000000), DiskSpaceCheck::Enough);
    EXPECT_EQ(ClassifyFreeSpace(true, 999999, 1000000), DiskSpaceCheck::Low);
    EXPECT_EQ(ClassifyFreeSpace(true, -1, 0), DiskSpaceCheck::Low);
    EXPECT_EQ(ClassifyFreeSpace(false, 5000000, 1000000), DiskSpaceCheck::QueryFailed);
}

TEST(DiskSpace, MessageTexts)
{
    EXPECT_EQ(LowDiskSpaceMessage(), QString::fromUtf8("Zbyt mało wolnego miejsca na dysku!\nProgram potrzebuje około "
                                                       "1MB wolnej przestrzeni do prawidłowego funkcjonowania."));
    EXPECT_EQ(DiskQueryFailedMessage(),
              QString::fromUtf8("Błąd przy próbie sprawdzania ilości wolnego miejsca na dysku."));
}

}  // namespace
