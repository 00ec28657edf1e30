#include "scale/auto_add.h"

#include <cmath>

void AutoAdd::Beep()
{
    if (settings.sound && beep)
        beep();
}

AutoAddAction AutoAdd::Decide(double previous, double reading, bool activeTableEmpty)
{
    switch (settings.mode) {
    case 0:
        return DecideFirstStable(previous, reading);
    case 1:
        return DecideLastStable(previous, reading);
    case 2:
        // Every new value; an unchanged one only into an empty table.
        if (reading != previous || activeTableEmpty)
            return AutoAddAction::Add;
        return AutoAddAction::None;
    default:
        return AutoAddAction::None;
    }
}

AutoAddAction AutoAdd::DecideFirstStable(double previous, double reading)
{
    if (lock_ && reading < settings.minMass)
        lock_ = false;
    if (lock_ || reading < settings.minMass || std::fabs(reading - previous) > settings.delta)
        return AutoAddAction::None;
    lock_ = true;
    Beep();
    return AutoAddAction::Add;
}

AutoAddAction AutoAdd::DecideLastStable(double previous, double reading)
{
    if (reading < settings.minMass) {
        // The load was taken off.
        if (lock_)
            Beep();
        lock_ = false;
        noUpdate_ = false;
        return AutoAddAction::None;
    }
    if (std::fabs(reading - previous) > settings.delta)
        return AutoAddAction::None;
    if (!lock_) {
        lock_ = true;
        return AutoAddAction::Add;
    }
    return noUpdate_ ? AutoAddAction::None : AutoAddAction::Update;
}
