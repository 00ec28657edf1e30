#include "reports/station_summary.h"
#include "reports/summary_grouping.h"
#include "support/temp_dir.h"
#include "tables/data_filter.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"

#include <gtest/gtest.h>

namespace {

QByteArray Row(const char *material, const char *gross)
{
    return QByteArray("1\t2026-03-05 10:00\t") + gross + "\t" + gross + "\t0\t0\t0\t\t" + material + "\t\t\t\r\n";
}

struct Station {
    QTemporaryDir tmp;
    TableStorage storage{tmp.path() + "/dane"};
    TableSet tables;
    DataFilter filter;
    QByteArray files[2];

    Station()
    {
        QDir().mkpath(storage.dataDir());
        files[0] = Row("Glina", "10") + Row("Piasek", "20") + "zly wiersz\r\n" + Row("Glina", "30");
        files[1] = Row("Piasek", "100") + Row("Glina", "200");
        WriteAll(storage.WorkingFile(1), files[0]);
        WriteAll(storage.WorkingFile(2), files[1]);
    }
    void Load(const char *material)
    {
        filter.material = material;
        LoadAllTables(storage, tables, filter);
    }
};

} // namespace

TEST(StationSummary, FilteredRowsOrWholeFiles)
{
    struct Case {
        const char *filter;
        bool onlyFiltered;
        bool allTables;
        int shownTable;
        qint64 count;
        double gross;
    };
    const Case cases[] = {
        {"glina", true, false, 1, 2, 40},  {"glina", true, true, 1, 3, 240},   {"glina", false, false, 1, 3, 60},
        {"glina", false, true, 1, 5, 360}, {"glina", false, false, 2, 2, 300}, {"", false, false, 2, 2, 300},
        {"", true, true, 1, 5, 360},       {"glina", true, false, 3, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.filter) + (c.onlyFiltered ? " filtered" : " whole") +
                     (c.allTables ? " all" : " shown ") + std::to_string(c.shownTable));
        Station s;
        s.Load(c.filter);
        StationSummary summary(s.tables, s.storage, &s.filter);
        SummaryRequest request;
        request.from = QDate(2026, 3, 1);
        request.to = QDate(2026, 3, 31);
        request.first = SummaryKey::Material;
        request.onlyFiltered = c.onlyFiltered;
        request.allTables = c.allTables;
        request.shownTable = c.shownTable;
        const std::optional<SummaryResult> r = summary.Compute(request);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->total.count, c.count);
        EXPECT_EQ(r->total.gross, c.gross);
        EXPECT_EQ(r->skipped, 0); // the invalid file line is no row
        // Nothing is written: the files stay byte for byte.
        EXPECT_EQ(ReadAll(s.storage.WorkingFile(1)), s.files[0]);
        EXPECT_EQ(ReadAll(s.storage.WorkingFile(2)), s.files[1]);
        EXPECT_FALSE(QFile::exists(s.storage.WorkingFile(3)));
    }
}

TEST(StationSummary, StartAnswersWithTheResultOrTheFileMessage)
{
    Station s;
    QDir().mkpath(s.storage.WorkingFile(4)); // a folder where a table file should be
    s.Load("glina");
    StationSummary summary(s.tables, s.storage, &s.filter);
    EXPECT_TRUE(summary.IsStation());
    EXPECT_FALSE(summary.Keys().contains(SummaryKey::Station));
    EXPECT_TRUE(summary.Keys().contains(SummaryKey::Table));

    QList<SummaryResult> results;
    QStringList failures;
    QObject::connect(&summary, &SummaryService::finished, [&](const SummaryResult &r) { results << r; });
    QObject::connect(&summary, &SummaryService::failed, [&](const QString &m) { failures << m; });

    SummaryRequest request;
    request.first = SummaryKey::Table;
    request.allTables = true;
    request.onlyFiltered = true;
    summary.Start(request);
    ASSERT_EQ(results.size(), 1);
    ASSERT_EQ(results[0].rows.size(), 2);
    EXPECT_EQ(results[0].rows[1].first, "2");
    EXPECT_EQ(results[0].rows[1].gross, 200);

    request.onlyFiltered = false;
    summary.Start(request);
    EXPECT_EQ(results.size(), 1);
    EXPECT_EQ(failures, QStringList{UnreadableFileMessage(s.storage.WorkingFile(4))});
}

// Large tables are counted in parts side by side; the parts must add up to
// exactly what one pass over every line gives, from the tables and from the files.
TEST(StationSummary, PartsAddUpToOnePass)
{
    static const char *const kMaterials[] = {"Glina", "\xafwir", "\xa3upek", "", "Piasek"};
    Station s;
    QByteArray files[3];
    SummaryRequest request;
    request.from = QDate(2026, 1, 1);
    request.to = QDate(2026, 6, 30);
    request.first = SummaryKey::Week;
    request.second = SummaryKey::Material;
    request.allTables = true;
    SummaryGrouping reference(request);
    for (int n = 0; n < 3; ++n) {
        for (int i = 0; i < 30000; ++i) {
            const QDate day = QDate(2025, 12, 20).addDays(i % 200);
            QByteArray line = QByteArray::number(i) + "\t" + day.toString(Qt::ISODate).toLatin1() + " 10:00\t" +
                              QByteArray::number(i % 997) + "." + QByteArray::number(i % 10) + "\t(" +
                              QByteArray::number(i % 313) + ",25)\t1\t0\t" + QByteArray::number(i % 7) + ".5\t\t" +
                              kMaterials[(i + n) % 5] + "\t\t\t";
            if (i % 1000 == 50)
                line.replace("\t1\t", "\tx\t"); // skipped
            if (i % 10 == 3)
                line.replace(".5", ".05");
            reference.Add(line, n + 1);
            files[n] += line + (i % 3 ? "\r\n" : "\n");
        }
        WriteAll(s.storage.WorkingFile(n + 1), files[n]);
    }
    WriteAll(s.storage.WorkingFile(4), {});
    WriteAll(s.storage.WorkingFile(5), {});
    const SummaryResult expected = reference.Result();
    ASSERT_GT(expected.skipped, 0);

    for (const char *filter : {"", "brak takiego"}) {
        SCOPED_TRACE(filter);
        s.Load(filter); // an active filter: the files are read
        StationSummary summary(s.tables, s.storage, &s.filter);
        const std::optional<SummaryResult> r = summary.Compute(request);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->skipped, expected.skipped);
        EXPECT_EQ(r->total.count, expected.total.count);
        EXPECT_EQ(r->total.net, expected.total.net);
        ASSERT_EQ(r->rows.size(), expected.rows.size());
        for (qsizetype i = 0; i < r->rows.size(); ++i) {
            const SummaryRow &a = r->rows[i], &b = expected.rows[i];
            ASSERT_EQ(a.first + a.second, b.first + b.second);
            EXPECT_EQ(a.count, b.count);
            EXPECT_EQ(a.gross, b.gross);
            EXPECT_EQ(a.net, b.net);
            EXPECT_EQ(a.value, b.value);
        }
    }
}
