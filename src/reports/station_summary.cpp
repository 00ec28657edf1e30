#include "reports/station_summary.h"

#include "core/safe_file.h"
#include "reports/summary_grouping.h"
#include "tables/data_filter.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"

StationSummary::StationSummary(const TableSet &tables, const TableStorage &storage, const DataFilter *filter,
                               QObject *parent)
    : SummaryService(parent), tables_(tables), storage_(storage), filter_(filter)
{
}

QList<SummaryKey> StationSummary::Keys() const
{
    return {SummaryKey::None,     SummaryKey::Day,      SummaryKey::Week,      SummaryKey::Month,
            SummaryKey::Year,     SummaryKey::Material, SummaryKey::Packaging, SummaryKey::Customer,
            SummaryKey::Operator, SummaryKey::Order,    SummaryKey::Table};
}

std::optional<SummaryResult> StationSummary::Compute(const SummaryRequest &request, QString *error) const
{
    int first = request.shownTable, last = request.shownTable;
    if (request.allTables) {
        first = 1;
        last = kTableCount;
    } else if (first < 1 || first > kTableCount) {
        first = last = tables_.ActiveNumber();
    }
    // Without a filter the tables hold every row of their files.
    const bool fromTables = request.onlyFiltered || !filter_ || filter_->IsEmpty();
    SummaryGrouping grouping(request);
    for (int n = first; n <= last; ++n) {
        if (fromTables) {
            const MeasurementTable &table = tables_.Table(n);
            for (int row = 0; row < table.RowCount(); ++row)
                grouping.Add(table.LineView(row), n);
            continue;
        }
        QByteArray data;
        if (ReadWorkingFileRecovered(storage_, n, data) == FileRead::Failed) {
            if (error)
                *error = UnreadableFileMessage(storage_.WorkingFile(n));
            return std::nullopt;
        }
        grouping.AddFile(data, n);
    }
    return grouping.Result();
}

void StationSummary::Start(const SummaryRequest &request)
{
    QString error;
    if (std::optional<SummaryResult> result = Compute(request, &error))
        emit finished(*result);
    else
        emit failed(error);
}
