// operatorzy.txt: the field encoding and the file's bytes.

#include "dictionaries/operator_file.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/file_size_limit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kDiskHint = QString::fromUtf8("Brak miejsca na dysku lub dysk zabezpieczony przed zapisem.");

// One record built by hand, byte by byte, without the code under test.
QByteArray HandMadeRecord(const QByteArray &text)
{
    const QByteArray key = "vuq#$rKT58mh?";
    QByteArray out;
    for (int i = 1; i <= 32; ++i) {
        if (i <= text.size()) {
            out += char(quint8(text[i - 1]) ^ quint8(key[i % 13]));
            out += QByteArray(3, '\0');
        } else {
            out += QByteArray(4, '\xFF');
        }
    }
    return out;
}

}  // namespace

TEST(OperatorField, AdministratorEncodesToThirteenBytesAndNineteenMinusOnes)
{
    const OperatorFieldRecord r = EncodeOperatorField("ADMINISTRATOR");
    // Worked out by hand: 'A' ^ 'u', 'D' ^ 'q', ... and the 13th character with the key's first byte.
    const int expected[13] = {52, 53, 110, 109, 60, 2, 7, 97, 106, 44, 60, 112, 36};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(r.values[i], expected[i]) << "position " << i + 1;
    for (int i = 13; i < 32; ++i)
        EXPECT_EQ(r.values[i], -1) << "position " << i + 1;
    EXPECT_EQ(DecodeOperatorField(r), QByteArray("ADMINISTRATOR"));
}

TEST(OperatorField, ThirtyTwoCharactersFillTheRecordAndComeBackWhole)
{
    // Polish letters are high bytes: none may turn into -1 or a negative integer.
    const QByteArray name = QByteArray("\xA3\xB9\xBF\xF3\xB3ty Zdzis\xB3"
                                       "aw Ko\xB3odziej")
                                .leftJustified(32, 'x', true);
    ASSERT_EQ(name.size(), 32);
    const OperatorFieldRecord r = EncodeOperatorField(name);
    for (int i = 0; i < 32; ++i) {
        EXPECT_NE(r.values[i], -1) << "position " << i + 1;
        EXPECT_GE(r.values[i], 0);
        EXPECT_LE(r.values[i], 255);
    }
    EXPECT_EQ(DecodeOperatorField(r), name);
    EXPECT_EQ(r.ToBytes(), HandMadeRecord(name));

    // The key wraps: positions 13 and 26 use its first byte, 14 and 27 its second.
    const OperatorFieldRecord a = EncodeOperatorField(QByteArray(32, 'a'));
    EXPECT_EQ(a.values[12], 'a' ^ 'v');
    EXPECT_EQ(a.values[25], 'a' ^ 'v');
    EXPECT_EQ(a.values[13], 'a' ^ 'u');
    EXPECT_EQ(a.values[26], 'a' ^ 'u');
}

TEST(OperatorField, ByteThatXorsToFFIsNotTakenForTheEnd)
{
    // Position 3 uses the key's byte at offset 3, '#'; this character encodes to 255.
    QByteArray tricky = "ab";
    tricky += char(quint8('#') ^ 0xFF);
    const OperatorFieldRecord r = EncodeOperatorField(tricky);
    EXPECT_EQ(r.values[2], 255);
    EXPECT_EQ(r.ToBytes().mid(8, 4), QByteArray("\xFF\x00\x00\x00", 4));
    EXPECT_EQ(DecodeOperatorField(r), tricky);
}

TEST(OperatorField, LongTextKeepsItsFirst32AndEmptyTextIsAllMinusOne)
{
    const QByteArray forty = "0123456789012345678901234567890123456789";
    EXPECT_EQ(DecodeOperatorField(EncodeOperatorField(forty)), forty.left(32));
    const OperatorFieldRecord empty = EncodeOperatorField("");
    EXPECT_EQ(empty.ToBytes(), QByteArray(128, '\xFF'));
    EXPECT_EQ(DecodeOperatorField(empty), QByteArray());
    // A record read from disk is little-endian.
    EXPECT_EQ(OperatorFieldRecord::FromBytes(HandMadeRecord("Jan")).values[0], 'J' ^ 'u');
}

class OperatorFileTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    ScriptedPrompts prompts;
    QString Path() const { return tmp.filePath("dane/operatorzy.txt"); }
    void SetUp() override { QDir(tmp.path()).mkpath("dane"); }
};

TEST_F(OperatorFileTest, MissingFileIsCreatedWithTheAdministratorByteForByte)
{
    const OperatorFileLoad load = LoadOperatorFile(Path(), prompts);
    EXPECT_TRUE(load.created);
    EXPECT_FALSE(load.failed);
    EXPECT_TRUE(prompts.messages.isEmpty());
    const QByteArray bytes = ReadAll(Path());
    EXPECT_EQ(bytes.size(), 256);
    EXPECT_EQ(bytes, HandMadeRecord("ADMINISTRATOR") + HandMadeRecord("957"));
    ASSERT_EQ(load.entries.size(), 1);
    EXPECT_EQ(load.entries[0].name, QByteArray("ADMINISTRATOR"));
    EXPECT_EQ(load.entries[0].password, QByteArray("957"));

    // The next start reads it as it is and writes nothing.
    const QDateTime written = QFileInfo(Path()).lastModified();
    const OperatorFileLoad again = LoadOperatorFile(Path(), prompts);
    EXPECT_FALSE(again.created);
    EXPECT_EQ(again.entries.size(), 1);
    EXPECT_EQ(QFileInfo(Path()).lastModified(), written);
}

TEST_F(OperatorFileTest, FileThatCannotBeCreatedGivesError10AndNoOperators)
{
    const QString path = tmp.filePath("brak/operatorzy.txt");
    const OperatorFileLoad load = LoadOperatorFile(path, prompts);
    EXPECT_TRUE(load.failed);
    EXPECT_TRUE(load.entries.isEmpty());
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{QString::fromUtf8("Błąd (10) przy zapisie do pliku: ") + path + ".\n" + kDiskHint});
    EXPECT_EQ(prompts.messages[0].icon, UserPrompts::Icon::Error);
}

TEST_F(OperatorFileTest, EmptyAndCutFilesLoadTheirWholePairsOnly)
{
    WriteAll(Path(), "");
    OperatorFileLoad load = LoadOperatorFile(Path(), prompts);
    EXPECT_FALSE(load.created);
    EXPECT_TRUE(load.entries.isEmpty());
    EXPECT_EQ(ReadAll(Path()), QByteArray());  // an empty file is not refilled

    const QByteArray two = SerializeOperators({{"Nowak", "1"}, {"ADMINISTRATOR", "957"}});
    WriteAll(Path(), two + HandMadeRecord("Wi\xB6niewski") + "\x01\x02");
    load = LoadOperatorFile(Path(), prompts);
    ASSERT_EQ(load.entries.size(), 2);
    EXPECT_EQ(load.entries[0].name, QByteArray("Nowak"));  // file order
    EXPECT_EQ(load.strayBytes, 130);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(OperatorFileTest, AFifoInPlaceOfTheFileIsAReadingErrorAndNoWait)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path()).constData(), 0600), 0);
    auto load = std::async(std::launch::async, [this] {
        ScriptedPrompts p;
        OperatorFileLoad l = LoadOperatorFile(Path(), p);
        return std::make_pair(l, p.MessageTexts());
    });
    if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        // Release the waiting reader so the test ends, then fail.
        const int fd = ::open(QFile::encodeName(Path()).constData(), O_WRONLY);
        if (fd >= 0)
            ::close(fd);
        load.wait();
        FAIL() << "the start waits for a writer of the FIFO";
    }
    const auto [result, messages] = load.get();
    EXPECT_TRUE(result.failed);
    EXPECT_TRUE(result.entries.isEmpty());
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("Błąd przy odczycie pliku: ") + Path() + "."});
}

TEST_F(OperatorFileTest, SaveWritesPairsInListOrderAndAFailureKeepsTheOldFile)
{
    const QList<OperatorEntry> list{{"ADMINISTRATOR", "957"}, {"Zenon", "tajne has\xB3o"}};
    ASSERT_TRUE(SaveOperatorFile(Path(), list, prompts));
    EXPECT_EQ(ReadAll(Path()), HandMadeRecord("ADMINISTRATOR") + HandMadeRecord("957") + HandMadeRecord("Zenon") +
                                   HandMadeRecord("tajne has\xB3o"));

    const QByteArray before = ReadAll(Path());
    bool saved;
    {
        FileSizeLimit limit(300);  // the disk fills up in the middle of the new file
        saved = SaveOperatorFile(Path(), list + QList<OperatorEntry>{{"Adam", "a"}}, prompts);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadAll(Path()), before);
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{QString::fromUtf8("Błąd przy zapisie do pliku: ") + Path() + ".\n" + kDiskHint});
    EXPECT_EQ(QDir(tmp.filePath("dane")).entryList(QDir::Files), QStringList{"operatorzy.txt"});

    prompts = ScriptedPrompts();
    const QString nowhere = tmp.filePath("brak/operatorzy.txt");
    EXPECT_FALSE(SaveOperatorFile(nowhere, list, prompts));
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{QString::fromUtf8("Błąd (1) przy zapisie do pliku: ") + nowhere + ".\n" + kDiskHint});
}
