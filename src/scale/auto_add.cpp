#include "scale/auto_add.h"

#include <cmath>

void AutoAdd::Beep()
{
    if (settings.sound && beep)
        beep();
}

AutoAddAction AutoAdd::Decide(double previous, double reading, bool activeTableEmpty, bool indicatorMoving)
{
    switch (settings.mode) {
    case 0:
        return DecideFirstStable(previous, reading, indicatorMoving);
    case 1:
        return DecideLastStable(previous, reading, indicatorMoving);
    case 2:
        // Every new value; an unchanged one only into an empty table.
        if (indicatorMoving)
            return AutoAddAction::None;
        if (reading != previous || activeTableEmpty)
            return AutoAddAction::Add;
        return AutoAddAction::None;
    default:
        return AutoAddAction::None;
    }
}

AutoAddAction AutoAdd::DecideFirstStable(double previous, double reading, bool moving)
{
    if (lock_ && reading < settings.minMass)
        lock_ = false;
    if (lock_ || reading < settings.minMass || moving || std::fabs(reading - previous) > settings.delta)
        return AutoAddAction::None;
    lock_ = true;
    Beep();
    return AutoAddAction::Add;
}

AutoAddAction AutoAdd::DecideLastStable(double previous, double reading, bool moving)
{
    if (reading < settings.minMass) {
        // The load was taken off.
        if (lock_)
            Beep();
        lock_ = false;
        noUpdate_ = false;
        return AutoAddAction::None;
    }
    if (moving || std::fabs(reading - previous) > settings.delta)
        return AutoAddAction::None;
    if (!lock_) {
        lock_ = true;
        return AutoAddAction::Add;
    }
    return noUpdate_ ? AutoAddAction::None : AutoAddAction::Update;
}
