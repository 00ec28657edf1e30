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

std::optional<QByteArray> MeasurementRecord::LineOver(QByteArrayView original) const
{
    QByteArray out = original.toByteArray();
    for (int i = 0; i < kFieldCount; ++i) {
        if (FieldView(out, i) == fields[size_t(i)])
            continue;
        std::optional<QByteArray> changed = WithField(out, i, fields[size_t(i)]);
        if (!changed)
            return std::nullopt;
        out = std::move(*changed);
    }
    return out;
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

std::optional<QByteArray> NumberAfter(QByteArrayView nrText)
{
    QByteArrayView t = nrText.trimmed();
    const bool negative = t.startsWith('-');
    if (negative || t.startsWith('+'))
        t = t.sliced(1);
    if (t.isEmpty())
        return std::nullopt;
    for (const char c : t)
        if (c < '0' || c > '9')
            return std::nullopt;
    while (t.size() > 1 && t.front() == '0')
        t = t.sliced(1);
    QByteArray digits = t.toByteArray();
    if (negative && digits != "0") {
        // -n + 1 = -(n - 1)
        qsizetype i = digits.size() - 1;
        while (digits[i] == '0')
            digits[i--] = '9';
        --digits[i];
        if (digits.size() > 1 && digits.front() == '0')
            digits.remove(0, 1);
        return digits == "0" ? digits : '-' + digits;
    }
    qsizetype i = digits.size() - 1;
    while (i >= 0 && digits[i] == '9')
        digits[i--] = '0';
    if (i < 0)
        digits.prepend('1');
    else
        ++digits[i];
    return digits;
}
