// A random run of every kind of table write: replaying the journal gives
// the files byte for byte, through restarts and stops in mid-write.

#include "journal_fixture.h"

#include "journal/journal_reader.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

#include <random>

namespace {

class JournalReplayRun : public JournalFixture {
protected:
    QByteArray RandomLine(int nr)
    {
        static const char *const materials[] = {"Piasek", "\xafwir \x81\x9c", "Glina\x98", "Z\xb3om"};
        return QByteArray::number(nr) + "\t2024-05-17 14:" + QByteArray::number(10 + rng() % 50) + "\t" +
               QByteArray::number(rng() % 100000 / 100.0, 'f', 2) + "\t1.00\t0.00\t0.50\t0.50\tWZ" +
               QByteArray::number(rng() % 5) + "\t" + materials[rng() % 4] + "\tBig bag\tJAN\tFirma";
    }
    QList<QByteArray> FileLines(int t) const
    {
        QList<QByteArray> out;
        ReadLines(Working(t), out);
        return out;
    }

    std::mt19937 rng{20240517};
    int nr = 100;
};

}  // namespace

TEST_F(JournalReplayRun, RandomActionsReplayToTheFilesExactly)
{
    // Tables as found: line ends of every kind, the last without one.
    ASSERT_TRUE(WriteAll(Working(1), RandomLine(1) + "\n" + RandomLine(2) + "\r" + RandomLine(3)));
    ASSERT_TRUE(WriteAll(Working(4), RandomLine(1) + "\r\n"));
    ASSERT_TRUE(Start().isEmpty());
    QByteArray loadLine;  // the row of a mode 1 load being updated
    int loadTable = 0;
    for (int step = 0; step < 600; ++step) {
        const int t = 1 + int(rng() % 3);
        const QList<QByteArray> lines = FileLines(t);
        const int kind = int(rng() % 100);
        if (loadTable && (kind < 20 || t != loadTable)) {
            // The row of the load goes on being updated, or the load ends.
            if (rng() % 4 == 0) {
                ASSERT_TRUE(J().EndLoadUpdates());
                loadTable = 0;
            } else {
                QByteArray next = loadLine;
                next = *WithField(next, ColGross, QByteArray::number(rng() % 1000));
                const ActionScope s(storage, TableAction::LoadUpdate);
                ASSERT_TRUE(ReplaceLine(storage, loadTable, loadLine, next));
                loadLine = next;
            }
            continue;
        }
        if (kind < 40 || lines.isEmpty()) {
            const QByteArray line = RandomLine(++nr);
            const TableAction via[] = {TableAction::AddButton, TableAction::AddInsert, TableAction::AddAutomatic,
                                       TableAction::AddRecord};
            ActionInfo add = ActionInfo::Of(via[rng() % 4]);
            add.opensLoad = rng() % 5 == 0 && !loadTable;
            const ActionScope s(storage, add);
            ASSERT_TRUE(AppendLine(storage, t, line));
            if (add.opensLoad)
                loadTable = t, loadLine = line;
        } else if (kind < 60) {
            const QByteArray old = lines[int(rng() % unsigned(lines.size()))];
            const ActionScope s(storage, ActionInfo::Correction(ColMaterial, false));
            ASSERT_TRUE(ReplaceLine(storage, t, old, *WithField(old, ColMaterial, "Korekta")));
        } else if (kind < 72) {
            QList<LineReplacement> range;
            for (qsizetype i = lines.size() / 2; i < lines.size(); ++i)
                range.append({lines[i], *WithField(lines[i], ColPrice, QByteArray::number(rng() % 9))});
            const ActionScope s(storage, ActionInfo::Correction(ColPrice, true));
            ASSERT_TRUE(ReplaceLines(storage, t, range));
        } else if (kind < 82) {
            const ActionScope s(storage, TableAction::Delete);
            ASSERT_TRUE(ReplaceLine(storage, t, lines[int(rng() % unsigned(lines.size()))], {}));
        } else if (kind < 88) {
            DataFilter filter;
            filter.order = "WZ" + QByteArray::number(rng() % 5);
            const ActionScope s(storage, ActionInfo::DeleteRange(1 + int(rng() % 2)));
            ASSERT_TRUE(PurgeByFilter(storage, t, filter, rng() % 2 == 0));
        } else if (kind < 92) {
            MeasurementTable read(t);
            for (int i = 0; i < 3; ++i)
                read.AddLine(RandomLine(++nr));
            const ActionScope s(storage, ActionInfo::ArchiveRead("archiwum/x.txt"));
            ASSERT_TRUE(RewriteWorkingFile(storage, read));
        } else if (kind < 94) {
            ASSERT_TRUE(ArchiveWorkingFile(storage, t, tmp.filePath(QString("a%1.txt").arg(step))));
        } else if (kind < 97) {
            // A restart, the load ended by the close.
            ASSERT_TRUE(J().EndLoadUpdates());
            loadTable = 0;
            ASSERT_TRUE(Start().isEmpty()) << step;
        } else {
            // A stop between the event and the file; the next start records it.
            TableChange change;
            change.table = t;
            change.line = RandomLine(++nr);
            change.appended = change.line + "\r\n";
            ASSERT_TRUE(J().Record(change, ActionInfo::Of(TableAction::AddButton)));
            Kill();
            loadTable = 0;
            ASSERT_TRUE(Start().isEmpty()) << step;
        }
        // A correction, deletion or reading may have taken the load's row away.
        if (loadTable && !FileLines(loadTable).contains(loadLine))
            loadTable = 0;
    }
    ASSERT_TRUE(J().EndLoadUpdates());
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 0) << qPrintable(r.Text());
    EXPECT_TRUE(r.notes.isEmpty()) << qPrintable(r.Text());

    // The replay itself, byte for byte.
    journal::JournalLines lines;
    ASSERT_TRUE(journal::ReadJournalLines(JournalPath(), lines));
    journal::EventReplay replay;
    for (size_t i = 0; i < lines.spans.size(); ++i)
        replay.Feed(*journal::ParseEvent(lines.Line(i)));
    replay.Flush();
    for (int t = 1; t <= 5; ++t)
        EXPECT_EQ(replay.Table(t).lines.Bytes(), ReadAll(Working(t))) << t;
    EXPECT_TRUE(Start().isEmpty());
}
