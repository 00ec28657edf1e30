#include "central/central_settings.h"

#include "core/cp1250.h"
#include "core/safe_file.h"

#include <QFileInfo>
#include <QList>

namespace central {

SettingsFile ReadCentralSettings(const QString &path, CentralSettings &settings)
{
    settings = {};
    if (!QFileInfo::exists(path))
        return SettingsFile::Missing;
    QList<QByteArray> lines;
    if (!ReadLines(path, lines))
        return SettingsFile::Unreadable;
    for (const QByteArray &line : std::as_const(lines)) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.first(eq).trimmed();
        const QByteArray value = line.sliced(eq + 1).trimmed();
        if (key == "polaczenie")
            settings.connection = value;
        else if (key == "stanowisko")
            settings.station = cp1250::Decode(value);
    }
    return SettingsFile::Read;
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
