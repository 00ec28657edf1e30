#pragma once

// The central database's schema "pomiary": its versions and how a database
// is brought up to the newest one the program knows. Only the owner's role
// applies migrations (pomiary-baza); a station only checks the version.

#include <QString>

#include <vector>

namespace central {

class PgConnection;

struct Migration {
    int version;
    QString description;
    const char *sql;
};

// Every migration, in version order from 1.
const std::vector<Migration> &SchemaMigrations();
// The newest version the program knows.
int KnownSchemaVersion();

// The version the database holds: 0 without the schema, -1 when it could
// not be read (`error` says why).
int SchemaVersion(PgConnection &db, QString *error);

struct MigrationResult {
    bool ok = false;
    int from = 0;  // the version found
    int to = 0;    // the version the database now holds
    QString error;
};

// Applies, in order and each in its own transaction, every migration of
// `migrations` newer than the database (those up to `upTo`, 0: all). A
// database newer than the newest of `migrations` is refused untouched.
MigrationResult Migrate(PgConnection &db, const std::vector<Migration> &migrations, int upTo = 0);

// "Schemat bazy w wersji 3 jest nowszy niż znany programowi (2)".
QString NewerSchemaMessage(int found, int known);

}  // namespace central
