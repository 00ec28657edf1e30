#pragma once

// dane/baza.ini: whether and where this station sends its journal. Two lines
// (cp1250, CR LF like the other files of dane/):
//     polaczenie=<a libpq connection string or URI>
//     stanowisko=<the station's name in the database>
// Without the file, or with an empty "polaczenie", nothing is sent. The
// password is never here: libpq finds it in ~/.pgpass or PGPASSFILE.

#include <QByteArray>
#include <QString>

namespace central {

struct CentralSettings {
    QByteArray connection;  // the string as written (cp1250 bytes; ASCII in practice)
    QString station;        // decoded from cp1250
    bool Enabled() const { return !connection.trimmed().isEmpty(); }
};

enum class SettingsFile { Missing, Read, Unreadable };

// Reads `path` into `settings`; unknown lines are passed over.
SettingsFile ReadCentralSettings(const QString &path, CentralSettings &settings);

// The file's bytes for `settings`.
QByteArray SerializeCentralSettings(const CentralSettings &settings);

// Why the settings cannot be used, in Polish; empty when they can. Checks
// what needs no libpq: the station's name.
QString SettingsProblem(const CentralSettings &settings);

// "dane/baza.ini" below the data folder `dataDir` (ending in '/').
QString SettingsPath(const QString &dataDir);
// Where the sender records how far the server has confirmed the journal.
QString ProgressPath(const QString &dataDir);
// The journal itself.
QString JournalPath(const QString &dataDir);

}  // namespace central
