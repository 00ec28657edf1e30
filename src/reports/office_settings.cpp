#include "reports/office_settings.h"

#include "central/pg_connection.h"
#include "core/safe_file.h"

namespace {

// A libpq keyword value: quoted, with ' and \ escaped, so blanks are kept.
QByteArray Quoted(const QByteArray &value)
{
    QByteArray out = "'";
    for (const char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '\'';
}

} // namespace

OfficeSettingsFile ReadOfficeSettings(const QString &path, OfficeSettings &settings)
{
    settings = {};
    const KeyValueFile read = ReadKeyValueLines(path, [&](const QByteArray &key, const QByteArray &value) {
        if (key == "polaczenie")
            settings.connection = value;
        else if (key == "host")
            settings.host = value;
        else if (key == "port")
            settings.port = value;
        else if (key == "baza")
            settings.database = value;
        else if (key == "uzytkownik")
            settings.user = value;
    });
    return read == KeyValueFile::Missing  ? OfficeSettingsFile::Missing
           : read == KeyValueFile::Read   ? OfficeSettingsFile::Read
                                          : OfficeSettingsFile::Unreadable;
}

QByteArray OfficeConnectionString(const OfficeSettings &settings)
{
    if (!settings.connection.trimmed().isEmpty())
        return settings.connection.trimmed();
    QByteArray out;
    const auto add = [&out](const char *key, const QByteArray &value) {
        if (value.isEmpty())
            return;
        if (!out.isEmpty())
            out += ' ';
        out += key;
        out += '=';
        out += Quoted(value);
    };
    add("host", settings.host);
    add("port", settings.port);
    add("dbname", settings.database);
    add("user", settings.user);
    return out;
}

QString OfficeConnectionProblem(const QByteArray &conninfo)
{
    if (conninfo.trimmed().isEmpty())
        return QStringLiteral("Brak ustawień połączenia z bazą danych (plik dane/biuro.ini)");
    QString parseError;
    if (central::ConnectionHoldsPassword(conninfo, &parseError))
        return QStringLiteral("Hasło nie może być zapisane w opisie połączenia; należy je podać w pliku ~/.pgpass");
    if (!parseError.isEmpty())
        return QStringLiteral("Błędny opis połączenia z bazą danych: ") + parseError;
    return {};
}

QString OfficeSettingsPath(const QString &dataDir)
{
    return dataDir + QStringLiteral("biuro.ini");
}
