#include "reports/summary_grouping.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "tables/line_scanner.h"
#include "tables/measurement_record.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The time field is trimmed of every white space, as the office reads it too.
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

QByteArrayView TrimBlanks(QByteArrayView t)
{
    qsizetype b = 0, e = t.size();
    while (b < e && IsBlank(t[b]))
        ++b;
    while (e > b && IsBlank(t[e - 1]))
        --e;
    return t.sliced(b, e - b);
}

bool Digits(const char *p, int n, int &out)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        v = v * 10 + (p[i] - '0');
    }
    out = v;
    return true;
}

int DaysInMonth(int y, int m)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return 29;
    return kDays[m - 1];
}

// yyyymmdd of a time field, 0 when it cannot be read.
int DateKey(QByteArrayView field)
{
    qsizetype b = 0, e = field.size();
    while (b < e && IsSpace(field[b]))
        ++b;
    while (e > b && IsSpace(field[e - 1]))
        --e;
    const qsizetype n = e - b;
    if (n != 16 && n != 19)
        return 0;
    const char *p = field.data() + b;
    int y, mo, d, h, mi, s = 0;
    if (!Digits(p, 4, y) || p[4] != '-' || !Digits(p + 5, 2, mo) || p[7] != '-' || !Digits(p + 8, 2, d) ||
        p[10] != ' ' || !Digits(p + 11, 2, h) || p[13] != ':' || !Digits(p + 14, 2, mi))
        return 0;
    if (n == 19 && (p[16] != ':' || !Digits(p + 17, 2, s)))
        return 0;
    if (y == 0 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 || s > 59)
        return 0;
    return y * 10000 + mo * 100 + d;
}

QDate DateOfKey(int key)
{
    return QDate(key / 10000, key / 100 % 100, key % 100);
}

int DateKeyOf(QDate date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A number field as read: mostly an exact decimal (mantissa / 10^fraction),
// which is summed as an integer, so sums of masses and money carry no
// binary rounding and no division is paid per row.
struct Number {
    enum Kind { Bad, Exact, Inexact } kind = Bad;
    qint64 mantissa = 0;
    int fraction = 0;
    double value = 0; // Inexact only

    double Value() const { return kind == Exact ? double(mantissa) / kPow10[fraction] : value; }
};

constexpr int kMaxExactFraction = 6;

Number Inexact(std::optional<double> v)
{
    Number n;
    if (v) {
        n.kind = Number::Inexact;
        n.value = *v;
    }
    return n;
}

// ParseReal's reading without its copy: up to 15 significant digits and
// kMaxExactFraction decimals are read exactly; longer numbers the slow way.
Number ReadReal(QByteArrayView t)
{
    const char *p = t.data();
    const char *end = p + t.size();
    while (p < end && IsBlank(*p))
        ++p;
    while (end > p && IsBlank(end[-1]))
        --end;
    if (p == end)
        return {};
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    qint64 mantissa = 0;
    int significant = 0, digits = 0, fraction = 0;
    bool separator = false;
    for (; p < end; ++p) {
        const unsigned digit = unsigned(*p) - unsigned('0');
        if (digit < 10) {
            ++digits;
            fraction += separator;
            if (mantissa == 0 && digit == 0)
                continue;
            mantissa = mantissa * 10 + digit;
            if (++significant > 15)
                return Inexact(ParseReal(t));
        } else if ((*p == '.' || *p == ',') && !separator) {
            separator = true;
        } else {
            return {};
        }
    }
    if (digits == 0)
        return {};
    if (fraction > kMaxExactFraction)
        return Inexact(ParseReal(t));
    Number n;
    n.kind = Number::Exact;
    n.mantissa = negative ? -mantissa : mantissa;
    n.fraction = fraction;
    return n;
}

// A mass or money field: "( )" and "[ ]" hold their number. A blank one is
// unreadable, as in the central database, so that the station and the
// office count the same rows.
Number ReadNumber(QByteArrayView field)
{
    if (!field.isEmpty() && (field[0] == '(' || field[0] == '[')) {
        if (field.size() < 2)
            return {};
        return ReadReal(field.sliced(1, field.size() - 2));
    }
    if (TrimBlanks(field).isEmpty())
        return {};
    return ReadReal(field);
}

// A sum of Numbers: exact integer sums per count of decimals, and a double
// for the inexact ones and for integer sums that would overflow.
struct Sum {
    qint64 scaled[kMaxExactFraction + 1] = {};
    double rest = 0;

    void Add(const Number &n)
    {
        if (n.kind != Number::Exact) {
            rest += n.value;
            return;
        }
        qint64 &s = scaled[n.fraction];
        qint64 out;
        if (__builtin_add_overflow(s, n.mantissa, &out)) {
            rest += double(s) / kPow10[n.fraction];
            out = n.mantissa;
        }
        s = out;
    }
    void Add(const Sum &o)
    {
        rest += o.rest;
        for (int k = 0; k <= kMaxExactFraction; ++k)
            Add(Number{Number::Exact, o.scaled[k], k});
    }
    // The exact parts brought to their finest decimals first, so they are rounded once.
    double Value() const
    {
        int finest = 0;
        for (int k = 0; k <= kMaxExactFraction; ++k)
            if (scaled[k])
                finest = k;
        __int128 exact = 0;
        for (int k = 0; k <= finest; ++k) {
            __int128 part = scaled[k];
            for (int i = k; i < finest; ++i)
                part *= 10;
            exact += part;
        }
        return rest + double(exact) / kPow10[finest];
    }
};

// Names of one grouping: each distinct text gets an id in order of meeting.
struct TransparentHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct NameIds {
    std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> ids;
    std::vector<QByteArray> texts;

    int Id(QByteArrayView text)
    {
        const std::string_view key(text.data(), size_t(text.size()));
        auto it = ids.find(key);
        if (it != ids.end())
            return it->second;
        const int id = int(texts.size());
        ids.emplace(std::string(key), id);
        texts.push_back(text.toByteArray());
        return id;
    }
};

struct Group {
    int first = 0;
    int second = 0;
    qint64 count = 0;
    Sum gross, net, tare, value;
};

bool IsPeriod(SummaryKey k)
{
    return k == SummaryKey::Day || k == SummaryKey::Week || k == SummaryKey::Month || k == SummaryKey::Year;
}

int NameColumn(SummaryKey k)
{
    switch (k) {
    case SummaryKey::Material:
        return ColMaterial;
    case SummaryKey::Packaging:
        return ColPackaging;
    case SummaryKey::Customer:
        return ColCustomer;
    case SummaryKey::Operator:
        return ColOperator;
    case SummaryKey::Order:
        return ColOrder;
    default:
        return -1;
    }
}

// A period's code orders like time: yyyymmdd, ISO year x 100 + week, yyyymm, yyyy.
int PeriodCode(SummaryKey k, int dateKey)
{
    switch (k) {
    case SummaryKey::Day:
        return dateKey;
    case SummaryKey::Week: {
        int year = 0;
        const int week = DateOfKey(dateKey).weekNumber(&year);
        return year * 100 + week;
    }
    case SummaryKey::Month:
        return dateKey / 100;
    case SummaryKey::Year:
        return dateKey / 10000;
    default:
        return 0;
    }
}

QString PeriodLabel(SummaryKey k, int code)
{
    auto pad = [](int v, int w) { return QStringLiteral("%1").arg(v, w, 10, QLatin1Char('0')); };
    switch (k) {
    case SummaryKey::Day:
        return pad(code / 10000, 4) + '-' + pad(code / 100 % 100, 2) + '-' + pad(code % 100, 2);
    case SummaryKey::Week:
        return pad(code / 100, 4) + QStringLiteral("-W") + pad(code % 100, 2);
    case SummaryKey::Month:
        return pad(code / 100, 4) + '-' + pad(code % 100, 2);
    case SummaryKey::Year:
        return pad(code, 4);
    default:
        return {};
    }
}

const QString &NoneLabel()
{
    static const QString label = EmptyFieldLabel();
    return label;
}

} // namespace

std::optional<QDate> RowDate(QByteArrayView timeField)
{
    const int key = DateKey(timeField);
    if (!key)
        return std::nullopt;
    return DateOfKey(key);
}

std::optional<double> RowNumber(QByteArrayView field)
{
    const Number n = ReadNumber(field);
    if (n.kind == Number::Bad)
        return std::nullopt;
    return n.Value();
}

QString IsoWeekLabel(QDate date)
{
    return PeriodLabel(SummaryKey::Week, PeriodCode(SummaryKey::Week, DateKeyOf(date)));
}

struct SummaryGrouping::State {
    SummaryRequest request;
    SummaryKey keys[2] = {SummaryKey::None, SummaryKey::None};
    int columns[2] = {-1, -1};
    int lastField = ColValue; // fields after it are not cut out
    int fromKey = 0;
    int toKey = 99999999;
    NameIds names[2];
    std::unordered_map<quint64, size_t> index;
    std::vector<Group> groups;
    qint64 skipped = 0;
    // Neighbouring rows mostly share their day: its period codes are kept.
    char lastDate[10] = {};
    int lastCodes[2] = {0, 0};
    bool haveLast = false;

    void Row(QByteArrayView line, int tableNumber, bool wholeOnly);
    int Code(int k, int dateKey, QByteArrayView field, int tableNumber);
};

SummaryGrouping::SummaryGrouping(const SummaryRequest &request) : d(std::make_unique<State>())
{
    d->request = request;
    SummaryKey first = request.first == SummaryKey::Station ? SummaryKey::None : request.first;
    SummaryKey second = request.second == SummaryKey::Station ? SummaryKey::None : request.second;
    if (first == SummaryKey::None)
        std::swap(first, second);
    d->keys[0] = first;
    d->keys[1] = second;
    for (int k = 0; k < 2; ++k) {
        d->columns[k] = NameColumn(d->keys[k]);
        d->lastField = std::max(d->lastField, d->columns[k]);
    }
    if (request.from.isValid())
        d->fromKey = DateKeyOf(request.from);
    if (request.to.isValid())
        d->toKey = DateKeyOf(request.to);
}

SummaryGrouping::~SummaryGrouping() = default;

int SummaryGrouping::State::Code(int k, int dateKey, QByteArrayView field, int tableNumber)
{
    const SummaryKey key = keys[k];
    if (key == SummaryKey::None)
        return 0;
    if (key == SummaryKey::Table)
        return tableNumber;
    if (columns[k] >= 0)
        return names[k].Id(TrimBlanks(field));
    return PeriodCode(key, dateKey);
}

void SummaryGrouping::State::Row(QByteArrayView line, int tableNumber, bool wholeOnly)
{
    // Fields by the split rule: the last keeps any further TABs, missing ones are empty.
    QByteArrayView f[kFieldCount];
    const char *p = line.data();
    const char *end = p + line.size();
    // A whole row needs all its TABs; otherwise cutting stops at the last field used.
    const int stop = wholeOnly || lastField == kFieldCount - 1 ? kFieldCount - 1 : lastField + 1;
    int n = 0;
    for (; n < stop; ++n) {
        const char *tab = static_cast<const char *>(std::memchr(p, '\t', size_t(end - p)));
        if (!tab)
            break;
        f[n] = QByteArrayView(p, tab - p);
        p = tab + 1;
    }
    if (wholeOnly && n < kFieldCount - 1)
        return; // no row of the table (the loader passes it over too)
    f[n] = QByteArrayView(p, end - p);

    const int dateKey = DateKey(f[ColTime]);
    if (!dateKey) {
        ++skipped;
        return;
    }
    if (dateKey < fromKey || dateKey > toKey)
        return;
    const Number gross = ReadNumber(f[ColGross]);
    const Number net = ReadNumber(f[ColNet]);
    const Number tare = ReadNumber(f[ColTare]);
    const Number value = ReadNumber(f[ColValue]);
    if (gross.kind == Number::Bad || net.kind == Number::Bad || tare.kind == Number::Bad || value.kind == Number::Bad) {
        ++skipped;
        return;
    }

    // The time field was checked: past any leading white space stand its ten date characters.
    const char *date = f[ColTime].data();
    while (IsSpace(*date))
        ++date;
    int codes[2];
    const bool sameDay = haveLast && std::memcmp(lastDate, date, 10) == 0;
    for (int k = 0; k < 2; ++k) {
        if (IsPeriod(keys[k]) && sameDay)
            codes[k] = lastCodes[k];
        else
            codes[k] = Code(k, dateKey, columns[k] >= 0 ? f[columns[k]] : QByteArrayView(), tableNumber);
    }
    if (IsPeriod(keys[0]) || IsPeriod(keys[1])) {
        std::memcpy(lastDate, date, 10);
        lastCodes[0] = codes[0];
        lastCodes[1] = codes[1];
        haveLast = true;
    }

    const quint64 key = (quint64(quint32(codes[0])) << 32) | quint32(codes[1]);
    auto [it, added] = index.try_emplace(key, groups.size());
    if (added)
        groups.push_back(Group{codes[0], codes[1], 0, {}, {}, {}, {}});
    Group &g = groups[it->second];
    ++g.count;
    g.gross.Add(gross);
    g.net.Add(net);
    g.tare.Add(tare);
    g.value.Add(value);
}

void SummaryGrouping::Merge(const SummaryGrouping &other)
{
    State &o = *other.d;
    d->skipped += o.skipped;
    for (const Group &g : o.groups) {
        int codes[2] = {g.first, g.second};
        for (int k = 0; k < 2; ++k)
            if (d->columns[k] >= 0)
                codes[k] = d->names[k].Id(o.names[k].texts[size_t(codes[k])]);
        const quint64 key = (quint64(quint32(codes[0])) << 32) | quint32(codes[1]);
        auto [it, added] = d->index.try_emplace(key, d->groups.size());
        if (added)
            d->groups.push_back(Group{codes[0], codes[1], 0, {}, {}, {}, {}});
        Group &mine = d->groups[it->second];
        mine.count += g.count;
        mine.gross.Add(g.gross);
        mine.net.Add(g.net);
        mine.tare.Add(g.tare);
        mine.value.Add(g.value);
    }
}

void SummaryGrouping::Add(QByteArrayView line, int tableNumber)
{
    d->Row(line, tableNumber, false);
}

void SummaryGrouping::AddFile(QByteArrayView data, int tableNumber)
{
    LineScanner scanner(data);
    LineSpan s;
    while (scanner.Next(s))
        if (s.end > s.begin)
            d->Row(data.sliced(s.begin, s.end - s.begin), tableNumber, true);
}

SummaryResult SummaryGrouping::Result() const
{
    SummaryResult result;
    result.request = d->request;
    result.skipped = d->skipped;
    result.total.first = QStringLiteral("Razem");

    // Labels and sort ranks per grouping: periods and tables by their code,
    // names by Polish collation with an empty name last.
    std::vector<QString> labels[2];
    std::vector<int> ranks[2];
    QCollator collator(QLocale(QLocale::Polish, QLocale::Poland));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    // "Waga 2" before "Waga 10": numbers in names by their value.
    collator.setNumericMode(true);
    for (int k = 0; k < 2; ++k) {
        if (d->columns[k] < 0)
            continue;
        const std::vector<QByteArray> &texts = d->names[k].texts;
        labels[k].reserve(texts.size());
        for (const QByteArray &t : texts)
            labels[k].push_back(t.isEmpty() ? NoneLabel() : cp1250::Decode(t));
        std::vector<int> order(texts.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            if (texts[size_t(a)].isEmpty() != texts[size_t(b)].isEmpty())
                return texts[size_t(b)].isEmpty();
            const int c = collator.compare(labels[k][size_t(a)], labels[k][size_t(b)]);
            // Texts equal to the collator still sort the same way every time.
            return c != 0 ? c < 0 : texts[size_t(a)] < texts[size_t(b)];
        });
        ranks[k].resize(texts.size());
        for (size_t i = 0; i < order.size(); ++i)
            ranks[k][size_t(order[i])] = int(i);
    }
    auto rank = [&](int k, int code) { return d->columns[k] >= 0 ? ranks[k][size_t(code)] : code; };
    auto label = [&](int k, int code) -> QString {
        const SummaryKey key = d->keys[k];
        if (key == SummaryKey::None)
            return {};
        if (key == SummaryKey::Table)
            return QString::number(code);
        if (d->columns[k] >= 0)
            return labels[k][size_t(code)];
        return PeriodLabel(key, code);
    };

    // Without any grouping there is only the total.
    std::vector<size_t> order(d->keys[0] == SummaryKey::None ? 0 : d->groups.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const Group &ga = d->groups[a];
        const Group &gb = d->groups[b];
        const int a1 = rank(0, ga.first), b1 = rank(0, gb.first);
        if (a1 != b1)
            return a1 < b1;
        return rank(1, ga.second) < rank(1, gb.second);
    });

    result.rows.reserve(qsizetype(order.size()));
    Group total;
    for (const Group &g : d->groups) {
        total.count += g.count;
        total.gross.Add(g.gross);
        total.net.Add(g.net);
        total.tare.Add(g.tare);
        total.value.Add(g.value);
    }
    result.total.count = total.count;
    result.total.gross = total.gross.Value();
    result.total.net = total.net.Value();
    result.total.tare = total.tare.Value();
    result.total.value = total.value.Value();
    for (const size_t i : order) {
        const Group &g = d->groups[i];
        SummaryRow row;
        row.first = label(0, g.first);
        row.second = label(1, g.second);
        row.count = g.count;
        row.gross = g.gross.Value();
        row.net = g.net.Value();
        row.tare = g.tare.Value();
        row.value = g.value.Value();
        result.rows.append(std::move(row));
    }
    return result;
}
