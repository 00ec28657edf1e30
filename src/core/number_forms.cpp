#include "core/number_forms.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

std::optional<double> ParseReal(QByteArrayView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b == e)
        return std::nullopt;
    QByteArray norm;
    norm.reserve(e - b);
    qsizetype i = b;
    if (text[i] == '+' || text[i] == '-')
        norm.append(text[i++]);
    int digits = 0, separators = 0;
    for (; i < e; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
            norm.append(c);
        } else if (c == '.' || c == ',') {
            if (++separators > 1)
                return std::nullopt;
            norm.append('.');
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    // Too many digits overflow to infinity, which no number form can show.
    const double value = std::strtod(norm.constData(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ParseNumber(QByteArrayView text)
{
    if (!text.isEmpty() && (text[0] == '(' || text[0] == '[')) {
        if (text.size() < 2)
            return std::nullopt;
        return ParseReal(text.sliced(1, text.size() - 2));
    }
    return ParseReal(text);
}

QByteArray FormatFixed(double x, int decimals)
{
    return FormatRounded(x, 15, decimals);
}

namespace {

// Keeps the first `keep` digits of a decimal digit string, rounding half up on
// the digits dropped; digits[0] must be a spare '0' that can take a carry.
void RoundDigitsHalfUp(std::string &digits, size_t keep)
{
    if (digits.size() <= keep) {
        digits.append(keep - digits.size(), '0');
        return;
    }
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    for (size_t i = keep; up && i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            break;
        }
        digits[i] = '0';
    }
}

}  // namespace

namespace {

// `guard` digits past the first rounding place decide it, unless they look
// like an exact half; then the exact expansion is taken.
QByteArray FormatRoundedWithGuard(double x, int significant, int decimals, int guard)
{
    decimals = std::clamp(decimals, 0, 15);
    significant = std::clamp(significant, 1, 17);
    if (!std::isfinite(x))
        x = 0.0;
    // Rounded half up at both places: first to `significant` digits, then to
    // `decimals` places (so 2.675 -> 2.68 and 12345.125 -> 12345.13). A value
    // lying exactly halfway must be seen as such, so when the guard digits past
    // the first rounding place look like a half, the exact expansion is taken
    // (a double has at most 767 significant digits). Printing few digits
    // first keeps the common case cheap.
    char buf[800];
    auto digitsOf = [&](int precision, int &exp10) {
        // Both print the exactly rounded expansion; to_chars is several
        // times faster for the short first printing.
        if (precision < 64) {
            const auto r = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x), std::chars_format::scientific,
                                         precision);
            *r.ptr = '\0';
        } else {
            std::snprintf(buf, sizeof buf, "%.*e", precision, std::fabs(x));
        }
        std::string d = "0";  // room for a carry
        const char *p = buf;
        for (; *p && *p != 'e'; ++p)
            if (*p >= '0' && *p <= '9')
                d.push_back(*p);
        exp10 = *p == 'e' ? std::atoi(p + 1) : 0;
        return d;
    };
    int exp10 = 0;
    std::string digits = digitsOf(significant + guard, exp10);
    const std::string tail = digits.substr(size_t(significant) + 1);
    if ((tail[0] == '5' && tail.find_first_not_of('0', 1) == std::string::npos) ||
        (tail[0] == '4' && tail.find_first_not_of('9', 1) == std::string::npos))
        digits = digitsOf(770, exp10);
    RoundDigitsHalfUp(digits, size_t(significant) + 1);
    // digits[1] has weight 10^exp10.
    int intDigits = exp10 + 2;  // digits before the point, counting the spare
    if (intDigits < 1) {
        digits.insert(0, std::string(1 - intDigits, '0'));
        intDigits = 1;
    }
    RoundDigitsHalfUp(digits, size_t(intDigits + decimals));
    std::string intPart = digits.substr(0, intDigits);
    const std::string frac = digits.substr(intDigits);
    const auto nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    std::string out = intPart;
    if (decimals > 0)
        out += "." + frac;
    const bool zero = out.find_first_of("123456789") == std::string::npos;
    if (x < 0 && !zero)  // "-0.00" is not a number a person writes
        out.insert(out.begin(), '-');
    return QByteArray::fromStdString(out);
}

}  // namespace

QByteArray FormatRounded(double x, int significant, int decimals)
{
    return FormatRoundedWithGuard(x, significant, decimals, 9);
}

QByteArray FormatRoundedExact(double x, int significant, int decimals)
{
    return FormatRoundedWithGuard(x, significant, decimals, 780);
}

QByteArray FormatMass(double x, int decimals)
{
    return FormatRounded(x, 7, decimals);
}

QByteArray FormatMoney(double x)
{
    return FormatRounded(x, 8, 2);
}

int DecimalsOf(QByteArrayView massText)
{
    for (qsizetype i = 0; i < massText.size(); ++i)
        if (massText[i] == '.' || massText[i] == ',')
            return int(massText.size() - i - 1);
    return 0;
}
