#include "core/file_messages.h"

QString DiskHint()
{
    return QStringLiteral("Brak miejsca na dysku lub dysk zabezpieczony przed zapisem.");
}

QString StepWriteErrorMessage(int step, const QString &path)
{
    return QStringLiteral("Błąd (%1) przy zapisie do pliku: ").arg(step) + path + QStringLiteral(".\n") + DiskHint();
}

QString CreateErrorMessage(const QString &path)
{
    return StepWriteErrorMessage(1, path);
}

QString LineErrorMessage(const QString &path, int lineNumber)
{
    return QStringLiteral("Błąd (2) przy zapisie do pliku: ") + path + QStringLiteral(" linia ") +
           QString::number(lineNumber) + QStringLiteral(".\n") + DiskHint();
}

QString WriteErrorMessage(const QString &path)
{
    return QStringLiteral("Błąd przy zapisie do pliku: ") + path + QStringLiteral(".\n") + DiskHint();
}
