#include "central/central_settings.h"

#include "core/cp1250.h"
#include "core/safe_file.h"

namespace central {

SettingsFile ReadCentralSettings(const QString &path, CentralSettings &settings)
{
    settings = {};
    const KeyValueFile read = ReadKeyValueLines(path, [&](const QByteArray &key, const QByteArray &value) {
        if (key == "polaczenie")
            settings.connection = value;
        else if (key == "stanowisko")
            settings.station = cp1250::Decode(value);
    });
    return read == KeyValueFile::Missing  ? SettingsFile::Missing
           : read == KeyValueFile::Read   ? SettingsFile::Read
                                          : SettingsFile::Unreadable;
}

QByteArray SerializeCentralSettings(const CentralSettings &settings)
{
    return "polaczenie=" + settings.connection + "\r\nstanowisko=" + cp1250::EncodeLossy(settings.station) + "\r\n";
}

QString SettingsProblem(const CentralSettings &settings)
{
    if (settings.station.trimmed().isEmpty())
        return QStringLiteral("Brak nazwy stanowiska (stanowisko=) w pliku dane/baza.ini");
    return {};
}

QString SettingsPath(const QString &dataDir)
{
    return dataDir + QStringLiteral("baza.ini");
}

QString ProgressPath(const QString &dataDir)
{
    return dataDir + QStringLiteral("baza.stan");
}

QString JournalPath(const QString &dataDir)
{
    return dataDir + QStringLiteral("dziennik.txt");
}

}  // namespace central
