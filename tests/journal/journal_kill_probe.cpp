// A stand-in for the program at work, to be killed: opens the journal of
// the data folder (the start-up check) and then, until killed, adds,
// corrects, range-edits and deletes weighings and updates mode 1 loads
// through the real table storage and journal.
// Usage: journal_kill_probe DATA_DIR KEY_DIR SEED [--open-only]
// Prints "ready" once open, and "finding: <message>" for anything the
// start-up check found (a false alarm, after a kill).

#include "core/clock.h"
#include "journal/journal.h"
#include "tables/measurement_record.h"
#include "tables/table_storage.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <random>

namespace {

QByteArray Line(std::mt19937 &rng, int nr, int gross)
{
    return QByteArray::number(nr) + "\t2024-05-17 14:" + QByteArray::number(10 + rng() % 50) + "\t" +
           QByteArray::number(gross / 100.0, 'f', 2) + "\t" + QByteArray::number(gross / 100.0, 'f', 2) +
           "\t0.00\t0.50\t1.00\tWZ" + QByteArray::number(rng() % 4) + "\tPiasek \xb3\x9c\tBig bag\tJAN\t" +
           QByteArray(int(rng() % 200), 'k');
}

QList<QByteArray> Lines(const TableStorage &storage, int t)
{
    QList<QByteArray> lines;
    ReadLines(storage.WorkingFile(t), lines);
    return lines;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const TableStorage storage(QString::fromLocal8Bit(argv[1]));
    SystemClock clock;
    Journal journal(storage, JournalOptions{QString::fromLocal8Bit(argv[2]), &clock});
    for (const JournalFinding &f : journal.Open())
        std::printf("finding: %s\n", FindingMessage(f).toUtf8().constData());
    std::printf("ready\n");
    std::fflush(stdout);
    if (argc > 4)
        return 0;
    const_cast<TableStorage &>(storage).SetWriteHook(&journal);
    journal.NoteLogin("PROBE");

    std::mt19937 rng(unsigned(std::strtoul(argv[3], nullptr, 10)));
    int nr = int(rng() % 100000);
    for (;;) {
        const int t = 1 + int(rng() % 2);
        const QList<QByteArray> lines = Lines(storage, t);
        const int kind = int(rng() % 100);
        if (kind < 35 || lines.isEmpty()) {
            // Now and then this is the row of a mode 1 load: updated at
            // every stable reading, journaled once when final.
            ActionInfo add = ActionInfo::Of(TableAction::AddAutomatic);
            add.opensLoad = rng() % 3 == 0;
            const ActionScope s(storage, add);
            QByteArray line = Line(rng, ++nr, 5000 + int(rng() % 1000));
            AppendLine(storage, t, line);
            if (add.opensLoad) {
                for (int i = 0, updates = int(rng() % 6); i < updates; ++i) {
                    QByteArray next = *WithField(line, ColGross, QByteArray::number(5000 + rng() % 1000));
                    const ActionScope u(storage, TableAction::LoadUpdate);
                    if (ReplaceLine(storage, t, line, next))
                        line = next;
                }
                if (rng() % 4 != 0)
                    journal.EndLoadUpdates();
            }
        } else if (kind < 60) {
            const QByteArray old = lines[int(rng() % unsigned(lines.size()))];
            const ActionScope s(storage, ActionInfo::Correction(ColGross, false));
            ReplaceLine(storage, t, old, *WithField(old, ColGross, QByteArray::number(rng() % 9999)));
        } else if (kind < 80) {
            QList<LineReplacement> range;
            for (qsizetype i = qsizetype(rng() % unsigned(lines.size())); i < lines.size(); ++i)
                range.append({lines[i], *WithField(lines[i], ColMaterial, "Zakres " + QByteArray::number(rng() % 99))});
            const ActionScope s(storage, ActionInfo::Correction(ColMaterial, true));
            ReplaceLines(storage, t, range);
        } else if (kind < 95 || lines.size() > 150) {
            const ActionScope s(storage, TableAction::Delete);
            ReplaceLine(storage, t, lines[int(rng() % unsigned(lines.size()))], {});
        } else {
            DataFilter filter;
            filter.order = "WZ" + QByteArray::number(rng() % 4);
            const ActionScope s(storage, ActionInfo::DeleteRange(1));
            PurgeByFilter(storage, t, filter, false);
        }
    }
}
