#pragma once

// The data filter: a date range and four text criteria tested on table file
// lines. Its empty state passes every line.

#include <QByteArray>

struct DataFilter {
    QByteArray from;      // yyyymmddhhmm, inclusive
    QByteArray to;        // yyyymmddhhmm, inclusive
    QByteArray order;     // substring of field 7
    QByteArray material;  // substring of field 8
    QByteArray op;        // substring of field 10 (operator)
    QByteArray customer;  // substring of field 11

    bool IsEmpty() const
    {
        return from.isEmpty() && to.isEmpty() && order.isEmpty() && material.isEmpty() && op.isEmpty() &&
               customer.isEmpty();
    }

    // True when every non-empty value's test holds on `line` (fields by the split rule).
    bool Matches(QByteArrayView line) const;

    friend bool operator==(const DataFilter &, const DataFilter &) = default;
};

// yyyymmddhhmm from a time field "yyyy-mm-dd hh:mm": its characters 1-4, 6-7,
// 9-10, 12-13 and 15-16 (counted from 1); a shorter field gives what it has.
QByteArray FilterKey(QByteArrayView timeField);

// True when `needle` occurs in `haystack`, both upper-cased with UpperPolish.
// An empty haystack never contains a non-empty needle.
bool ContainsUpperPolish(QByteArrayView haystack, QByteArrayView needle);

// The filter prepared for testing many lines (upper-cased criteria kept).
class FilterMatcher {
public:
    explicit FilterMatcher(const DataFilter &filter);
    bool PassesAll() const { return passAll_; }
    bool Matches(QByteArrayView line) const;

private:
    bool passAll_;
    QByteArray from_, to_;
    QByteArray upper_[4];  // order, material, operator, customer
};
