#include "dictionaries/dictionary_lookups.h"

#include "core/number_forms.h"
#include "core/safe_file.h"
#include "core/text.h"
#include "dictionaries/dictionary.h"

#include <cmath>
#include <cstdlib>

namespace {

// The first line of the file whose first field is `name`, or nullopt.
std::optional<QByteArray> FirstLineNamed(DictionaryKind kind, const QString &dataDir, QByteArrayView name)
{
    if (name.isEmpty())
        return std::nullopt;
    QList<QByteArray> lines;
    if (!ReadLines(Dictionary(kind, dataDir).FilePath(), lines))
        return std::nullopt;
    for (const QByteArray &line : std::as_const(lines))
        if (SplitField(line, 0) == name)
            return line;
    return std::nullopt;
}

double NumberOrZero(const QByteArray &text)
{
    return ParseDictionaryNumber(text).value_or(0.0);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<double> ParseDictionaryNumber(QByteArrayView text)
{
    if (const std::optional<double> plain = ParseReal(text))
        return plain;
    qsizetype b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    const QByteArrayView t = text.sliced(b, e - b);
    qsizetype mark = t.indexOf('e');
    if (mark < 0)
        mark = t.indexOf('E');
    if (mark <= 0 || IsBlank(t[mark - 1]))
        return std::nullopt;
    const QByteArrayView mantissa = t.first(mark);
    QByteArrayView exponent = t.sliced(mark + 1);
    if (!ParseReal(mantissa))
        return std::nullopt;
    qsizetype i = 0;
    if (i < exponent.size() && (exponent[i] == '+' || exponent[i] == '-'))
        ++i;
    const qsizetype digits = exponent.size() - i;
    if (digits < 1 || digits > 4)
        return std::nullopt;
    for (; i < exponent.size(); ++i)
        if (exponent[i] < '0' || exponent[i] > '9')
            return std::nullopt;
    const QByteArray normal = CommaToDot(mantissa) + 'e' + exponent.toByteArray();
    const double value = std::strtod(normal.constData(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

double MaterialPrice(const QString &dataDir, QByteArrayView name)
{
    const std::optional<QByteArray> line = FirstLineNamed(DictionaryKind::Material, dataDir, name);
    return line ? NumberOrZero(SplitField(*line, 2)) : 0.0;
}

QByteArray MaterialDefaultPackaging(const QString &dataDir, QByteArrayView name)
{
    const std::optional<QByteArray> line = FirstLineNamed(DictionaryKind::Material, dataDir, name);
    return line ? SplitField(*line, 1) : QByteArray();
}

double PackagingTare(const QString &dataDir, QByteArrayView name)
{
    const std::optional<QByteArray> line = FirstLineNamed(DictionaryKind::Packaging, dataDir, name);
    return line ? NumberOrZero(SplitField(*line, 1)) : 0.0;
}
