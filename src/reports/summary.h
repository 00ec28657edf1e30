#pragma once

// Summaries ("Zestawienia"): weighings grouped by period and dictionary
// fields, with counts and sums. The station groups its own tables; the
// office asks the central database. Both give a SummaryResult, which the
// window, the printout, the spreadsheet and the clipboard show alike.

#include <QDate>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

// What rows are grouped by. The values are not stored anywhere.
enum class SummaryKey {
    None,       // no second grouping
    Day,        // "2026-11-03"
    Week,       // ISO week: "2026-W45" (a week crossing a year end belongs to its ISO year)
    Month,      // "2026-11"
    Year,       // "2026"
    Material,
    Packaging,
    Customer,   // supplier/customer
    Operator,
    Order,
    Table,      // "1".."5" (the station), the table's number
    Station,    // the office only
};

// Polish names for the choice lists: "dzień", "tydzień", "miesiąc", "rok", "materiał", "opakowanie",
// "dostawca/odbiorca", "operator", "zlecenie", "tabela", "stanowisko"; "(brak)" for None.
QString SummaryKeyName(SummaryKey key);

// "(brak)": the label of a group whose field is empty; it sorts last.
QString EmptyFieldLabel();

enum class SummaryMeasure { Count, Gross, Net, Tare, Value, MeanNet };
// "Liczba pomiarów", "Masa brutto", "Masa netto", "Tara", "Wartość", "Średnia masa netto".
QString SummaryMeasureName(SummaryMeasure measure);

struct SummaryRequest {
    QDate from;  // inclusive
    QDate to;    // inclusive
    SummaryKey first = SummaryKey::Day;
    SummaryKey second = SummaryKey::None;
    // The station only: all five tables or the shown one, and only the rows the filter shows.
    bool allTables = false;
    int shownTable = 1;
    bool onlyFiltered = false;
};

struct SummaryRow {
    QString first;   // the group's label as shown; empty field text shows as "(brak)"
    QString second;  // empty when there is no second grouping
    qint64 count = 0;
    double gross = 0;
    double net = 0;
    double tare = 0;
    double value = 0;

    double MeanNet() const { return count ? net / double(count) : 0.0; }
    double Measure(SummaryMeasure m) const;
};

struct SummaryResult {
    SummaryRequest request;
    // Sorted by the first grouping, then the second: periods in time order,
    // names by the program's Polish collation.
    QList<SummaryRow> rows;
    SummaryRow total;    // first = "Razem"
    qint64 skipped = 0;  // rows whose time or numbers could not be read

    // "Pominięto N pomiarów z nieczytelną datą lub masą", or empty when none was.
    QString SkippedText() const;
};
Q_DECLARE_METATYPE(SummaryResult)

// Where a summary comes from: the station's tables or the office's database.
// Start() answers later (or at once) with finished() or failed(); a new
// Start() supersedes an unfinished one. Never blocks the caller's thread for long.
class SummaryService : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SummaryService() override = default;

    virtual void Start(const SummaryRequest &request) = 0;
    // The groupings this source offers (the office adds Station).
    virtual QList<SummaryKey> Keys() const = 0;
    // The station offers "the shown table or all five" and the filter option.
    virtual bool IsStation() const = 0;

signals:
    void finished(const SummaryResult &result);
    // A short Polish message (a server that is down or slow).
    void failed(const QString &message);
};
