#include "core/scale_work_prompts.h"
#include "support/scripted_prompts.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "core_tests";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

class ScaleWork : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
    ScriptedPrompts shown;
    ScaleWorkPrompts prompts{shown};
};

}  // namespace

TEST_F(ScaleWork, OutsideScaleWorkEverythingPassesAtOnce)
{
    prompts.Error("a");
    shown.answers = {true};
    EXPECT_TRUE(prompts.Question("q?"));
    EXPECT_EQ(shown.MessageTexts(), QStringList{"a"});
    EXPECT_EQ(shown.questions, QStringList{"q?"});
}

// Not from inside the work: the box opens once the event loop runs again.
// Texts that come meanwhile join it once each; a few at most.
TEST_F(ScaleWork, MessagesWaitForTheEventLoopAndShareOneBox)
{
    {
        const ScaleWorkPrompts::Scope work(prompts);
        for (int i = 0; i < 100; ++i)
            prompts.Error("zapis");
        prompts.Warning("liczba");
        for (const char *more : {"c", "d", "e"})
            prompts.Error(more);
    }
    EXPECT_TRUE(shown.messages.isEmpty());
    EXPECT_TRUE(prompts.Waiting());
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.messages.size(), 1);
    EXPECT_EQ(shown.messages[0].icon, UserPrompts::Icon::Error);
    EXPECT_EQ(shown.messages[0].text, QString("zapis\n\nliczba\n\nc"));
    EXPECT_FALSE(prompts.Waiting());
    EXPECT_EQ(prompts.Dropped(), 99 + 2);
}

// While the box is open the port goes on: what its lines report then is
// dropped, not queued behind the box; after it a new one may open.
TEST_F(ScaleWork, NothingStacksBehindAnOpenBox)
{
    shown.whileMessageOpen = [this] {
        EXPECT_TRUE(prompts.Open());
        for (int i = 0; i < 50; ++i) {
            const ScaleWorkPrompts::Scope work(prompts);
            prompts.Error("kolejny");
        }
        QCoreApplication::processEvents();
    };
    {
        const ScaleWorkPrompts::Scope work(prompts);
        prompts.Error("pierwszy");
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    // One box, then one that says what it held back.
    EXPECT_EQ(shown.MessageTexts(), (QStringList{"pierwszy", ScaleWorkPrompts::HeldBackMessage(50, "kolejny")}));
    EXPECT_EQ(shown.MessageTexts().value(1),
              QString::fromUtf8("W czasie wyświetlania poprzedniego komunikatu wystąpiły kolejne (50). Ostatni z "
                                "nich:\n\nkolejny"));
    EXPECT_FALSE(prompts.Open());
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.messages.size(), 2);
    {
        const ScaleWorkPrompts::Scope work(prompts);
        prompts.Error("po zamknięciu");
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.MessageTexts().value(2), QString("po zamknięciu"));
}
