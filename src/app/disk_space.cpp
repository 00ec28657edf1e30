#include "app/disk_space.h"

#include <QStorageInfo>

DiskSpaceCheck ClassifyFreeSpace(bool queryOk, qint64 bytesAvailable, qint64 minimumBytes)
{
    if (!queryOk)
        return DiskSpaceCheck::QueryFailed;
    if (bytesAvailable < 0 || bytesAvailable < minimumBytes)
        return DiskSpaceCheck::Low;
    return DiskSpaceCheck::Enough;
}

DiskSpaceCheck CheckFreeSpace(const QString &dir, qint64 minimumBytes)
{
    const QStorageInfo storage(dir);
    return ClassifyFreeSpace(storage.isValid() && storage.isReady(), storage.bytesAvailable(), minimumBytes);
}

QString LowDiskSpaceMessage()
{
    return QStringLiteral("Zbyt mało wolnego miejsca na dysku!\nProgram potrzebuje około 1MB wolnej przestrzeni do "
                          "prawidłowego funkcjonowania.");
}

QString DiskQueryFailedMessage()
{
    return QStringLiteral("Błąd przy próbie sprawdzania ilości wolnego miejsca na dysku.");
}
