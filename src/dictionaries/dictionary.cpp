#include "dictionaries/dictionary.h"

#include "core/file_messages.h"

#include "core/cp1250.h"
#include "core/safe_file.h"
#include "core/text.h"

#include <QCollator>
#include <QFile>
#include <QLocale>
#include <algorithm>

namespace {

const QCollator &PolishCollator()
{
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Polish, QLocale::Poland));
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    return collator;
}

bool HasLineBreak(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n');
}

} // namespace

QString DictionaryReadErrorMessage(const QString &path)
{
    return QStringLiteral("Błąd przy odczycie pliku: ") + path +
           QStringLiteral(".\nZmiany słownika nie będą zapisywane, dopóki pliku nie da się odczytać.");
}

Dictionary::Dictionary(DictionaryKind kind, QString dataDir) : kind_(kind), dataDir_(std::move(dataDir))
{
    if (!dataDir_.isEmpty() && !dataDir_.endsWith(QLatin1Char('/')))
        dataDir_ += QLatin1Char('/');
}

const char *Dictionary::FileName(DictionaryKind kind)
{
    switch (kind) {
    case DictionaryKind::Material:
        return "materialy.txt";
    case DictionaryKind::Packaging:
        return "opakowania.txt";
    case DictionaryKind::Customer:
        break;
    }
    return "klienci.txt";
}

QString Dictionary::FilePath() const
{
    return dataDir_ + QString::fromLatin1(FileName(kind_));
}

DictionaryEntry Dictionary::EntryOf(DictionaryKind kind, QByteArrayView line)
{
    DictionaryEntry e;
    if (kind == DictionaryKind::Customer) {
        e.name = line.toByteArray();
        return e;
    }
    e.name = SplitField(line, 0);
    e.second = SplitField(line, 1);
    if (kind == DictionaryKind::Material)
        e.third = SplitField(line, 2);
    return e;
}

QByteArray Dictionary::LineOf(DictionaryKind kind, const DictionaryEntry &e)
{
    switch (kind) {
    case DictionaryKind::Material:
        return e.name + '\t' + e.second + '\t' + e.third;
    case DictionaryKind::Packaging:
        return e.name + '\t' + e.second;
    case DictionaryKind::Customer:
        break;
    }
    return e.name;
}

QByteArray Dictionary::LineOf(int index) const
{
    return LineOf(kind_, At(index));
}

bool Dictionary::FieldsFit(DictionaryKind kind, const DictionaryEntry &e)
{
    if (kind == DictionaryKind::Customer)
        return !HasLineBreak(e.name) && e.second.isEmpty() && e.third.isEmpty();
    const auto fits = [](const QByteArray &f) { return !HasLineBreak(f) && !f.contains('\t'); };
    return fits(e.name) && fits(e.second) && fits(e.third) && (kind == DictionaryKind::Material || e.third.isEmpty());
}

DictionaryResult Dictionary::Load()
{
    QList<QByteArray> lines;
    if (!ReadLines(FilePath(), lines)) {
        rows_.clear();
        unreadFile_ = true;
        return DictionaryResult::Failed(DictionaryReadErrorMessage(FilePath()));
    }
    unreadFile_ = false;
    std::vector<Row> rows;
    rows.reserve(size_t(lines.size()));
    for (const QByteArray &line : std::as_const(lines)) {
        Row r{EntryOf(kind_, line), {}};
        r.sortName = cp1250::Decode(r.entry.name);
        rows.push_back(std::move(r));
    }
    const QCollator &c = PolishCollator();
    std::stable_sort(rows.begin(), rows.end(),
                     [&c](const Row &a, const Row &b) { return c.compare(a.sortName, b.sortName) < 0; });
    rows_ = std::move(rows);
    return {};
}

DictionaryResult Dictionary::Save() const
{
    const QString path = FilePath();
    // The file on disk holds rows this list never saw: writing would lose them.
    if (unreadFile_)
        return DictionaryResult::Failed(DictionaryReadErrorMessage(path));
    SafeFileWriter w(path);
    if (!w.Open())
        return DictionaryResult::Failed(CreateErrorMessage(path));
    for (int i = 0; i < Count(); ++i) {
        if (!w.WriteLine(LineOf(i))) {
            w.Cancel();
            return DictionaryResult::Failed(LineErrorMessage(path, w.FailedLine()));
        }
    }
    if (!w.Commit()) {
        // A line that only failed when the buffer went to disk names its line;
        // a file that could not be put in place is one that could not be created.
        if (w.FailedLine() > 0)
            return DictionaryResult::Failed(LineErrorMessage(path, w.FailedLine()));
        return DictionaryResult::Failed(CreateErrorMessage(path));
    }
    return {};
}

int Dictionary::InsertSorted(Row row)
{
    const QCollator &c = PolishCollator();
    const auto at = std::upper_bound(rows_.begin(), rows_.end(), row.sortName, [&c](const QString &name, const Row &r) {
        return c.compare(name, r.sortName) < 0;
    });
    const auto index = at - rows_.begin();
    rows_.insert(at, std::move(row));
    return int(index);
}

int Dictionary::Insert(DictionaryEntry entry)
{
    if (!FieldsFit(kind_, entry))
        return -1;
    Row r{std::move(entry), {}};
    r.sortName = cp1250::Decode(r.entry.name);
    return InsertSorted(std::move(r));
}

int Dictionary::Rename(int index, QByteArray name)
{
    DictionaryEntry e = At(index);
    e.name = std::move(name);
    if (!FieldsFit(kind_, e))
        return -1;
    Remove(index);
    return Insert(std::move(e));
}

bool Dictionary::SetSecond(int index, QByteArray text)
{
    DictionaryEntry e = At(index);
    e.second = std::move(text);
    if (!FieldsFit(kind_, e))
        return false;
    rows_[size_t(index)].entry = std::move(e);
    return true;
}

bool Dictionary::SetThird(int index, QByteArray text)
{
    DictionaryEntry e = At(index);
    e.third = std::move(text);
    if (!FieldsFit(kind_, e))
        return false;
    rows_[size_t(index)].entry = std::move(e);
    return true;
}

void Dictionary::Remove(int index)
{
    rows_.erase(rows_.begin() + index);
}
