#pragma once

// A PostgreSQL server of the test's own: Debian's binaries, a cluster made
// by initdb in a temporary folder, listening only on a Unix socket there,
// with passwords (scram) that libpq takes from a PGPASSFILE of the test.
// The server refuses to run as root, so as root it runs as "postgres".
// Nothing of the machine's own clusters is touched.

#include "central/pg_connection.h"
#include "central/schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

namespace central_test {

inline QString PgBinDir()
{
    QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &v : versions)
        if (QFile::exists(lib.filePath(v + "/bin/initdb")))
            return lib.filePath(v + "/bin");
    return {};
}

class PgServer {
public:
    static constexpr const char *kSuperPassword = "nadzorca";

    PgServer() { dir_.setAutoRemove(true); }
    ~PgServer() { Stop(); }

    const QString &LastError() const { return error_; }
    QString SocketDir() const { return dir_.path(); }
    QString PassFile() const { return dir_.filePath("pgpass"); }

    // initdb (once) and start. Sets PGPASSFILE for this process and its children.
    bool Start()
    {
        bin_ = PgBinDir();
        if (bin_.isEmpty())
            return Fail("no PostgreSQL server under /usr/lib/postgresql");
        if (!QFile::exists(Data() + "/PG_VERSION")) {
            if (geteuid() == 0) {
                passwd *pw = getpwnam("postgres");
                if (!pw)
                    return Fail("running as root, but there is no user postgres to run the server");
                runAs_ = "postgres";
                if (chown(QFile::encodeName(dir_.path()).constData(), pw->pw_uid, pw->pw_gid) != 0)
                    return Fail("chown of the temporary folder failed");
            }
            QFile pw(dir_.filePath("superpw"));
            if (!pw.open(QIODevice::WriteOnly) || pw.write(kSuperPassword) < 0)
                return Fail("password file");
            pw.close();
            pw.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
            if (!Run("initdb", {"-D", Data(), "-U", "postgres", "-A", "scram-sha-256", "--pwfile", pw.fileName(),
                                "-E", "UTF8", "--locale=C.UTF-8", "--no-sync"}))
                return false;
            AddPassword("postgres", kSuperPassword);
            qputenv("PGPASSFILE", QFile::encodeName(PassFile()));
        }
        return StartOnly();
    }

    // Starts a stopped server again.
    bool StartOnly()
    {
        const QString opts = QStringLiteral("-k %1 -c listen_addresses= -c fsync=off -c synchronous_commit=off "
                                            "-c full_page_writes=off -c max_connections=40")
                                 .arg(dir_.path());
        if (!Run("pg_ctl", {"-D", Data(), "-o", opts, "-l", dir_.filePath("server.log"), "-w", "-t", "60", "start"}))
            return false;
        running_ = true;
        return true;
    }

    // Stops the server; `immediate` as if it were cut off.
    bool Stop(bool immediate = false)
    {
        if (!running_)
            return true;
        running_ = false;
        return Run("pg_ctl", {"-D", Data(), "-m", immediate ? "immediate" : "fast", "-w", "stop"});
    }

    // A connection string for `user` on `db`; no password in it.
    QByteArray Conninfo(const QByteArray &user, const QByteArray &db = "pomiary") const
    {
        return "host=" + QFile::encodeName(dir_.path()) + " port=5432 dbname=" + db + " user=" + user;
    }

    // Adds a line for `user` to the test's PGPASSFILE.
    void AddPassword(const QByteArray &user, const QByteArray &password)
    {
        QFile f(PassFile());
        f.open(QIODevice::Append);
        f.write("*:*:*:" + user + ":" + password + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }

    // Runs SQL as `user`; false with LastError() on a failure.
    bool Sql(const QByteArray &sql, const QByteArray &user = "postgres", const QByteArray &db = "postgres")
    {
        central::PgConnection c;
        QString error;
        if (!c.Open(Conninfo(user, db), 10000, &error))
            return Fail(error);
        const central::PgResult r = c.Exec(sql.constData(), {}, 120000);
        if (!r.Ok())
            return Fail(r.Error());
        return true;
    }

    // The roles and the database as the README sets them up, the schema made
    // by its owner, and the stations registered.
    bool SetUpCentral(const std::vector<std::pair<QByteArray, QByteArray>> &stations, int upTo = 0)
    {
        if (!Sql("CREATE ROLE pomiary_wlasciciel LOGIN PASSWORD 'wlasciciel';"
                 "CREATE ROLE pomiary_stanowisko NOLOGIN; CREATE ROLE pomiary_biuro NOLOGIN;"
                 "CREATE ROLE biuro LOGIN PASSWORD 'biuro' IN ROLE pomiary_biuro;") ||
            !Sql("CREATE DATABASE pomiary OWNER pomiary_wlasciciel"))
            return false;
        AddPassword("pomiary_wlasciciel", "wlasciciel");
        AddPassword("biuro", "biuro");
        central::PgConnection owner;
        QString error;
        if (!owner.Open(Conninfo("pomiary_wlasciciel"), 10000, &error))
            return Fail(error);
        const central::MigrationResult m = central::Migrate(owner, central::SchemaMigrations(), upTo);
        if (!m.ok)
            return Fail(m.error);
        for (const auto &[name, role] : stations)
            if (!AddStation(name, role))
                return false;
        return true;
    }

    bool AddStation(const QByteArray &name, const QByteArray &role)
    {
        const QByteArray password = role + "-haslo";
        if (!Sql("CREATE ROLE " + role + " LOGIN PASSWORD '" + password + "' IN ROLE pomiary_stanowisko"))
            return false;
        AddPassword(role, password);
        return Sql("INSERT INTO pomiary.stanowiska (nazwa, rola) VALUES ('" + name + "', '" + role + "')",
                   "pomiary_wlasciciel", "pomiary");
    }

    // One query's rows, fields joined by '|', rows by '\n' (NULL: "∅").
    QByteArray Query(const QByteArray &sql, const QByteArray &user = "pomiary_wlasciciel")
    {
        central::PgConnection c;
        QString error;
        if (!c.Open(Conninfo(user), 10000, &error)) {
            Fail(error);
            return "<" + error.toUtf8() + ">";
        }
        const central::PgResult r = c.Exec(sql.constData(), {}, 120000);
        if (!r.Ok()) {
            Fail(r.Error());
            return "<" + r.Error().toUtf8() + ">";
        }
        QByteArray out;
        for (int row = 0; row < r.Rows(); ++row) {
            if (row)
                out += '\n';
            for (int col = 0; col < r.Columns(); ++col) {
                if (col)
                    out += '|';
                out += r.IsNull(row, col) ? QByteArray("∅") : r.Value(row, col);
            }
        }
        return out;
    }

private:
    QString Data() const { return dir_.filePath("data"); }

    bool Fail(const QString &e)
    {
        error_ = e;
        return false;
    }

    bool Run(const char *tool, const QStringList &args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        const QString exe = bin_ + '/' + tool;
        if (runAs_.isEmpty())
            p.start(exe, args);
        else
            p.start("setpriv", QStringList{"--reuid", runAs_, "--regid", runAs_, "--init-groups", exe} + args);
        if (!p.waitForStarted() || !p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return Fail(QStringLiteral("%1 failed: %2").arg(tool, QString::fromLocal8Bit(p.readAll())));
        return true;
    }

    QTemporaryDir dir_{QDir::tempPath() + "/pgtest-XXXXXX"};
    QString bin_;
    QString runAs_;
    QString error_;
    bool running_ = false;
};

}  // namespace central_test
