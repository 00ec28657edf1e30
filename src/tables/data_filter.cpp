#include "tables/data_filter.h"

#include "core/program_config.h"
#include "core/text.h"
#include "tables/measurement_record.h"

#include <array>

namespace {

constexpr int kTextFields[4] = {ColOrder, ColMaterial, ColOperator, ColCustomer};

// UpperPolish as a byte table, so a search needs no copies.
const std::array<unsigned char, 256> &UpperTable()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QByteArray up = UpperPolish(all);
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = static_cast<unsigned char>(up[i]);
        return t;
    }();
    return table;
}

// `upperNeedle` is already upper-cased.
bool ContainsUpper(QByteArrayView haystack, QByteArrayView upperNeedle)
{
    if (upperNeedle.isEmpty())
        return true;
    const auto &up = UpperTable();
    const qsizetype n = upperNeedle.size();
    for (qsizetype i = 0; i + n <= haystack.size(); ++i) {
        qsizetype j = 0;
        while (j < n && up[static_cast<unsigned char>(haystack[i + j])] == static_cast<unsigned char>(upperNeedle[j]))
            ++j;
        if (j == n)
            return true;
    }
    return false;
}

}  // namespace

QByteArray FilterKey(QByteArrayView timeField)
{
    static const int kStarts[5] = {0, 5, 8, 11, 14};
    static const int kLengths[5] = {4, 2, 2, 2, 2};
    QByteArray key;
    key.reserve(12);
    for (int i = 0; i < 5; ++i) {
        if (kStarts[i] >= timeField.size())
            break;
        key.append(timeField.sliced(kStarts[i], std::min<qsizetype>(kLengths[i], timeField.size() - kStarts[i])));
    }
    return key;
}

bool ContainsUpperPolish(QByteArrayView haystack, QByteArrayView needle)
{
    return ContainsUpper(haystack, UpperPolish(needle));
}

bool DataFilter::Matches(QByteArrayView line) const
{
    return FilterMatcher(*this).Matches(line);
}

FilterMatcher::FilterMatcher(const DataFilter &filter)
    : passAll_(filter.IsEmpty()), from_(filter.from), to_(filter.to)
{
    upper_[0] = UpperPolish(filter.order);
    upper_[1] = UpperPolish(filter.material);
    upper_[2] = UpperPolish(filter.op);
    upper_[3] = UpperPolish(filter.customer);
}

bool FilterMatcher::Matches(QByteArrayView line) const
{
    if (passAll_)
        return true;
    if (!from_.isEmpty() || !to_.isEmpty()) {
        const QByteArray key = FilterKey(FieldView(line, ColTime));
        if (!from_.isEmpty() && QByteArrayView(key).compare(from_) < 0)
            return false;
        if (!to_.isEmpty() && QByteArrayView(key).compare(to_) > 0)
            return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (!upper_[i].isEmpty() && !ContainsUpper(FieldView(line, kTextFields[i]), upper_[i]))
            return false;
    }
    return true;
}
