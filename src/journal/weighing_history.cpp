#include "journal/weighing_history.h"

#include "core/cp1250.h"
#include "journal/journal_format.h"
#include "journal/journal_reader.h"
#include "tables/measurement_record.h"

#include <QHash>

#include <functional>

#include <unordered_map>

using journal::Event;

namespace {

QString Cell(QByteArrayView line, int col)
{
    return cp1250::Decode(FieldView(line, col));
}

QString Summary(QByteArrayView line)
{
    return QStringLiteral("nr %1, brutto %2, tara %3, netto %4")
        .arg(Cell(line, ColNr), Cell(line, ColGross), Cell(line, ColTare), Cell(line, ColNet));
}

QString DiffText(const std::vector<Event::Change> &diff)
{
    QStringList parts;
    for (const Event::Change &c : diff)
        parts << QStringLiteral("%1: %2 → %3").arg(ColumnHeader(c.column), cp1250::Decode(c.from), cp1250::Decode(c.to));
    return parts.join(QStringLiteral("; "));
}

QString Via(const QString &via)
{
    if (via == QLatin1String("button"))
        return QStringLiteral("Dodanie (przycisk)");
    if (via == QLatin1String("insert"))
        return QStringLiteral("Dodanie (klawisz Insert)");
    if (via == QLatin1String("auto"))
        return QStringLiteral("Dodanie (automatycznie)");
    if (via == QLatin1String("record"))
        return QStringLiteral("Dodanie (rekord z wagi)");
    return QStringLiteral("Dodanie");
}

// The entry of event `e` for the weighing `id`, which it touched at position `at`.
HistoryEntry EntryOf(const Event &e, qint64 id, qsizetype at)
{
    HistoryEntry h;
    h.seq = e.seq;
    h.time = e.Time().left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
    h.op = cp1250::Decode(e.op);
    const bool brought = journal::SeqOfLineId(id) == e.seq;
    auto bulk = [&](const QString &what) {
        h.what = brought ? what : what + QStringLiteral(": pomiar usunięty");
        const size_t index = size_t(id & 0xffffff);
        if (brought && index < e.lines.size())
            h.details = Summary(e.lines[index]);
    };
    if (e.kind == journal::kind::Add) {
        h.what = Via(e.via);
        h.details = Summary(e.line);
    } else if (e.kind == journal::kind::Opening) {
        bulk(QStringLiteral("Stan początkowy dziennika"));
    } else if (e.kind == journal::kind::External) {
        bulk(QStringLiteral("Zmiana poza programem"));
    } else if (e.kind == journal::kind::ArchiveRead) {
        bulk(QStringLiteral("Odczyt z archiwum"));
        h.details = e.file;
    } else if (e.kind == journal::kind::Rewrite) {
        bulk(QStringLiteral("Zapis tabeli"));
    } else if (e.kind == journal::kind::Series) {
        h.what = QStringLiteral("Nowa seria pomiarów: pomiar usunięty");
    } else if (e.kind == journal::kind::Purge) {
        h.what = QStringLiteral("Usunięcie danych z tabeli");
        h.details = e.mode == QLatin1String("shown")           ? QStringLiteral("pomiary wyświetlane")
                    : e.mode == QLatin1String("all_but_shown") ? QStringLiteral("pomiary poza wyświetlanymi")
                                                               : QStringLiteral("wszystkie pomiary");
    } else if (e.kind == journal::kind::Delete) {
        h.what = QStringLiteral("Usunięcie");
        h.details = Summary(e.line);
    } else {  // edit, update
        if (e.kind == journal::kind::Update)
            h.what = e.recovered ? QStringLiteral("Aktualizacja (tryb 1, odtworzona przy starcie)")
                                 : QStringLiteral("Aktualizacja (tryb 1)");
        else
            h.what = e.field >= 0 ? QStringLiteral("Korekta: ") + ColumnHeader(e.field) : QStringLiteral("Korekta");
        if (e.range)
            h.what += QStringLiteral(" (bieżący i następne)");
        for (const Event::Row &row : e.rows) {
            if (row.at != at + 1)
                continue;
            if (row.del)
                h.what = QStringLiteral("Usunięcie");
            else
                h.details = DiffText(row.diff);
        }
    }
    return h;
}

}  // namespace

WeighingHistory HistoryOf(const QString &journalPath, int table, QByteArrayView line, int occurrence, qint64 rowId)
{
    WeighingHistory history;
    // Read in pieces, twice (the replay, then the row's events): a long
    // journal never has to fit in memory.
    auto read = [&](const std::function<void(QByteArrayView)> &line) {
        journal::JournalStream stream;
        if (stream.Open(journalPath) != FileRead::Ok)
            return false;
        std::vector<QByteArrayView> lines;
        while (stream.Next(lines))
            for (const QByteArrayView l : lines)
                line(l);
        return !stream.Failed();
    };
    struct Hit {
        qint64 seq;
        qsizetype at;
    };
    std::unordered_map<qint64, std::vector<Hit>> hits;
    journal::EventReplay replay([table](int n) { return n == table; });
    replay.onTouched = [&](const Event &e, const std::vector<journal::Touch> &touched) {
        for (const journal::Touch &t : touched)
            if (rowId < 0 || t.id == rowId)
                hits[t.id].push_back({e.seq, t.at});
    };
    const bool readable = read([&](QByteArrayView line) {
        std::optional<Event> e = journal::ParseEvent(line, false);
        if (e && (e->table == table || e->kind == journal::kind::NotApplied))
            replay.Feed(std::move(*e));
    });
    if (!readable)
        return history;
    replay.Flush();

    const journal::LineList &now = replay.Table(table).lines;
    if (rowId < 0) {
        int seen = 0;
        now.ForEach([&](const journal::ReplayLine &l) {
            if (rowId < 0 && l.text == line && seen++ == occurrence)
                rowId = l.id;
        });
        if (rowId < 0)
            return history;
    }
    history.rowId = rowId;
    now.ForEach([&](const journal::ReplayLine &l) { history.present = history.present || l.id == rowId; });
    const std::vector<Hit> &rowHits = hits[rowId];
    QHash<qint64, Event> events;  // of the row's hits, by seq
    for (const Hit &hit : rowHits)
        events.insert(hit.seq, Event{});
    read([&](QByteArrayView line) {
        std::optional<Event> e = journal::ParseEvent(line, false);
        if (e && e->table == table && events.contains(e->seq))
            events[e->seq] = std::move(*e);
    });
    for (const Hit &hit : rowHits)
        if (const Event &e = events[hit.seq]; e.seq == hit.seq)
            history.entries.append(EntryOf(e, rowId, hit.at));
    return history;
}
