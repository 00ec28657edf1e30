#pragma once

// A libpq connection that never waits longer than it is told: connecting and
// every query run non-blocking with a deadline, and give up early when the
// stop flag is raised. Only the sending thread uses it, never the windows.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

struct pg_conn;
struct pg_result;

namespace central {

class PgResult {
public:
    PgResult() = default;
    explicit PgResult(pg_result *r);
    bool Ok() const { return ok_; }
    int Rows() const;
    int Columns() const;
    bool IsNull(int row, int col) const;
    QByteArray Value(int row, int col) const;
    // The server's or libpq's message when !Ok().
    const QString &Error() const { return error_; }
    // SQLSTATE of a server error ("42501"), empty for a failed connection.
    const QByteArray &State() const { return state_; }
    // The server did not answer within the time given.
    bool TimedOut() const { return timedOut_; }

private:
    friend class PgConnection;
    std::shared_ptr<pg_result> r_;
    bool ok_ = false;
    QString error_;
    QByteArray state_;
    bool timedOut_ = false;
};

class PgConnection {
public:
    explicit PgConnection(const std::atomic_bool *stop = nullptr) : stop_(stop) {}
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Connects by the libpq connection string `conninfo` (keywords or a URI)
    // within `timeoutMs`. False with `error` set when it could not.
    bool Open(const QByteArray &conninfo, int timeoutMs, QString *error);
    bool IsOpen() const;
    void Close();

    // Runs one statement with text parameters (a null QByteArray is NULL),
    // or without parameters a script of several.
    // A timeout or a broken connection closes the connection.
    PgResult Exec(const char *sql, const std::vector<QByteArray> &params = {}, int timeoutMs = 30000);

    // Whether the server went away meanwhile (reads what it sent, does not wait).
    bool Lost();

    // Called every few tens of milliseconds while a query waits for the
    // server, so that its caller can tell how long it has been waiting.
    void SetWaitHook(std::function<void()> hook) { waitHook_ = std::move(hook); }

private:
    bool WaitSocket(bool forWrite, qint64 deadline, QString *error, bool *timedOut = nullptr,
                    bool forAnswer = false);
    PgResult Fail(const QString &error, bool timedOut = false);

    const std::atomic_bool *stop_;
    pg_conn *conn_ = nullptr;
    std::function<void()> waitHook_;
};

// A password written into a connection string (password= or in a URI);
// libpq's own parser decides.
bool ConnectionHoldsPassword(const QByteArray &conninfo, QString *parseError);

// A text[] literal of `items` for a parameter.
QByteArray TextArray(const std::vector<QByteArray> &items);

}  // namespace central
