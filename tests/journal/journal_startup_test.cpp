// The start-up comparison of the five files with the journal: what a stop
// left unfinished is recorded without alarm; a change made outside the
// program is recorded and reported once.

#include "journal_fixture.h"

#include "core/sha256.h"
#include "tables/measurement_record.h"

#include <QFile>

#include <sys/resource.h>

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

// An older copy of the folder (journal and tables cut back together) is
// told only by the state kept with the key: losing that state is a finding.
TEST_F(JournalStartup, AStateDeletedOrSpoiltIsReportedAndRecorded)
{
    const QString statePath = KeyDir() + J().Station() + ".stan";
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    Kill();
    const QByteArray state = ReadAll(statePath);
    ASSERT_EQ(state.size(), 4096);
    QByteArray spoilt = state;
    spoilt[100] = spoilt[100] == '1' ? '2' : '1';
    spoilt[2048 + 100] = spoilt[2048 + 100] == '1' ? '2' : '1';
    for (const bool deleted : {true, false}) {
        SCOPED_TRACE(deleted);
        ASSERT_TRUE(deleted ? QFile::remove(statePath) : WriteAll(statePath, spoilt));
        JournalCheckReport r = Check();
        EXPECT_EQ(r.ExitCode(), 1);
        EXPECT_EQ(r.problems.size(), deleted ? 1 : 2) << qPrintable(r.Text());  // the second round: the first recorded
        EXPECT_EQ(r.problems.constLast(), "Brak zapisanego stanu dziennika " + statePath +
                                              " lub jest on uszkodzony: nie można sprawdzić, czy dziennik i tabele "
                                              "nie zostały zastąpione starszą kopią.");
        const QList<JournalFinding> findings = Start();
        ASSERT_EQ(findings.size(), 1);
        EXPECT_EQ(findings[0].kind, JournalFinding::Kind::StateLost);
        EXPECT_EQ(LastEvent().kind, "state_lost");
        Kill();
        // Recorded: a later check still names it, though a state is kept again.
        r = Check();
        EXPECT_EQ(r.ExitCode(), 1);
        EXPECT_EQ(r.problems.size(), deleted ? 1 : 2) << qPrintable(r.Text());
        EXPECT_TRUE(Start().isEmpty());
        Kill();
    }
}

// A copy of the data folder would continue the same chain in two places.
TEST_F(JournalStartup, ACopiedDataFolderIsReadOnlyAndTheOriginalGoesOn)
{
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    const QString statePath = KeyDir() + J().Station() + ".stan";
    Kill();
    const QString copyDir = tmp.path() + "/kopia/dane/";
    ASSERT_TRUE(QDir().mkpath(copyDir));
    for (const QString &name : QDir(DataDir()).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(DataDir() + name, copyDir + name));
    const QByteArray state = ReadAll(statePath), journal = ReadAll(copyDir + "dziennik.txt");

    TableStorage copy(copyDir);
    Journal inCopy(copy, JournalOptions{KeyDir(), &clock});
    const QList<JournalFinding> findings = inCopy.Open();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].kind, JournalFinding::Kind::FolderCopy);
    EXPECT_TRUE(FindingMessage(findings[0]).startsWith("Ten folder danych " + copyDir + " jest kopią"));
    EXPECT_FALSE(inCopy.IsKept());
    copy.SetWriteHook(&inCopy);
    EXPECT_EQ(AppendLine(copy, 1, Row(5)).message,
              "Zmiana nie została zapisana: ten folder danych jest kopią, tylko do odczytu.");
    copy.SetWriteHook(nullptr);
    EXPECT_EQ(ReadAll(statePath), state);
    EXPECT_EQ(ReadAll(copyDir + "dziennik.txt"), journal);

    EXPECT_TRUE(Start().isEmpty());
    EXPECT_TRUE(AppendLine(storage, 1, Row(5)).ok);
}

TEST_F(JournalStartup, AStateKeptBeforeTheFolderWasNamedIsStillGood)
{
    Kill();
    const KeyStore keys(KeyDir());
    const JournalKey key = *keys.Load(Events()[0].Body().value("station").toString().toLatin1());
    JournalState s = *keys.LoadState(key);
    ASSERT_FALSE(s.folder.isEmpty());
    s.folder.clear();
    ASSERT_TRUE(keys.SaveState(key, s));
    ASSERT_TRUE(keys.SaveState(key, s));  // both slots as an older program wrote them
    EXPECT_TRUE(Start().isEmpty());
    EXPECT_EQ(keys.LoadState(key)->folder, KeyStore::FolderIdentity(DataDir()));
}

TEST_F(JournalStartup, AJournalWithOnlyItsOpeningNeedsNoState)
{
    // The program stopped after the journal was begun and before its state was written.
    Kill();
    QFile::remove(JournalPath());
    for (const QString &name : QDir(KeyDir()).entryList(QDir::Files))
        QFile::remove(KeyDir() + name);
    ASSERT_TRUE(Start().isEmpty());
    Kill();
    ASSERT_TRUE(QFile::remove(KeyDir() + Events()[0].Body().value("station").toString() + ".stan"));
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
    EXPECT_TRUE(Start().isEmpty());
}

// Junk appended to the journal is read in bounded pieces: a start costs
// about a bounded line, not the junk's size several times over.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kFreedButHeldKb = 256L * 1024;  // AddressSanitizer's quarantine of freed memory
#else
constexpr long kFreedButHeldKb = 0;
#endif
TEST_F(JournalStartup, AHugeJunkLineIsABrokenLineThatCostsLittleMemory)
{
    Kill();
    {
        QFile f(JournalPath());
        ASSERT_TRUE(f.open(QIODevice::Append));
        const QByteArray junk(1 << 20, 'x');
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(f.write(junk), junk.size());
        f.write("\r\n");
    }
    struct rusage before {}, after {};
    getrusage(RUSAGE_SELF, &before);
    const QList<JournalFinding> findings = Start();
    getrusage(RUSAGE_SELF, &after);
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].kind, JournalFinding::Kind::JournalBroken);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 300L * 1024 + kFreedButHeldKb) << "kB";  // junk of 200 MB
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    EXPECT_EQ(LastEvent().kind, "add");
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

// Another account sharing the folder has no key: a change it made would be
// neither journaled nor sent, and later show as made outside the program.
TEST_F(JournalStartup, WithoutItsKeyChangesAreRefusedAndNothingIsWritten)
{
    Kill();
    Journal other(storage, JournalOptions{tmp.path() + "/another-account/", &clock});
    const QList<JournalFinding> findings = other.Open();
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].kind, JournalFinding::Kind::KeyMissing);
    EXPECT_FALSE(other.IsKept());
    EXPECT_EQ(other.Refusal(), "brak klucza dziennika pomiarów na tym koncie.");
    storage.SetWriteHook(&other);
    const QByteArray journal = ReadAll(JournalPath()), table = ReadAll(Working(1));
    const StorageResult r = AppendLine(storage, 1, Row(4));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Zmiana nie została zapisana: brak klucza dziennika pomiarów na tym koncie.");
    EXPECT_FALSE(ReplaceLine(storage, 1, Row(1), Row(1, "Glina")).ok);
    EXPECT_EQ(ReadAll(JournalPath()), journal);
    EXPECT_EQ(ReadAll(Working(1)), table);
    storage.SetWriteHook(nullptr);
    EXPECT_TRUE(Start().isEmpty());
}

TEST_F(JournalStartup, InvalidLinesTheProgramKeepsAreNoChangeOutside)
{
    Kill();
    ASSERT_TRUE(WriteAll(Working(1), Row(1) + "\r\n\r\n" + Row(2, "Glina") + "\r\nx\ty\r\n" + Row(3) + "\r\n"));
    ASSERT_EQ(Start().size(), 1);  // the editor's change, once
    DataFilter glina;
    glina.material = "Glina";
    ASSERT_TRUE(PurgeByFilter(storage, 1, glina, false));
    ASSERT_TRUE(ReplaceLine(storage, 1, Row(3), Row(3, "Żwir")));
    ASSERT_TRUE(AppendLine(storage, 1, Row(4)));
    EXPECT_EQ(ReadAll(Working(1)), Row(1) + "\r\n\r\nx\ty\r\n" + Row(3, "Żwir") + "\r\n" + Row(4) + "\r\n");
    EXPECT_TRUE(Start().isEmpty());
    EXPECT_EQ(Check().problems.size(), 1);
}
