#include "tables/table_storage.h"

#include "core/cp1250.h"
#include "core/file_messages.h"
#include "core/safe_file.h"
#include "core/user_prompts.h"
#include "tables/measurement_record.h"
#include "tables/line_scanner.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace {

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


const char *const kTempName = "pomiary_tmp.txt";

// The message for a failed rewrite of a working file through the temporary file.
StorageResult TempRewriteFailure(const SafeFileWriter &w, const QString &path)
{
    if (w.TargetRefused() || w.LastFailure() == SafeFileWriter::Failure::Commit)
        return StorageResult::Failed(WriteErrorMessage(path));
    const QString target = w.TargetPath().isEmpty() ? path : w.TargetPath();
    return StorageResult::Failed(TempFileErrorMessage(target.left(target.lastIndexOf(QLatin1Char('/')) + 1)));
}

// Calls onLine(span, line, valid) for each line of `data` in order. The
// invalid lines are listed in the result, which then carries their message
// naming `path`.
template <typename OnLine>
LoadResult ForEachLine(const QByteArray &data, const QString &path, OnLine &&onLine)
{
    LoadResult result;
    LineScanner scanner(data);
    LineSpan s;
    int lineNumber = 0;
    while (scanner.Next(s)) {
        ++lineNumber;
        const QByteArrayView line(data.constData() + s.begin, s.end - s.begin);
        const LineCheck check = CheckLine(line);
        if (check.valid)
            ++result.validLines;
        else
            result.invalid.append({lineNumber, check.code});
        onLine(s, line, check.valid);
    }
    if (!result.invalid.isEmpty()) {
        result.ok = false;
        result.line = result.invalid.first().line;
        result.code = result.invalid.first().code;
        result.message = InvalidLinesMessage(path, result.invalid);
    }
    return result;
}

// Writes the line with its own line end; a last line without one gets CR LF.
bool WriteSpan(SafeFileWriter &w, const QByteArray &data, const LineSpan &s)
{
    if (s.terminated)
        return w.Write(QByteArrayView(data.constData() + s.begin, s.next - s.begin));
    return w.Write(QByteArrayView(data.constData() + s.begin, s.end - s.begin)) && w.Write("\r\n");
}

// A write told to the storage's hook, when it has one: Begin before anything
// is written (so the rewrite can be hashed), Record before the file changes,
// Done once it is known whether it did.
class HookedChange {
public:
    HookedChange(const TableStorage &storage, TableChange::Op op, int table) : hook_(storage.WriteHook())
    {
        action_ = storage.CurrentAction();
        change_.op = op;
        change_.table = table;
    }
    ~HookedChange()
    {
        if (recorded_)
            hook_->Written(change_, false);
    }
    HookedChange(const HookedChange &) = delete;
    HookedChange &operator=(const HookedChange &) = delete;

    bool Active() const { return hook_ != nullptr; }
    TableChange &Change() { return change_; }
    // Hashes what `w` writes from now on, when the hook wants it.
    void Hash(SafeFileWriter &w)
    {
        if (hook_ && hook_->WantsDigest(action_)) {
            change_.hasDigest = true;
            w.DigestInto(&change_.digest);
        }
    }
    StorageResult Record()
    {
        if (!hook_)
            return {};
        StorageResult r = hook_->Record(change_, action_);
        recorded_ = r.ok;
        return r;
    }
    void Done(bool applied)
    {
        if (recorded_)
            hook_->Written(change_, applied);
        recorded_ = false;
    }

private:
    TableWriteHook *hook_;
    ActionInfo action_;
    TableChange change_;
    bool recorded_ = false;
};

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

}  // namespace

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

QString InvalidLinesMessage(const QString &path, const QList<InvalidLine> &invalid)
{
    if (invalid.isEmpty())
        return {};
    constexpr qsizetype kListed = 5;
    const InvalidLine &first = invalid.first();
    // One pass: a '%' in the path is not taken as a place marker.
    QString text = QStringLiteral("Błąd (%1) w pliku z pomiarami \"%2\", linia: %3\nNieprawidłowy format linii.\n")
                       .arg(QString::number(first.code), path, QString::number(first.line));
    if (invalid.size() == 1)
        return text + QStringLiteral("Linię pominięto; pozostaje w pliku.");
    const qsizetype more = invalid.size() - 1;
    QStringList listed;
    for (qsizetype i = 1; i < invalid.size() && i <= kListed; ++i)
        listed << QStringLiteral("%1 (kod %2)").arg(invalid[i].line).arg(invalid[i].code);
    if (more > kListed)
        listed << QStringLiteral("…");
    text += more == 1 ? QStringLiteral("… i w 1 kolejnej linii: ")
                      : QStringLiteral("… i w %1 kolejnych liniach: ").arg(more);
    return text + listed.join(QStringLiteral(", ")) + QStringLiteral("\nLinie pominięto; pozostają w pliku.");
}

QString ReadErrorMessage(int code, const QString &path, int lineNumber)
{
    return InvalidLinesMessage(path, {{lineNumber, code}});
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

LoadResult LoadTable(const QString &path, MeasurementTable &table, const DataFilter &filter)
{
    QByteArray data;
    bool missing = false;
    if (StorageResult r = ReadWhole(path, data, missing); !r) {
        // Nothing was read: the rows stay, so nothing can write an empty table over good data.
        LoadResult result;
        result.ok = false;
        result.readFailed = true;
        result.message = r.message;
        return result;
    }
    if (missing) {
        table.Clear();
        return {};
    }
    const FilterMatcher matcher(filter);
    std::vector<MeasurementTable::Span> spans;
    spans.reserve(size_t(data.size() / 96 + 16));
    LoadResult result = ForEachLine(data, path, [&](const LineSpan &s, QByteArrayView line, bool valid) {
        if (valid && matcher.Matches(line))
            spans.push_back({s.begin, s.end - s.begin});
    });
    spans.shrink_to_fit();
    table.Assign(std::move(data), std::move(spans));
    return result;
}

QList<StorageResult> LoadAllTables(const TableStorage &storage, TableSet &tables, const DataFilter &filter)
{
    QList<StorageResult> failures;
    for (int n = 1; n <= kTableCount; ++n) {
        // The file is read only once a cut-short append is whole again.
        if (StorageResult r = RecoverInterruptedAppend(storage, n); !r)
            failures.append(r);
        else if (LoadResult l = LoadTable(storage.WorkingFile(n), tables.Table(n), filter); !l)
            failures.append(l);
    }
    return failures;
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

namespace {

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
    StorageResult refused;
    if (!CommitRecorded(w, hooked, refused)) {
        if (!refused)
            return refused;
        if (w.LastFailure() == SafeFileWriter::Failure::Line)
            return StorageResult::Failed(LineErrorMessage(path, w.FailedLine()));
        return StorageResult::Failed(WriteErrorMessage(path));
    }
    return {};
}

}  // namespace

StorageResult RewriteWorkingFile(const TableStorage &storage, const MeasurementTable &table)
{
    if (StorageResult r = RecoverInterruptedAppend(storage, table.number()); !r)
        return r;
    HookedChange hooked(storage, TableChange::Op::Rewrite, table.number());
    hooked.Change().rewritten = &table;
    hooked.Change().linesAfter = table.RowCount();
    return WriteRows(storage.WorkingFile(table.number()), table, hooked);
}

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

std::optional<QByteArray> NextNumberInFile(const TableStorage &storage, int tableNumber)
{
    RecoverInterruptedAppend(storage, tableNumber);
    const QString path = storage.WorkingFile(tableNumber);
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArray("1");
    if (!info.isFile())
        return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    constexpr qint64 kChunk = 64 * 1024;
    qint64 end = f.size();
    QByteArray carry;  // the end part of a line that began in an earlier chunk
    while (end > 0) {
        const qint64 begin = std::max<qint64>(0, end - kChunk);
        if (!f.seek(begin))
            return std::nullopt;
        QByteArray chunk = f.read(end - begin);
        if (chunk.size() != end - begin)
            return std::nullopt;
        chunk += carry;
        qsizetype stop = chunk.size();
        for (;;) {
            const qsizetype from = stop - 1;
            const qsizetype cut = from < 0 ? -1 : std::max(chunk.lastIndexOf('\n', from), chunk.lastIndexOf('\r', from));
            if (cut < 0 && begin > 0) {
                carry = chunk.left(stop);
                break;
            }
            const QByteArrayView line(chunk.constData() + cut + 1, stop - cut - 1);
            if (CheckLine(line).valid)
                if (std::optional<QByteArray> next = NumberAfter(FieldView(line, ColNr)))
                    return next;
            if (cut < 0)
                return QByteArray("1");
            stop = cut;
        }
        end = begin;
    }
    return QByteArray("1");
}

bool HoldsAnyLine(const TableStorage &storage, int tableNumber)
{
    RecoverInterruptedAppend(storage, tableNumber);
    return QFileInfo(storage.WorkingFile(tableNumber)).size() > 0;
}

int InvalidLineCount(const TableStorage &storage, int tableNumber)
{
    QByteArray data;
    if (ReadWorkingFileRecovered(storage, tableNumber, data) != FileRead::Ok)
        return 0;
    return int(ForEachLine(data, QString(), [](const LineSpan &, QByteArrayView, bool) {}).invalid.size());
}

namespace {

// The filter's match, with the rows shown although they do not match it
// counted as matching, each once per time it stands in the table.
class ShownMatcher {
public:
    ShownMatcher(const DataFilter &filter, ShownLines alsoShown) : matcher_(filter), alsoShown_(std::move(alsoShown)) {}
    bool Matches(QByteArrayView line)
    {
        if (matcher_.Matches(line))
            return true;
        if (alsoShown_.isEmpty())
            return false;
        const auto it = alsoShown_.find(line.toByteArray());
        if (it == alsoShown_.end() || *it <= 0)
            return false;
        --*it;
        return true;
    }

private:
    FilterMatcher matcher_;
    ShownLines alsoShown_;
};

}  // namespace

ShownLines ShownButNotMatching(const MeasurementTable &table, const DataFilter &filter)
{
    ShownLines shown;
    const FilterMatcher matcher(filter);
    if (matcher.PassesAll())
        return shown;
    for (int row = 0; row < table.RowCount(); ++row)
        if (!matcher.Matches(table.LineView(row)))
            ++shown[table.Line(row)];
    return shown;
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
    StorageResult refused;
    if (!CommitRecorded(w, hooked, refused)) {
        if (!refused)
            return refused;
        if (w.LastFailure() == SafeFileWriter::Failure::Line)
            return StorageResult::Failed(LineErrorMessage(path, w.FailedLine()));
        return StorageResult::Failed(WriteErrorMessage(path));
    }
    return {};
}

static StorageResult MissingLine(const QString &path)
{
    StorageResult r = StorageResult::Failed(MissingLineMessage(path));
    r.lineMissing = true;
    return r;
}

// Table N's working file whole, for a line replace: a cut-short append is
// completed first; a missing file is reported, since the change could not be stored.
static StorageResult ReadForReplace(const TableStorage &storage, int tableNumber, QByteArray &data)
{
    if (StorageResult r = RecoverInterruptedAppend(storage, tableNumber); !r)
        return r;
    const QString path = storage.WorkingFile(tableNumber);
    bool missing = false;
    if (StorageResult r = ReadWhole(path, data, missing); !r)
        return r;
    if (missing)
        return MissingLine(path);
    return {};
}

StorageResult ReplaceLine(const TableStorage &storage, int tableNumber, QByteArrayView oldLine,
                          QByteArrayView newLine)
{
    const QString path = storage.WorkingFile(tableNumber);
    QByteArray data;
    if (StorageResult r = ReadForReplace(storage, tableNumber, data); !r)
        return r;
    SafeFileWriter w(path, QString::fromLatin1(kTempName));
    if (!w.Open())
        return TempRewriteFailure(w, path);
    HookedChange hooked(storage, TableChange::Op::Replace, tableNumber);
    hooked.Hash(w);
    // Lines before the first equal one are all terminated, so they and the
    // lines after it are copied as bytes.
    LineScanner scanner(data);
    LineSpan s;
    qsizetype restFrom = 0;
    qsizetype at = 0;
    bool found = false;
    while (scanner.Next(s)) {
        if (QByteArrayView(data.constData() + s.begin, s.end - s.begin) == oldLine) {
            found = true;
            w.Write(QByteArrayView(data.constData(), s.begin));
            if (!newLine.isEmpty()) {
                w.Write(newLine);
                if (s.terminated)
                    w.Write(QByteArrayView(data.constData() + s.end, s.next - s.end));
                else
                    w.Write("\r\n");
            }
            restFrom = s.next;
            break;
        }
        ++at;
    }
    if (!found) {
        // The change would be gone at the next start without a word.
        w.Cancel();
        return MissingLine(path);
    }
    const QByteArrayView rest(data.constData() + restFrom, data.size() - restFrom);
    w.Write(rest);
    // Only a copied last line can lack its end; it gets one.
    if (restFrom < data.size() && data.back() != '\n' && data.back() != '\r')
        w.Write("\r\n");
    if (hooked.Active()) {
        hooked.Change().rows = {{at, oldLine.toByteArray(), newLine.toByteArray()}};
        hooked.Change().linesAfter = at + (newLine.isEmpty() ? 0 : 1) + CountLines(rest);
    }
    StorageResult refused;
    if (!CommitRecorded(w, hooked, refused))
        return refused ? TempRewriteFailure(w, path) : refused;
    return {};
}

StorageResult PurgeByFilter(const TableStorage &storage, int tableNumber, const DataFilter &filter, bool keepMatching,
                            const ShownLines &alsoShown)
{
    if (StorageResult r = RecoverInterruptedAppend(storage, tableNumber); !r)
        return r;
    const QString path = storage.WorkingFile(tableNumber);
    QByteArray data;
    bool missing = false;
    if (StorageResult r = ReadWhole(path, data, missing); !r || missing)
        return r;
    SafeFileWriter w(path, QString::fromLatin1(kTempName));
    if (!w.Open())
        return TempRewriteFailure(w, path);
    HookedChange hooked(storage, TableChange::Op::Purge, tableNumber);
    hooked.Hash(w);
    ShownMatcher matcher(filter, alsoShown);
    // Positions count every line, invalid ones too: the journal replays the file's lines.
    qsizetype at = 0, kept = 0;
    ForEachLine(data, path, [&](const LineSpan &s, QByteArrayView line, bool valid) {
        if (!valid || matcher.Matches(line) == keepMatching) {
            WriteSpan(w, data, s);  // a failure sticks and stops the commit
            ++kept;
        } else if (hooked.Active()) {
            hooked.Change().removed.push_back(at);
        }
        ++at;
    });
    hooked.Change().linesAfter = kept;
    StorageResult refused;
    if (!CommitRecorded(w, hooked, refused))
        return refused ? TempRewriteFailure(w, path) : refused;
    return {};
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

QString MissingLineMessage(const QString &path)
{
    return QStringLiteral("Nie znaleziono zmienianego pomiaru w pliku: %1.\n"
                          "Zmiana nie została zapisana.")
        .arg(QDir::toNativeSeparators(path));
}

StorageResult ReplaceLines(const TableStorage &storage, int tableNumber, const QList<LineReplacement> &replacements,
                           QList<bool> *applied)
{
    if (applied)
        applied->fill(false, replacements.size());
    if (replacements.isEmpty())
        return {};
    const QString path = storage.WorkingFile(tableNumber);
    QByteArray data;
    if (StorageResult r = ReadForReplace(storage, tableNumber, data); !r)
        return r;

    std::vector<LineSpan> spans;
    {
        LineScanner scanner(data);
        LineSpan s;
        while (scanner.Next(s))
            spans.push_back(s);
    }
    // Where each line that some replacement looks for stands now; the first
    // position is the one a ReplaceLine would take.
    QSet<QByteArray> wanted;
    for (const LineReplacement &r : replacements)
        wanted.insert(r.oldLine);
    QHash<QByteArray, std::set<qsizetype>> positions;
    for (qsizetype i = 0; i < qsizetype(spans.size()); ++i) {
        const QByteArray line = QByteArray::fromRawData(data.constData() + spans[size_t(i)].begin,
                                                        spans[size_t(i)].end - spans[size_t(i)].begin);
        if (wanted.contains(line))
            positions[QByteArray(line.constData(), line.size())].insert(i);
    }
    // Replaced lines by position; an empty one is removed.
    QHash<qsizetype, QByteArray> replaced;
    QList<bool> found(replacements.size(), false);
    bool lost = false;
    for (qsizetype k = 0; k < replacements.size(); ++k) {
        const LineReplacement &r = replacements[k];
        auto it = positions.find(r.oldLine);
        if (it == positions.end() || it->empty()) {
            lost = true;
            continue;
        }
        found[k] = true;
        const qsizetype at = *it->begin();
        it->erase(it->begin());
        replaced.insert(at, r.newLine);
        if (!r.newLine.isEmpty() && wanted.contains(r.newLine))
            positions[r.newLine].insert(at);
    }

    SafeFileWriter w(path, QString::fromLatin1(kTempName));
    if (!w.Open())
        return TempRewriteFailure(w, path);
    HookedChange hooked(storage, TableChange::Op::Replace, tableNumber);
    hooked.Hash(w);
    qsizetype linesAfter = 0;
    for (qsizetype i = 0; i < qsizetype(spans.size()); ++i) {
        const LineSpan &s = spans[size_t(i)];
        const auto it = replaced.constFind(i);
        if (it == replaced.constEnd()) {
            WriteSpan(w, data, s);  // a failure sticks and stops the commit
            ++linesAfter;
            continue;
        }
        if (!it->isEmpty()) {
            w.Write(*it);
            w.Write(s.terminated ? QByteArrayView(data.constData() + s.end, s.next - s.end) : QByteArrayView("\r\n"));
            ++linesAfter;
        }
        if (hooked.Active())
            hooked.Change().rows.append(
                {i, QByteArray(data.constData() + s.begin, s.end - s.begin), *it});
    }
    hooked.Change().linesAfter = linesAfter;
    StorageResult refused;
    if (!CommitRecorded(w, hooked, refused))
        return refused ? TempRewriteFailure(w, path) : refused;
    if (applied)
        *applied = found;
    if (lost)
        return MissingLine(path);
    return {};
}
