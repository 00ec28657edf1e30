// pomiary-baza: makes or brings up to date the central database's schema.
// Run once by the owner's role of the database (README.md, "Several
// stations, one database"); the stations themselves never change it.
//
//     pomiary-baza '<connection>'            migrations up to the newest
//     pomiary-baza --wersja '<connection>'   the version only

#include "central/pg_connection.h"
#include "central/schema.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const bool onlyVersion = args.removeAll(QStringLiteral("--wersja")) > 0;
    if (args.size() != 1) {
        err << "Użycie: pomiary-baza [--wersja] 'opis połączenia libpq'\n";
        return 2;
    }
    central::PgConnection db;
    QString error;
    if (!db.Open(args[0].toUtf8(), 15000, &error)) {
        err << "Brak połączenia z bazą: " << error << '\n';
        return 1;
    }
    if (onlyVersion) {
        const int v = central::SchemaVersion(db, &error);
        if (v < 0) {
            err << error << '\n';
            return 1;
        }
        out << "Schemat bazy: wersja " << v << " (program zna " << central::KnownSchemaVersion() << ")\n";
        return 0;
    }
    const central::MigrationResult r = central::Migrate(db, central::SchemaMigrations());
    if (!r.ok) {
        err << r.error << '\n';
        return 1;
    }
    if (r.from == r.to)
        out << "Schemat bazy: wersja " << r.to << ", nic do zrobienia\n";
    else
        out << "Schemat bazy: wersja " << r.from << " -> " << r.to << '\n';
    return 0;
}
