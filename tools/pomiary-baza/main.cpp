// pomiary-baza: makes or brings up to date the central database's schema.
// Run once by the owner's role of the database (README.md, "Several
// stations, one database"); the stations themselves never change it.
//
//     pomiary-baza '<connection>'            migrations up to the newest
//     pomiary-baza --wersja '<connection>'   the version only
//     pomiary-baza --nowy-lancuch '<station>' '<connection>'
//         sets the station's chain aside, so that its journal restored from a
//         backup (or a new one) is taken from event 0 (README.md)

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
    QString newChain;
    if (const qsizetype i = args.indexOf(QStringLiteral("--nowy-lancuch")); i >= 0 && i + 1 < args.size()) {
        newChain = args[i + 1];
        args.remove(i, 2);
    }
    if (args.size() != 1 || (onlyVersion && !newChain.isEmpty())) {
        err << "Użycie: pomiary-baza [--wersja | --nowy-lancuch 'stanowisko'] 'opis połączenia libpq'\n";
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
    if (!newChain.isEmpty()) {
        const int v = central::SchemaVersion(db, &error);
        if (v != central::KnownSchemaVersion()) {
            err << (v < 0 ? error : QStringLiteral("Najpierw uaktualnij schemat bazy (pomiary-baza bez opcji)")) << '\n';
            return 1;
        }
        const central::PgResult r =
            db.Exec("SELECT lancuch, zdarzen, ostatni_seq, wierszy FROM pomiary.nowy_lancuch($1)", {newChain.toUtf8()},
                    600000);
        if (!r.Ok()) {
            err << r.Error() << '\n';
            return 1;
        }
        const int chain = r.Value(0, 0).toInt();
        out << QStringLiteral("Stanowisko \"%1\": łańcuch %2 odłożony (zdarzeń: %3, ostatnie: %4, wierszy: %5).\n"
                              "Stanowisko wyśle dziennik od zdarzenia 0 jako łańcuch %6. Co odłożony łańcuch ma "
                              "ponad nowy: pomiary.poza_lancuchem.\n")
                   .arg(newChain, QString::number(chain), QString::fromUtf8(r.Value(0, 1)),
                        QString::fromUtf8(r.Value(0, 2)), QString::fromUtf8(r.Value(0, 3)), QString::number(chain + 1));
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
