// Archive files of the tables: written from the rows shown or copied from a
// working file, and their names.

#include "tables/table_storage.h"

#include "core/cp1250.h"
#include "core/file_messages.h"
#include "core/safe_file.h"
#include "tables/measurement_table.h"
#include "tables/table_storage_detail.h"

#include <QFileInfo>

using namespace table_storage_detail;

StorageResult WriteRowsTo(const QString &path, const MeasurementTable &table)
{
    return WriteRowsTo(TableStorage(QString()), path, table);
}

StorageResult WriteRowsTo(const TableStorage &storage, const QString &path, const MeasurementTable &table)
{
    // Archive names change once a second; an earlier archive is never written over.
    if (QFileInfo::exists(path))
        return StorageResult::Failed(CreateErrorMessage(path));
    HookedChange hooked(storage, TableChange::Op::Archive, table.number());
    hooked.Change().archivePath = path;
    hooked.Change().archiveLines = table.RowCount();
    hooked.Change().selection = "rows";
    return WriteRows(path, table, hooked);
}

StorageResult ArchiveWorkingFile(const TableStorage &storage, int tableNumber, const QString &path,
                                 LineSelection which, const DataFilter &filter, const ShownLines &alsoShown)
{
    if (StorageResult r = RecoverInterruptedAppend(storage, tableNumber); !r)
        return r;
    // Archive names change once a second; an earlier archive is never written over.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return StorageResult::Failed(CreateErrorMessage(path));
    const QString working = storage.WorkingFile(tableNumber);
    QByteArray data;
    bool missing = false;
    if (StorageResult r = ReadWhole(working, data, missing); !r)
        return r;
    SafeFileWriter w(path);
    if (!w.Open())
        return StorageResult::Failed(CreateErrorMessage(path));
    ShownMatcher matcher(filter, alsoShown);
    LineScanner scanner(data);
    LineSpan s;
    while (scanner.Next(s)) {
        const QByteArrayView line(data.constData() + s.begin, s.end - s.begin);
        if (which != LineSelection::All) {
            // The deletion that follows leaves invalid lines where they are.
            if (!CheckLine(line).valid || matcher.Matches(line) != (which == LineSelection::Matching))
                continue;
        }
        if (!w.WriteLine(line))
            return StorageResult::Failed(LineErrorMessage(path, w.FailedLine()));
    }
    HookedChange hooked(storage, TableChange::Op::Archive, tableNumber);
    hooked.Change().archivePath = path;
    hooked.Change().archiveLines = w.LinesWritten();
    hooked.Change().selection = which == LineSelection::All        ? "all"
                                : which == LineSelection::Matching ? "matching"
                                                                   : "not_matching";
    return CommitNewFile(w, hooked, path);
}

QString ArchiveFileName(const QString &archiveDir, int tableNumber, const QDateTime &now)
{
    return archiveDir + QStringLiteral("tab_%1_").arg(tableNumber) + now.toString(QStringLiteral("yyyyMMdd_hhmmss")) +
           QStringLiteral(".txt");
}

QString ArchiveDirFromSetting(QByteArrayView setting)
{
    QString dir = cp1250::Decode(setting);
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
