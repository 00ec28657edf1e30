#pragma once

// The office's summaries: the current weighings of every station, grouped
// on the central PostgreSQL server by one query. Each Start() runs on a
// thread of its own with its own connection (libpq connections are not
// shared between threads); the answer comes back on the caller's thread.
// The session is read-only: the office never writes.

#include "reports/summary.h"

#include <QByteArray>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class OfficeSummary : public SummaryService {
    Q_OBJECT
  public:
    // `conninfo`: a libpq connection string (keywords or a URI).
    explicit OfficeSummary(QByteArray conninfo, QObject *parent = nullptr);
    // Stops any query still running and waits for its thread (a few tens of ms).
    ~OfficeSummary() override;

    void Start(const SummaryRequest &request) override;
    QList<SummaryKey> Keys() const override;
    bool IsStation() const override { return false; }

    // How long connecting and the query may take, in ms (10 s each by default).
    void SetTimeouts(int connectMs, int queryMs);

  private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic_bool> stop;
        std::shared_ptr<std::atomic_bool> done;
    };
    void Reap(bool all);

    QByteArray conninfo_;
    int connectMs_ = 10000;
    int queryMs_ = 10000;
    quint64 generation_ = 0;
    std::vector<Job> jobs_;
};

// The grouping query for `first` and `second`: parameters $1 and $2 are the
// first and last day (inclusive, "yyyy-MM-dd"). Each row: label 1, label 2,
// count, sums of gross, net, tare and value as text; a row with a NULL
// label 1 holds the rows whose time or numbers could not be read.
QByteArray OfficeSummaryQuery(SummaryKey first, SummaryKey second);

namespace central {
class PgConnection;
}

// Connects `db` by `conninfo` within `connectMs` and makes the session
// read-only, with the server's own limit of `queryMs` per statement. False
// with a Polish `error` when it could not.
bool OpenOfficeSession(central::PgConnection &db, const QByteArray &conninfo, int connectMs, int queryMs,
                       QString *error);

// Runs the summary on `db` (open, read-only) within `queryMs`: the result,
// or false with a Polish `error`.
bool RunOfficeSummary(central::PgConnection &db, const SummaryRequest &request, int queryMs, SummaryResult *result,
                      QString *error);
