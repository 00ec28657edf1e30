#pragma once

// What the summaries window's output buttons do: print with preview, save
// as PDF, export to .xlsx, copy to the clipboard. Shared by the station's
// window and the office's.

#include "output/company_header.h"
#include "output/ui/print_actions.h"

#include <functional>

class ReportsWindow;
class UserPrompts;

struct ReportsOutputEnvironment {
    PrintEnvironment print;  // its prompts also ask for file names and report failures
    std::function<CompanyHeader()> company;
    QString startDir;        // where the save dialogs start
};

void ConnectReportsOutputs(ReportsWindow *window, ReportsOutputEnvironment env);
