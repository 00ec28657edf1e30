// The start-up comparison of the five files with the journal: what a stop
// left unfinished is recorded without alarm; a change made outside the
// program is recorded and reported once.

#include "journal_fixture.h"

#include "core/sha256.h"
#include "tables/measurement_record.h"

#include <QFile>

namespace {

// A row of the current load of mode 1 as it is updated: time, gross, net, value.
QByteArray LoadRow(int nr, const QByteArray &gross, const QByteArray &time = "2024-05-17 14:03")
{
    return QByteArray::number(nr) + "\t" + time + "\t" + gross + "\t" + gross + "\t0.00\t0.50\t1.00\tWZ1\tPiasek\tBig bag\tJAN\tFirma";
}

class JournalStartup : public JournalFixture {
protected:
    void SetUp() override
    {
        JournalFixture::SetUp();
        ASSERT_TRUE(WriteAll(Working(1), Row(1) + "\r\n" + Row(2) + "\r\n" + Row(3) + "\r\n"));
        ASSERT_TRUE(Start().isEmpty());
    }
    QStringList Notes() const { return Check().notes; }
};

}  // namespace

TEST_F(JournalStartup, AFileChangedOutsideIsReportedOnceAndTheJournalGoesOnFromIt)
{
    Kill();
    QByteArray file = ReadAll(Working(1));
    file.replace(Row(2), Row(2, "Piasek", "220.50"));
    ASSERT_TRUE(WriteAll(Working(1), file + Row(4) + "\r\n"));
    const QList<JournalFinding> findings = Start();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].kind, JournalFinding::Kind::FileChanged);
    EXPECT_EQ(FindingMessage(findings[0]),
              "Plik " + Working(1) + " został zmieniony poza programem (różnych wierszy: 2).\n"
                                     "Zmianę zapisano w dzienniku pomiarów.");
    const journal::Event e = LastEvent();
    EXPECT_EQ(e.kind, "external");
    EXPECT_EQ(e.Body().value("from").toInt(), 2);
    EXPECT_EQ(e.Body().value("drop").toInt(), 2);
    EXPECT_EQ(e.Body().value("differ").toInt(), 2);
    EXPECT_EQ(e.Sha(), Sha256::HexOf(ReadAll(Working(1))));

    // From the file as it is: the next add follows it, and the next start finds nothing.
    ASSERT_TRUE(AppendLine(storage, 1, Row(5)));
    EXPECT_EQ(LastEvent().Body().value("at").toInt(), 5);
    EXPECT_TRUE(Start().isEmpty());
    // The change stays on record: the check names it, and only it.
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 1);
    EXPECT_EQ(r.problems, QStringList{"Zdarzenie 6 (2024-05-17 14:03:22): plik pomiary1.txt zmieniony poza "
                                      "programem (różnych wierszy: 2)."});
}

TEST_F(JournalStartup, AReplacedOrRemovedTableFileIsRecorded)
{
    Kill();
    ASSERT_TRUE(WriteAll(Working(1), Row(7, "Glina") + "\n" + Row(8, "Glina")));
    QList<JournalFinding> findings = Start();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].rows, 3);
    // Its line ends from outside are kept exactly.
    EXPECT_EQ(LastEvent().Body().value("eol").toObject(), (QJsonObject{{"1", "\n"}, {"2", ""}}));
    Kill();
    QFile::remove(Working(1));
    findings = Start();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].rows, 2);
    EXPECT_EQ(LastEvent().Lines(), 0);
    EXPECT_EQ(Check().problems.size(), 2);  // both changes, nothing else
}

TEST_F(JournalStartup, AChangeThatNeverReachedItsFileIsRecordedAsNotApplied)
{
    // The event is on disk, then the program is stopped before the file is written.
    TableChange change;
    change.table = 1;
    change.line = Row(4);
    change.appended = Row(4) + "\r\n";
    ASSERT_TRUE(J().Record(change, ActionInfo::Of(TableAction::AddButton)));
    const qint64 seq = LastEvent().seq;
    Kill();
    // Checked before any start: a note, no alarm.
    JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 0) << qPrintable(r.Text());
    EXPECT_EQ(r.notes, QStringList{QString("ostatnia zmiana (zdarzenie %1, tabela 1) nie dotarła do pliku (zapis przerwany).").arg(seq)});

    EXPECT_TRUE(Start().isEmpty());
    EXPECT_EQ(LastEvent().kind, "not_applied");
    EXPECT_EQ(LastEvent().Body().value("ref").toInteger(), seq);
    r = Check();
    EXPECT_EQ(r.ExitCode(), 0) << qPrintable(r.Text());
    EXPECT_TRUE(r.notes.isEmpty());
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    EXPECT_EQ(LastEvent().Body().value("at").toInt(), 4);
}

TEST_F(JournalStartup, AChangeWhoseStateWasNotKeptIsTakenAsApplied)
{
    const QString statePath = KeyDir() + J().Station() + ".stan";
    const QByteArray state = ReadAll(statePath);
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    Kill();
    ASSERT_TRUE(WriteAll(statePath, state));  // stopped before the state was written
    const int events = Events().size();
    EXPECT_TRUE(Start().isEmpty());
    EXPECT_EQ(Events().size(), events);
    EXPECT_EQ(Check().ExitCode(), 0);
}

TEST_F(JournalStartup, AModeOneLoadIsJournaledOnceWhenFinal)
{
    ASSERT_TRUE(AppendLoad(storage, 1, LoadRow(4, "100.00")));
    const int events = Events().size();
    QByteArray current = LoadRow(4, "100.00");
    for (const char *gross : {"100.50", "101.00", "101.50"}) {
        const QByteArray next = LoadRow(4, gross, "2024-05-17 14:04");
        const ActionScope s(storage, TableAction::LoadUpdate);
        ASSERT_TRUE(ReplaceLine(storage, 1, current, next));
        current = next;
    }
    EXPECT_EQ(Events().size(), events);  // the updates themselves are not events
    ASSERT_TRUE(J().EndLoadUpdates());
    const journal::Event e = LastEvent();
    EXPECT_EQ(e.kind, "update");
    EXPECT_EQ(e.Sha(), Sha256::HexOf(ReadAll(Working(1))));
    const QJsonObject row = e.Body().value("rows").toArray().at(0).toObject();
    EXPECT_EQ(row.value("at").toInt(), 4);
    EXPECT_EQ(row.value("diff").toArray(),
              (QJsonArray{QJsonArray{ColTime, "2024-05-17 14:03", "2024-05-17 14:04"}, QJsonArray{ColGross, "100.00", "101.50"},
                          QJsonArray{ColNet, "100.00", "101.50"}}));
    EXPECT_TRUE(J().EndLoadUpdates());  // nothing more to journal
    EXPECT_EQ(Events().size(), events + 1);
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalStartup, AnotherWriteEndsTheLoadFirst)
{
    ASSERT_TRUE(AppendLoad(storage, 1, LoadRow(4, "100.00")));
    {
        const ActionScope s(storage, TableAction::LoadUpdate);
        ASSERT_TRUE(ReplaceLine(storage, 1, LoadRow(4, "100.00"), LoadRow(4, "105.00")));
    }
    ASSERT_TRUE(AppendLine(storage, 1, Row(5)));
    const QList<journal::Event> events = Events();
    EXPECT_EQ(events[events.size() - 2].kind, "update");
    EXPECT_EQ(events.back().kind, "add");
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalStartup, AStopDuringAModeOneLoadLeavesOnlyItsLastUpdate)
{
    ASSERT_TRUE(AppendLoad(storage, 1, LoadRow(4, "100.00")));
    {
        const ActionScope s(storage, TableAction::LoadUpdate);
        ASSERT_TRUE(ReplaceLine(storage, 1, LoadRow(4, "100.00"), LoadRow(4, "130.00", "2024-05-17 14:05")));
    }
    Kill();
    JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 0) << qPrintable(r.Text());
    ASSERT_EQ(r.notes.size(), 1);
    EXPECT_TRUE(r.notes[0].startsWith("tabela 1, linia 4: ostatnia aktualizacja pomiaru w trybie 1 automatycznego "
                                      "dodawania nie jest jeszcze w dzienniku (czas pobrania: w dzienniku"))
        << qPrintable(r.notes[0]);

    EXPECT_TRUE(Start().isEmpty());
    EXPECT_EQ(LastEvent().kind, "update");
    EXPECT_TRUE(LastEvent().Body().value("recovered").toBool());
    r = Check();
    EXPECT_EQ(r.ExitCode(), 0) << qPrintable(r.Text());
    EXPECT_TRUE(r.notes.isEmpty());
}

TEST_F(JournalStartup, TheLastRowChangedBeyondAnUpdateIsAChangeOutside)
{
    ASSERT_TRUE(AppendLoad(storage, 1, LoadRow(4, "100.00")));
    Kill();
    QByteArray file = ReadAll(Working(1));
    file.replace(LoadRow(4, "100.00"), LoadRow(4, "90.00").replace("Piasek", "Glina"));
    ASSERT_TRUE(WriteAll(Working(1), file));
    EXPECT_EQ(Check().ExitCode(), 1);
    const QList<JournalFinding> findings = Start();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].kind, JournalFinding::Kind::FileChanged);
}

// Only an open load (its add the table's last event) may differ from the
// journal, and only as an update would change it.
TEST_F(JournalStartup, AChangedLastRowIsExcusedOnlyWhileTheJournalHoldsItsLoadOpen)
{
    enum How { Button, LoadEnded, LoadOtherColumn };
    for (const How how : {Button, LoadEnded, LoadOtherColumn}) {
        SCOPED_TRACE(int(how));
        QByteArray row = LoadRow(4 + int(how), "100.00");
        if (how == Button) {
            const ActionScope s(storage, TableAction::AddButton);
            ASSERT_TRUE(AppendLine(storage, 1, row));
        } else {
            ASSERT_TRUE(AppendLoad(storage, 1, row));
        }
        if (how == LoadEnded) {
            const QByteArray next = LoadRow(4 + int(how), "101.00");
            {
                const ActionScope s(storage, TableAction::LoadUpdate);
                ASSERT_TRUE(ReplaceLine(storage, 1, row, next));
            }
            ASSERT_TRUE(J().EndLoadUpdates());
            row = next;
        }
        Kill();
        QByteArray edited = LoadRow(4 + int(how), "90.00", "2024-05-17 14:09");
        if (how == LoadOtherColumn)
            edited.replace("WZ1", "WZ9");
        QByteArray file = ReadAll(Working(1));
        file.replace(row, edited);
        ASSERT_TRUE(WriteAll(Working(1), file));
        EXPECT_EQ(Check().ExitCode(), 1) << qPrintable(Check().Text());
        const QList<JournalFinding> findings = Start();
        ASSERT_EQ(findings.size(), 1);
        EXPECT_EQ(findings[0].kind, JournalFinding::Kind::FileChanged);
        EXPECT_EQ(LastEvent().kind, "external");
    }
}

TEST_F(JournalStartup, AJournalLineCutShortByAStopIsDropped)
{
    Kill();
    const QByteArray whole = ReadAll(JournalPath());
    QFile f(JournalPath());
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("{\"kind\":\"add\",\"line\":\"4\\t2024");
    f.close();
    EXPECT_EQ(Check().ExitCode(), 0);
    EXPECT_EQ(Check().notes.size(), 1);
    EXPECT_TRUE(Start().isEmpty());
    EXPECT_EQ(ReadAll(JournalPath()), whole);
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalStartup, AJournalCutAtItsEndIsReportedAndRecorded)
{
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    ASSERT_TRUE(AppendLine(storage, 1, Row(5)));
    Kill();
    QList<QByteArray> lines = JournalLines();
    lines.removeLast();
    lines.removeLast();
    WriteJournalLines(lines);
    const QList<JournalFinding> findings = Start();
    ASSERT_EQ(findings.size(), 2);
    EXPECT_EQ(FindingMessage(findings[0]),
              "Dziennik pomiarów " + JournalPath() + " został skrócony: kończy się na zdarzeniu 5, a zapisano 7.");
    EXPECT_EQ(findings[1].kind, JournalFinding::Kind::FileChanged);  // its rows are no longer in it
    const QList<journal::Event> events = Events();
    EXPECT_EQ(events[6].kind, "cut");
    EXPECT_EQ(events[6].Body().value("expected_seq").toInt(), 7);
    // Recorded: a later check still names it, though the state moved on.
    EXPECT_TRUE(Check().problems.contains(
        "Zdarzenie 6 (2024-05-17 14:03:22): dziennik był skrócony (kończył się na zdarzeniu 5, a zapisano 7)."))
        << qPrintable(Check().Text());
}

TEST_F(JournalStartup, AMissingJournalBeginsANewOneThatSaysSo)
{
    Kill();
    const QByteArray station = Events()[0].Body().value("station").toString().toLatin1();
    QFile::remove(JournalPath());
    const QList<JournalFinding> findings = Start();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(FindingMessage(findings[0]), "Brak dziennika pomiarów " + JournalPath() +
                                               " prowadzonego dla tego folderu. Rozpoczęto nowy dziennik.");
    const journal::Event header = Events()[0];
    EXPECT_NE(header.Body().value("station").toString().toLatin1(), station);
    EXPECT_EQ(header.Body().value("previous").toObject().value("station").toString().toLatin1(), station);
    EXPECT_EQ(Check().ExitCode(), 1);
}

TEST_F(JournalStartup, WithoutItsKeyNothingIsJournaledAndTheTablesStillWork)
{
    Kill();
    Journal other(storage, JournalOptions{tmp.path() + "/another-account/", &clock});
    const QList<JournalFinding> findings = other.Open();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].kind, JournalFinding::Kind::KeyMissing);
    EXPECT_FALSE(other.IsKept());
    storage.SetWriteHook(&other);
    const QByteArray before = ReadAll(JournalPath());
    EXPECT_TRUE(AppendLine(storage, 1, Row(4)));
    EXPECT_EQ(ReadAll(JournalPath()), before);
    storage.SetWriteHook(nullptr);
}
