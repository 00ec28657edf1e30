// The journal while the program runs: every change of a table file recorded
// before it is written (a mode 1 load once, when final), and the login.

#include "journal/journal.h"

#include "core/file_messages.h"
#include "core/safe_file.h"
#include "journal/event_members.h"
#include "journal/journal_format.h"
#include "journal/journal_line.h"
#include "journal/table_replay.h"
#include "tables/line_scanner.h"
#include "tables/measurement_record.h"
#include "tables/table_set.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

using journal::Event;

namespace {

const QString kOp = QStringLiteral("op");

}  // namespace

Journal::Journal(const TableStorage &storage, JournalOptions options)
    : storage_(storage), options_(std::move(options)), keys_(options_.keyDir)
{
}

Journal::~Journal() = default;

QString Journal::Path() const
{
    return storage_.dataDir() + QStringLiteral("dziennik.txt");
}

StorageResult Journal::JournalWriteFailure() const
{
    return StorageResult::Failed(WriteErrorMessage(Path()));
}

bool Journal::Append(QJsonObject content, int table)
{
    const Clock &clock = options_.clock ? *options_.clock : systemClock_;
    const qint64 seq = state_.seq + 1;
    content.insert(QStringLiteral("seq"), seq);
    content.insert(QStringLiteral("t"), journal::TimeText(clock.Now()));
    if (!operator_.isEmpty())
        content.insert(kOp, journal::Text(operator_));
    if (table > 0)
        content.insert(QStringLiteral("tab"), table);
    QByteArray mac;
    const QByteArray line =
        journal::SignedLine(content, key_.secret, state_.mac.isEmpty() ? journal::InitialMac() : state_.mac, &mac);
    if (!AppendLineDurably(Path(), line))
        return false;
    state_.seq = seq;
    state_.mac = mac;
    state_.lineStart = state_.end;
    state_.end += line.size() + 2;
    return true;
}

void Journal::SaveState(bool durable)
{
    for (size_t i = 0; i < files_.size(); ++i)
        state_.files[i] = files_[i].claim;
    state_.folder = folder_;
    keys_.SaveState(key_, state_, durable);
}

Journal::FileRead Journal::ReadFile(int table) const
{
    FileRead r;
    const ::FileRead read = ReadRegularFile(storage_.WorkingFile(table), r.data);
    if (read == ::FileRead::Failed)
        return r;
    r.ok = true;
    r.hash.Add(r.data);
    r.lines = CountLines(r.data);
    return r;
}

// ---------------------------------------------------------------- start

bool Journal::WantsDigest(const ActionInfo &action) const
{
    // The updates of a mode 1 load come many times a second and are
    // journaled once, when final: hashing each would cost a file's read.
    return kept_ && action.kind != TableAction::LoadUpdate;
}

StorageResult Journal::Record(const TableChange &change, const ActionInfo &action)
{
    pending_ = {};
    // An archive changes no table file: it may still be made.
    if (!kept_ && !refusal_.isEmpty() && change.op != TableChange::Op::Archive)
        return StorageResult::Failed(QStringLiteral("Zmiana nie została zapisana: ") + refusal_);
    if (!kept_ || change.table < 1 || change.table > kTableCount)
        return {};
    const int t = change.table;
    TableFile &f = files_[size_t(t - 1)];

    if (action.kind == TableAction::LoadUpdate && change.op == TableChange::Op::Replace && change.rows.size() == 1 &&
        !change.rows[0].newLine.isEmpty()) {
        const TableChange::Row &row = change.rows[0];
        if (f.loadPending && f.loadAt != row.at)
            if (StorageResult r = FinishLoad(t); !r)
                return r;
        pending_ = {true, false, true, t, -1, f, {}};
        if (!f.loadPending) {
            f.loadPending = true;
            f.loadAt = row.at;
            f.loadJournaled = row.oldLine;
        }
        f.loadLine = row.newLine;
        f.hashValid = false;
        return {};
    }
    if (f.loadPending)
        if (StorageResult r = FinishLoad(t); !r)
            return r;

    TableFile after = f;
    QJsonObject c;
    switch (change.op) {
    case TableChange::Op::Append: {
        if (!f.hashValid) {
            // Known again from the file; a file changed meanwhile is recorded as such first.
            const FileRead r = ReadFile(t);
            if (!r.ok)
                return StorageResult::Failed(UnreadableFileMessage(storage_.WorkingFile(t)));
            QList<JournalFinding> ignored;
            if (r.hash.FinalHex() != f.claim.sha)
                Reconcile(t, r, ignored);
            f.hash = r.hash;
            f.hashValid = f.claim.sha == r.hash.FinalHex();
            if (!f.hashValid)
                return JournalWriteFailure();
            after = f;
        }
        c.insert(QStringLiteral("kind"), journal::kind::Add);
        if (const QString via = journal::Via(action.kind); !via.isEmpty())
            c.insert(QStringLiteral("via"), via);
        c.insert(QStringLiteral("at"), f.claim.lines + 1);
        c.insert(QStringLiteral("line"), journal::Text(change.line));
        if (action.opensLoad)
            c.insert(QStringLiteral("load"), true);
        after.hash.Add(QByteArrayView(change.appended).first(change.appended.size() - change.line.size() - 2));
        after.beforeLast = after.hash;
        after.beforeLastValid = true;
        after.hash.Add(change.line);
        after.hash.Add("\r\n");
        after.claim = {f.claim.lines + 1, after.hash.FinalHex()};
        break;
    }
    case TableChange::Op::Replace:
    case TableChange::Op::Rewrite:
    case TableChange::Op::Purge: {
        if (!change.hasDigest)
            return JournalWriteFailure();
        after.hash = change.digest;
        after.hashValid = true;
        after.beforeLastValid = false;
        after.claim = {change.linesAfter, change.digest.FinalHex()};
        if (change.op == TableChange::Op::Replace && change.rows.isEmpty() && after.claim == f.claim)
            return {};  // nothing changed: no event
        if (change.op == TableChange::Op::Replace) {
            if (action.kind == TableAction::Delete && change.rows.size() == 1 && change.rows[0].newLine.isEmpty()) {
                c.insert(QStringLiteral("kind"), journal::kind::Delete);
                c.insert(QStringLiteral("at"), change.rows[0].at + 1);
                c.insert(QStringLiteral("line"), journal::Text(change.rows[0].oldLine));
            } else {
                c.insert(QStringLiteral("kind"), journal::kind::Edit);
                QJsonArray rows;
                for (const TableChange::Row &row : change.rows) {
                    QJsonObject o{{QStringLiteral("at"), row.at + 1}};
                    if (row.newLine.isEmpty()) {
                        o.insert(QStringLiteral("del"), true);
                        o.insert(QStringLiteral("line"), journal::Text(row.oldLine));
                    } else {
                        o.insert(QStringLiteral("line"), journal::Text(row.newLine));
                        o.insert(QStringLiteral("diff"), journal::Diff(row.oldLine, row.newLine));
                    }
                    rows.append(o);
                }
                c.insert(QStringLiteral("rows"), rows);
                if (action.kind == TableAction::Correction) {
                    if (action.field >= 0)
                        c.insert(QStringLiteral("field"), action.field);
                    if (action.range)
                        c.insert(QStringLiteral("range"), true);
                }
            }
        } else if (change.op == TableChange::Op::Rewrite) {
            QJsonArray lines;
            if (change.rewritten)
                for (int row = 0; row < change.rewritten->RowCount(); ++row)
                    lines.append(journal::Text(change.rewritten->LineView(row)));
            switch (action.kind) {
            case TableAction::NewSeries:
                c.insert(QStringLiteral("kind"), journal::kind::Series);
                break;
            case TableAction::ArchiveRead:
                c.insert(QStringLiteral("kind"), journal::kind::ArchiveRead);
                c.insert(QStringLiteral("file"), action.file);
                break;
            case TableAction::DeleteRange:
                c.insert(QStringLiteral("kind"), journal::kind::Purge);
                c.insert(QStringLiteral("mode"), QStringLiteral("all"));
                c.insert(QStringLiteral("count"), f.claim.lines - change.linesAfter);
                break;
            default:
                c.insert(QStringLiteral("kind"), journal::kind::Rewrite);
            }
            c.insert(QStringLiteral("lines"), lines);
        } else {
            c.insert(QStringLiteral("kind"), journal::kind::Purge);
            c.insert(QStringLiteral("mode"), action.deleteMode == 1   ? QStringLiteral("shown")
                                             : action.deleteMode == 2 ? QStringLiteral("all_but_shown")
                                                                      : QStringLiteral("filter"));
            c.insert(QStringLiteral("count"), qint64(change.removed.size()));
            QJsonArray removed;
            for (qsizetype p : change.removed)
                removed.append(p + 1);
            c.insert(QStringLiteral("removed"), removed);
        }
        break;
    }
    case TableChange::Op::Archive:
        c.insert(QStringLiteral("kind"), journal::kind::Archive);
        c.insert(QStringLiteral("file"), change.archivePath);
        c.insert(QStringLiteral("count"), change.archiveLines);
        c.insert(QStringLiteral("selection"), QString::fromLatin1(change.selection));
        break;
    }
    if (change.op != TableChange::Op::Archive) {
        c.insert(QStringLiteral("n"), after.claim.lines);
        c.insert(QStringLiteral("sha"), QString::fromLatin1(after.claim.sha));
    }
    if (!Append(c, t))
        return JournalWriteFailure();
    pending_ = {true, true, false, t, state_.seq, f, after};
    return {};
}

void Journal::Written(const TableChange &change, bool applied)
{
    const Pending p = std::exchange(pending_, {});
    if (!p.active)
        return;
    TableFile &f = files_[size_t(p.table - 1)];
    if (p.loadUpdate) {
        if (!applied)
            f = p.before;
        return;
    }
    if (!p.event)
        return;
    if (applied) {
        if (change.op != TableChange::Op::Archive)
            f = p.after;
    } else {
        Append({{QStringLiteral("kind"), journal::kind::NotApplied}, {QStringLiteral("ref"), p.seq}}, p.table);
    }
    SaveState();
}

StorageResult Journal::FinishLoad(int table)
{
    TableFile &f = files_[size_t(table - 1)];
    if (!f.loadPending)
        return {};
    if (f.loadLine == f.loadJournaled) {
        // Back where the journal has it; its hash is known again from the file when next needed.
        f.loadPending = false;
        return {};
    }
    Sha256 hash;
    qsizetype lines = f.claim.lines;
    if (f.beforeLastValid && f.loadAt == f.claim.lines - 1) {
        hash = f.beforeLast;
        hash.Add(f.loadLine);
        hash.Add("\r\n");
    } else {
        const FileRead r = ReadFile(table);
        if (!r.ok)
            return StorageResult::Failed(UnreadableFileMessage(storage_.WorkingFile(table)));
        hash = r.hash;
        lines = r.lines;
    }
    QJsonObject c{{QStringLiteral("kind"), journal::kind::Update}};
    c.insert(QStringLiteral("rows"),
             QJsonArray{QJsonObject{{QStringLiteral("at"), f.loadAt + 1},
                                    {QStringLiteral("line"), journal::Text(f.loadLine)},
                                    {QStringLiteral("diff"), journal::Diff(f.loadJournaled, f.loadLine)}}});
    c.insert(QStringLiteral("n"), lines);
    c.insert(QStringLiteral("sha"), QString::fromLatin1(hash.FinalHex()));
    if (!Append(c, table))
        return JournalWriteFailure();
    f.claim = {lines, hash.FinalHex()};
    f.hash = hash;
    f.hashValid = true;
    f.loadPending = false;
    SaveState();
    return {};
}

bool Journal::EndLoadUpdates()
{
    bool ok = true;
    for (int n = 1; n <= kTableCount; ++n)
        ok = FinishLoad(n).ok && ok;
    return ok;
}

StorageResult Journal::NoteLogin(const QByteArray &name)
{
    operator_ = name;
    if (!kept_)
        return {};
    if (!Append({{QStringLiteral("kind"), journal::kind::Login}}))
        return JournalWriteFailure();
    SaveState();
    return {};
}
