// The start-up login (typed and from the command line) and the rights that follow it.

#include "core/cp1250.h"
#include "core/program_config.h"
#include "dictionaries/operator_list.h"
#include "dictionaries/operator_login.h"
#include "dictionaries/operator_rights.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

class OperatorLoginTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    ScriptedPrompts prompts;
    OperatorList list{tmp.filePath("dane/operatorzy.txt")};

    void SetUp() override
    {
        QDir(tmp.path()).mkpath("dane");
        WriteAll(list.Path(), SerializeOperators({{"ADMINISTRATOR", "957"},
                                                  {"Nowak", "Tajne 1"},
                                                  {cp1250::EncodeLossy(QString::fromUtf8("Żak")), "z"},
                                                  {"Wilk", QByteArray(32, 'w')}}));
        list.Load(prompts);
    }
    void Highlight(const QByteArray &name) { list.SetCurrent(list.FindIgnoringCase(name)); }
};

TEST_F(OperatorLoginTest, WrongPasswordsKeepTheWindowOpenUntilTheExactOne)
{
    OperatorLogin login;
    Highlight("Nowak");
    prompts.inputAnswers = {QString("tajne 1"), QString(" Tajne 1"), QString("Tajne 1 "), std::nullopt,
                            QString("Tajne 1")};
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(login.Confirm(list, prompts)) << i;
    EXPECT_TRUE(login.Pending());
    // Three wrong ones reported; "Anuluj" in the password window says nothing.
    EXPECT_EQ(prompts.MessageTexts(), QStringList(3, QString::fromUtf8("Błędne hasło!")));
    EXPECT_EQ(prompts.inputs.first(), QString::fromUtf8("Hasło|Podaj hasło operatora:||*"));

    EXPECT_TRUE(login.Confirm(list, prompts));
    EXPECT_FALSE(login.Pending());
    EXPECT_EQ(login.LoggedIn(), QByteArray("Nowak"));

    // Afterwards the window is a picker: no password asked.
    Highlight("Wilk");
    const qsizetype asked = prompts.inputs.size();
    EXPECT_TRUE(login.Confirm(list, prompts));
    EXPECT_EQ(prompts.inputs.size(), asked);
    EXPECT_EQ(login.LoggedIn(), QByteArray("Nowak"));
}

TEST_F(OperatorLoginTest, NothingHighlightedOrNobodyInTheList)
{
    OperatorLogin login;
    list.SetCurrent(-1);
    EXPECT_FALSE(login.Confirm(list, prompts));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Nie wybrano żadnego operatora!")});
    EXPECT_TRUE(prompts.inputs.isEmpty());

    // An empty file: nobody can log in.
    WriteAll(list.Path(), "");
    OperatorList empty(list.Path());
    empty.Load(prompts);
    EXPECT_EQ(empty.Current(), -1);
    prompts = ScriptedPrompts();
    EXPECT_FALSE(login.Confirm(empty, prompts));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Nie wybrano żadnego operatora!")});
}

TEST_F(OperatorLoginTest, ThirtyTwoCharacterPasswordMustBeTypedAsStored)
{
    // Added with 40 characters typed: only the first 32 were kept.
    OperatorLogin login;
    prompts.inputAnswers = {QString("Kowalski"), QString(40, 'k')};
    ASSERT_TRUE(list.AddOperator(prompts));
    prompts = ScriptedPrompts();
    prompts.inputAnswers = {QString(40, 'k'), QString(32, 'k')};
    EXPECT_FALSE(login.Confirm(list, prompts));
    EXPECT_TRUE(login.Confirm(list, prompts));
    EXPECT_EQ(login.LoggedIn(), QByteArray("Kowalski"));
}

TEST_F(OperatorLoginTest, CommandLineMatchesTheNameInAnyCaseAndThePasswordExactly)
{
    OperatorLogin admin({"administrator", "957"});
    list.SetCurrent(2);
    EXPECT_TRUE(admin.TryCommandLine(list, prompts));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(admin.LoggedIn(), QByteArray("ADMINISTRATOR"));  // the stored spelling
    EXPECT_EQ(list.CurrentEntry()->name, QByteArray("ADMINISTRATOR"));
    EXPECT_FALSE(admin.Pending());
    EXPECT_FALSE(admin.TryCommandLine(list, prompts));  // once logged in, never again

    OperatorLogin polish({QString::fromUtf8("żAK"), "z"});
    EXPECT_TRUE(polish.TryCommandLine(list, prompts));
    EXPECT_EQ(polish.LoggedIn(), cp1250::EncodeLossy(QString::fromUtf8("Żak")));

    const struct {
        QStringList arguments;
        const char *message;
    } refused[] = {
        {{"Kowal", "957"}, "Błędny użytkownik: Kowal"},
        {{QString::fromUtf8("Nowak日"), "x"}, "Błędny użytkownik: Nowak日"},
        {{"", ""}, "Błędny użytkownik: "},
        {{"nowak", "tajne 1"}, "Błędne hasło!"},
        {{"NOWAK", "Tajne 1 "}, "Błędne hasło!"},
        {{"Wilk", QString(40, 'w')}, "Błędne hasło!"},
    };
    for (const auto &c : refused) {
        prompts = ScriptedPrompts();
        OperatorLogin login(c.arguments);
        EXPECT_FALSE(login.TryCommandLine(list, prompts));
        EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_TRUE(login.Pending());
        // The window stays open for a manual choice, which still works.
        Highlight("Wilk");
        prompts.inputAnswers = {QString(32, 'w')};
        EXPECT_TRUE(login.Confirm(list, prompts));
    }

    // One or three arguments are not a login.
    for (const QStringList &arguments : {QStringList{"ADMINISTRATOR"}, QStringList{"ADMINISTRATOR", "957", "x"}}) {
        prompts = ScriptedPrompts();
        OperatorLogin login(arguments);
        EXPECT_FALSE(login.TryCommandLine(list, prompts));
        EXPECT_TRUE(prompts.messages.isEmpty());
    }
}

TEST(OperatorRights, AdministratorHasEverythingWhateverTheSwitches)
{
    EXPECT_TRUE(IsAdministrator("ADMINISTRATOR"));
    EXPECT_FALSE(IsAdministrator("administrator"));
    EXPECT_FALSE(IsAdministrator("ADMINISTRATOR "));
    EXPECT_FALSE(IsAdministrator(""));

    ProgramConfig locked;
    locked.lockMassEdit = locked.lockPriceEdit = locked.lockDelete = true;
    const OperatorRights r = RightsFor("ADMINISTRATOR", locked);
    for (bool right :
         {r.editMass, r.editPrice, r.materialPrice, r.deleteMeasurements, r.changeOperator, r.scaleSettings,
          r.advancedSettings, r.manageOperators, r.tableHeaderAndOperator, r.resetClearsOperator})
        EXPECT_TRUE(right);
}

TEST(OperatorRights, OtherOperatorsFollowTheThreeSwitchesAndNeverManage)
{
    ProgramConfig config;
    for (const QByteArray &name : {QByteArray("Nowak"), QByteArray("administrator")}) {
        const OperatorRights open = RightsFor(name, config);
        EXPECT_TRUE(open.editMass && open.editPrice && open.materialPrice && open.deleteMeasurements);
        for (bool right : {open.changeOperator, open.scaleSettings, open.advancedSettings, open.manageOperators,
                           open.tableHeaderAndOperator, open.resetClearsOperator})
            EXPECT_FALSE(right);
    }
    // Each switch holds exactly its own right.
    config.lockMassEdit = true;
    OperatorRights r = RightsFor("Nowak", config);
    EXPECT_FALSE(r.editMass);
    EXPECT_TRUE(r.editPrice && r.materialPrice && r.deleteMeasurements);
    config = ProgramConfig();
    config.lockPriceEdit = true;
    r = RightsFor("Nowak", config);
    EXPECT_FALSE(r.editPrice || r.materialPrice);
    EXPECT_TRUE(r.editMass && r.deleteMeasurements);
    config = ProgramConfig();
    config.lockDelete = true;
    r = RightsFor("Nowak", config);
    EXPECT_FALSE(r.deleteMeasurements);
    EXPECT_TRUE(r.editMass && r.editPrice);
}
