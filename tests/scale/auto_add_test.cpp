#include "scale/auto_add.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Plays readings the way the main window does: the display starts at 0, an
// add runs the adding action and then clears the no-update flag.
struct Platform {
    AutoAdd autoAdd;
    double shown = 0.0;
    int rows = 0;
    int beeps = 0;

    explicit Platform(int mode, bool sound = true)
    {
        autoAdd.settings = {50.0, 10.0, mode, sound};
        autoAdd.beep = [this] { ++beeps; };
    }

    // One letter per reading: a add, u update, . nothing.
    std::string Play(std::vector<double> readings)
    {
        std::string out;
        for (double r : readings) {
            const AutoAddAction a = autoAdd.Decide(shown, r, rows == 0);
            shown = r;
            if (a == AutoAddAction::Add) {
                PressAdd();
                autoAdd.NoteAutomaticAddDone();
            }
            out += a == AutoAddAction::Add ? 'a' : a == AutoAddAction::Update ? 'u' : '.';
        }
        return out;
    }

    void PressAdd()
    {
        ++rows;
        autoAdd.NoteWeighingAdded();
    }
};

}  // namespace

TEST(AutoAddFirstStable, AddsOncePerLoadAndReArmsBelowMinimum)
{
    Platform p(0);
    // 30 below the minimum; 60 unstable (30 from 30); 65 stable: added; 66 locked.
    EXPECT_EQ(p.Play({30, 60, 65, 66}), "..a.");
    EXPECT_EQ(p.beeps, 1);
    // 10 unlocks; 70 unstable; 72 added.
    EXPECT_EQ(p.Play({10, 70, 72}), "..a");
    EXPECT_EQ(p.beeps, 2);
    EXPECT_EQ(p.rows, 2);
}

TEST(AutoAddFirstStable, StabilityBoundIsInclusiveAndSoundOptional)
{
    Platform p(0, false);
    EXPECT_EQ(p.Play({50, 60}), ".a");  // 50 from 0 is unstable; 60 differs by exactly 10
    EXPECT_EQ(p.beeps, 0);
}

TEST(AutoAddLastStable, AddsThenFollowsTheLoadAndBeepsWhenTakenOff)
{
    Platform p(1);
    EXPECT_EQ(p.Play({60, 65, 66, 20}), ".au.");
    EXPECT_EQ(p.beeps, 1);  // only when the load is taken off
    EXPECT_FALSE(p.autoAdd.Locked());
    EXPECT_EQ(p.Play({60, 62}), ".a");
}

TEST(AutoAddLastStable, ButtonPressAfterAutomaticAddStopsUpdatesUntilUnloaded)
{
    Platform p(1);
    EXPECT_EQ(p.Play({60, 65}), ".a");
    p.PressAdd();  // a second row by hand
    EXPECT_EQ(p.Play({66, 67, 30}), "...");
    EXPECT_EQ(p.rows, 2);
    EXPECT_EQ(p.Play({60, 61, 62}), ".au");
}

TEST(AutoAddLastStable, PageSwitchWhileLockedUpdatesNothing)
{
    Platform p(1);
    EXPECT_EQ(p.Play({60, 65}), ".a");
    p.autoAdd.NotePageChanged();
    EXPECT_EQ(p.Play({66, 67}), "..");
    EXPECT_EQ(p.Play({10, 60, 61}), "..a");
}

TEST(AutoAddEveryValue, AddsEachChangeAndEqualOnlyIntoEmptyTable)
{
    Platform p(2);
    EXPECT_EQ(p.Play({5, 5, 6}), "a.a");
    EXPECT_EQ(p.beeps, 0);

    Platform empty(2);
    EXPECT_EQ(empty.Play({0}), "a");  // equal to the display, table empty
    EXPECT_EQ(empty.Play({0}), ".");
}
