#include "central/central_sender.h"

#include "central/journal_outbox.h"
#include "central/pg_connection.h"
#include "central/schema.h"
#include "core/cp1250.h"
#include "core/safe_file.h"

#include <QDateTime>
#include <QList>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>

namespace central {

namespace {

qint64 Now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Text the server would reject as a whole call (bad UTF-8, NUL) is refused
// here instead, for that event alone.
bool SendableText(const QByteArray &line)
{
    if (line.contains('\0'))
        return false;
    QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(d(line));
    return !d.hasError();
}

}  // namespace

CentralWorker::CentralWorker(SenderOptions options, const std::atomic_bool *stop)
    : o_(std::move(options)), stop_(stop)
{
}

CentralWorker::~CentralWorker() = default;

void CentralWorker::Start()
{
    db_ = std::make_unique<PgConnection>(stop_);
    db_->SetWaitHook([this] { WhileAnswerAwaited(); });
    batchLimit_ = std::max(1, o_.batchEvents);
    outbox_ = std::make_unique<JournalOutbox>(JournalPath(o_.dataDir));
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &CentralWorker::Tick);
    LoadProgress();
    outbox_->Refresh();
    status_.confirmed = confirmed_;
    status_.waiting = std::max<qint64>(0, outbox_->Count() - (confirmed_ + 1));

    QString problem = SettingsProblem(o_.settings);
    QString parseError;
    if (problem.isEmpty() && ConnectionHoldsPassword(o_.settings.connection, &parseError))
        problem = QStringLiteral("Hasło nie może być w pliku dane/baza.ini; wpisz je do ~/.pgpass (albo PGPASSFILE)");
    if (problem.isEmpty() && !parseError.isEmpty())
        problem = QStringLiteral("Błędny opis połączenia w dane/baza.ini: ") + parseError;
    if (!problem.isEmpty()) {
        status_.state = CentralStatus::State::SettingsError;
        status_.error = problem;
    }
    Publish();
    Tick();
}

void CentralWorker::Finish()
{
    if (timer_)
        timer_->stop();
    delete timer_;
    timer_ = nullptr;
    db_.reset();
    QThread::currentThread()->quit();
}

void CentralWorker::Schedule()
{
    if (timer_ && !stop_->load())
        timer_->start(o_.pollMs);
}

void CentralWorker::LoadProgress()
{
    QList<QByteArray> lines;
    if (!ReadLines(ProgressPath(o_.dataDir), lines))
        return;
    QString station;
    qint64 seq = -1;
    for (const QByteArray &l : std::as_const(lines)) {
        if (l.startsWith("stanowisko="))
            station = cp1250::Decode(l.sliced(11));
        else if (l.startsWith("potwierdzone="))
            seq = l.sliced(13).toLongLong();
    }
    // Another station's record says nothing about this one.
    if (station == o_.settings.station)
        confirmed_ = savedConfirmed_ = seq;
}

void CentralWorker::SaveProgress()
{
    if (confirmed_ == savedConfirmed_)
        return;
    const QByteArray text = "stanowisko=" + cp1250::EncodeLossy(o_.settings.station) + "\r\npotwierdzone=" +
                            QByteArray::number(confirmed_) + "\r\n";
    if (WriteFileAtomically(ProgressPath(o_.dataDir), text))
        savedConfirmed_ = confirmed_;
}

void CentralWorker::Publish()
{
    status_.confirmed = confirmed_;
    status_.waiting = std::max<qint64>(0, outbox_->Count() - (confirmed_ + 1));
    if (havePublished_ && status_ == published_)
        return;
    published_ = status_;
    havePublished_ = true;
    emit statusChanged(status_);
}

// A batch waiting long for the server (a lock, a slow server) keeps the
// panel telling what waits, not what was true before it went out.
void CentralWorker::WhileAnswerAwaited()
{
    if (sendStarted_ == 0)
        return;
    const int secs = int((Now() - sendStarted_) / 1000);
    if (secs == status_.answerWaitS)
        return;
    status_.answerWaitS = secs;
    if (outbox_->Refresh() == JournalOutbox::Change::Replaced)
        overlap_ = true;
    Publish();
}

void CentralWorker::Down(const QString &error, int retryMs)
{
    db_->Close();
    status_.state = CentralStatus::State::NotConnected;
    status_.error = error;
    retryMs_ = retryMs > 0 ? retryMs : std::clamp(retryMs_ * 2, o_.retryMinMs, o_.retryMaxMs);
    nextAttempt_ = Now() + retryMs_;
}

void CentralWorker::Refused(qint64 seq, const QString &reason)
{
    db_->Close();
    status_.state = CentralStatus::State::Refused;
    status_.refusedSeq = seq;
    status_.error = reason;
    nextAttempt_ = Now() + o_.refusedRetryMs;
}

void CentralWorker::Tick()
{
    if (stop_->load())
        return;
    QString error;
    if (outbox_->Refresh(&error) == JournalOutbox::Change::Replaced)
        overlap_ = true;  // the server is to compare what it holds with the new file
    if (status_.state == CentralStatus::State::SettingsError) {
        Publish();
        Schedule();
        return;
    }
    if (!db_->IsOpen() && Now() >= nextAttempt_) {
        // A retry keeps "not connected" (and its waiting count) on the panel
        // until it succeeds; only the first attempt shows as connecting.
        if (!ConnectAndSync()) {
            // The attempt may have taken seconds: the count shown is of now.
            outbox_->Refresh();
            Publish();
            Schedule();
            return;
        }
    }
    if (db_->IsOpen()) {
        // Batches go out back to back, but the thread looks up now and then.
        const qint64 until = Now() + 2000;
        bool more = true;
        while (more && !stop_->load() && Now() < until) {
            if (!SendBatch(more))
                break;
            Publish();
        }
        if (db_->IsOpen() && !more && Now() - lastTalk_ >= o_.pingMs) {
            const PgResult r = db_->Exec("SELECT 1", {}, o_.connectTimeoutMs);
            if (!r.Ok())
                Down(r.Error());
            else
                lastTalk_ = Now();
        } else if (db_->IsOpen() && !more && db_->Lost()) {
            Down(QStringLiteral("Serwer bazy zamknął połączenie"));
        }
    }
    Publish();
    Schedule();
}

bool CentralWorker::ConnectAndSync()
{
    QString error;
    if (!db_->Open(o_.settings.connection, o_.connectTimeoutMs, &error)) {
        Down(error);
        return false;
    }
    const int version = SchemaVersion(*db_, &error);
    if (version < 0) {
        Down(error);
        return false;
    }
    if (version == 0) {
        Down(QStringLiteral("Baza nie ma schematu programu (pomiary-baza go zakłada)"), o_.retryMaxMs);
        return false;
    }
    if (version > KnownSchemaVersion()) {
        Down(NewerSchemaMessage(version, KnownSchemaVersion()), o_.retryMaxMs);
        return false;
    }
    const PgResult r = db_->Exec("SELECT ostatni_seq, ostatni_mac FROM pomiary.stan_stanowiska($1)",
                                 {o_.settings.station.toUtf8()}, o_.queryTimeoutMs);
    if (!r.Ok()) {
        Down(r.Error(), r.State().isEmpty() ? 0 : o_.retryMaxMs);
        return false;
    }
    confirmed_ = r.Value(0, 0).toLongLong();
    SaveProgress();
    overlap_ = true;
    lastTalk_ = Now();
    retryMs_ = 0;
    if (status_.state != CentralStatus::State::Refused) {
        status_.state = CentralStatus::State::Connected;
        status_.error.clear();
    }
    return true;
}

bool CentralWorker::SendBatch(bool &more)
{
    more = false;
    const qint64 count = outbox_->Count();
    qint64 first = confirmed_ + 1;
    if (overlap_ && confirmed_ >= 0 && count > 0)
        first = std::min(confirmed_, count - 1);
    if (first >= count) {
        overlap_ = false;
        if (status_.state == CentralStatus::State::Refused) {
            // Nothing beyond what the server holds: nothing is refused now.
            status_.state = CentralStatus::State::Connected;
            status_.error.clear();
        }
        return true;
    }
    std::vector<OutboxEvent> events;
    QString error;
    if (!outbox_->Take(first, batchLimit_, o_.batchBytes, events, &error)) {
        Down(QStringLiteral("Nie można odczytać dziennika: ") + error);
        return false;
    }
    qint64 unsendable = -1;
    QString why;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].tooLong > 0)
            why = QStringLiteral("Zdarzenie %1 w dzienniku jest za długie (%2 MB)")
                      .arg(events[i].seq)
                      .arg(events[i].tooLong >> 20);
        else if (!SendableText(events[i].line))
            why = QStringLiteral("Zdarzenie %1 w dzienniku nie jest poprawnym tekstem UTF-8").arg(events[i].seq);
        else
            continue;
        unsendable = events[i].seq;
        events.resize(i);
        break;
    }
    if (!events.empty()) {
        std::vector<QByteArray> seqs, previous, lines;
        seqs.reserve(events.size());
        previous.reserve(events.size());
        lines.reserve(events.size());
        for (const OutboxEvent &e : events) {
            seqs.push_back(QByteArray::number(e.seq));
            previous.push_back(e.previousMac);
            lines.push_back(e.line);
        }
        Publish();
        sendStarted_ = Now();
        const PgResult r = db_->Exec(
            "SELECT ostatni_seq, odmowa_seq, odmowa FROM pomiary.dodaj_zdarzenia($1, $2::bigint[], $3::text[], "
            "$4::text[])",
            {o_.settings.station.toUtf8(), TextArray(seqs), TextArray(previous), TextArray(lines)},
            o_.queryTimeoutMs);
        const qint64 took = Now() - sendStarted_;
        sendStarted_ = 0;
        status_.answerWaitS = 0;
        if (!r.Ok()) {
            // Sent again whole, a batch the server cannot finish in time would
            // time out forever.
            if (r.TimedOut())
                batchLimit_ = std::max(1, int(events.size()) / 2);
            Down(r.Error());
            return false;
        }
        if (took < o_.queryTimeoutMs / 4 && int(events.size()) >= batchLimit_)
            batchLimit_ = std::min(std::max(1, o_.batchEvents), batchLimit_ * 2);
        lastTalk_ = Now();
        confirmed_ = r.Value(0, 0).toLongLong();
        overlap_ = false;
        SaveProgress();
        if (!r.IsNull(0, 1)) {
            Refused(r.Value(0, 1).toLongLong(), QString::fromUtf8(r.Value(0, 2)));
            return false;
        }
    }
    if (unsendable >= 0) {
        Refused(unsendable, why);
        return false;
    }
    status_.state = CentralStatus::State::Connected;
    status_.error.clear();
    more = confirmed_ + 1 < outbox_->Count();
    return true;
}

CentralSender::CentralSender(SenderOptions options, QObject *parent) : QObject(parent)
{
    qRegisterMetaType<central::CentralStatus>();
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("central-sender"));
    worker_ = new CentralWorker(std::move(options), &stop_);
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::started, worker_, &CentralWorker::Start);
    connect(worker_, &CentralWorker::statusChanged, this, [this](const CentralStatus &s) {
        status_ = s;
        emit statusChanged(s);
    });
}

CentralSender::~CentralSender()
{
    Stop();
}

void CentralSender::Start()
{
    if (started_ || !thread_)
        return;
    started_ = true;
    thread_->start();
}

void CentralSender::Stop(int waitMs)
{
    if (!thread_)
        return;
    stop_ = true;
    if (started_) {
        QMetaObject::invokeMethod(worker_, &CentralWorker::Finish, Qt::QueuedConnection);
        if (!thread_->wait(waitMs)) {
            // Stuck in a name lookup libpq cannot cut short: the thread is
            // left to end with the process rather than wait for it here.
            disconnect(worker_, nullptr, this, nullptr);
            thread_ = nullptr;
            worker_ = nullptr;
            return;
        }
    }
    delete worker_;
    delete thread_;
    worker_ = nullptr;
    thread_ = nullptr;
}

}  // namespace central
