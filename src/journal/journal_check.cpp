#include "journal/journal_check.h"

#include "core/cp1250.h"
#include "core/sha256.h"
#include "journal/journal_format.h"
#include "journal/journal_line.h"
#include "journal/journal_reader.h"
#include "journal/key_store.h"
#include "journal/table_replay.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>
#include <thread>

using journal::Event;

namespace {

// A line of a piece: checked and parsed by the threads, then replayed in order.
struct CheckedLine {
    bool macOk = false;
    std::optional<Event> event;
};

QString When(const Event &e)
{
    return e.Time().left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
}

QString Shown(QByteArrayView line)
{
    QString text = cp1250::Decode(line);
    text.replace(QLatin1Char('\t'), QStringLiteral(" | "));
    return text;
}

// Where a journal seen in another folder's report is: as given.
QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

QString JournalCheckReport::Text(int maxProblems) const
{
    QStringList out;
    if (!failure.isEmpty()) {
        out << failure;
        return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    out << QStringLiteral("Sprawdzono zdarzeń: %1").arg(events);
    for (qsizetype i = 0; i < problems.size() && i < maxProblems; ++i)
        out << problems[i];
    if (problems.size() > maxProblems)
        out << QStringLiteral("… i %1 dalszych niezgodności.").arg(problems.size() - maxProblems);
    for (const QString &n : notes)
        out << QStringLiteral("Uwaga: ") + n;
    out << (problems.isEmpty() ? QStringLiteral("Wynik: dziennik zgodny z plikami tabel.")
                               : QStringLiteral("Wynik: znaleziono niezgodności: %1.").arg(problems.size()));
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

JournalCheckReport CheckJournal(const QString &dataDir, const QString &keyDir, int threads)
{
    JournalCheckReport report;
    const TableStorage storage(dataDir);
    const KeyStore keys(keyDir);
    const QString path = storage.dataDir() + QStringLiteral("dziennik.txt");

    // Read piece by piece: a journal of years never has to fit in memory.
    journal::JournalStream stream;
    const FileRead opened = stream.Open(path);
    if (opened != FileRead::Ok) {
        if (opened == FileRead::Missing) {
            if (const std::optional<JournalKey> kept = keys.FindKeptFor(storage.dataDir())) {
                report.problems << QStringLiteral("Brak dziennika %1 prowadzonego dla tego folderu (stanowisko %2).")
                                       .arg(Native(path), QString::fromLatin1(kept->station));
                return report;
            }
        }
        report.failure = QStringLiteral("Nie można odczytać dziennika %1.").arg(Native(path));
        return report;
    }
    std::vector<QByteArrayView> lines;
    if (!stream.Next(lines)) {
        report.failure = stream.Failed() ? QStringLiteral("Nie można odczytać dziennika %1.").arg(Native(path))
                                         : QStringLiteral("Dziennik %1 jest pusty.").arg(Native(path));
        return report;
    }

    // The key of the station named in the header (or, with the header
    // spoilt, of the folder).
    const std::optional<Event> header = journal::ParseEvent(lines.front());
    const QByteArray station =
        header ? header->station.toLatin1() : QByteArray();
    std::optional<JournalKey> key = keys.Load(station);
    if (!key && !header)
        key = keys.FindKeptFor(storage.dataDir());
    if (!key) {
        report.failure = QStringLiteral("Brak klucza dziennika (stanowisko %1) w %2.")
                             .arg(station.isEmpty() ? QStringLiteral("?") : QString::fromLatin1(station),
                                  Native(keys.Dir()));
        return report;
    }

    // Signatures and parsing in parallel, batch by batch; the replay after each batch, in order.
    const int workers = std::max(1, threads > 0 ? threads : int(std::min(4u, std::thread::hardware_concurrency())));
    const journal::MacChecker checker(key->secret);
    journal::EventReplay replay;
    QStringList macProblems;
    qint64 macsOk = 0;
    qint64 previousSeq = -1, lastSeq = -1;
    std::vector<CheckedLine> checked;
    auto problem = [&](const Event &e, const QString &text) {
        report.problems << QStringLiteral("Zdarzenie %1 (%2), tabela %3: %4").arg(e.seq).arg(When(e)).arg(e.table).arg(text);
    };
    // The kept state names a line whose mac is compared at the end.
    const std::optional<JournalState> kept = keys.LoadState(*key);
    QByteArray keptLineMac;
    QByteArray previousMac = journal::InitialMac();  // the line before each piece's first
    size_t first = 0;  // of the piece, in the journal
    do {
        const size_t count = lines.size();
        checked.assign(count, {});
        auto work = [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) {
                const QByteArrayView previous = i == 0 ? QByteArrayView(previousMac) : journal::MacOf(lines[i - 1]);
                checked[i].macOk = checker.Verify(previous, lines[i]);
                checked[i].event = journal::ParseEvent(lines[i], false);
            }
        };
        std::vector<std::thread> pool;
        const size_t part = (count + size_t(workers) - 1) / size_t(workers);
        for (int w = 1; w < workers; ++w)
            if (size_t(w) * part < count)
                pool.emplace_back(work, size_t(w) * part, std::min(count, size_t(w + 1) * part));
        work(0, std::min(count, part));
        for (std::thread &t : pool)
            t.join();

        for (size_t i = 0; i < count; ++i) {
            const qint64 line = qint64(first + i);
            CheckedLine &c = checked[i];
            if (c.macOk)
                ++macsOk;
            else
                macProblems << QStringLiteral("Linia %1 dziennika: podpis nieprawidłowy (wpis zmieniony, dopisany "
                                              "lub przestawiony).")
                                   .arg(line + 1);
            if (!c.event) {
                report.problems << QStringLiteral("Linia %1 dziennika: nieczytelny wpis.").arg(line + 1);
                continue;
            }
            Event &e = *c.event;
            ++report.events;
            // Counted from the event before, so one removed line is one finding, not one per line after it.
            if (e.seq > previousSeq + 1)
                report.problems << QStringLiteral("Linia %1 dziennika: brak zdarzeń %2–%3 (usunięte).")
                                       .arg(line + 1)
                                       .arg(previousSeq + 1)
                                       .arg(e.seq - 1);
            else if (e.seq != previousSeq + 1)
                report.problems << QStringLiteral("Linia %1 dziennika: zdarzenie %2 po zdarzeniu %3 (dopisane lub "
                                                  "przestawione).")
                                       .arg(line + 1)
                                       .arg(e.seq)
                                       .arg(previousSeq);
            previousSeq = e.seq;
            lastSeq = std::max(lastSeq, e.seq);
            if (e.kind == journal::kind::External)
                report.problems << QStringLiteral("Zdarzenie %1 (%2): plik pomiary%3.txt zmieniony poza programem "
                                                  "(różnych wierszy: %4).")
                                       .arg(e.seq)
                                       .arg(When(e))
                                       .arg(e.table)
                                       .arg(e.differ);
            else if (e.kind == journal::kind::Cut)
                report.problems << QStringLiteral("Zdarzenie %1 (%2): dziennik był skrócony (kończył się na "
                                                  "zdarzeniu %3, a zapisano %4).")
                                       .arg(e.seq)
                                       .arg(When(e))
                                       .arg(e.foundSeq)
                                       .arg(e.expectedSeq);
            else if (e.kind == journal::kind::StateLost)
                report.problems << QStringLiteral("Zdarzenie %1 (%2): brak zapisanego stanu dziennika lub był "
                                                  "uszkodzony (nie można było sprawdzić, czy dane nie zostały "
                                                  "zastąpione starszą kopią).")
                                       .arg(e.seq)
                                       .arg(When(e));
            else if (e.kind == journal::kind::Journal && e.hasPrevious)
                report.problems << QStringLiteral("Dziennik rozpoczęto od nowa (%1): poprzedni dziennik tego folderu "
                                                  "zaginął (stanowisko %2, ostatnie zdarzenie %3).")
                                       .arg(When(e))
                                       .arg(e.previousStation)
                                       .arg(e.previousSeq);
            replay.Feed(std::move(e), problem);
        }
        if (kept && kept->seq >= 0 && size_t(kept->seq) >= first && size_t(kept->seq) < first + count)
            keptLineMac = journal::MacOf(lines[size_t(kept->seq) - first]).toByteArray();
        previousMac = journal::MacOf(lines.back()).toByteArray();
        first += count;
    } while (stream.Next(lines));
    const size_t total = first;
    if (stream.Failed()) {
        report.failure = QStringLiteral("Nie można odczytać dziennika %1.").arg(Native(path));
        return report;
    }
    // A wrong key spoils every signature: one line says so.
    if (macsOk == 0)
        report.problems.prepend(QStringLiteral("Klucz nie pasuje do dziennika: żaden podpis się nie zgadza."));
    else
        report.problems = macProblems + report.problems;
    if (stream.TornTail())
        report.notes << QStringLiteral("ostatni wpis dziennika jest niepełny (zapis przerwany); program usunie go "
                                       "przy następnym starcie.");

    // A journal cut at its end: the key's state remembers further. Without
    // it, an older copy of the whole folder would pass for the real one.
    if (!kept && lastSeq > journal::kLastOpeningSeq)
        report.problems << QStringLiteral("Brak zapisanego stanu dziennika %1 lub jest on uszkodzony: nie można "
                                          "sprawdzić, czy dziennik i tabele nie zostały zastąpione starszą kopią.")
                               .arg(Native(keys.StatePath(key->station)));
    if (kept) {
        if (kept->seq > lastSeq)
            report.problems << QStringLiteral("Dziennik skrócony: kończy się na zdarzeniu %1, a zapisano %2.")
                                   .arg(lastSeq)
                                   .arg(kept->seq);
        else if (kept->seq >= 0 && size_t(kept->seq) < total && keptLineMac != kept->mac)
            report.problems << QStringLiteral("Zdarzenie %1 różni się od zapamiętanego przy kluczu.").arg(kept->seq);
    }

    // The replay against the files.
    const std::optional<Event> held = replay.Held();
    for (int t = 1; t <= kTableCount; ++t) {
        const QString file = storage.WorkingFile(t);
        QByteArray data;
        const FileRead read = ReadWorkingFileRecovered(storage, t, data);
        if (read == FileRead::Failed) {
            report.problems << QStringLiteral("Tabela %1: nie można odczytać pliku %2.").arg(t).arg(Native(file));
            continue;
        }
        const std::vector<journal::ReplayLine> fileLines = journal::SplitFile(data);
        journal::TableReplay &table = replay.Table(t);
        Event last = replay.LastApplied(t);
        journal::FileComparison cmp;
        if (held && held->table == t) {
            journal::TableReplay after = table;
            after.Apply(*held, nullptr);
            cmp = journal::CompareLines(after.lines.Flat(), fileLines);
            if (!cmp.Same() && journal::CompareLines(table.lines.Flat(), fileLines).Same()) {
                report.notes << QStringLiteral("ostatnia zmiana (zdarzenie %1, tabela %2) nie dotarła do pliku "
                                               "(zapis przerwany).")
                                    .arg(held->seq)
                                    .arg(t);
                continue;
            }
            last = *held;
        } else {
            cmp = journal::CompareLines(table.lines.Flat(), fileLines);
        }
        if (cmp.Same()) {
            // The events' own account of the file agrees too.
            if (last.seq >= 0 && last.Sha() != Sha256::HexOf(data))
                report.problems << QStringLiteral("Tabela %1: suma kontrolna pliku %2 różni się od podanej w "
                                                  "zdarzeniu %3.")
                                       .arg(t)
                                       .arg(Native(file))
                                       .arg(last.seq);
            continue;
        }
        if (read == FileRead::Missing) {
            report.problems << QStringLiteral("Tabela %1: brak pliku %2 (w dzienniku linii: %3).")
                                   .arg(t)
                                   .arg(Native(file))
                                   .arg(table.lines.Size());
            continue;
        }
        if (journal::OnlyLoadUpdateMissing(cmp, qsizetype(fileLines.size()), last)) {
            report.notes << QStringLiteral("tabela %1, linia %2: ostatnia aktualizacja pomiaru w trybie 1 "
                                           "automatycznego dodawania nie jest jeszcze w dzienniku (%3).")
                                .arg(t)
                                .arg(cmp.rows[0].line)
                                .arg(journal::DescribeChange(cmp.rows[0].journal, cmp.rows[0].file));
            continue;
        }
        for (const journal::RowDifference &row : cmp.rows) {
            switch (row.kind) {
            case journal::RowDifference::Changed:
                report.problems << QStringLiteral("Tabela %1, linia %2: %3")
                                       .arg(t)
                                       .arg(row.line)
                                       .arg(journal::DescribeChange(row.journal, row.file));
                break;
            case journal::RowDifference::OnlyInJournal:
                report.problems << QStringLiteral("Tabela %1, linia %2 według dziennika: brak w pliku (%3).")
                                       .arg(t)
                                       .arg(row.line)
                                       .arg(Shown(row.journal.text));
                break;
            case journal::RowDifference::OnlyInFile:
                report.problems << QStringLiteral("Tabela %1, linia %2: nie ma jej w dzienniku (%3).")
                                       .arg(t)
                                       .arg(row.line)
                                       .arg(Shown(row.file.text));
                break;
            }
        }
    }
    return report;
}
