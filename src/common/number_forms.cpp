#include "common/number_forms.h"

#include <algorithm>
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
    return std::strtod(norm.constData(), nullptr);
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

QByteArray FormatRounded(double x, int significant, int decimals)
{
    decimals = std::clamp(decimals, 0, 15);
    significant = std::clamp(significant, 1, 17);
    if (!std::isfinite(x))
        x = 0.0;
    // Decimal digits rounded to `significant` places, then rounded again to
    // `decimals` places half-up on those decimal digits (so 2.675 -> 2.68).
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, std::fabs(x));
    std::string digits;
    const char *p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    const int exp10 = *p == 'e' ? std::atoi(p + 1) : 0;
    // digits[0] has weight 10^exp10; prepend a zero to absorb a carry.
    digits.insert(digits.begin(), '0');
    int intDigits = exp10 + 2;  // digits before the point, counting the pad
    if (intDigits < 1) {
        digits.insert(0, std::string(1 - intDigits, '0'));
        intDigits = 1;
    }
    const int keep = intDigits + decimals;
    if (int(digits.size()) > keep) {
        const bool up = digits[keep] >= '5';
        digits.resize(keep);
        for (int i = keep - 1; up && i >= 0; --i) {
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
        }
    } else {
        digits.append(keep - digits.size(), '0');
    }
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
