#pragma once

// The start-up check of free space on the drive of the working folder.

#include <QString>

enum class DiskSpaceCheck { Enough, Low, QueryFailed };

// Free space available to this user on the drive holding `dir`. A query
// that cannot be made (no such folder, drive not ready) is QueryFailed; a
// negative answer counts as Low.
DiskSpaceCheck CheckFreeSpace(const QString &dir, qint64 minimumBytes = 1000000);

// The rule itself, apart from the system query.
DiskSpaceCheck ClassifyFreeSpace(bool queryOk, qint64 bytesAvailable, qint64 minimumBytes);

// Warning box text for Low.
QString LowDiskSpaceMessage();
// Error box text for QueryFailed.
QString DiskQueryFailedMessage();
