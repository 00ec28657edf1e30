#include "reports/office_summary.h"

#include "central/pg_connection.h"

#include <QCollator>
#include <QLocale>
#include <QMetaObject>

#include <algorithm>

namespace {

// The server keeps the current weighings summed per station, table, day and
// dictionary fields (pomiary.sumy_dzienne); a line counts only when its time
// and all four numbers were read.
constexpr const char *kReadable = "s.czytelny AND s.dzien <> '-infinity'";

bool IsPeriod(SummaryKey key)
{
    return key == SummaryKey::Day || key == SummaryKey::Week || key == SummaryKey::Month || key == SummaryKey::Year;
}

// What a row is grouped on. Periods group on a truncated day and are
// written as labels only for the groups that come out.
QByteArray GroupExpression(SummaryKey key)
{
    switch (key) {
    case SummaryKey::Day:
        return "s.dzien";
    case SummaryKey::Week:
        return "date_trunc('week', s.dzien::timestamp)"; // ISO weeks start on Monday
    case SummaryKey::Month:
        return "date_trunc('month', s.dzien::timestamp)";
    case SummaryKey::Year:
        return "date_trunc('year', s.dzien::timestamp)";
    case SummaryKey::Material:
        return "s.material";
    case SummaryKey::Packaging:
        return "s.opakowanie";
    case SummaryKey::Customer:
        return "s.klient";
    case SummaryKey::Operator:
        return "s.operator";
    case SummaryKey::Order:
        return "s.zamowienie";
    case SummaryKey::Table:
        return "s.tabela::text";
    case SummaryKey::Station:
        return "st.nazwa";
    case SummaryKey::None:
        break;
    }
    return "''";
}

QByteArray LabelExpression(SummaryKey key, const char *column)
{
    const QByteArray c = column;
    switch (key) {
    case SummaryKey::Day:
        return "to_char(" + c + ", 'YYYY-MM-DD')";
    case SummaryKey::Week:
        return "to_char(" + c + ", 'IYYY-\"W\"IW')";
    case SummaryKey::Month:
        return "to_char(" + c + ", 'YYYY-MM')";
    case SummaryKey::Year:
        return "to_char(" + c + ", 'YYYY')";
    case SummaryKey::None:
        return "''";
    default:
        break;
    }
    return "CASE WHEN " + c + " = '' THEN '(brak)' ELSE " + c + " END";
}

// Periods in time order (their labels are zero-padded), tables by number,
// names by the Polish collation.
class LabelOrder {
  public:
    explicit LabelOrder(SummaryKey key) : key_(key)
    {
        // As at the station: case-sensitive, numbers in names by their value.
        collator_.setCaseSensitivity(Qt::CaseSensitive);
        collator_.setNumericMode(true);
    }
    // <0, 0, >0
    int Compare(const QString &a, const QString &b) const
    {
        if (key_ == SummaryKey::Table) {
            const int x = a.toInt(), y = b.toInt();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        if (key_ == SummaryKey::None || IsPeriod(key_))
            return a.compare(b);
        // An empty field comes last, as at the station.
        const bool noneA = a == EmptyFieldLabel(), noneB = b == EmptyFieldLabel();
        if (noneA != noneB)
            return noneA ? 1 : -1;
        const int c = collator_.compare(a, b);
        return c ? c : a.compare(b);
    }

  private:
    SummaryKey key_;
    QCollator collator_{QLocale(QLocale::Polish, QLocale::Poland)};
};

double Number(const QByteArray &text)
{
    bool ok = false;
    const double x = text.toDouble(&ok);
    return ok ? x : 0.0;
}

} // namespace

QByteArray OfficeSummaryQuery(SummaryKey first, SummaryKey second)
{
    const QByteArray readable = kReadable;
    const QByteArray k1 = "CASE WHEN " + readable + " THEN " + GroupExpression(first) + " END AS k1";
    const QByteArray k2 = "CASE WHEN " + readable + " THEN " + GroupExpression(second) + " END AS k2";
    return "SELECT " + LabelExpression(first, "k1") + ", " + LabelExpression(second, "k2") +
           ", sum(liczba), sum(brutto)::text, sum(netto)::text, sum(tara)::text, sum(wartosc)::text"
           " FROM (SELECT s.liczba, s.brutto, s.netto, s.tara, s.wartosc, " +
           k1 + ", " + k2 +
           " FROM pomiary.sumy_dzienne s JOIN pomiary.stanowiska st ON st.id = s.stanowisko"
           " WHERE s.dzien = '-infinity' OR (s.dzien >= $1::date AND s.dzien <= $2::date)) g"
           " GROUP BY k1, k2";
}

bool RunOfficeSummary(central::PgConnection &db, const SummaryRequest &request, int queryMs, SummaryResult *result,
                      QString *error)
{
    SummaryRequest r = request;
    // A second grouping alone stands first.
    if (r.first == SummaryKey::None) {
        r.first = r.second;
        r.second = SummaryKey::None;
    }
    if (r.second == r.first)
        r.second = SummaryKey::None;
    // An empty or reversed range has no rows; the query still counts the unreadable ones.
    const QByteArray from = r.from.isValid() ? r.from.toString(Qt::ISODate).toLatin1() : QByteArray("0001-01-01");
    const QByteArray to = r.to.isValid() ? r.to.toString(Qt::ISODate).toLatin1() : QByteArray("9999-12-30");
    const QByteArray sql = OfficeSummaryQuery(r.first, r.second);
    const central::PgResult q = db.Exec(sql.constData(), {from, to}, queryMs);
    if (!q.Ok()) {
        // 57014: the server's own statement_timeout.
        if (q.TimedOut() || q.State() == "57014")
            *error = QStringLiteral("Baza danych nie odpowiada.");
        else if (q.State().isEmpty())
            *error = QStringLiteral("Brak połączenia z bazą danych: ") + q.Error();
        else
            *error = QStringLiteral("Błąd odczytu z bazy danych: ") + q.Error();
        return false;
    }
    SummaryResult out;
    out.request = request;
    out.total.first = QStringLiteral("Razem");
    for (int i = 0; i < q.Rows(); ++i) {
        if (q.IsNull(i, 0)) {
            out.skipped += q.Value(i, 2).toLongLong();
            continue;
        }
        SummaryRow row;
        row.first = r.first == SummaryKey::None ? QStringLiteral("Razem") : QString::fromUtf8(q.Value(i, 0));
        if (r.second != SummaryKey::None)
            row.second = QString::fromUtf8(q.Value(i, 1));
        row.count = q.Value(i, 2).toLongLong();
        row.gross = Number(q.Value(i, 3));
        row.net = Number(q.Value(i, 4));
        row.tare = Number(q.Value(i, 5));
        row.value = Number(q.Value(i, 6));
        out.total.count += row.count;
        out.total.gross += row.gross;
        out.total.net += row.net;
        out.total.tare += row.tare;
        out.total.value += row.value;
        out.rows.append(row);
    }
    const LabelOrder firstOrder(r.first), secondOrder(r.second);
    std::sort(out.rows.begin(), out.rows.end(), [&](const SummaryRow &a, const SummaryRow &b) {
        const int c = firstOrder.Compare(a.first, b.first);
        return c ? c < 0 : secondOrder.Compare(a.second, b.second) < 0;
    });
    *result = std::move(out);
    return true;
}

bool OpenOfficeSession(central::PgConnection &db, const QByteArray &conninfo, int connectMs, int queryMs,
                       QString *error)
{
    QString why;
    if (!db.Open(conninfo, connectMs, &why)) {
        *error = QStringLiteral("Brak połączenia z bazą danych: ") + why;
        return false;
    }
    // Memory enough to group the sums in memory rather than sort them on disk.
    const QByteArray session =
        "SET default_transaction_read_only = on; SET work_mem = '64MB'; SET statement_timeout = " +
        QByteArray::number(queryMs);
    const central::PgResult s = db.Exec(session.constData(), {}, connectMs);
    if (!s.Ok()) {
        *error = s.TimedOut() ? QStringLiteral("Baza danych nie odpowiada.")
                              : QStringLiteral("Brak połączenia z bazą danych: ") + s.Error();
        return false;
    }
    return true;
}

OfficeSummary::OfficeSummary(QByteArray conninfo, QObject *parent)
    : SummaryService(parent), conninfo_(std::move(conninfo))
{
}

OfficeSummary::~OfficeSummary()
{
    Reap(true);
}

void OfficeSummary::SetTimeouts(int connectMs, int queryMs)
{
    connectMs_ = connectMs;
    queryMs_ = queryMs;
}

QList<SummaryKey> OfficeSummary::Keys() const
{
    return {SummaryKey::Day,      SummaryKey::Week,      SummaryKey::Month,    SummaryKey::Year,
            SummaryKey::Material, SummaryKey::Packaging, SummaryKey::Customer, SummaryKey::Operator,
            SummaryKey::Order,    SummaryKey::Table,     SummaryKey::Station};
}

void OfficeSummary::Reap(bool all)
{
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (all)
            it->stop->store(true);
        if (all || it->done->load()) {
            it->thread.join();
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

void OfficeSummary::Start(const SummaryRequest &request)
{
    // The running one is superseded: told to stop, and its answer dropped.
    for (Job &j : jobs_)
        j.stop->store(true);
    Reap(false);
    const quint64 generation = ++generation_;
    Job job{{}, std::make_shared<std::atomic_bool>(false), std::make_shared<std::atomic_bool>(false)};
    const QByteArray conninfo = conninfo_;
    const int connectMs = connectMs_, queryMs = queryMs_;
    job.thread =
        std::thread([this, generation, request, conninfo, connectMs, queryMs, stop = job.stop, done = job.done] {
            SummaryResult result;
            QString error;
            bool ok = false;
            {
                central::PgConnection db(stop.get());
                // A little more on the client, so the server's own timeout speaks first.
                ok = OpenOfficeSession(db, conninfo, connectMs, queryMs, &error) &&
                     RunOfficeSummary(db, request, queryMs + 2000, &result, &error);
            }
            if (!stop->load()) {
                // Queued to the caller's thread; the destructor joins this thread first,
                // so `this` is alive here, and a queued call to a deleted object is dropped.
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, ok, result = std::move(result), error] {
                        if (generation != generation_)
                            return;
                        if (ok)
                            emit finished(result);
                        else
                            emit failed(error);
                    },
                    Qt::QueuedConnection);
            }
            done->store(true);
        });
    jobs_.push_back(std::move(job));
}
