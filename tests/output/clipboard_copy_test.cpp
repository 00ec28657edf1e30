#include "output/clipboard_copy.h"
#include "support/qt_printers.h"
#include "support/scripted_prompts.h"
#include "tables/measurement_table.h"

#include <gtest/gtest.h>

namespace {

QByteArray Row(int nr, const QByteArray &customer = "Budex")
{
    return QByteArray::number(nr) + "\t2024-05-17 14:03\t12.50\t(10.00)\t2.50\t0.45\t4.50\tWZ/1\tPiasek\tPaleta\tJAN\t" +
           customer;
}

class Clipboard : public ::testing::Test {
protected:
    void Fill(int rows)
    {
        table.Clear();
        for (int i = 1; i <= rows; ++i)
            table.AddLine(Row(i));
    }
    bool Copy()
    {
        ClipboardContext ctx{table, widths, prompts, [this](const QString &t) { clipboard = t, ++sets; }, {}};
        return CopyTableToClipboard(ctx);
    }
    QStringList Lines() const
    {
        QStringList l = clipboard.split("\r\n");
        EXPECT_EQ(l.takeLast(), QString());  // every line ends with CR LF
        return l;
    }
    MeasurementTable table{1};
    std::array<int, ColumnCount> widths = ProgramConfig{}.screenWidths;
    ScriptedPrompts prompts;
    QString clipboard = "old";
    int sets = 0;
};

}  // namespace

TEST_F(Clipboard, ColumnsCommasAndTabs)
{
    Fill(2);
    ASSERT_TRUE(Copy());
    // No packaging, "." as "," in the numbers only, a TAB after every field.
    EXPECT_EQ(Lines(), QStringList(
                           {"1\t2024-05-17 14:03\t12,50\t(10,00)\t2,50\t0,45\t4,50\tWZ/1\tPiasek\tJAN\tBudex\t",
                            "2\t2024-05-17 14:03\t12,50\t(10,00)\t2,50\t0,45\t4,50\tWZ/1\tPiasek\tJAN\tBudex\t"}));
    // A column hidden on screen is left out, the others move left.
    widths[ColPrice] = 0;
    ASSERT_TRUE(Copy());
    EXPECT_EQ(Lines().first(), QString("1\t2024-05-17 14:03\t12,50\t(10,00)\t2,50\t4,50\tWZ/1\tPiasek\tJAN\tBudex\t"));
    EXPECT_TRUE(prompts.messages.isEmpty());

    table.Clear();
    ASSERT_TRUE(Copy());
    EXPECT_EQ(clipboard, QString());  // an empty table empties the clipboard
}

TEST_F(Clipboard, TenThousandRowsAtMostFromTheRowAsked)
{
    Fill(10000);
    ASSERT_TRUE(Copy());
    EXPECT_EQ(Lines().size(), 10000);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.inputs.isEmpty());

    Fill(25000);
    prompts.inputAnswers = {QString("20001"), QString("5"), std::nullopt};
    ASSERT_TRUE(Copy());
    EXPECT_EQ(prompts.inputs, QStringList{QString::fromUtf8("Wiersz początkowy|Podaj numer pierwszego kopiowanego "
                                                            "wiersza:|")});
    EXPECT_EQ(prompts.messages.value(0).icon, UserPrompts::Icon::Warning);
    EXPECT_EQ(prompts.messages.value(0).text,
              QString::fromUtf8("Rozmiar tabeli (25000 wierszy) jest więszy niż pojemność schowka (10000 wierszy).\n"
                                "Do schowka zostanie skopiowany tylko fragment tabeli, począwszy od wskazanego "
                                "wiersza."));
    QStringList lines = Lines();
    EXPECT_EQ(lines.size(), 5000);
    EXPECT_TRUE(lines.first().startsWith("20001\t"));
    EXPECT_TRUE(lines.last().startsWith("25000\t"));
    ASSERT_TRUE(Copy());
    lines = Lines();
    EXPECT_EQ(lines.size(), 10000);
    EXPECT_TRUE(lines.first().startsWith("5\t"));
    EXPECT_TRUE(lines.last().startsWith("10004\t"));
    ASSERT_TRUE(Copy());  // cancelled: from the first row
    EXPECT_TRUE(Lines().first().startsWith("1\t"));
}

TEST_F(Clipboard, AWrongStartRowCopiesNothing)
{
    Fill(10001);
    for (const char *answer : {"0", "10002", "-1", "abc", "2.5", ""}) {
        prompts = ScriptedPrompts();
        prompts.inputAnswers = {QString(answer)};
        clipboard = "old";
        EXPECT_FALSE(Copy()) << answer;
        EXPECT_EQ(prompts.MessageTexts().value(1), QString::fromUtf8("Błędna wartość!"));
        EXPECT_EQ(clipboard, QString("old"));
    }
    prompts = ScriptedPrompts();
    prompts.inputAnswers = {QString(" 10001 ")};
    ASSERT_TRUE(Copy());
    EXPECT_EQ(Lines(), QStringList{"10001\t2024-05-17 14:03\t12,50\t(10,00)\t2,50\t0,45\t4,50\tWZ/1\tPiasek\tJAN\tBudex\t"});
}

// Ten thousand ordinary rows go whole, past a million characters.
TEST_F(Clipboard, TenThousandLongRowsGoWhole)
{
    for (int i = 1; i <= 10000; ++i)
        table.AddLine(Row(i, "Przedsi\xea" "biorstwo Handlowo-Us\xb3ugowe Budmax Sp\xf3\xb3ka Akcyjna"));
    ASSERT_TRUE(Copy());
    EXPECT_GT(clipboard.size(), 1000000);
    EXPECT_EQ(Lines().size(), 10000);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// Longer texts: whole lines only, never one cut, and the user is told.
TEST_F(Clipboard, TheCharacterLimitKeepsWholeLines)
{
    for (const char c : {'a', 'b', 'c'})
        table.AddLine(Row(int(c), QByteArray(6000000, c)));
    ASSERT_TRUE(Copy());
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QString(6000000, 'b') + "\t"));
    EXPECT_LE(clipboard.size(), kTableCopyMaxChars);
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{QString::fromUtf8("Do schowka skopiowano tylko 2 z 3 wierszy: kopia może mieć najwyżej "
                                            "16000000 znaków.")});
    int copied = 0;
    EXPECT_EQ(ClipboardText(table, widths, 0, 3, &copied, 100), QString());
    EXPECT_EQ(copied, 0);
}
