#include "app/journal_command.h"
#include "app/ui/application.h"

int main(int argc, char *argv[])
{
    // Before any window: the check needs no display.
    if (IsJournalCheckCommand(argc, argv))
        return RunJournalCheckCommand(argc, argv);
    return RunApplication(argc, argv);
}
