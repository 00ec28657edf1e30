#pragma once

// Automatic adding of stable weighings: judges each new reading against the
// previous one and says whether to add a row, update the last one, or do
// nothing. The main window carries the result out.

#include <functional>

struct AutoAddSettings {
    double minMass = 50.0;  // Auto_dodawanie_min
    double delta = 10.0;    // Auto_dodawanie_delta
    int mode = 0;           // Auto_dodawanie_pierwszy: 0 first stable, 1 last stable, 2 every new value
    bool sound = false;     // Auto_dodawanie_dzwiek
};

enum class AutoAddAction { None, Add, Update };

class AutoAdd {
public:
    AutoAddSettings settings;
    // Called where a tone is due; null = silent.
    std::function<void()> beep;

    // AutoAddDecision of the previous reading P and the new reading R.
    // `activeTableEmpty` matters in mode 2 only. A reading the indicator
    // marks as moving is never stable, whatever the criterion says, and
    // adds nothing in any mode; it still counts as the load leaving.
    AutoAddAction Decide(double previous, double reading, bool activeTableEmpty, bool indicatorMoving = false);

    // Every run of the adding action (button, Insert key or automatic).
    void NoteWeighingAdded() { noUpdate_ = true; }
    // Right after an automatic add has been carried out.
    void NoteAutomaticAddDone() { noUpdate_ = false; }
    // Another table page was chosen: its last row is not this load's.
    void NotePageChanged() { noUpdate_ = true; }
    // Start-up: both flags clear.
    void Reset() { lock_ = false, noUpdate_ = false; }

    bool Locked() const { return lock_; }        // AutoAddLock
    bool NoUpdate() const { return noUpdate_; }  // AutoAddNoUpdate

private:
    void Beep();
    AutoAddAction DecideFirstStable(double previous, double reading, bool moving);
    AutoAddAction DecideLastStable(double previous, double reading, bool moving);

    bool lock_ = false;
    bool noUpdate_ = false;
};
