#include "app/journal_command.h"

#include "journal/journal_check.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

bool IsJournalCheckCommand(int argc, char *argv[])
{
    return argc == 2 && std::strcmp(argv[1], "--sprawdz-dziennik") == 0;
}

int RunJournalCheckCommand(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const JournalCheckReport report = CheckJournal(QDir::current().filePath(QStringLiteral("dane")) + '/');
    const QByteArray text = report.Text().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    return report.ExitCode();
}
