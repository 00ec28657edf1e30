// Reading a journal piece by piece gives exactly the lines of reading it
// whole, whatever the piece size, and keeps to the size it had when opened.

#include "journal/journal_reader.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <random>

using journal::JournalStream;

namespace {

struct Read {
    std::vector<QByteArray> lines;
    bool torn = false;
    bool failed = false;
};

Read Streamed(const QString &path, qsizetype piece)
{
    Read r;
    JournalStream s(piece);
    EXPECT_EQ(s.Open(path), FileRead::Ok);
    std::vector<QByteArrayView> lines;
    while (s.Next(lines)) {
        EXPECT_FALSE(lines.empty());  // a piece always brings a line
        for (QByteArrayView l : lines)
            r.lines.push_back(l.toByteArray());
    }
    r.torn = s.TornTail();
    r.failed = s.Failed();
    return r;
}

}  // namespace

TEST(JournalStream, PiecesOfAnySizeGiveTheLinesOfReadingItWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dziennik.txt");
    std::mt19937 rng(17);
    for (int round = 0; round < 40; ++round) {
        QByteArray data;
        const int count = int(rng() % 60);
        for (int i = 0; i < count; ++i) {
            QByteArray line(int(rng() % (round % 4 == 0 ? 300 : 40)), 'x');
            for (char &c : line)
                c = char('a' + rng() % 26 - (rng() % 9 == 0 ? 84 : 0));  // a lone CR now and then
            data += line + (rng() % 3 == 0 ? "\n" : "\r\n");
        }
        if (round % 3 == 0)
            data += "{\"seq\":9,\"kind\"";  // cut short by a stop
        ASSERT_TRUE(WriteAll(path, data));
        journal::JournalLines whole;
        ASSERT_TRUE(journal::ReadJournalLines(path, whole));
        std::vector<QByteArray> expected;
        for (size_t i = 0; i < whole.spans.size(); ++i)
            expected.push_back(whole.Line(i).toByteArray());
        for (qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(64), qsizetype(1 << 20)}) {
            const Read r = Streamed(path, piece);
            ASSERT_EQ(r.lines, expected) << "round " << round << ", piece " << piece;
            EXPECT_EQ(r.torn, whole.tornTail);
            EXPECT_FALSE(r.failed);
        }
    }
}

TEST(JournalStream, MissingEmptyNotAFileAndGrowingMeanwhile)
{
    QTemporaryDir dir;
    JournalStream missing;
    EXPECT_EQ(missing.Open(dir.filePath("brak.txt")), FileRead::Missing);
    JournalStream folder;
    EXPECT_EQ(folder.Open(dir.path()), FileRead::Failed);

    const QString path = dir.filePath("dziennik.txt");
    ASSERT_TRUE(WriteAll(path, ""));
    Read r = Streamed(path, 16);
    EXPECT_TRUE(r.lines.empty());
    EXPECT_FALSE(r.torn);

    // Lines appended after the opening are left for the next reading.
    ASSERT_TRUE(WriteAll(path, "a\r\nb\r\n"));
    JournalStream s(2);
    ASSERT_EQ(s.Open(path), FileRead::Ok);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("c\r\n");
    f.close();
    std::vector<QByteArray> got;
    std::vector<QByteArrayView> lines;
    while (s.Next(lines))
        for (QByteArrayView l : lines)
            got.push_back(l.toByteArray());
    EXPECT_EQ(got, (std::vector<QByteArray>{"a", "b"}));
    EXPECT_FALSE(s.TornTail());
}

// A line longer than the bound is no line the program wrote: only its first
// bytes are handed out, and where every line ends in the file stays true.
TEST(JournalStream, ALineBeyondTheBoundIsCutAndTheOffsetsStayTrue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dziennik.txt");
    const QByteArray longLine(100, 'x');
    struct Case {
        QByteArray data;
        qint64 from;
        std::vector<QByteArray> lines;
        std::vector<qint64> ends;
        bool torn;
    };
    const Case cases[] = {
        {"a\r\n" + longLine + "\r\nb\n", 0, {"a", QByteArray(32, 'x'), "b"}, {3, 105, 107}, false},
        {"a\r\n" + longLine + "\r\nb\n", 3, {QByteArray(32, 'x'), "b"}, {105, 107}, false},
        {"a\r\n" + longLine + "\r\n" + longLine + "\nb", 0, {"a", QByteArray(32, 'x'), QByteArray(32, 'x')},
         {3, 105, 206}, true},
        {"a\r\n" + longLine, 0, {"a"}, {3}, true},  // junk without an end: a torn tail
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteAll(path, c.data));
        for (qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(64), qsizetype(1 << 20)}) {
            SCOPED_TRACE(piece);
            JournalStream s(piece, 32);
            ASSERT_EQ(s.Open(path, c.from), FileRead::Ok);
            std::vector<QByteArray> got;
            std::vector<qint64> gotEnds;
            std::vector<QByteArrayView> lines;
            std::vector<qint64> ends;
            while (s.Next(lines, &ends)) {
                for (QByteArrayView l : lines)
                    got.push_back(l.toByteArray());
                gotEnds.insert(gotEnds.end(), ends.begin(), ends.end());
            }
            EXPECT_EQ(got, c.lines);
            EXPECT_EQ(gotEnds, c.ends);
            EXPECT_EQ(s.TornTail(), c.torn);
        }
    }
}
