// What the journal records for every write of a table file, compared on bytes.

#include "journal_fixture.h"

#include "core/sha256.h"
#include "journal/journal_format.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QMessageAuthenticationCode>

#include <sys/stat.h>

namespace {

class JournalEvents : public JournalFixture {
protected:
    // The event the last write made, after checking what every table event must carry.
    journal::Event TableEvent(int table = 1)
    {
        const journal::Event e = LastEvent();
        EXPECT_EQ(e.table, table);
        EXPECT_EQ(e.Body().value("t").toString(), "2024-05-17T14:03:22+02:00");
        const QByteArray file = ReadAll(Working(table));
        EXPECT_EQ(e.Sha(), Sha256::HexOf(file)) << qPrintable(e.kind);
        EXPECT_EQ(e.Lines(), file.count('\n'));
        return e;
    }
};

std::unique_ptr<MeasurementTable> TableOf(const QList<QByteArray> &lines, int number = 1)
{
    auto t = std::make_unique<MeasurementTable>(number);
    for (const QByteArray &l : lines)
        t->AddLine(l);
    return t;
}

}  // namespace

TEST(JournalText, TimeHasSecondsAndTheOffset)
{
    const QDate d(2024, 1, 5);
    EXPECT_EQ(journal::TimeText(QDateTime(d, QTime(6, 7, 8), Qt::OffsetFromUTC, 3600)), "2024-01-05T06:07:08+01:00");
    EXPECT_EQ(journal::TimeText(QDateTime(d, QTime(6, 7, 8), Qt::OffsetFromUTC, -19800)), "2024-01-05T06:07:08-05:30");
    EXPECT_EQ(journal::TimeText(QDateTime(d, QTime(23, 59, 59), Qt::UTC)), "2024-01-05T23:59:59+00:00");
}

TEST(JournalText, EveryByteOfALineSurvivesTheJsonLine)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all.append(char(b));
    QByteArray mac;
    const QByteArray line = journal::SignedLine({{"seq", 0}, {"kind", "x"}, {"line", journal::Text(all)}}, "k",
                                                journal::InitialMac(), &mac);
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_FALSE(line.contains('\r'));
    const std::optional<journal::Event> e = journal::ParseEvent(line);
    ASSERT_TRUE(e);
    EXPECT_EQ(BytesOf(e->Body().value("line")), all);
    // The five bytes cp1250 leaves unassigned stand for the same code points.
    EXPECT_EQ(journal::Text("\x81\x83\x88\x90\x98").toString(), QString::fromUtf16(u"\u0081\u0083\u0088\u0090\u0098"));
    EXPECT_FALSE(journal::Bytes(QString::fromUtf16(u"\u0105\u4e2d")));  // a character no byte stands for
}

TEST_F(JournalEvents, FirstStartMakesTheHeaderTheKeyAndTheOpeningBalance)
{
    // Line ends of every kind, a last line without one, bytes cp1250 leaves unassigned.
    const QByteArray table1 = Row(1) + "\r\n" + Row(2, "\x81\x9c\xb3") + "\n" + Row(3) + "\r" + Row(4);
    ASSERT_TRUE(WriteAll(Working(1), table1));
    ASSERT_TRUE(WriteAll(Working(3), ""));
    EXPECT_TRUE(Start().isEmpty());
    EXPECT_TRUE(J().IsKept());

    const QList<journal::Event> events = Events();
    ASSERT_EQ(events.size(), 6);
    EXPECT_EQ(events[0].kind, "journal");
    EXPECT_EQ(events[0].Body().value("format").toInt(), 1);
    EXPECT_EQ(events[0].Body().value("station").toString().toLatin1(), J().Station());
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(events[n].seq, n);
        EXPECT_EQ(events[n].kind, "opening");
        EXPECT_EQ(events[n].table, n);
    }
    const QJsonObject o = events[1].Body();
    ASSERT_EQ(o.value("lines").toArray().size(), 4);
    EXPECT_EQ(BytesOf(o.value("lines").toArray().at(1)), Row(2, "\x81\x9c\xb3"));
    EXPECT_EQ(o.value("eol").toObject(), (QJsonObject{{"2", "\n"}, {"3", "\r"}, {"4", ""}}));
    EXPECT_EQ(events[1].Sha(), Sha256::HexOf(table1));
    EXPECT_EQ(events[1].Lines(), 4);
    EXPECT_EQ(events[2].Lines(), 0);  // no file: nothing
    EXPECT_EQ(events[2].Sha(), Sha256::HexOf(""));

    // The key is the user's alone, and outside the data folder.
    struct stat key {}, dir {};
    ASSERT_EQ(::stat(QFile::encodeName(KeyDir() + J().Station() + ".klucz").constData(), &key), 0);
    ASSERT_EQ(::stat(QFile::encodeName(KeyDir()).constData(), &dir), 0);
    EXPECT_EQ(key.st_mode & 0777, 0600u);
    EXPECT_EQ(dir.st_mode & 0777, 0700u);
    EXPECT_FALSE(KeyDir().startsWith(DataDir()));
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalEvents, EveryLineIsSignedAndChainedAsDocumented)
{
    Start();
    {
        const ActionScope s(storage, TableAction::AddButton);
        ASSERT_TRUE(AppendLine(storage, 2, Row(1)));
    }
    J().NoteLogin("KOWALSKI");
    QList<QByteArray> keyLines;
    ASSERT_TRUE(ReadLines(KeyDir() + J().Station() + ".klucz", keyLines));
    const QByteArray secret = QByteArray::fromHex(keyLines.value(1));
    ASSERT_EQ(secret.size(), 32);
    QByteArray previous(64, '0');
    for (QByteArray line : JournalLines()) {
        ASSERT_TRUE(line.endsWith('\r'));
        line.chop(1);
        const qsizetype at = line.lastIndexOf(",\"mac\":\"");
        ASSERT_EQ(at, line.size() - 74);
        const QByteArray mac = line.mid(at + 8, 64);
        const QByteArray content = line.left(at) + "}";
        EXPECT_TRUE(QJsonDocument::fromJson(content).isObject());
        EXPECT_EQ(QMessageAuthenticationCode::hash(previous + content, secret, QCryptographicHash::Sha256).toHex(), mac);
        previous = mac;
    }
    EXPECT_EQ(LastEvent().kind, "login");
    EXPECT_EQ(LastEvent().Body().value("op").toString(), "KOWALSKI");
}

TEST_F(JournalEvents, AddsCarryTheLineItsPositionHowAndTheOperator)
{
    // A file from outside whose last line lacks its end: the add ends it first.
    ASSERT_TRUE(WriteAll(Working(1), Row(1)));
    Start();
    J().SetOperator("NOWAK \xa3ukasz");
    const std::pair<TableAction, const char *> ways[] = {{TableAction::AddButton, "button"},
                                                         {TableAction::AddInsert, "insert"},
                                                         {TableAction::AddAutomatic, "auto"},
                                                         {TableAction::AddRecord, "record"}};
    int nr = 2;
    for (const auto &[action, via] : ways) {
        const QByteArray line = Row(nr, "\xafwir \x81");
        {
            const ActionScope s(storage, action);
            ASSERT_TRUE(AppendLine(storage, 1, line));
        }
        const journal::Event e = TableEvent();
        EXPECT_EQ(e.kind, "add");
        EXPECT_EQ(e.Body().value("via").toString(), via);
        EXPECT_EQ(e.Body().value("at").toInt(), nr);
        EXPECT_EQ(BytesOf(e.Body().value("line")), line);
        EXPECT_EQ(BytesOf(e.Body().value("op")), "NOWAK \xa3ukasz");
        EXPECT_FALSE(e.Body().contains("load"));
        ++nr;
    }
    ASSERT_TRUE(AppendLoad(storage, 1, Row(nr++)));
    EXPECT_TRUE(LastEvent().Body().value("load").toBool());
    ASSERT_TRUE(AppendLine(storage, 1, Row(nr)));  // no action named: an add of unknown kind
    EXPECT_EQ(LastEvent().kind, "add");
    EXPECT_FALSE(LastEvent().Body().contains("via"));
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalEvents, CorrectionsNameTheFieldAndEachRowsOldAndNewText)
{
    ASSERT_TRUE(WriteAll(Working(1), Row(1) + "\r\n" + Row(2) + "\r\n" + Row(3) + "\r\n"));
    Start();
    {
        const ActionScope s(storage, ActionInfo::Correction(ColGross, false));
        ASSERT_TRUE(ReplaceLine(storage, 1, Row(2), Row(2, "Piasek", "130.00")));
    }
    journal::Event e = TableEvent();
    EXPECT_EQ(e.kind, "edit");
    EXPECT_EQ(e.Body().value("field").toInt(), ColGross);
    EXPECT_FALSE(e.Body().contains("range"));
    QJsonArray rows = e.Body().value("rows").toArray();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toObject().value("at").toInt(), 2);
    EXPECT_EQ(BytesOf(rows[0].toObject().value("line")), Row(2, "Piasek", "130.00"));
    EXPECT_EQ(rows[0].toObject().value("diff").toArray(), (QJsonArray{QJsonArray{ColGross, "120.50", "130.00"}}));

    // A range: the current row and all after it, in one rewrite.
    {
        const ActionScope s(storage, ActionInfo::Correction(ColMaterial, true));
        ASSERT_TRUE(ReplaceLines(storage, 1,
                                 {{Row(2, "Piasek", "130.00"), Row(2, "\xafwir", "130.00")}, {Row(3), Row(3, "\xafwir")}}));
    }
    e = TableEvent();
    EXPECT_TRUE(e.Body().value("range").toBool());
    EXPECT_EQ(e.Body().value("field").toInt(), ColMaterial);
    rows = e.Body().value("rows").toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toObject().value("at").toInt(), 2);
    EXPECT_EQ(rows[1].toObject().value("at").toInt(), 3);
    EXPECT_EQ(rows[1].toObject().value("diff").toArray(), (QJsonArray{QJsonArray{ColMaterial, "Piasek", "\u017bwir"}}));
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalEvents, DeletionsSeriesPurgesArchivesAndReadingBack)
{
    ASSERT_TRUE(WriteAll(Working(1), Row(1) + "\r\n" + Row(2, "Glina") + "\r\n" + Row(3) + "\r\n"));
    Start();
    {
        const ActionScope s(storage, TableAction::Delete);
        ASSERT_TRUE(ReplaceLine(storage, 1, Row(2, "Glina"), {}));
    }
    journal::Event e = TableEvent();
    EXPECT_EQ(e.kind, "delete");
    EXPECT_EQ(e.Body().value("at").toInt(), 2);
    EXPECT_EQ(BytesOf(e.Body().value("line")), Row(2, "Glina"));

    // Archives: the working file stays; the event names the file and its lines.
    const QString archive = tmp.path() + "/tab_1_20240517_140322.txt";
    ASSERT_TRUE(ArchiveWorkingFile(storage, 1, archive));
    e = LastEvent();
    EXPECT_EQ(e.kind, "archive");
    EXPECT_EQ(e.Body().value("file").toString(), archive);
    EXPECT_EQ(e.Body().value("count").toInt(), 2);
    EXPECT_EQ(e.Body().value("selection").toString(), "all");
    EXPECT_FALSE(e.Body().contains("sha"));
    const QString fromRows = tmp.path() + "/rows.txt";
    ASSERT_TRUE(WriteRowsTo(storage, fromRows, *TableOf({Row(9)})));
    EXPECT_EQ(LastEvent().Body().value("selection").toString(), "rows");
    EXPECT_EQ(LastEvent().Body().value("count").toInt(), 1);

    // Reading an archive back: the file becomes its lines.
    {
        const ActionScope s(storage, ActionInfo::ArchiveRead(fromRows));
        ASSERT_TRUE(RewriteWorkingFile(storage, *TableOf({Row(9), Row(10)})));
    }
    e = TableEvent();
    EXPECT_EQ(e.kind, "archive_read");
    EXPECT_EQ(e.Body().value("file").toString(), fromRows);
    EXPECT_EQ(BytesOf(e.Body().value("lines").toArray().at(1)), Row(10));

    // Deleting the shown rows by the filter: the positions removed.
    DataFilter filter;
    filter.material = "Glina";
    ASSERT_TRUE(AppendLine(storage, 1, Row(11, "Glina")));
    {
        const ActionScope s(storage, ActionInfo::DeleteRange(1));
        ASSERT_TRUE(PurgeByFilter(storage, 1, filter, false));
    }
    e = TableEvent();
    EXPECT_EQ(e.kind, "purge");
    EXPECT_EQ(e.Body().value("mode").toString(), "shown");
    EXPECT_EQ(e.Body().value("count").toInt(), 1);
    EXPECT_EQ(e.Body().value("removed").toArray(), QJsonArray{3});

    // Everything deleted, and a new series of the scale's records.
    {
        const ActionScope s(storage, ActionInfo::DeleteRange(0));
        ASSERT_TRUE(RewriteWorkingFile(storage, MeasurementTable(1)));
    }
    e = TableEvent();
    EXPECT_EQ(e.Body().value("mode").toString(), "all");
    EXPECT_EQ(e.Body().value("count").toInt(), 2);
    EXPECT_EQ(e.Body().value("lines").toArray().size(), 0);
    ASSERT_TRUE(AppendLine(storage, 1, Row(1)));
    {
        const ActionScope s(storage, TableAction::NewSeries);
        ASSERT_TRUE(RewriteWorkingFile(storage, MeasurementTable(1)));
    }
    EXPECT_EQ(TableEvent().kind, "series");
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalEvents, AFailedWriteIsRecordedAsNotAppliedAtOnce)
{
    ASSERT_TRUE(WriteAll(Working(1), Row(1) + "\r\n"));
    Start();
    ASSERT_TRUE(QFile::setPermissions(Working(1), QFileDevice::ReadOwner));
    EXPECT_FALSE(AppendLine(storage, 1, Row(2)));
    EXPECT_FALSE(ReplaceLine(storage, 1, Row(1), Row(1, "Glina")));
    QFile::setPermissions(Working(1), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadAll(Working(1)), Row(1) + "\r\n");
    // The append was journaled, then failed; the rewrite was refused before
    // anything was written, so there is nothing to record.
    const QList<journal::Event> events = Events();
    ASSERT_GE(events.size(), 2);
    EXPECT_EQ(events[events.size() - 2].kind, "add");
    EXPECT_EQ(events[events.size() - 1].kind, "not_applied");
    EXPECT_EQ(events[events.size() - 1].Body().value("ref").toInteger(), events[events.size() - 2].seq);
    EXPECT_EQ(events[events.size() - 1].table, 1);
    // The journal goes on from the file as it is.
    ASSERT_TRUE(AppendLine(storage, 1, Row(2)));
    EXPECT_EQ(TableEvent().Body().value("at").toInt(), 2);
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}

TEST_F(JournalEvents, AJournalThatCannotBeWrittenStopsTheChange)
{
    ASSERT_TRUE(WriteAll(Working(1), Row(1) + "\r\n"));
    Start();
    ASSERT_TRUE(QFile::setPermissions(JournalPath(), QFileDevice::ReadOwner));
    const StorageResult r = AppendLine(storage, 1, Row(2));
    QFile::setPermissions(JournalPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.startsWith("Błąd przy zapisie do pliku: " + JournalPath())) << qPrintable(r.message);
    EXPECT_EQ(ReadAll(Working(1)), Row(1) + "\r\n");
    EXPECT_EQ(Check().ExitCode(), 0) << qPrintable(Check().Text());
}
