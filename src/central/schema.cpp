#include "central/schema.h"

#include "central/pg_connection.h"

namespace central {

namespace {

// Two migrating at once wait for each other instead of both creating the schema.
constexpr const char *kLock = "SELECT pg_advisory_xact_lock(7061696, 1)";

int ReadVersion(PgConnection &db, QString *error)
{
    const PgResult exists = db.Exec("SELECT to_regclass('pomiary.wersja_schematu') IS NOT NULL");
    if (!exists.Ok()) {
        *error = exists.Error();
        return -1;
    }
    if (exists.Value(0, 0) != "t")
        return 0;
    const PgResult v = db.Exec("SELECT coalesce(max(wersja), 0) FROM pomiary.wersja_schematu");
    if (!v.Ok()) {
        *error = v.Error();
        return -1;
    }
    return v.Value(0, 0).toInt();
}

}  // namespace

int KnownSchemaVersion()
{
    return SchemaMigrations().back().version;
}

int SchemaVersion(PgConnection &db, QString *error)
{
    return ReadVersion(db, error);
}

QString NewerSchemaMessage(int found, int known)
{
    return QStringLiteral("Schemat bazy w wersji %1 jest nowszy niż znany programowi (%2)").arg(found).arg(known);
}

MigrationResult Migrate(PgConnection &db, const std::vector<Migration> &migrations, int upTo)
{
    MigrationResult result;
    const int newest = migrations.empty() ? 0 : migrations.back().version;
    const int target = upTo > 0 ? std::min(upTo, newest) : newest;
    result.from = ReadVersion(db, &result.error);
    if (result.from < 0)
        return result;
    result.to = result.from;
    if (result.from > newest) {
        result.error = NewerSchemaMessage(result.from, newest);
        return result;
    }
    for (const Migration &m : migrations) {
        if (m.version <= result.to || m.version > target)
            continue;
        auto fail = [&](const PgResult &r) {
            result.error = QStringLiteral("Migracja %1 (%2): %3").arg(m.version).arg(m.description, r.Error());
            db.Exec("ROLLBACK");
            return result;
        };
        PgResult r = db.Exec("BEGIN");
        if (!r.Ok())
            return fail(r);
        if (!(r = db.Exec(kLock)).Ok())
            return fail(r);
        // Someone else may have migrated while this waited for the lock.
        QString error;
        const int now = ReadVersion(db, &error);
        if (now < 0) {
            result.error = error;
            db.Exec("ROLLBACK");
            return result;
        }
        if (now >= m.version) {
            db.Exec("ROLLBACK");
            result.to = now;
            continue;
        }
        if (!(r = db.Exec(m.sql, {}, 600000)).Ok())
            return fail(r);
        if (!(r = db.Exec("INSERT INTO pomiary.wersja_schematu (wersja, opis) VALUES ($1, $2)",
                          {QByteArray::number(m.version), m.description.toUtf8()}))
                 .Ok())
            return fail(r);
        if (!(r = db.Exec("COMMIT")).Ok())
            return fail(r);
        result.to = m.version;
    }
    result.ok = true;
    return result;
}

}  // namespace central
