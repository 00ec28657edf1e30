#pragma once

// The main window as the window tests start it: its folders in `dir`, its
// own machine lock and journal keys there, scripted dialogs, and ADMINISTRATOR logged in
// without the operator window (clear loginAs to test the login itself).

#include "app/ui/main_window.h"
#include "support/scripted_printing.h"

#include <QLabel>
#include <QTemporaryDir>

// No printer installed, whatever the machine has; tests that print give their own.
inline ScriptedPrinting &NoPrinters()
{
    static ScriptedPrinting none;
    return none;
}

inline MainWindowOptions TestOptions(const QTemporaryDir &dir, UserPrompts *prompts)
{
    MainWindowOptions o;
    o.workDir = dir.path();
    o.instanceLockPath = dir.filePath("guard.lock");
    o.prompts = prompts;
    o.loginAs = "ADMINISTRATOR";
    o.printing = &NoPrinters();
    // The journal's keys stay in the test's folder, never in the user's configuration.
    o.journalKeyDir = dir.filePath("config/pomiary/dziennik");
    return o;
}

// The text of the large display.
inline QString ShownWeight(const MainWindow &w)
{
    return w.findChild<QLabel *>("Ldisplay")->text();
}
