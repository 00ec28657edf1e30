#include "tables/table_storage.h"

#include "core/file_messages.h"
#include "core/safe_file.h"
#include "core/user_prompts.h"
#include "tables/measurement_table.h"
#include "tables/table_storage_detail.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace table_storage_detail {

// Reads a whole table file as it was when opened. A missing file is `missing` (ok).
StorageResult ReadWhole(const QString &path, QByteArray &data, bool &missing)
{
    missing = false;
    switch (ReadRegularFile(path, data)) {
    case FileRead::Missing:
        missing = true;
        return {};
    case FileRead::Failed:
        return StorageResult::Failed(UnreadableFileMessage(path));
    case FileRead::Ok:
        break;
    }
    return {};
}

// The message for a failed rewrite of a working file through the temporary file.
StorageResult TempRewriteFailure(const SafeFileWriter &w, const QString &path)
{
    if (w.TargetRefused() || w.LastFailure() == SafeFileWriter::Failure::Commit)
        return StorageResult::Failed(WriteErrorMessage(path));
    const QString target = w.TargetPath().isEmpty() ? path : w.TargetPath();
    return StorageResult::Failed(TempFileErrorMessage(target.left(target.lastIndexOf(QLatin1Char('/')) + 1)));
}

// Writes the line with its own line end; a last line without one gets CR LF.
bool WriteSpan(SafeFileWriter &w, const QByteArray &data, const LineSpan &s)
{
    if (s.terminated)
        return w.Write(QByteArrayView(data.constData() + s.begin, s.next - s.begin));
    return w.Write(QByteArrayView(data.constData() + s.begin, s.end - s.begin)) && w.Write("\r\n");
}

// Records the change, then commits the rewrite; the hook hears whether the
// file took it. A refused record cancels the rewrite.
bool CommitRecorded(SafeFileWriter &w, HookedChange &hooked, StorageResult &refused)
{
    if (refused = hooked.Record(); !refused) {
        w.Cancel();
        return false;
    }
    const bool ok = w.Commit();
    hooked.Done(ok);
    return ok;
}

StorageResult CommitNewFile(SafeFileWriter &w, HookedChange &hooked, const QString &path)
{
    StorageResult refused;
    if (CommitRecorded(w, hooked, refused))
        return {};
    if (!refused)
        return refused;
    if (w.LastFailure() == SafeFileWriter::Failure::Line)
        return StorageResult::Failed(LineErrorMessage(path, w.FailedLine()));
    return StorageResult::Failed(WriteErrorMessage(path));
}

StorageResult WriteRows(const QString &path, const MeasurementTable &table, HookedChange &hooked)
{
    SafeFileWriter w(path);
    if (!w.Open())
        return StorageResult::Failed(CreateErrorMessage(path));
    hooked.Hash(w);
    for (int row = 0; row < table.RowCount(); ++row) {
        if (!w.WriteLine(table.LineView(row))) {
            w.Cancel();
            return StorageResult::Failed(LineErrorMessage(path, w.FailedLine()));
        }
    }
    return CommitNewFile(w, hooked, path);
}

}  // namespace table_storage_detail

using namespace table_storage_detail;

ActionScope::ActionScope(const TableStorage &storage, ActionInfo info) : storage_(storage), previous_(storage.action_)
{
    storage.action_ = std::move(info);
}

ActionScope::~ActionScope()
{
    storage_.action_ = std::move(previous_);
}

bool ReportFailure(const StorageResult &r, UserPrompts &prompts)
{
    if (!r.ok && !r.message.isEmpty())
        prompts.Error(r.message);
    return r.ok;
}

TableStorage::TableStorage(QString dataDir) : dataDir_(std::move(dataDir))
{
    if (!dataDir_.isEmpty() && !dataDir_.endsWith(QLatin1Char('/')))
        dataDir_ += QLatin1Char('/');
}

QString TableStorage::WorkingFile(int tableNumber) const
{
    return dataDir_ + QStringLiteral("pomiary%1.txt").arg(tableNumber);
}

QString TableStorage::AppendJournal(int tableNumber) const
{
    return WorkingFile(tableNumber) + QStringLiteral(".dopis");
}

QString TableStorage::TempFile() const
{
    return dataDir_ + QStringLiteral("pomiary_tmp.txt");
}

QString UnreadableFileMessage(const QString &path)
{
    return QStringLiteral("Nie można odczytać pliku z pomiarami \"") + path +
           QStringLiteral("\".\nCzytanie pliku zostało przerwane.");
}

QString TempFileErrorMessage(const QString &dataDir)
{
    return QStringLiteral("Błąd przy zapisie do pliku tymczasowego: ") + dataDir +
           QStringLiteral("pomiary_tmp.txt.\n") + DiskHint();
}

namespace {

// Journal: the working file's size before the append, "\n", the appended
// bytes with their CR LF. The bytes hold no CR or LF of their own, so the
// journal ends with CR LF only when it was written completely.
bool ParseJournal(const QByteArray &journal, qint64 &sizeBefore, QByteArray &bytes)
{
    const qsizetype nl = journal.indexOf('\n');
    if (nl <= 0 || !journal.endsWith("\r\n"))
        return false;
    bool ok = false;
    sizeBefore = journal.left(nl).toLongLong(&ok);
    if (!ok || sizeBefore < 0)
        return false;
    bytes = journal.mid(nl + 1);
    return true;
}

bool WriteJournal(const QString &journalPath, qint64 sizeBefore, const QByteArray &bytes)
{
    QFile j(journalPath);
    if (!j.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    const QByteArray content = QByteArray::number(sizeBefore) + '\n' + bytes;
    const bool ok = j.write(content) == content.size() && ::fsync(j.handle()) == 0;
    j.close();
    return ok && SyncFolderOf(journalPath);
}

}  // namespace

StorageResult RecoverInterruptedAppend(const TableStorage &storage, int tableNumber)
{
    const QString journalPath = storage.AppendJournal(tableNumber);
    QFile j(journalPath);
    if (!j.exists())
        return {};
    const QString path = storage.WorkingFile(tableNumber);
    if (!j.open(QIODevice::ReadOnly))
        return StorageResult::Failed(WriteErrorMessage(path));
    const QByteArray journal = j.readAll();
    j.close();
    qint64 sizeBefore = 0;
    QByteArray bytes;
    if (ParseJournal(journal, sizeBefore, bytes) && QFileInfo(path).size() >= sizeBefore) {
        // Redo: the same bytes at the same place, whether or not they got there.
        if (QFileInfo::exists(path) && !QFile::resize(path, sizeBefore))
            return StorageResult::Failed(WriteErrorMessage(path));
        bytes.chop(2);
        if (!AppendLineDurably(path, bytes))
            return StorageResult::Failed(WriteErrorMessage(path));
    }
    QFile::remove(journalPath);
    return {};
}

FileRead ReadWorkingFileRecovered(const TableStorage &storage, int tableNumber, QByteArray &data)
{
    const FileRead read = ReadRegularFile(storage.WorkingFile(tableNumber), data);
    if (read == FileRead::Failed)
        return read;
    QByteArray journal;
    if (ReadRegularFile(storage.AppendJournal(tableNumber), journal) != FileRead::Ok)
        return read;
    qint64 sizeBefore = 0;
    QByteArray bytes;
    // What RecoverInterruptedAppend would do, in memory.
    if (!ParseJournal(journal, sizeBefore, bytes) || data.size() < sizeBefore)
        return read;
    data.truncate(qsizetype(sizeBefore));
    data += bytes;
    return FileRead::Ok;
}

StorageResult AppendLine(const TableStorage &storage, int tableNumber, QByteArrayView line)
{
    if (StorageResult r = RecoverInterruptedAppend(storage, tableNumber); !r)
        return r;
    const QString path = storage.WorkingFile(tableNumber);
    QByteArray bytes;
    const qint64 sizeBefore = QFileInfo(path).size();
    if (sizeBefore > 0) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.seek(sizeBefore - 1)) {
            char last = 0;
            if (f.getChar(&last) && last != '\n' && last != '\r')
                bytes = "\r\n";
        }
    }
    bytes.append(line.data(), line.size());
    HookedChange hooked(storage, TableChange::Op::Append, tableNumber);
    if (hooked.Active()) {
        hooked.Change().line = line.toByteArray();
        hooked.Change().appended = bytes + "\r\n";
        if (StorageResult r = hooked.Record(); !r)
            return r;
    }
    const QString journal = storage.AppendJournal(tableNumber);
    const bool appended = WriteJournal(journal, sizeBefore, bytes + "\r\n") && AppendLineDurably(path, bytes);
    QFile::remove(journal);
    hooked.Done(appended);
    if (!appended)
        return StorageResult::Failed(WriteErrorMessage(path));
    return {};
}

StorageResult RewriteWorkingFile(const TableStorage &storage, const MeasurementTable &table)
{
    if (StorageResult r = RecoverInterruptedAppend(storage, table.number()); !r)
        return r;
    HookedChange hooked(storage, TableChange::Op::Rewrite, table.number());
    hooked.Change().rewritten = &table;
    hooked.Change().linesAfter = table.RowCount();
    return WriteRows(storage.WorkingFile(table.number()), table, hooked);
}
