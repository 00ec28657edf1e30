#pragma once

// The program's messages for files that cannot be written. Each names the
// file and ends with a line break and the hint about the disk. A routine that
// writes in several steps numbers them: (1) the file cannot be created, (2) a
// line cannot be written; the operator file's first creation is (10).

#include <QString>

// "Brak miejsca na dysku lub dysk zabezpieczony przed zapisem."
QString DiskHint();
// "Błąd (step) przy zapisie do pliku: " + path + "." + hint.
QString StepWriteErrorMessage(int step, const QString &path);
// "Błąd (1) przy zapisie do pliku: " + path + "." + hint.
QString CreateErrorMessage(const QString &path);
// "Błąd (2) przy zapisie do pliku: " + path + " linia " + n + "." + hint.
QString LineErrorMessage(const QString &path, int lineNumber);
// "Błąd przy zapisie do pliku: " + path + "." + hint (a write in one step).
QString WriteErrorMessage(const QString &path);
