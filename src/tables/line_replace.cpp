// Rewrites of chosen lines of a working file through "pomiary_tmp.txt":
// replacing or removing single lines (edits, deletions) and purging by the filter.

#include "tables/table_storage.h"

#include "core/file_messages.h"
#include "core/safe_file.h"
#include "tables/measurement_table.h"
#include "tables/table_storage_detail.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <set>

using namespace table_storage_detail;

namespace {

StorageResult MissingLine(const QString &path)
{
    StorageResult r = StorageResult::Failed(MissingLineMessage(path));
    r.lineMissing = true;
    return r;
}

// Table N's working file whole, for a line replace: a cut-short append is
// completed first; a missing file is reported, since the change could not be stored.
StorageResult ReadForReplace(const TableStorage &storage, int tableNumber, QByteArray &data)
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

QString MissingLineMessage(const QString &path)
{
    return QStringLiteral("Nie znaleziono zmienianego pomiaru w pliku: %1.\n"
                          "Zmiana nie została zapisana.")
        .arg(QDir::toNativeSeparators(path));
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
