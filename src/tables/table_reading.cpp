// Reading table files: the rows of a file, its invalid lines and their
// message, and what the start-up and the adding actions read from them.

#include "tables/table_storage.h"

#include "core/file_messages.h"
#include "core/safe_file.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"
#include "tables/table_storage_detail.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

using namespace table_storage_detail;

QString InvalidLinesMessage(const QString &path, const QList<InvalidLine> &invalid)
{
    if (invalid.isEmpty())
        return {};
    constexpr qsizetype kListed = 5;
    const InvalidLine &first = invalid.first();
    // One pass: a '%' in the path is not taken as a place marker.
    QString text = QStringLiteral("Błąd (%1) w pliku z pomiarami \"%2\", linia: %3\nNieprawidłowy format linii.\n")
                       .arg(QString::number(first.code), path, QString::number(first.line));
    if (invalid.size() == 1)
        return text + QStringLiteral("Linię pominięto; pozostaje w pliku.");
    const qsizetype more = invalid.size() - 1;
    QStringList listed;
    for (qsizetype i = 1; i < invalid.size() && i <= kListed; ++i)
        listed << QStringLiteral("%1 (kod %2)").arg(invalid[i].line).arg(invalid[i].code);
    if (more > kListed)
        listed << QStringLiteral("…");
    text += more == 1 ? QStringLiteral("… i w 1 kolejnej linii: ")
                      : QStringLiteral("… i w %1 kolejnych liniach: ").arg(more);
    return text + listed.join(QStringLiteral(", ")) + QStringLiteral("\nLinie pominięto; pozostają w pliku.");
}

QString ReadErrorMessage(int code, const QString &path, int lineNumber)
{
    return InvalidLinesMessage(path, {{lineNumber, code}});
}

LoadResult LoadTable(const QString &path, MeasurementTable &table, const DataFilter &filter)
{
    QByteArray data;
    bool missing = false;
    if (StorageResult r = ReadWhole(path, data, missing); !r) {
        // Nothing was read: the rows stay, so nothing can write an empty table over good data.
        LoadResult result;
        result.ok = false;
        result.readFailed = true;
        result.message = r.message;
        return result;
    }
    if (missing) {
        table.Clear();
        return {};
    }
    const FilterMatcher matcher(filter);
    std::vector<MeasurementTable::Span> spans;
    spans.reserve(size_t(data.size() / 96 + 16));
    LoadResult result = ForEachLine(data, path, [&](const LineSpan &s, QByteArrayView line, bool valid) {
        if (valid && matcher.Matches(line))
            spans.push_back({s.begin, s.end - s.begin});
    });
    spans.shrink_to_fit();
    table.Assign(std::move(data), std::move(spans));
    return result;
}

QList<StorageResult> LoadAllTables(const TableStorage &storage, TableSet &tables, const DataFilter &filter)
{
    QList<StorageResult> failures;
    for (int n = 1; n <= kTableCount; ++n) {
        // The file is read only once a cut-short append is whole again.
        if (StorageResult r = RecoverInterruptedAppend(storage, n); !r)
            failures.append(r);
        else if (LoadResult l = LoadTable(storage.WorkingFile(n), tables.Table(n), filter); !l)
            failures.append(l);
    }
    return failures;
}

std::optional<QByteArray> NextNumberInFile(const TableStorage &storage, int tableNumber)
{
    RecoverInterruptedAppend(storage, tableNumber);
    const QString path = storage.WorkingFile(tableNumber);
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArray("1");
    if (!info.isFile())
        return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    constexpr qint64 kChunk = 64 * 1024;
    qint64 end = f.size();
    QByteArray carry;  // the end part of a line that began in an earlier chunk
    while (end > 0) {
        const qint64 begin = std::max<qint64>(0, end - kChunk);
        if (!f.seek(begin))
            return std::nullopt;
        QByteArray chunk = f.read(end - begin);
        if (chunk.size() != end - begin)
            return std::nullopt;
        chunk += carry;
        qsizetype stop = chunk.size();
        for (;;) {
            const qsizetype from = stop - 1;
            const qsizetype cut = from < 0 ? -1 : std::max(chunk.lastIndexOf('\n', from), chunk.lastIndexOf('\r', from));
            if (cut < 0 && begin > 0) {
                carry = chunk.left(stop);
                break;
            }
            const QByteArrayView line(chunk.constData() + cut + 1, stop - cut - 1);
            if (CheckLine(line).valid)
                if (std::optional<QByteArray> next = NumberAfter(FieldView(line, ColNr)))
                    return next;
            if (cut < 0)
                return QByteArray("1");
            stop = cut;
        }
        end = begin;
    }
    return QByteArray("1");
}

bool HoldsAnyLine(const TableStorage &storage, int tableNumber)
{
    RecoverInterruptedAppend(storage, tableNumber);
    return QFileInfo(storage.WorkingFile(tableNumber)).size() > 0;
}

int InvalidLineCount(const TableStorage &storage, int tableNumber)
{
    QByteArray data;
    if (ReadWorkingFileRecovered(storage, tableNumber, data) != FileRead::Ok)
        return 0;
    return int(ForEachLine(data, QString(), [](const LineSpan &, QByteArrayView, bool) {}).invalid.size());
}
