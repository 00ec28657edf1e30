#pragma once

// Sends the weighing journal to the central database, off the windows'
// thread. The journal is the outbox: a worker thread reads the events the
// server lacks, sends them in order and in batches, and records how far the
// server has confirmed (dane/baza.stan). The server keeps each event once by
// (station, seq) and refuses one that does not follow its chain. While the
// server cannot be reached the events wait in the journal; the worker keeps
// trying and goes on by itself.

#include "central/central_settings.h"
#include "central/central_status.h"

#include <QObject>

#include <atomic>
#include <memory>

class QThread;
class QTimer;

namespace central {

class JournalOutbox;
class PgConnection;

struct SenderOptions {
    QString dataDir;  // ends in '/'
    CentralSettings settings;
    int connectTimeoutMs = 5000;
    int queryTimeoutMs = 60000;
    int pollMs = 250;         // how often the journal is looked at
    // A backlog goes out in big transactions, each small enough to cross a
    // slow link well within queryTimeoutMs. A batch that times out is halved
    // (down to one event) and grows back while batches go quickly.
    int batchEvents = 5000;
    qint64 batchBytes = 2 << 20;
    int retryMinMs = 1000;    // after a failure, doubling up to retryMaxMs
    int retryMaxMs = 30000;
    int refusedRetryMs = 60000;
    int pingMs = 15000;       // an idle connection is checked this often
};

// Lives on the worker thread; every libpq call is made here.
class CentralWorker : public QObject {
    Q_OBJECT
public:
    CentralWorker(SenderOptions options, const std::atomic_bool *stop);
    ~CentralWorker() override;

    void Start();
    void Tick();
    void Finish();

signals:
    void statusChanged(const central::CentralStatus &status);

private:
    void Schedule();
    bool ConnectAndSync();
    // False when the connection failed or the server refused.
    bool SendBatch(bool &more);
    void Down(const QString &error, int retryMs = 0);
    void Refused(qint64 seq, const QString &reason);
    void SaveProgress();
    void LoadProgress();
    void Publish();
    void WhileAnswerAwaited();

    SenderOptions o_;
    const std::atomic_bool *stop_;
    std::unique_ptr<PgConnection> db_;
    std::unique_ptr<JournalOutbox> outbox_;
    QTimer *timer_ = nullptr;
    CentralStatus status_;
    CentralStatus published_;
    bool havePublished_ = false;
    qint64 confirmed_ = -1;
    qint64 savedConfirmed_ = -2;
    bool overlap_ = true;  // the next batch starts with the last confirmed event
    qint64 nextAttempt_ = 0;
    qint64 lastTalk_ = 0;
    int retryMs_ = 0;
    int batchLimit_ = 0;       // events per batch now: halved after a batch timed out
    qint64 sendStarted_ = 0;   // when the batch awaiting the server's answer went out
};

// The windows' side: starts the worker thread and hears its status.
class CentralSender : public QObject {
    Q_OBJECT
public:
    explicit CentralSender(SenderOptions options, QObject *parent = nullptr);
    ~CentralSender() override;

    void Start();
    // Ends the worker; waits at most `waitMs` for it.
    void Stop(int waitMs = 3000);
    const CentralStatus &Status() const { return status_; }

signals:
    void statusChanged(const central::CentralStatus &status);

private:
    std::atomic_bool stop_{false};
    QThread *thread_ = nullptr;
    CentralWorker *worker_ = nullptr;
    CentralStatus status_;
    bool started_ = false;
};

}  // namespace central
