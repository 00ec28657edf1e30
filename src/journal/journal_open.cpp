// The journal at start-up: opened, its tail checked against the state kept
// with the key, the five working files compared with it, or begun anew.

#include "journal/journal.h"

#include "core/safe_file.h"
#include "journal/event_members.h"
#include "journal/journal_format.h"
#include "journal/journal_line.h"
#include "journal/journal_reader.h"
#include "journal/table_replay.h"
#include "tables/line_scanner.h"
#include "tables/measurement_record.h"
#include "tables/table_set.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

using journal::Event;

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
    case JournalFinding::Kind::StateLost:
        return QStringLiteral("Brak zapisanego stanu dziennika pomiarów (%1) lub jest on uszkodzony.\n"
                              "Nie można sprawdzić, czy dane nie zostały zastąpione starszą kopią. "
                              "Zapisano to w dzienniku.")
            .arg(path);
    case JournalFinding::Kind::FolderCopy:
        return QStringLiteral("Ten folder danych %1 jest kopią folderu, w którym to stanowisko prowadzi dziennik "
                              "pomiarów. Działa tylko do odczytu: zmiany w tabelach nie będą zapisywane.\n"
                              "Aby pracować w nim jako nowe stanowisko, przenieś z niego plik dziennik.txt w inne "
                              "miejsce i uruchom program ponownie.")
            .arg(path);
    case JournalFinding::Kind::KeyMissing:
        return QStringLiteral("Brak klucza dziennika pomiarów %1 na tym koncie.\n"
                              "Zmiany w tabelach nie będą zapisywane.")
            .arg(path);
    case JournalFinding::Kind::Unwritable:
        return QStringLiteral("Nie można zapisać dziennika pomiarów %1.\n%2")
            .arg(path, f.refused ? QStringLiteral("Zmiany w tabelach nie będą zapisywane.")
                                 : QStringLiteral("Zmiany nie są zapisywane w dzienniku."));
    }
    return {};
}

QList<JournalFinding> Journal::Refuse(QList<JournalFinding> findings, JournalFinding finding)
{
    kept_ = false;
    switch (finding.kind) {
    case JournalFinding::Kind::KeyMissing:
        refusal_ = QStringLiteral("brak klucza dziennika pomiarów na tym koncie.");
        break;
    case JournalFinding::Kind::FolderCopy:
        refusal_ = QStringLiteral("ten folder danych jest kopią, tylko do odczytu.");
        break;
    default:
        refusal_ = QStringLiteral("nie można zapisać dziennika pomiarów %1.").arg(QDir::toNativeSeparators(Path()));
    }
    finding.refused = true;
    findings.append(std::move(finding));
    return findings;
}

QList<JournalFinding> Journal::Open()
{
    kept_ = false;
    refusal_.clear();
    folder_ = KeyStore::FolderIdentity(storage_.dataDir());
    pending_ = {};
    files_ = {};
    for (int n = 1; n <= kTableCount; ++n)
        RecoverInterruptedAppend(storage_, n);
    const QString path = Path();
    if (!QFileInfo(path).exists())
        return Begin(keys_.FindKeptFor(storage_.dataDir()));

    QList<JournalFinding> findings;
    QFile file(path);
    // Opened for appending too: a journal this account cannot write is found now, not at the first weighing.
    if (!file.open(QIODevice::ReadOnly) || !QFile(path).open(QIODevice::WriteOnly | QIODevice::Append))
        return Refuse(findings, {JournalFinding::Kind::Unwritable, path});
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
    if (!key)
        return Refuse(findings, {JournalFinding::Kind::KeyMissing, path});
    key_ = *key;
    // Without the state a journal and tables cut back together (an older
    // copy) cannot be told from the real ones: that is itself recorded.
    const std::optional<JournalState> kept = keys_.LoadState(key_);
    const bool stateKept = kept.has_value();
    // A copy of the folder would go on with the same chain in two places:
    // it is left as it is, the journal and the state too.
    if (kept && !kept->folder.isEmpty() && !folder_.isEmpty() && kept->folder != folder_)
        return Refuse(findings, {JournalFinding::Kind::FolderCopy, storage_.dataDir()});

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
        if (!QFile::resize(path, keep))
            return Refuse(findings, {JournalFinding::Kind::Unwritable, path});
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
    if (!stateKept && state_.seq > journal::kLastOpeningSeq) {
        findings.append({JournalFinding::Kind::StateLost, keys_.StatePath(key_.station)});
        Append({{QStringLiteral("kind"), journal::kind::StateLost}});
    }
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

// What the files hold after `e`: a not_applied gives its event's table back
// the state before it.
static void FollowClaims(const Event &e, const std::optional<Event> &last, std::array<FileClaim, 5> &claims,
                         std::array<FileClaim, 5> &before)
{
    if (e.kind == journal::kind::NotApplied) {
        if (last && last->seq == e.ref && last->ChangesTable())
            claims[size_t(last->table - 1)] = before[size_t(last->table - 1)];
    } else if (e.ChangesTable()) {
        before[size_t(e.table - 1)] = claims[size_t(e.table - 1)];
        claims[size_t(e.table - 1)] = {e.Lines(), e.Sha()};
    }
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
    file.close();
    state_ = *s;
    std::array<FileClaim, 5> claims = s->files;
    // The events after the state, in pieces: junk appended costs no memory.
    journal::JournalStream tail;
    if (tail.Open(Path(), s->end) != ::FileRead::Ok)
        return false;
    std::vector<QByteArrayView> lines;
    std::vector<qint64> ends;
    while (tail.Next(lines, &ends)) {
        for (size_t i = 0; i < lines.size(); ++i) {
            const QByteArrayView bytes = lines[i];
            const std::optional<Event> te = journal::ParseEvent(bytes, false);
            if (!te || te->seq != state_.seq + 1 || !journal::Verify(key_.secret, state_.mac, bytes)) {
                findings.append({JournalFinding::Kind::JournalBroken, Path()});
                return false;
            }
            state_.seq = te->seq;
            state_.mac = journal::MacOf(bytes).toByteArray();
            state_.lineStart = state_.end;
            state_.end = ends[i];
            FollowClaims(*te, last, claims, before);
            last = te;
        }
    }
    if (tail.Failed())
        return false;
    // Events before the state was kept were applied, or their not_applied is kept too.
    if (last && last->seq <= s->seq)
        last.reset();
    state_.files = claims;
    return true;
}

bool Journal::ScanAll(QList<JournalFinding> &findings, std::optional<Event> &last, std::array<FileClaim, 5> &before)
{
    state_ = {};
    if (const std::optional<JournalState> s = keys_.LoadState(key_))
        state_.generation = s->generation;
    journal::JournalStream stream;
    if (stream.Open(Path()) != ::FileRead::Ok)
        return false;
    std::array<FileClaim, 5> claims;
    QByteArray mac = journal::InitialMac();
    bool broken = false;
    last.reset();
    qint64 count = 0, lineStart = 0, end = 0;
    std::vector<QByteArrayView> lines;
    std::vector<qint64> ends;
    while (stream.Next(lines, &ends)) {
        for (size_t i = 0; i < lines.size(); ++i, ++count) {
            const QByteArrayView bytes = lines[i];
            const std::optional<Event> e = journal::ParseEvent(bytes, false);
            broken = broken || !e || e->seq != count || !journal::Verify(key_.secret, mac, bytes);
            mac = journal::MacOf(bytes).toByteArray();
            lineStart = end;
            end = ends[i];
            if (!e)
                continue;
            FollowClaims(*e, last, claims, before);
            last = e;
        }
    }
    if (stream.Failed())
        return false;
    if (broken && std::none_of(findings.begin(), findings.end(),
                               [](const JournalFinding &f) { return f.kind == JournalFinding::Kind::JournalBroken; }))
        findings.append({JournalFinding::Kind::JournalBroken, Path()});
    for (JournalFinding &f : findings)
        if (f.kind == JournalFinding::Kind::JournalCut)
            f.foundSeq = count - 1;
    state_.seq = count - 1;
    state_.mac = count == 0 ? QByteArray() : mac;
    state_.lineStart = lineStart;
    state_.end = end;
    state_.files = claims;
    return true;
}

void Journal::Reconcile(int table, const FileRead &file, QList<JournalFinding> &findings)
{
    TableFile &f = files_[size_t(table - 1)];
    // The journal's version of the file, from the whole journal, read in pieces.
    journal::EventReplay replay([table](int n) { return n == table; });
    journal::JournalStream stream;
    std::vector<QByteArrayView> lines;
    if (stream.Open(Path()) == ::FileRead::Ok)
        while (stream.Next(lines))
            for (const QByteArrayView line : lines)
                if (std::optional<Event> e = journal::ParseEvent(line, false))
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
                                        {QStringLiteral("diff"), journal::Diff(row.journal.text, row.file.text)}}});
        c.insert(QStringLiteral("n"), now.lines);
        c.insert(QStringLiteral("sha"), QString::fromLatin1(sha));
        recorded = Append(c, table);
    } else if (!recorded) {
        QJsonObject c{{QStringLiteral("kind"), journal::kind::External}};
        c.insert(QStringLiteral("from"), cmp.prefix + 1);
        c.insert(QStringLiteral("drop"), qint64(journalLines.size()) - cmp.prefix - cmp.suffix);
        journal::PutLines(c, fileLines, size_t(cmp.prefix), fileLines.size() - size_t(cmp.suffix));
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
        journal::PutLines(c, journal::SplitFile(r.data), 0, size_t(r.lines));
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
    SaveState(true);
    kept_ = true;
    return findings;
}

// ---------------------------------------------------------------- writes

