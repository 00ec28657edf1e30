#include "tables/measurement_record.h"

#include "core/number_forms.h"
#include "core/text.h"

#include <algorithm>
#include <cstring>

QString ColumnHeader(int col)
{
    static const char *const kHeaders[kFieldCount] = {
        "nr",        "czas pobrania", "brutto",     "netto",    "tara",     "cena",
        "wartość",   "zamówienie",    "materiał",   "opakowanie", "operator", "dostawca / klient",
    };
    if (col < 0 || col >= kFieldCount)
        return {};
    return QString::fromUtf8(kHeaders[col]);
}

bool ColumnRightAligned(int col)
{
    return col == ColNr || (col >= ColGross && col <= ColValue);
}

LineCheck CheckLine(QByteArrayView line)
{
    if (line.isEmpty())
        return {false, -1};
    int tabs = 0;
    const char *p = line.data();
    const char *end = p + line.size();
    while (tabs < kTabsPerLine) {
        p = static_cast<const char *>(std::memchr(p, '\t', end - p));
        if (!p)
            break;
        ++tabs;
        ++p;
    }
    if (tabs == kTabsPerLine)
        return {true, 0};
    // A line without any TAB would give only a last field; it is refused.
    return {false, tabs};
}

bool TabPositions(QByteArrayView line, std::array<qsizetype, kTabsPerLine> &tabs)
{
    const char *begin = line.data();
    const char *end = begin + line.size();
    const char *p = begin;
    for (int i = 0; i < kTabsPerLine; ++i) {
        p = static_cast<const char *>(std::memchr(p, '\t', end - p));
        if (!p)
            return false;
        tabs[i] = p - begin;
        ++p;
    }
    return true;
}

QByteArrayView FieldView(QByteArrayView line, int k)
{
    if (k < 0 || k >= kFieldCount)
        return {};
    const char *begin = line.data();
    const char *end = begin + line.size();
    const char *p = begin;
    for (int i = 0; i < k; ++i) {
        p = static_cast<const char *>(std::memchr(p, '\t', end - p));
        if (!p)
            return {};
        ++p;
    }
    const char *stop = end;
    if (k < kFieldCount - 1) {
        const char *tab = static_cast<const char *>(std::memchr(p, '\t', end - p));
        if (tab)
            stop = tab;
    }
    return QByteArrayView(p, stop - p);
}

QByteArray Field(QByteArrayView line, int k)
{
    return FieldView(line, k).toByteArray();
}

std::optional<QByteArray> WithField(QByteArrayView line, int k, QByteArrayView text)
{
    if (k < 0 || k >= kFieldCount || !IsFieldText(text))
        return std::nullopt;
    QByteArray out = line.toByteArray();
    const qsizetype tabs = std::min<qsizetype>(out.count('\t'), kTabsPerLine);
    out.append(QByteArray(kTabsPerLine - tabs, '\t'));
    const QByteArrayView old = FieldView(out, k);
    out.replace(old.data() - out.constData(), old.size(), text);
    return out;
}

std::optional<QByteArray> MeasurementRecord::Line() const
{
    for (const QByteArray &f : fields)
        if (!IsFieldText(f))
            return std::nullopt;
    return JoinWithTabs(fields);
}

MeasurementRecord MeasurementRecord::FromLine(QByteArrayView line)
{
    MeasurementRecord r;
    for (int i = 0; i < kFieldCount; ++i)
        r.fields[i] = Field(line, i);
    return r;
}

QByteArray EmptyLine()
{
    return QByteArray(kTabsPerLine, '\t');
}

std::optional<QByteArray> NetText(QByteArrayView tareText, QByteArrayView display, int massDecimals, bool bracketed)
{
    const auto tare = ParseNumber(tareText);
    if (!tare)
        return std::nullopt;
    if (*tare == 0.0) {
        QByteArray net = display.toByteArray();
        return bracketed ? "[" + net + "]" : net;
    }
    const auto gross = ParseNumber(display);
    if (!gross)
        return std::nullopt;
    const QByteArray net = FormatMass(*gross - *tare, massDecimals);
    return bracketed ? "(" + net + ")" : net;
}

std::optional<QByteArray> ValueText(QByteArrayView netText, double price)
{
    const auto net = ParseNumber(netText);
    if (!net)
        return std::nullopt;
    return FormatMoney(*net * price);
}

std::optional<QByteArray> ValueText(QByteArrayView netText, QByteArrayView priceText)
{
    const auto price = ParseNumber(priceText);
    if (!price)
        return std::nullopt;
    return ValueText(netText, *price);
}

std::optional<long long> RowNumberOf(QByteArrayView nrText)
{
    const QByteArrayView t = nrText.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const long long n = t.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return n;
}
