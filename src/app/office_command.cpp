#include "app/office_command.h"

#include "reports/office_settings.h"

#include <cstring>

bool IsOfficeCommand(int argc, char *argv[])
{
    return (argc == 2 || argc == 3) && std::strcmp(argv[1], "--biuro") == 0;
}

OfficeStart OfficeStartFor(int argc, char *argv[], const QString &dataDir)
{
    OfficeStart start;
    if (argc >= 3) {
        start.conninfo = QByteArray(argv[2]).trimmed();
    } else {
        OfficeSettings settings;
        const QString path = OfficeSettingsPath(dataDir);
        switch (ReadOfficeSettings(path, settings)) {
        case OfficeSettingsFile::Missing:
            start.problem = QStringLiteral("Brak pliku ustawień połączenia z bazą danych: ") + path;
            return start;
        case OfficeSettingsFile::Unreadable:
            start.problem = QStringLiteral("Błąd przy odczycie pliku: ") + path;
            return start;
        case OfficeSettingsFile::Read:
            break;
        }
        start.conninfo = OfficeConnectionString(settings);
    }
    start.problem = OfficeConnectionProblem(start.conninfo);
    return start;
}
