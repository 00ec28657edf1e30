#include "app/journal_command.h"
#include "app/office_command.h"
#include "app/ui/application.h"
#include "app/ui/office_application.h"

int main(int argc, char *argv[])
{
    // Before any window: the check needs no display.
    if (IsJournalCheckCommand(argc, argv))
        return RunJournalCheckCommand(argc, argv);
    // The office reads the central database only: no tables, scale or journal.
    if (IsOfficeCommand(argc, argv))
        return RunOfficeApplication(argc, argv);
    return RunApplication(argc, argv);
}
