#include "reports/station_summary.h"

#include "core/safe_file.h"
#include "reports/summary_grouping.h"
#include "tables/data_filter.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

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

namespace {

// Below this many rows a second thread costs more than it saves.
constexpr qsizetype kRowsPerThread = 20000;

int ThreadsFor(qsizetype rows)
{
    const int cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    return int(std::clamp<qsizetype>(rows / kRowsPerThread, 1, cores));
}

// Offset of the line start nearest after `pos` (just past an LF), so that
// parts split there read the same lines as the whole; the size when none.
qsizetype LineStartAfter(QByteArrayView data, qsizetype pos)
{
    const qsizetype lf = data.indexOf('\n', pos);
    return lf < 0 ? data.size() : lf + 1;
}

// Runs part(k) for k in 0..parts-1 side by side, each into its own grouping,
// and merges them into the first.
template <typename Part> SummaryResult GroupInParts(const SummaryRequest &request, int parts, Part part)
{
    std::vector<std::unique_ptr<SummaryGrouping>> groupings;
    for (int k = 0; k < parts; ++k)
        groupings.push_back(std::make_unique<SummaryGrouping>(request));
    std::vector<std::thread> workers;
    for (int k = 1; k < parts; ++k)
        workers.emplace_back([&, k] { part(k, *groupings[size_t(k)]); });
    part(0, *groupings[0]);
    for (std::thread &w : workers)
        w.join();
    for (int k = 1; k < parts; ++k)
        groupings[0]->Merge(*groupings[size_t(k)]);
    return groupings[0]->Result();
}

} // namespace

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
    if (fromTables) {
        qsizetype rows = 0;
        for (int n = first; n <= last; ++n)
            rows += tables_.Table(n).RowCount();
        const int parts = ThreadsFor(rows);
        // Each part takes the same share of every table.
        return GroupInParts(request, parts, [&](int k, SummaryGrouping &g) {
            for (int n = first; n <= last; ++n) {
                const MeasurementTable &table = tables_.Table(n);
                const int count = table.RowCount();
                const int end = int(qint64(count) * (k + 1) / parts);
                for (int row = int(qint64(count) * k / parts); row < end; ++row)
                    g.Add(table.LineView(row), n);
            }
        });
    }

    std::vector<QByteArray> files;
    qsizetype bytes = 0;
    for (int n = first; n <= last; ++n) {
        files.emplace_back();
        if (ReadWorkingFileRecovered(storage_, n, files.back()) == FileRead::Failed) {
            if (error)
                *error = UnreadableFileMessage(storage_.WorkingFile(n));
            return std::nullopt;
        }
        bytes += files.back().size();
    }
    // A table line is some 100 bytes or more.
    const int parts = ThreadsFor(bytes / 100);
    return GroupInParts(request, parts, [&](int k, SummaryGrouping &g) {
        for (size_t i = 0; i < files.size(); ++i) {
            const QByteArrayView data(files[i]);
            const qsizetype begin = k == 0 ? 0 : LineStartAfter(data, data.size() * k / parts);
            const qsizetype end = k + 1 == parts ? data.size() : LineStartAfter(data, data.size() * (k + 1) / parts);
            if (begin < end)
                g.AddFile(data.sliced(begin, end - begin), first + int(i));
        }
    });
}

void StationSummary::Start(const SummaryRequest &request)
{
    QString error;
    if (std::optional<SummaryResult> result = Compute(request, &error))
        emit finished(*result);
    else
        emit failed(error);
}
