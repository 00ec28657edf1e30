// The verification: every kind of tampering is found, nothing is when
// nothing was changed, and the exit codes say which.

#include "journal_fixture.h"

#include "journal/journal_line.h"
#include "journal/key_store.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class JournalCheck : public JournalFixture {
protected:
    // A short working history: adds, a correction, a deletion, in two tables.
    void SetUp() override
    {
        JournalFixture::SetUp();
        ASSERT_TRUE(WriteAll(Working(1), Row(1) + "\r\n" + Row(2) + "\r\n"));
        Start();
        J().NoteLogin("KOWALSKI");
        for (int nr = 3; nr <= 6; ++nr) {
            const ActionScope s(storage, TableAction::AddButton);
            ASSERT_TRUE(AppendLine(storage, 1, Row(nr)));
        }
        ASSERT_TRUE(AppendLine(storage, 2, Row(1, "Glina")));
        {
            const ActionScope s(storage, ActionInfo::Correction(ColGross, false));
            ASSERT_TRUE(ReplaceLine(storage, 1, Row(4), Row(4, "Piasek", "99.00")));
        }
        {
            const ActionScope s(storage, TableAction::Delete);
            ASSERT_TRUE(ReplaceLine(storage, 1, Row(5), {}));
        }
        Kill();
        const JournalCheckReport clean = Check();
        ASSERT_EQ(clean.ExitCode(), 0) << qPrintable(clean.Text());
        ASSERT_EQ(clean.events, 14);
    }

    // The report has a line starting with `start`.
    static bool Says(const JournalCheckReport &r, const QString &start)
    {
        for (const QString &p : r.problems)
            if (p.startsWith(start))
                return true;
        return false;
    }
};

}  // namespace

TEST_F(JournalCheck, ACleanJournalReportsItsEventsAndAgreement)
{
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.Text(), "Sprawdzono zdarzeń: 14\nWynik: dziennik zgodny z plikami tabel.\n");
    EXPECT_TRUE(r.notes.isEmpty());
}

TEST_F(JournalCheck, AnEditedJournalLineBreaksItsSignature)
{
    // The weight of the add at line 9 changed in an editor.
    QList<QByteArray> lines = JournalLines();
    ASSERT_TRUE(lines[8].contains("\"at\":4"));
    lines[8].replace("120.50", "125.50");
    WriteJournalLines(lines);
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 1);
    EXPECT_TRUE(Says(r, "Linia 9 dziennika: podpis nieprawidłowy")) << qPrintable(r.Text());
    // Replayed as written, the add no longer matches the correction after it nor the file.
    EXPECT_TRUE(Says(r, "Zdarzenie 12 (2024-05-17 14:03:22), tabela 1: linia 4: poprzednia treść")) << qPrintable(r.Text());
}

TEST_F(JournalCheck, ARemovedOrMovedJournalLineIsFound)
{
    const QList<QByteArray> original = JournalLines();
    QList<QByteArray> lines = original;
    lines.removeAt(9);  // the add of nr 5
    WriteJournalLines(lines);
    JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 1);
    EXPECT_TRUE(Says(r, "Linia 10 dziennika: brak zdarzeń 9–9 (usunięte).")) << qPrintable(r.Text());
    EXPECT_TRUE(Says(r, "Linia 10 dziennika: podpis nieprawidłowy")) << qPrintable(r.Text());

    lines = original;
    std::swap(lines[7], lines[8]);
    WriteJournalLines(lines);
    r = Check();
    EXPECT_TRUE(Says(r, "Linia 9 dziennika: zdarzenie 7 po zdarzeniu 8 (dopisane lub przestawione).")) << qPrintable(r.Text());
    EXPECT_TRUE(Says(r, "Linia 8 dziennika: podpis nieprawidłowy")) << qPrintable(r.Text());
}

TEST_F(JournalCheck, AJournalCutAtItsEndIsFoundByTheKeptState)
{
    QList<QByteArray> lines = JournalLines();
    lines.removeLast();
    lines.removeLast();
    WriteJournalLines(lines);
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 1);
    EXPECT_TRUE(Says(r, "Dziennik skrócony: kończy się na zdarzeniu 11, a zapisano 13.")) << qPrintable(r.Text());
}

// Someone with the key rewrote the last event: the chain holds, the state
// kept with the key does not.
TEST_F(JournalCheck, ALastEventSignedAnewDiffersFromTheKeptState)
{
    QList<QByteArray> lines = JournalLines();  // each with its CR
    for (QByteArray &l : lines)
        l.chop(1);
    const std::optional<JournalKey> key = KeyStore(KeyDir()).Load(journal::ParseEvent(lines[0])->station.toLatin1());
    ASSERT_TRUE(key);
    const QByteArray previousMac = journal::MacOf(lines[lines.size() - 2]).toByteArray();
    ASSERT_TRUE(journal::Verify(key->secret, previousMac, lines.last()));
    QJsonObject last = QJsonDocument::fromJson(lines.last()).object();
    last.remove("mac");
    last.insert("op", "INNY");
    QByteArray mac;
    lines.last() = journal::SignedLine(last, key->secret, previousMac, &mac);
    for (QByteArray &l : lines)
        l += '\r';
    WriteJournalLines(lines);
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 1);
    EXPECT_TRUE(Says(r, QString("Zdarzenie %1 różni się od zapamiętanego przy kluczu.").arg(lines.size() - 1)))
        << qPrintable(r.Text());
    EXPECT_FALSE(Says(r, "Linia")) << qPrintable(r.Text());  // every signature holds
}

TEST_F(JournalCheck, AnEmptyJournalCannotBeChecked)
{
    ASSERT_TRUE(WriteAll(DataDir() + "dziennik.txt", ""));
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 2);
    EXPECT_TRUE(r.failure.contains("jest pusty")) << qPrintable(r.Text());
}

TEST_F(JournalCheck, AChangedTableLineIsNamedWithItsColumn)
{
    QByteArray file = ReadAll(Working(1));
    file.replace(Row(6), Row(6, "Piasek", "200.00"));
    ASSERT_TRUE(WriteAll(Working(1), file));
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 1);
    EXPECT_EQ(r.problems,
              QStringList{"Tabela 1, linia 5: brutto: w dzienniku \"120.50\", w pliku \"200.00\""});
}

TEST_F(JournalCheck, RowsRemovedAddedOrReorderedInATableFileAreListed)
{
    // Removed: the row is missing; added: it is not in the journal.
    const QByteArray file = ReadAll(Working(1));
    QByteArray cut = file;
    cut.replace(Row(3) + "\r\n", "");
    ASSERT_TRUE(WriteAll(Working(1), cut + Row(7) + "\r\n"));
    JournalCheckReport r = Check();
    EXPECT_TRUE(Says(r, "Tabela 1, linia 3 według dziennika: brak w pliku (3 | 2024-05-17 14:03 | 120.50"))
        << qPrintable(r.Text());
    EXPECT_TRUE(Says(r, "Tabela 1, linia 5: nie ma jej w dzienniku (7 | ")) << qPrintable(r.Text());

    // Two rows swapped: one is away from its place, and found at another.
    QList<QByteArray> rows = file.split('\n');
    std::swap(rows[0], rows[1]);
    ASSERT_TRUE(WriteAll(Working(1), rows.join('\n')));
    r = Check();
    EXPECT_EQ(r.problems.size(), 2) << qPrintable(r.Text());
    EXPECT_TRUE(Says(r, "Tabela 1, linia 1 według dziennika: brak w pliku (1 |")) << qPrintable(r.Text());
    EXPECT_TRUE(Says(r, "Tabela 1, linia 2: nie ma jej w dzienniku (1 |")) << qPrintable(r.Text());
}

TEST_F(JournalCheck, AReplacedOrRemovedTableFileIsFound)
{
    ASSERT_TRUE(WriteAll(Working(2), Row(1, "Glina") + "\r\n" + Row(2, "Glina") + "\r\n"));
    JournalCheckReport r = Check();
    EXPECT_TRUE(Says(r, "Tabela 2, linia 2: nie ma jej w dzienniku")) << qPrintable(r.Text());
    QFile::remove(Working(2));
    r = Check();
    EXPECT_EQ(r.problems, QStringList{"Tabela 2: brak pliku " + Working(2) + " (w dzienniku linii: 1)."});
}

TEST_F(JournalCheck, AnotherKeyMatchesNoSignature)
{
    const QString keyFile = KeyDir() + Events()[0].Body().value("station").toString() + ".klucz";
    QList<QByteArray> key;
    ASSERT_TRUE(ReadLines(keyFile, key));
    key[1] = QByteArray(64, 'a');
    ASSERT_TRUE(WriteAll(keyFile, key.join('\n') + '\n'));
    const JournalCheckReport r = Check();
    EXPECT_EQ(r.ExitCode(), 1);
    EXPECT_EQ(r.problems.value(0), "Klucz nie pasuje do dziennika: żaden podpis się nie zgadza.");
}

TEST_F(JournalCheck, NoKeyOrNoJournalCannotBeChecked)
{
    // Elsewhere (another account, another machine) the key is not there.
    const JournalCheckReport noKey = CheckJournal(DataDir(), tmp.path() + "/elsewhere/", 2);
    EXPECT_EQ(noKey.ExitCode(), 2);
    EXPECT_TRUE(noKey.failure.startsWith("Brak klucza dziennika (stanowisko ")) << qPrintable(noKey.failure);

    // The journal of this folder removed: found, since the key remembers the folder.
    QFile::remove(JournalPath());
    const JournalCheckReport gone = Check();
    EXPECT_EQ(gone.ExitCode(), 1);
    EXPECT_TRUE(Says(gone, "Brak dziennika " + JournalPath() + " prowadzonego dla tego folderu")) << qPrintable(gone.Text());

    // A folder that never had one.
    QTemporaryDir other;
    EXPECT_EQ(CheckJournal(other.path() + "/dane/", KeyDir(), 2).ExitCode(), 2);
}

TEST_F(JournalCheck, ChecksChangeNothing)
{
    const QByteArray journalBefore = ReadAll(JournalPath());
    const QByteArray fileBefore = ReadAll(Working(1));
    // An append cut short by a stop: the check reads it as completed, in memory only.
    ASSERT_TRUE(WriteAll(storage.AppendJournal(1), QByteArray::number(fileBefore.size()) + "\n" + Row(7) + "\r\n"));
    const JournalCheckReport r = Check();
    EXPECT_TRUE(Says(r, "Tabela 1, linia 6: nie ma jej w dzienniku (7 |")) << qPrintable(r.Text());
    EXPECT_EQ(ReadAll(JournalPath()), journalBefore);
    EXPECT_EQ(ReadAll(Working(1)), fileBefore);
    EXPECT_TRUE(QFile::exists(storage.AppendJournal(1)));
}
