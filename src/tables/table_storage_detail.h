#pragma once

// Helpers the table storage files share; not for use outside src/tables.

#include "core/safe_file.h"
#include "tables/data_filter.h"
#include "tables/line_scanner.h"
#include "tables/measurement_record.h"
#include "tables/table_storage.h"

#include <QByteArray>
#include <QString>

class MeasurementTable;

namespace table_storage_detail {

inline constexpr const char *kTempName = "pomiary_tmp.txt";

// Reads a whole table file as it was when opened. A missing file is `missing` (ok).
StorageResult ReadWhole(const QString &path, QByteArray &data, bool &missing);

// The message for a failed rewrite of a working file through the temporary file.
StorageResult TempRewriteFailure(const SafeFileWriter &w, const QString &path);

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
bool WriteSpan(SafeFileWriter &w, const QByteArray &data, const LineSpan &s);

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
bool CommitRecorded(SafeFileWriter &w, HookedChange &hooked, StorageResult &refused);

// The same for a file written whole under its own name, with the message of
// whatever failed.
StorageResult CommitNewFile(SafeFileWriter &w, HookedChange &hooked, const QString &path);

// Writes the table's rows as the new file `path`, told to the hook.
StorageResult WriteRows(const QString &path, const MeasurementTable &table, HookedChange &hooked);

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

}  // namespace table_storage_detail
