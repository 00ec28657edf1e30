#include "output/xls_records.h"

#include "output/xls_bytes.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace xls {

void Record(QByteArray &out, quint16 id, const QByteArray &body)
{
    Q_ASSERT(body.size() <= kMaxRecordData);
    Put16(out, id);
    Put16(out, quint16(body.size()));
    out.append(body);
}

QByteArray U16s(std::initializer_list<quint16> values)
{
    QByteArray b;
    for (const quint16 v : values)
        Put16(b, v);
    return b;
}

bool NeedsWide(QStringView s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() > 0xFF; });
}

void PutChars(QByteArray &b, QStringView s, bool wide)
{
    if (wide) {
        for (const QChar c : s)
            Put16(b, c.unicode());
    } else {
        for (const QChar c : s)
            b.append(char(c.unicode()));
    }
}

void PutString16(QByteArray &b, QStringView s)
{
    const bool wide = NeedsWide(s);
    Put16(b, quint16(s.size()));
    b.append(char(wide ? 1 : 0));
    PutChars(b, s, wide);
}

void PutString8(QByteArray &b, QStringView s)
{
    const bool wide = NeedsWide(s);
    b.append(char(quint8(s.size())));
    b.append(char(wide ? 1 : 0));
    PutChars(b, s, wide);
}

// ---------------------------------------------------------------- shared strings

SharedStrings::SharedStrings()
{
    StartRecord(kSst);
    data_.append(8, '\0'); // total and distinct counts, known at the end
}

quint32 SharedStrings::Add(const QString &s)
{
    const auto it = index_.constFind(s);
    if (it != index_.cend())
        return *it;
    const quint32 i = quint32(index_.size());
    index_.insert(s, i);
    Append(s);
    return i;
}

std::optional<quint32> SharedStrings::Find(const QString &s) const
{
    const auto it = index_.constFind(s);
    if (it == index_.cend())
        return std::nullopt;
    return *it;
}

const QByteArray &SharedStrings::Finish(quint32 references)
{
    EndRecord();
    Patch32(data_, 4, references);
    Patch32(data_, 8, quint32(index_.size()));
    return data_;
}

QByteArray SharedStrings::ExtSst(quint32 at) const
{
    const quint32 unique = quint32(index_.size());
    const quint32 dsst = std::max<quint32>(unique / 128 + 1, 8);
    QByteArray b;
    Put16(b, quint16(dsst));
    for (quint32 i = 0; i < unique; i += dsst) {
        const quint32 offset = stringAt_[i];
        const quint32 record = *(std::upper_bound(recordAt_.begin(), recordAt_.end(), offset) - 1);
        Put32(b, at + offset);
        Put16(b, quint16(offset - record)); // from the record's header
        Put16(b, 0);
    }
    return b;
}

void SharedStrings::StartRecord(quint16 id)
{
    recordStart_ = data_.size();
    recordAt_.push_back(quint32(recordStart_));
    Put16(data_, id);
    Put16(data_, 0);
}

void SharedStrings::EndRecord()
{
    Patch16(data_, recordStart_ + 2, quint16(data_.size() - recordStart_ - 4));
}

void SharedStrings::Append(QStringView s)
{
    const bool wide = NeedsWide(s);
    const int unit = wide ? 2 : 1;
    // The length and flags never part from the first character.
    if (Room() < 3 + unit) {
        EndRecord();
        StartRecord(kContinue);
    }
    stringAt_.push_back(quint32(data_.size()));
    Put16(data_, quint16(s.size()));
    data_.append(char(wide ? 1 : 0));
    qsizetype done = 0;
    for (;;) {
        const qsizetype n = std::min<qsizetype>(Room() / unit, s.size() - done);
        PutChars(data_, s.mid(done, n), wide);
        done += n;
        if (done == s.size())
            break;
        EndRecord();
        StartRecord(kContinue);
        data_.append(char(wide ? 1 : 0));
    }
}

// ---------------------------------------------------------------- cells

std::optional<quint32> RkValue(double v)
{
    const quint64 bits = std::bit_cast<quint64>(v);
    constexpr double kLimit = double(1 << 29);
    if (std::fabs(v) < kLimit && v == std::trunc(v)) {
        const qint32 i = qint32(v);
        if (std::bit_cast<quint64>(double(i)) == bits)
            return (quint32(i) << 2) | 2;
    }
    if ((bits & 0x3FFFFFFFFull) == 0)
        return quint32(bits >> 32);
    const double hundred = v * 100;
    if (std::fabs(hundred) < kLimit && hundred == std::trunc(hundred)) {
        const qint32 i = qint32(hundred);
        if (std::bit_cast<quint64>(double(i) / 100) == bits)
            return (quint32(i) << 2) | 3;
    }
    return std::nullopt;
}

char *CellStart(char *p, quint16 id, quint16 bodySize, quint16 rw, quint16 col, quint16 xf)
{
    qToLittleEndian(id, p);
    qToLittleEndian(bodySize, p + 2);
    qToLittleEndian(rw, p + 4);
    qToLittleEndian(col, p + 6);
    qToLittleEndian(xf, p + 8);
    return p + 10;
}

void PutNumberCell(QByteArray &out, quint16 rw, quint16 col, quint16 xf, double v)
{
    char rec[18];
    if (!std::isfinite(v)) {
        // No number a sheet holds: the #NUM! error shows it is not one.
        char *p = CellStart(rec, kBoolErr, 8, rw, col, kGeneralXf);
        p[0] = 0x24;
        p[1] = 1;
        out.append(rec, 12);
    } else if (const std::optional<quint32> rk = RkValue(v)) {
        qToLittleEndian(*rk, CellStart(rec, kRk, 10, rw, col, xf));
        out.append(rec, 14);
    } else {
        qToLittleEndian(std::bit_cast<quint64>(v), CellStart(rec, kNumber, 14, rw, col, xf));
        out.append(rec, 18);
    }
}

} // namespace xls
