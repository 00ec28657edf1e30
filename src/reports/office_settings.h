#pragma once

// dane/biuro.ini: where the office reads the stations' weighings. Lines
// "key=value" (cp1250, CR LF like the other files of dane/):
//     host=<server name or address, or a socket folder>
//     port=<number>
//     baza=<database name>
//     uzytkownik=<login role, e.g. biuro>
// or, instead of these, polaczenie=<a whole libpq connection string or URI>.
// The password is never here: libpq finds it in ~/.pgpass or PGPASSFILE.

#include <QByteArray>
#include <QString>

struct OfficeSettings {
    QByteArray connection; // polaczenie=, when given
    QByteArray host;
    QByteArray port;
    QByteArray database;
    QByteArray user;
};

enum class OfficeSettingsFile { Missing, Read, Unreadable };

// Reads `path` into `settings`; unknown lines are passed over.
OfficeSettingsFile ReadOfficeSettings(const QString &path, OfficeSettings &settings);

// The libpq connection string for `settings`: polaczenie= as written, else
// the four keys (those given) quoted for libpq.
QByteArray OfficeConnectionString(const OfficeSettings &settings);

// Why `conninfo` cannot be used, in Polish; empty when it can. A password
// written into it is refused: it belongs in ~/.pgpass.
QString OfficeConnectionProblem(const QByteArray &conninfo);

// "biuro.ini" below the data folder `dataDir` (ending in '/').
QString OfficeSettingsPath(const QString &dataDir);
