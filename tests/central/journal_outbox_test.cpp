// The journal read as the outbox: complete lines only, each with the mac of
// the line before, read on from where the last reading stopped, and read
// again from the start when the file is another one.

#include "central/journal_outbox.h"
#include "support/qt_printers.h"
#include "support/temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace central;

namespace {

QByteArray Line(int seq, char macDigit)
{
    return "{\"kind\":\"login\",\"seq\":" + QByteArray::number(seq) + ",\"mac\":\"" + QByteArray(64, macDigit) + "\"}";
}

bool Append(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::Append) && f.write(bytes) == bytes.size();
}

std::vector<OutboxEvent> TakeAll(const JournalOutbox &o, qint64 first, int count = 100, qint64 bytes = 1 << 20)
{
    std::vector<OutboxEvent> out;
    EXPECT_TRUE(o.Take(first, count, bytes, out));
    return out;
}

TEST(JournalOutbox, TakesCompleteLinesChainedToTheMacBefore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dziennik.txt");
    JournalOutbox o(path);
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::None);  // no journal yet
    EXPECT_EQ(o.Count(), 0);

    ASSERT_TRUE(Append(path, Line(0, 'a') + "\r\n" + Line(1, 'b') + "\r\n" + Line(2, 'c').left(20)));
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::Grew);
    EXPECT_EQ(o.Count(), 2);  // the third is still being written
    auto e = TakeAll(o, 0);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].seq, 0);
    EXPECT_EQ(e[0].previousMac, QByteArray(64, '0'));
    EXPECT_EQ(e[0].line, Line(0, 'a'));
    EXPECT_EQ(e[1].previousMac, QByteArray(64, 'a'));
    EXPECT_EQ(e[1].line, Line(1, 'b'));

    ASSERT_TRUE(Append(path, Line(2, 'c').mid(20) + "\r\n" + Line(3, 'd') + "\n"));
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::Grew);
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::None);
    EXPECT_EQ(o.Count(), 4);
    e = TakeAll(o, 2);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].line, Line(2, 'c'));
    EXPECT_EQ(e[0].previousMac, QByteArray(64, 'b'));
    EXPECT_EQ(e[1].line, Line(3, 'd'));  // a lone LF ends a line too
    EXPECT_TRUE(TakeAll(o, 4).empty());
    EXPECT_TRUE(TakeAll(o, -1).empty());
}

TEST(JournalOutbox, ABrokenLineIsTakenAsItIsAndTheNextOneGetsNoMac)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dziennik.txt");
    ASSERT_TRUE(Append(path, Line(0, 'a') + "\r\n{\"seq\":1, edited by hand}\r\n\r\n" + Line(3, 'd') + "\r\n"));
    JournalOutbox o(path);
    o.Refresh();
    const auto e = TakeAll(o, 0);
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[1].line, QByteArray("{\"seq\":1, edited by hand}"));
    EXPECT_EQ(e[2].previousMac, QByteArray());
    EXPECT_EQ(e[2].line, QByteArray());
    EXPECT_EQ(e[3].seq, 3);
    EXPECT_EQ(MacOfLine(Line(5, 'e')), QByteArray(64, 'e'));
    EXPECT_EQ(MacOfLine("{\"mac\":\"abc\"}"), QByteArray());
}

TEST(JournalOutbox, BatchesStopAtTheCountOrTheBytesButNeverTakeNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dziennik.txt");
    QByteArray all;
    for (int i = 0; i < 10; ++i)
        all += Line(i, char('a' + i)) + "\r\n";
    ASSERT_TRUE(Append(path, all));
    JournalOutbox o(path);
    o.Refresh();
    EXPECT_EQ(TakeAll(o, 0, 3).size(), 3u);
    const qint64 one = Line(0, 'a').size() + 2;
    EXPECT_EQ(TakeAll(o, 4, 100, 3 * one).size(), 3u);
    EXPECT_EQ(TakeAll(o, 4, 100, 3 * one - 1).size(), 2u);
    const auto single = TakeAll(o, 9, 100, 1);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].previousMac, QByteArray(64, 'i'));
}

TEST(JournalOutbox, AnotherFileInItsPlaceIsReadAgainFromTheStart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dziennik.txt");
    ASSERT_TRUE(Append(path, Line(0, 'a') + "\r\n" + Line(1, 'b') + "\r\n" + Line(2, 'c') + "\r\n"));
    JournalOutbox o(path);
    o.Refresh();
    ASSERT_EQ(o.Count(), 3);

    // Cut shorter.
    ASSERT_TRUE(WriteAll(path, Line(0, 'a') + "\r\n"));
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::Replaced);
    EXPECT_EQ(o.Count(), 1);

    // Written anew in place, as long as before: the line read last is not there.
    ASSERT_TRUE(WriteAll(path, Line(0, 'x') + "\r\n" + Line(1, 'y') + "\r\n" + Line(2, 'z') + "!\r\n"));
    o.Refresh();
    ASSERT_TRUE(WriteAll(path, Line(0, 'x') + "\r\n" + Line(1, 'y') + "\r\n" + Line(2, 'z') + "\r\n!"));
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::Replaced);
    EXPECT_EQ(o.Count(), 3);

    // Another file renamed over it.
    const QString other = dir.filePath("nowy.txt");
    ASSERT_TRUE(WriteAll(other, Line(0, 'q') + "\r\n" + Line(1, 'r') + "\r\n" + Line(2, 's') + "\r\n" +
                                    Line(3, 't') + "\r\n"));
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::Replaced);
    ASSERT_EQ(o.Count(), 4);
    EXPECT_EQ(TakeAll(o, 1)[0].previousMac, QByteArray(64, 'q'));

    QFile::remove(path);
    EXPECT_EQ(o.Refresh(), JournalOutbox::Change::Replaced);
    EXPECT_EQ(o.Count(), 0);
}

}  // namespace

TEST(JournalOutbox, ALineOverTheLimitIsTakenAloneUnreadAndTheNextGetsItsMac)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dziennik.txt");
    const QByteArray junk = "{" + QByteArray(5000, 'x') + ",\"mac\":\"" + QByteArray(64, 'f') + "\"}";
    ASSERT_TRUE(Append(path, Line(0, 'a') + "\r\n" + junk + "\r\n" + Line(2, 'c') + "\r\n"));
    JournalOutbox o(path);
    o.SetMaxLine(1000);
    o.Refresh();
    EXPECT_EQ(TakeAll(o, 0).size(), 1u);
    const auto e = TakeAll(o, 1);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].tooLong, junk.size() + 2);
    EXPECT_TRUE(e[0].line.isEmpty());
    EXPECT_EQ(e[0].previousMac, QByteArray(64, 'a'));
    const auto after = TakeAll(o, 2);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].tooLong, 0);
    EXPECT_EQ(after[0].previousMac, QByteArray(64, 'f'));
}
