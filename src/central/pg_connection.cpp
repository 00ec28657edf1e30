#include "central/pg_connection.h"

#include <QDateTime>

#include <cerrno>
#include <cstring>

#include <libpq-fe.h>
#include <poll.h>

namespace central {

namespace {

// Short slices, so that a stop request is noticed quickly.
constexpr int kSliceMs = 50;

QString Trimmed(const char *message)
{
    return QString::fromUtf8(message).trimmed();
}

}  // namespace

PgResult::PgResult(pg_result *r) : r_(r, PQclear)
{
    const ExecStatusType s = PQresultStatus(r);
    ok_ = s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    if (!ok_) {
        error_ = Trimmed(PQresultErrorMessage(r));
        if (const char *state = PQresultErrorField(r, PG_DIAG_SQLSTATE))
            state_ = state;
        // The primary message alone reads better in the status panel.
        if (const char *primary = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY))
            error_ = Trimmed(primary);
    }
}

int PgResult::Rows() const
{
    return r_ ? PQntuples(r_.get()) : 0;
}

int PgResult::Columns() const
{
    return r_ ? PQnfields(r_.get()) : 0;
}

bool PgResult::IsNull(int row, int col) const
{
    return !r_ || PQgetisnull(r_.get(), row, col);
}

QByteArray PgResult::Value(int row, int col) const
{
    if (IsNull(row, col))
        return {};
    return QByteArray(PQgetvalue(r_.get(), row, col), PQgetlength(r_.get(), row, col));
}

PgConnection::~PgConnection()
{
    Close();
}

void PgConnection::Close()
{
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
}

bool PgConnection::IsOpen() const
{
    return conn_ && PQstatus(conn_) == CONNECTION_OK;
}

bool PgConnection::WaitSocket(bool forWrite, qint64 deadline, QString *error, bool *timedOut, bool forAnswer)
{
    for (;;) {
        if (forAnswer && waitHook_)
            waitHook_();
        if (stop_ && stop_->load()) {
            *error = QStringLiteral("Przerwano");
            return false;
        }
        const qint64 left = deadline - QDateTime::currentMSecsSinceEpoch();
        if (left <= 0) {
            *error = QStringLiteral("Przekroczony czas oczekiwania na serwer bazy");
            if (timedOut)
                *timedOut = true;
            return false;
        }
        pollfd p{PQsocket(conn_), short(forWrite ? POLLOUT : POLLIN), 0};
        if (p.fd < 0) {
            *error = Trimmed(PQerrorMessage(conn_));
            return false;
        }
        const int r = poll(&p, 1, int(std::min<qint64>(left, kSliceMs)));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR) {
            *error = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
    }
}

bool PgConnection::Open(const QByteArray &conninfo, int timeoutMs, QString *error)
{
    Close();
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + timeoutMs;
    // Defaults first, so that the connection string may override them; the
    // keepalives let a cut cable be noticed while a query waits.
    const char *keys[] = {"application_name", "keepalives_idle", "keepalives_interval", "keepalives_count",
                          "tcp_user_timeout",  "dbname",          nullptr};
    const char *values[] = {"pomiary", "10", "3", "3", "15000", conninfo.constData(), nullptr};
    conn_ = PQconnectStartParams(keys, values, 1);
    if (!conn_) {
        *error = QStringLiteral("Brak pamięci na połączenie z bazą");
        return false;
    }
    if (PQstatus(conn_) == CONNECTION_BAD) {
        *error = Trimmed(PQerrorMessage(conn_));
        Close();
        return false;
    }
    PostgresPollingStatusType st = PGRES_POLLING_WRITING;
    while (st != PGRES_POLLING_OK) {
        if (st == PGRES_POLLING_FAILED) {
            *error = Trimmed(PQerrorMessage(conn_));
            Close();
            return false;
        }
        if (!WaitSocket(st == PGRES_POLLING_WRITING, deadline, error)) {
            Close();
            return false;
        }
        st = PQconnectPoll(conn_);
    }
    if (PQsetnonblocking(conn_, 1) != 0) {
        *error = Trimmed(PQerrorMessage(conn_));
        Close();
        return false;
    }
    return true;
}

PgResult PgConnection::Fail(const QString &error, bool timedOut)
{
    Close();
    PgResult r;
    r.error_ = error;
    r.timedOut_ = timedOut;
    return r;
}

PgResult PgConnection::Exec(const char *sql, const std::vector<QByteArray> &params, int timeoutMs)
{
    if (!IsOpen())
        return Fail(QStringLiteral("Brak połączenia z bazą"));
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + timeoutMs;
    std::vector<const char *> values;
    std::vector<int> lengths;
    for (const QByteArray &p : params) {
        values.push_back(p.isNull() ? nullptr : p.constData());
        lengths.push_back(int(p.size()));
    }
    // Without parameters the simple protocol runs a whole script (migrations).
    const int sent = params.empty() ? PQsendQuery(conn_, sql)
                                    : PQsendQueryParams(conn_, sql, int(params.size()), nullptr, values.data(),
                                                        lengths.data(), nullptr, 0);
    if (!sent)
        return Fail(Trimmed(PQerrorMessage(conn_)));
    QString error;
    bool timedOut = false;
    // Sending: a large batch may not fit the socket at once.
    for (;;) {
        const int f = PQflush(conn_);
        if (f == 0)
            break;
        if (f < 0 || !WaitSocket(true, deadline, &error, &timedOut, true))
            return Fail(f < 0 ? Trimmed(PQerrorMessage(conn_)) : error, timedOut);
    }
    PgResult last;
    bool haveResult = false;
    for (;;) {
        while (PQisBusy(conn_)) {
            if (!WaitSocket(false, deadline, &error, &timedOut, true)) {
                // Ask the server to drop the statement; the connection goes anyway.
                if (PGcancel *c = PQgetCancel(conn_)) {
                    char buf[256];
                    PQcancel(c, buf, sizeof buf);
                    PQfreeCancel(c);
                }
                return Fail(error, timedOut);
            }
            if (!PQconsumeInput(conn_))
                return Fail(Trimmed(PQerrorMessage(conn_)));
        }
        pg_result *r = PQgetResult(conn_);
        if (!r)
            break;
        PgResult one(r);
        // The first error is the one that matters.
        if (!haveResult || (last.Ok() && !one.Ok()))
            last = one;
        haveResult = true;
    }
    if (!haveResult)
        return Fail(Trimmed(PQerrorMessage(conn_)));
    if (PQstatus(conn_) != CONNECTION_OK) {
        const QString e = last.Ok() ? Trimmed(PQerrorMessage(conn_)) : last.Error();
        return Fail(e);
    }
    return last;
}

bool PgConnection::Lost()
{
    if (!conn_)
        return true;
    pollfd p{PQsocket(conn_), POLLIN, 0};
    if (p.fd < 0)
        return true;
    if (poll(&p, 1, 0) > 0) {
        if (!PQconsumeInput(conn_) || PQstatus(conn_) != CONNECTION_OK) {
            Close();
            return true;
        }
        // A notice or the like: take it so the socket is quiet again.
        while (!PQisBusy(conn_)) {
            pg_result *r = PQgetResult(conn_);
            if (!r)
                break;
            PQclear(r);
        }
    }
    return PQstatus(conn_) != CONNECTION_OK;
}

bool ConnectionHoldsPassword(const QByteArray &conninfo, QString *parseError)
{
    char *err = nullptr;
    PQconninfoOption *opts = PQconninfoParse(conninfo.constData(), &err);
    if (!opts) {
        if (parseError)
            *parseError = err ? Trimmed(err) : QStringLiteral("Błędny opis połączenia");
        PQfreemem(err);
        return false;
    }
    bool holds = false;
    for (PQconninfoOption *o = opts; o->keyword; ++o)
        if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val)
            holds = true;
    PQconninfoFree(opts);
    return holds;
}

QByteArray TextArray(const std::vector<QByteArray> &items)
{
    qsizetype size = 2;
    for (const QByteArray &i : items)
        size += i.size() + 3;
    QByteArray out;
    out.reserve(size + size / 16);
    out += '{';
    for (size_t k = 0; k < items.size(); ++k) {
        if (k)
            out += ',';
        out += '"';
        for (const char c : items[k]) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    out += '}';
    return out;
}

}  // namespace central
