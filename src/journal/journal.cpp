#include "journal/journal.h"

#include "core/file_messages.h"
#include "core/safe_file.h"
#include "journal/journal_format.h"
#include "journal/journal_line.h"
#include "journal/journal_reader.h"
#include "journal/table_replay.h"
#include "tables/line_scanner.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

using journal::Event;

namespace {

const QString kOp = QStringLiteral("op");

QString Via(TableAction action)
{
    switch (action) {
    case TableAction::AddButton:
        return QStringLiteral("button");
    case TableAction::AddInsert:
        return QStringLiteral("insert");
    case TableAction::AddAutomatic:
        return QStringLiteral("auto");
    case TableAction::AddRecord:
        return QStringLiteral("record");
    default:
        return {};
    }
}

QJsonArray Diff(QByteArrayView oldLine, QByteArrayView newLine)
{
    QJsonArray diff;
    for (int col : journal::ChangedColumns(oldLine, newLine))
        diff.append(QJsonArray{col, journal::Text(FieldView(oldLine, col)), journal::Text(FieldView(newLine, col))});
    return diff;
}

// "lines" and "eol" of lines from outside the program.
void PutLines(QJsonObject &c, const std::vector<journal::ReplayLine> &lines, size_t from, size_t to)
{
    QJsonArray array;
    QJsonObject eol;
    for (size_t i = from; i < to; ++i) {
        array.append(journal::Text(lines[i].text));
        if (lines[i].eol != journal::Eol::CrLf)
            eol.insert(QString::number(i - from + 1), QString::fromLatin1(journal::EolBytes(lines[i].eol)));
    }
    c.insert(QStringLiteral("lines"), array);
    if (!eol.isEmpty())
        c.insert(QStringLiteral("eol"), eol);
}

}  // namespace

QString FindingMessage(const JournalFinding &f)
{
    const QString path = QDir::toNativeSeparators(f.path);
    switch (f.kind) {
    case JournalFinding::Kind::FileChanged:
        return QStringLiteral("Plik %1 został zmieniony poza programem (różnych wierszy: %2).\n"
                              "Zmianę zapisano w dzienniku pomiarów.")
            .arg(path)
            .arg(f.rows);
    case JournalFinding::Kind::JournalCut:
        return QStringLiteral("Dziennik pomiarów %1 został skrócony: kończy się na zdarzeniu %2, a zapisano %3.")
            .arg(path)
            .arg(f.foundSeq)
            .arg(f.seq);
    case JournalFinding::Kind::JournalBroken:
        return QStringLiteral("Dziennik pomiarów %1 został zmieniony poza programem.\n"
                              "Sprawdź go poleceniem: pomiary --sprawdz-dziennik")
            .arg(path);
    case JournalFinding::Kind::JournalMissing:
        return QStringLiteral("Brak dziennika pomiarów %1 prowadzonego dla tego folderu. Rozpoczęto nowy dziennik.")
            .arg(path);
    case JournalFinding::Kind::KeyMissing:
        return QStringLiteral("Brak klucza dziennika pomiarów %1.\nZmiany nie są zapisywane w dzienniku.").arg(path);
    case JournalFinding::Kind::Unwritable:
        return QStringLiteral("Nie można zapisać dziennika pomiarów %1.\nZmiany nie są zapisywane w dzienniku.")
            .arg(path);
    }
    return {};
}

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

void Journal::SaveState()
{
    for (size_t i = 0; i < files_.size(); ++i)
        state_.files[i] = files_[i].claim;
    keys_.SaveState(key_, state_);
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

QList<JournalFinding> Journal::Open()
{
    kept_ = false;
    pending_ = {};
    files_ = {};
    for (int n = 1; n <= kTableCount; ++n)
        RecoverInterruptedAppend(storage_, n);
    const QString path = Path();
    if (!QFileInfo(path).exists())
        return Begin(keys_.FindKeptFor(storage_.dataDir()));

    QList<JournalFinding> findings;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        findings.append({JournalFinding::Kind::Unwritable, path});
        return findings;
    }
    const std::optional<Event> header = journal::ParseEvent(file.readLine(1 << 20).trimmed());
    std::optional<JournalKey> key;
    if (header && header->seq == 0 && header->kind == journal::kind::Journal)
        key = keys_.Load(header->station.toLatin1());
    if (!key && !header) {
        // A header made unreadable does not hide the folder's journal.
        key = keys_.FindKeptFor(storage_.dataDir());
        if (key)
            findings.append({JournalFinding::Kind::JournalBroken, path});
    }
    if (!key) {
        findings.append({JournalFinding::Kind::KeyMissing, path});
        return findings;
    }
    key_ = *key;

    // A last line without its end is an event a crash cut short; its change
    // never reached a file, since events are synced first.
    qint64 size = file.size();
    if (size > 0 && file.seek(size - 1) && file.read(1) != "\n") {
        qint64 keep = size - 1;
        while (keep > 0) {
            const qint64 from = std::max<qint64>(0, keep - 65536);
            file.seek(from);
            const QByteArray chunk = file.read(keep - from);
            const qsizetype nl = chunk.lastIndexOf('\n');
            if (nl >= 0) {
                keep = from + nl + 1;
                break;
            }
            keep = from;
        }
        file.close();
        if (!QFile::resize(path, keep)) {
            findings.append({JournalFinding::Kind::Unwritable, path});
            return findings;
        }
        size = keep;
    }
    file.close();

    std::optional<Event> last;
    std::array<FileClaim, 5> before;
    if (!ScanTail(findings, last, before))
        ScanAll(findings, last, before);
    for (size_t i = 0; i < files_.size(); ++i)
        files_[i].claim = state_.files[i];
    kept_ = true;

    std::array<FileRead, 5> reads;
    for (int n = 1; n <= kTableCount; ++n)
        reads[size_t(n - 1)] = ReadFile(n);
    // The last change first: a not_applied must follow its event.
    if (last && last->ChangesTable()) {
        const size_t t = size_t(last->table - 1);
        const QByteArray sha = reads[t].hash.FinalHex();
        if (reads[t].ok && sha != files_[t].claim.sha && sha == before[t].sha) {
            if (Append({{QStringLiteral("kind"), journal::kind::NotApplied}, {QStringLiteral("ref"), last->seq}},
                       last->table))
                files_[t].claim = before[t];
        }
    }
    for (const JournalFinding &f : findings)
        if (f.kind == JournalFinding::Kind::JournalCut)
            Append({{QStringLiteral("kind"), journal::kind::Cut},
                    {QStringLiteral("expected_seq"), f.seq},
                    {QStringLiteral("found_seq"), f.foundSeq}});
    for (int n = 1; n <= kTableCount; ++n) {
        const FileRead &r = reads[size_t(n - 1)];
        TableFile &f = files_[size_t(n - 1)];
        if (!r.ok)
            continue;  // the tables' loading reports it
        if (r.hash.FinalHex() == f.claim.sha) {
            f.hash = r.hash;
            f.hashValid = true;
            continue;
        }
        Reconcile(n, r, findings);
    }
    SaveState();
    return findings;
}

bool Journal::ScanTail(QList<JournalFinding> &findings, std::optional<Event> &last, std::array<FileClaim, 5> &before)
{
    const std::optional<JournalState> s = keys_.LoadState(key_);
    if (!s)
        return false;
    QFile file(Path());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (s->end > size || s->lineStart >= s->end) {
        findings.append({JournalFinding::Kind::JournalCut, Path(), 0, 0, s->seq, -1});
        return false;
    }
    file.seek(s->lineStart);
    const QByteArray kept = file.read(s->end - s->lineStart);
    const std::optional<Event> e = journal::ParseEvent(kept.trimmed());
    if (!kept.endsWith('\n') || !e || e->seq != s->seq || journal::MacOf(kept.trimmed()) != s->mac) {
        findings.append({JournalFinding::Kind::JournalBroken, Path()});
        return false;
    }
    state_ = *s;
    std::array<FileClaim, 5> claims = s->files;
    const QByteArray tail = file.read(size - s->end);
    qint64 at = s->end;
    for (const QByteArray &line : tail.split('\n')) {
        if (line.isEmpty())
            continue;
        const QByteArray bytes = line.endsWith('\r') ? line.chopped(1) : line;
        const std::optional<Event> te = journal::ParseEvent(bytes);
        if (!te || te->seq != state_.seq + 1 || !journal::Verify(key_.secret, state_.mac, bytes)) {
            findings.append({JournalFinding::Kind::JournalBroken, Path()});
            return false;
        }
        state_.seq = te->seq;
        state_.mac = journal::MacOf(bytes).toByteArray();
        state_.lineStart = at;
        at += line.size() + 1;
        state_.end = at;
        if (te->kind == journal::kind::NotApplied) {
            if (last && last->seq == te->ref && last->ChangesTable())
                claims[size_t(last->table - 1)] = before[size_t(last->table - 1)];
        } else if (te->ChangesTable()) {
            before[size_t(te->table - 1)] = claims[size_t(te->table - 1)];
            claims[size_t(te->table - 1)] = {te->Lines(), te->Sha()};
        }
        last = te;
    }
    // Events before the state was kept were applied, or their not_applied is kept too.
    if (last && last->seq <= s->seq)
        last.reset();
    state_.files = claims;
    return true;
}

bool Journal::ScanAll(QList<JournalFinding> &findings, std::optional<Event> &last, std::array<FileClaim, 5> &before)
{
    journal::JournalLines lines;
    state_ = {};
    if (const std::optional<JournalState> s = keys_.LoadState(key_))
        state_.generation = s->generation;
    if (!journal::ReadJournalLines(Path(), lines))
        return false;
    std::array<FileClaim, 5> claims;
    QByteArray mac = journal::InitialMac();
    bool broken = false;
    last.reset();
    for (size_t i = 0; i < lines.spans.size(); ++i) {
        const QByteArrayView bytes = lines.Line(i);
        const std::optional<Event> e = journal::ParseEvent(bytes);
        broken = broken || !e || e->seq != qint64(i) || !journal::Verify(key_.secret, mac, bytes);
        mac = journal::MacOf(bytes).toByteArray();
        if (!e)
            continue;
        if (e->kind == journal::kind::NotApplied) {
            if (last && last->seq == e->ref && last->ChangesTable())
                claims[size_t(last->table - 1)] = before[size_t(last->table - 1)];
        } else if (e->ChangesTable()) {
            before[size_t(e->table - 1)] = claims[size_t(e->table - 1)];
            claims[size_t(e->table - 1)] = {e->Lines(), e->Sha()};
        }
        last = e;
    }
    if (broken && std::none_of(findings.begin(), findings.end(),
                               [](const JournalFinding &f) { return f.kind == JournalFinding::Kind::JournalBroken; }))
        findings.append({JournalFinding::Kind::JournalBroken, Path()});
    for (JournalFinding &f : findings)
        if (f.kind == JournalFinding::Kind::JournalCut)
            f.foundSeq = qint64(lines.spans.size()) - 1;
    state_.seq = qint64(lines.spans.size()) - 1;
    state_.mac = lines.spans.empty() ? QByteArray() : mac;
    state_.lineStart = lines.spans.empty() ? 0 : lines.spans.back().first;
    state_.end = lines.data.size();
    state_.files = claims;
    return true;
}

void Journal::Reconcile(int table, const FileRead &file, QList<JournalFinding> &findings)
{
    TableFile &f = files_[size_t(table - 1)];
    // The journal's version of the file, from the whole journal.
    journal::JournalLines lines;
    journal::ReadJournalLines(Path(), lines);
    journal::EventReplay replay([table](int n) { return n == table; });
    for (size_t i = 0; i < lines.spans.size(); ++i)
        if (std::optional<Event> e = journal::ParseEvent(lines.Line(i)))
            replay.Feed(std::move(*e));
    replay.Flush();
    const std::vector<journal::ReplayLine> journalLines = replay.Table(table).lines.Flat();
    const std::vector<journal::ReplayLine> fileLines = journal::SplitFile(file.data);
    const journal::FileComparison cmp = journal::CompareLines(journalLines, fileLines);
    const QByteArray sha = file.hash.FinalHex();
    const FileClaim now{qint64(fileLines.size()), sha};
    bool recorded = cmp.Same();  // the events agree with the file; only their claim was off
    if (!recorded && journal::OnlyLoadUpdateMissing(cmp, qsizetype(fileLines.size()), replay.LastApplied(table))) {
        const journal::RowDifference &row = cmp.rows[0];
        QJsonObject c{{QStringLiteral("kind"), journal::kind::Update}, {QStringLiteral("recovered"), true}};
        c.insert(QStringLiteral("rows"),
                 QJsonArray{QJsonObject{{QStringLiteral("at"), row.line},
                                        {QStringLiteral("line"), journal::Text(row.file.text)},
                                        {QStringLiteral("diff"), Diff(row.journal.text, row.file.text)}}});
        c.insert(QStringLiteral("n"), now.lines);
        c.insert(QStringLiteral("sha"), QString::fromLatin1(sha));
        recorded = Append(c, table);
    } else if (!recorded) {
        QJsonObject c{{QStringLiteral("kind"), journal::kind::External}};
        c.insert(QStringLiteral("from"), cmp.prefix + 1);
        c.insert(QStringLiteral("drop"), qint64(journalLines.size()) - cmp.prefix - cmp.suffix);
        PutLines(c, fileLines, size_t(cmp.prefix), fileLines.size() - size_t(cmp.suffix));
        c.insert(QStringLiteral("differ"), qint64(cmp.rows.size()));
        c.insert(QStringLiteral("n"), now.lines);
        c.insert(QStringLiteral("sha"), QString::fromLatin1(sha));
        recorded = Append(c, table);
        findings.append({JournalFinding::Kind::FileChanged, storage_.WorkingFile(table), table,
                         qint64(cmp.rows.size())});
    }
    if (!recorded)
        return;
    f.claim = now;
    f.hash = file.hash;
    f.hashValid = true;
    f.beforeLastValid = false;
    f.loadPending = false;
}

QList<JournalFinding> Journal::Begin(const std::optional<JournalKey> &previous)
{
    QList<JournalFinding> findings;
    const QString path = Path();
    if (previous)
        findings.append({JournalFinding::Kind::JournalMissing, path});
    std::array<FileRead, 5> reads;
    for (int n = 1; n <= kTableCount; ++n) {
        reads[size_t(n - 1)] = ReadFile(n);
        if (!reads[size_t(n - 1)].ok) {
            // An opening balance needs every file: a journal is begun at a start that can read them.
            findings.append({JournalFinding::Kind::Unwritable, path});
            return findings;
        }
    }
    // The key first: a journal never exists without its key. A key without
    // its journal (a crash in between) wrote no state and is no alarm.
    const std::optional<JournalKey> key = keys_.Create(storage_.dataDir());
    if (!key) {
        findings.append({JournalFinding::Kind::Unwritable, path});
        return findings;
    }
    key_ = *key;
    state_ = {};
    const Clock &clock = options_.clock ? *options_.clock : systemClock_;
    const QString now = journal::TimeText(clock.Now());

    // Written whole through a temporary file: the journal appears complete or not at all.
    SafeFileWriter w(path);
    bool ok = w.Open();
    auto put = [&](QJsonObject c, int table) {
        c.insert(QStringLiteral("seq"), state_.seq + 1);
        c.insert(QStringLiteral("t"), now);
        if (table > 0)
            c.insert(QStringLiteral("tab"), table);
        QByteArray mac;
        const QByteArray line =
            journal::SignedLine(c, key_.secret, state_.mac.isEmpty() ? journal::InitialMac() : state_.mac, &mac);
        ok = ok && w.WriteLine(line);
        ++state_.seq;
        state_.mac = mac;
        state_.lineStart = state_.end;
        state_.end += line.size() + 2;
    };
    QJsonObject header{{QStringLiteral("kind"), journal::kind::Journal},
                       {QStringLiteral("format"), journal::kFormatVersion},
                       {QStringLiteral("station"), QString::fromLatin1(key_.station)}};
    if (previous) {
        QJsonObject p{{QStringLiteral("station"), QString::fromLatin1(previous->station)}};
        if (const std::optional<JournalState> s = keys_.LoadState(*previous))
            p.insert(QStringLiteral("seq"), s->seq);
        header.insert(QStringLiteral("previous"), p);
    }
    put(header, 0);
    for (int n = 1; n <= kTableCount; ++n) {
        const FileRead &r = reads[size_t(n - 1)];
        QJsonObject c{{QStringLiteral("kind"), journal::kind::Opening}};
        PutLines(c, journal::SplitFile(r.data), 0, size_t(r.lines));
        c.insert(QStringLiteral("n"), r.lines);
        c.insert(QStringLiteral("sha"), QString::fromLatin1(r.hash.FinalHex()));
        put(c, n);
        TableFile &f = files_[size_t(n - 1)];
        f.claim = {r.lines, r.hash.FinalHex()};
        f.hash = r.hash;
        f.hashValid = true;
    }
    if (!ok || !w.Commit()) {
        files_ = {};
        findings.append({JournalFinding::Kind::Unwritable, path});
        return findings;
    }
    SaveState();
    kept_ = true;
    return findings;
}

// ---------------------------------------------------------------- writes

bool Journal::WantsDigest(const ActionInfo &action) const
{
    // The updates of a mode 1 load come many times a second and are
    // journaled once, when final: hashing each would cost a file's read.
    return kept_ && action.kind != TableAction::LoadUpdate;
}

StorageResult Journal::Record(const TableChange &change, const ActionInfo &action)
{
    pending_ = {};
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
        if (const QString via = Via(action.kind); !via.isEmpty())
            c.insert(QStringLiteral("via"), via);
        c.insert(QStringLiteral("at"), f.claim.lines + 1);
        c.insert(QStringLiteral("line"), journal::Text(change.line));
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
                        o.insert(QStringLiteral("diff"), Diff(row.oldLine, row.newLine));
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
                                    {QStringLiteral("diff"), Diff(f.loadJournaled, f.loadLine)}}});
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
