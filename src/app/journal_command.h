#pragma once

// "pomiary --sprawdz-dziennik": the journal check from the command line, in
// the working folder, without any window (it runs without a display).

// True for the option as the only argument: two arguments (an operator's
// name and password) log in, whatever they are.
bool IsJournalCheckCommand(int argc, char *argv[]);

// Checks dane/dziennik.txt of the current directory against its tables,
// prints the report; 0 agree, 1 something differs, 2 cannot read.
int RunJournalCheckCommand(int argc, char *argv[]);
