// The operator list: Polish order, and adding, deleting and changing
// passwords with scripted answers.

#include "core/cp1250.h"
#include "dictionaries/operator_list.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

QByteArray Cp(const char *utf8)
{
    return cp1250::EncodeLossy(QString::fromUtf8(utf8));
}

}  // namespace

class OperatorListTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    ScriptedPrompts prompts;

    QString Path() const { return tmp.filePath("dane/operatorzy.txt"); }
    void SetUp() override { QDir(tmp.path()).mkpath("dane"); }

    // A list loaded from a file holding `entries`.
    OperatorList Loaded(const QList<OperatorEntry> &entries)
    {
        WriteAll(Path(), SerializeOperators(entries));
        OperatorList list(Path());
        list.Load(prompts);
        return list;
    }
    static QList<QByteArray> Names(const OperatorList &list)
    {
        QList<QByteArray> out;
        for (const OperatorEntry &e : list.Entries())
            out << e.name;
        return out;
    }
    // What the file holds now, in its order.
    QList<OperatorEntry> OnDisk() const { return ParseOperators(ReadAll(Path())); }
};

TEST_F(OperatorListTest, NamesFollowPolishOrderNotByteOrderAndStayInOrderAfterAdding)
{
    OperatorList list = Loaded({{Cp("Żak"), "1"},
                                {"Zenon", "1"},
                                {Cp("Łukasz"), "1"},
                                {"Lech", "1"},
                                {"ADMINISTRATOR", "957"},
                                {"adam", "1"},
                                {Cp("Ćwik"), "1"},
                                {Cp("Czesław"), "1"}});
    const QList<QByteArray> sorted{"adam", "ADMINISTRATOR", Cp("Czesław"), Cp("Ćwik"),
                                   "Lech", Cp("Łukasz"),    "Zenon",       Cp("Żak")};
    EXPECT_EQ(Names(list), sorted);
    EXPECT_EQ(list.Current(), 0);
    EXPECT_EQ(list.StrayBytes(), 0);

    prompts.inputAnswers = {QString::fromUtf8("Źdźbło"), QString("x")};
    ASSERT_TRUE(list.AddOperator(prompts));
    EXPECT_EQ(list.Entries().at(7).name, Cp("Źdźbło"));  // between Zenon and Żak
    EXPECT_EQ(list.Current(), 7);                        // the new operator is highlighted
    // The file is rewritten in the list's order.
    QList<QByteArray> onDisk;
    for (const OperatorEntry &e : OnDisk())
        onDisk << e.name;
    EXPECT_EQ(onDisk, Names(list));
}

TEST_F(OperatorListTest, AddingAsksNameThenMaskedPasswordAndCutsBothTo32)
{
    OperatorList list = Loaded({{"ADMINISTRATOR", "957"}});
    const QString forty = QString::fromUtf8("Grzegorz Brzęczyszczykiewicz-Chrząszcz");  // 38, then two more
    const QString password = QString(" tajne hasło z odstępami i jeszcze dłuższe ");
    prompts.inputAnswers = {forty + "AB", password};
    ASSERT_TRUE(list.AddOperator(prompts));
    EXPECT_EQ(prompts.inputs, (QStringList{QString::fromUtf8("Nowy operator|Podaj nazwisko operatora:|"),
                                           QString::fromUtf8("Hasło|Wprowadź hasło dla nowego operatora:||*")}));
    EXPECT_TRUE(prompts.messages.isEmpty());
    const OperatorEntry added = OnDisk().at(list.Current());
    EXPECT_EQ(added.name, cp1250::EncodeLossy(forty.left(32)));
    // Spaces are part of a password, outer ones included.
    EXPECT_EQ(added.password, cp1250::EncodeLossy(password.left(32)));
    EXPECT_TRUE(added.password.startsWith(' '));
}

TEST_F(OperatorListTest, AddingRefusesBlankNamesDuplicatesInAnyCaseAndBlankPasswords)
{
    OperatorList list = Loaded({{"ADMINISTRATOR", "957"}, {Cp("Żak"), "1"}, {Cp("Šimek Müller"), "1"}});
    const QByteArray before = ReadAll(Path());
    struct Case {
        std::deque<std::optional<QString>> answers;
        const char *message;  // nullptr: none
        int asked;
    };
    const Case cases[] = {
        {{QString("    ")}, "Błędna nazwa operatora!", 1},
        {{QString("")}, "Błędna nazwa operatora!", 1},
        {{QString("administrator")}, "Operator już istnieje!", 1},
        {{QString::fromUtf8("ŻAK")}, "Operator już istnieje!", 1},          // Polish capitals too
        {{QString::fromUtf8("šimek MÜLLER")}, "Operator już istnieje!", 1}, // and the other letters of cp1250
        {{QString("Nowak"), QString("     ")}, "Hasło nie może być puste!", 2},
        {{QString("Nowak"), QString("")}, "Hasło nie może być puste!", 2},
        {{std::nullopt}, nullptr, 1},
        {{QString("Nowak"), std::nullopt}, nullptr, 2},
    };
    for (const Case &c : cases) {
        prompts = ScriptedPrompts();
        prompts.inputAnswers = c.answers;
        EXPECT_FALSE(list.AddOperator(prompts));
        EXPECT_EQ(prompts.MessageTexts(), c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList{});
        EXPECT_EQ(prompts.inputs.size(), c.asked) << c.message;
        EXPECT_EQ(list.Count(), 3);
        EXPECT_EQ(ReadAll(Path()), before);
    }
    // A name that differs only by outer spaces is a different name.
    prompts = ScriptedPrompts();
    prompts.inputAnswers = {QString(" ADMINISTRATOR"), QString("x")};
    EXPECT_TRUE(list.AddOperator(prompts));
    EXPECT_EQ(list.Count(), 4);
}

TEST_F(OperatorListTest, DeletingAsksThenProtectsTheAdministratorAndMovesTheHighlight)
{
    OperatorList list = Loaded({{"ADMINISTRATOR", "957"}, {"Bogdan", "b"}, {"Celina", "c"}, {"Dorota", "d"}});

    list.SetCurrent(-1);
    EXPECT_FALSE(list.DeleteOperator(prompts));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Żaden operator nie został wskazany!")});
    EXPECT_TRUE(prompts.questions.isEmpty());

    // "Nie": nothing happens.
    prompts = ScriptedPrompts();
    list.SetCurrent(1);
    prompts.answers = {false};
    EXPECT_FALSE(list.DeleteOperator(prompts));
    EXPECT_EQ(prompts.questions, QStringList{QString::fromUtf8("Czy napewno usunąć operatora: \"Bogdan\"?")});
    EXPECT_EQ(list.Count(), 4);

    // The administrator: asked first, then refused.
    prompts = ScriptedPrompts();
    list.SetCurrent(0);
    prompts.answers = {true};
    EXPECT_FALSE(list.DeleteOperator(prompts));
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Administrator nie może być usunięty!")});
    EXPECT_EQ(OnDisk().size(), 4);

    // A middle row: the next one takes its place and is highlighted.
    prompts = ScriptedPrompts();
    list.SetCurrent(1);
    prompts.answers = {true};
    EXPECT_TRUE(list.DeleteOperator(prompts));
    EXPECT_EQ(Names(list), (QList<QByteArray>{"ADMINISTRATOR", "Celina", "Dorota"}));
    EXPECT_EQ(list.Current(), 1);
    EXPECT_EQ(OnDisk().size(), 3);

    // The last row: the new last row is highlighted.
    list.SetCurrent(2);
    prompts.answers = {true};
    EXPECT_TRUE(list.DeleteOperator(prompts));
    EXPECT_EQ(list.Current(), 1);
    EXPECT_EQ(list.CurrentEntry()->name, QByteArray("Celina"));

    // The only operator besides the administrator: the administrator is left highlighted.
    prompts.answers = {true};
    EXPECT_TRUE(list.DeleteOperator(prompts));
    EXPECT_EQ(Names(list), QList<QByteArray>{"ADMINISTRATOR"});
    EXPECT_EQ(list.Current(), 0);
    EXPECT_EQ(ReadAll(Path()), SerializeOperators({{"ADMINISTRATOR", "957"}}));
}

TEST_F(OperatorListTest, ChangingThePasswordOfTheHighlightedOperator)
{
    OperatorList list = Loaded({{"ADMINISTRATOR", "957"}, {"Nowak", "stare"}});
    list.SetCurrent(-1);
    EXPECT_FALSE(list.ChangePassword(prompts));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Żaden operator nie został wskazany!")});
    EXPECT_TRUE(prompts.inputs.isEmpty());

    list.SetCurrent(1);
    prompts = ScriptedPrompts();
    prompts.inputAnswers = {std::nullopt, QString("  "), QString(" nowe ")};
    EXPECT_FALSE(list.ChangePassword(prompts));  // "Anuluj"
    EXPECT_FALSE(list.ChangePassword(prompts));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Hasło nie może być puste!")});
    EXPECT_EQ(OnDisk().at(1).password, QByteArray("stare"));
    EXPECT_TRUE(list.ChangePassword(prompts));
    EXPECT_EQ(prompts.inputs.first(), QString::fromUtf8("Zmiana hasła|Wprowadź nowe hasło:||*"));
    EXPECT_EQ(OnDisk().at(1).password, QByteArray(" nowe "));
    EXPECT_EQ(list.Current(), 1);

    // The administrator's password can be changed like any other.
    list.SetCurrent(0);
    prompts.inputAnswers = {QString("1234")};
    EXPECT_TRUE(list.ChangePassword(prompts));
    EXPECT_EQ(OnDisk().at(0).password, QByteArray("1234"));
}

TEST_F(OperatorListTest, AFailedSaveIsReportedAndTheListKeepsTheChange)
{
    OperatorList list = Loaded({{"ADMINISTRATOR", "957"}});
    QDir(tmp.filePath("dane")).removeRecursively();
    prompts.inputAnswers = {QString("Nowak"), QString("n")};
    EXPECT_TRUE(list.AddOperator(prompts));
    EXPECT_EQ(prompts.MessageTexts(),
              QStringList{QString::fromUtf8("Błąd (1) przy zapisie do pliku: ") + Path() +
                          QString::fromUtf8(".\nBrak miejsca na dysku lub dysk zabezpieczony przed zapisem.")});
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(OperatorListTest, ACutFileIsUntouchedUntilAChangeAndThenCopiedAsideWhole)
{
    const QByteArray whole = SerializeOperators({{"ADMINISTRATOR", "957"}, {"Nowak", "n"}});
    const QByteArray cut = whole + SerializeOperators({{"Wilk", "w"}}).left(200);
    WriteAll(Path(), cut);
    OperatorList list(Path());
    list.Load(prompts);
    EXPECT_EQ(Names(list), (QList<QByteArray>{"ADMINISTRATOR", "Nowak"}));
    EXPECT_EQ(list.StrayBytes(), 200);
    EXPECT_EQ(ReadAll(Path()), cut);  // loading alone writes nothing

    list.SetCurrent(1);
    prompts.inputAnswers = {QString("nowe"), QString("inne")};
    ASSERT_TRUE(list.ChangePassword(prompts));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(ReadAll(Path() + ".bak"), cut);  // the stray bytes survive in the copy
    EXPECT_EQ(ReadAll(Path()), SerializeOperators({{"ADMINISTRATOR", "957"}, {"Nowak", "nowe"}}));
    EXPECT_EQ(list.StrayBytes(), 0);

    // Later saves need no copy; an older copy is never overwritten.
    ASSERT_TRUE(list.ChangePassword(prompts));
    EXPECT_FALSE(QFile::exists(Path() + ".bak2"));
    WriteAll(Path(), cut);
    OperatorList again(Path());
    again.Load(prompts);
    again.SetCurrent(0);
    prompts.inputAnswers = {QString("x")};
    ASSERT_TRUE(again.ChangePassword(prompts));
    EXPECT_EQ(ReadAll(Path() + ".bak"), cut);
    EXPECT_EQ(ReadAll(Path() + ".bak2"), cut);
}
