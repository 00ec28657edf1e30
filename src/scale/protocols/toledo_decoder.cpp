#include "scale/protocols/toledo_decoder.h"

#include "scale/protocols/weight_text.h"

namespace {

// Bits that only carry the serial parity (bit 7) are ignored; bit 5 is
// always set in a status word, which keeps stray bytes from passing as one.
bool IsStatusWord(char c)
{
    return (c & 0x20) != 0;
}

// Six digits (leading blanks allowed) placed by the decimal point code of status word A.
bool FieldText(QByteArrayView digits, int pointCode, QByteArray &out, bool negative = false)
{
    char buf[12];
    int n = 0;
    if (negative)
        buf[n++] = '-';
    bool seenDigit = false;
    for (char c : digits) {
        if (c == ' ' && !seenDigit)
            c = '0';
        else if (c < '0' || c > '9')
            return false;
        else
            seenDigit = true;
        buf[n++] = c;
    }
    if (!seenDigit)
        return false;
    // 0: two dummy zeros, 1: one, 2: no point, 3..7: one to five decimals.
    if (pointCode <= 1) {
        for (int k = 0; k < 2 - pointCode; ++k)
            buf[n++] = '0';
    } else if (pointCode > 2) {
        const int decimals = pointCode - 2;
        for (int k = n; k > n - decimals; --k)
            buf[k] = buf[k - 1];
        buf[n - decimals] = '.';
        ++n;
    }
    return NormaliseWeightText(QByteArrayView(buf, n), out);
}

QByteArray UnitOf(char b, char c)
{
    switch (c & 0x07) {
    case 0:
        return (b & 0x10) ? QByteArrayLiteral("kg") : QByteArrayLiteral("lb");
    case 1:
        return QByteArrayLiteral("g");
    case 2:
        return QByteArrayLiteral("t");
    case 3:
        return QByteArrayLiteral("oz");
    case 4:
        return QByteArrayLiteral("ozt");
    case 5:
        return QByteArrayLiteral("dwt");
    case 6:
        return QByteArrayLiteral("ton");
    default:
        return {};  // custom units: the frame does not name them
    }
}

}  // namespace

char ToledoChecksum(QByteArrayView stxToCr)
{
    unsigned sum = 0;
    for (char c : stxToCr)
        sum += static_cast<unsigned char>(c);
    return char((0u - sum) & 0x7F);
}

IndicatorFrame DecodeToledoFrame(QByteArrayView frame)
{
    if (frame.size() < kToledoFrameSize || frame.size() > kToledoFrameSize + 1)
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("wrong length"));
    if (frame[0] != '\x02' || frame[kToledoFrameSize - 1] != '\r')
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("no STX or CR in place"));
    if (frame.size() == kToledoFrameSize + 1 &&
        (frame[kToledoFrameSize] & 0x7F) != ToledoChecksum(frame.first(kToledoFrameSize)))
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("wrong checksum"));
    const char a = frame[1];
    const char b = frame[2];
    const char c = frame[3];
    if (!IsStatusWord(a) || !IsStatusWord(b) || !IsStatusWord(c))
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("bad status word"));

    IndicatorFrame f;
    const int pointCode = a & 0x07;
    const bool negative = (b & 0x02) != 0;
    if (!FieldText(frame.sliced(4, 6), pointCode, f.weightText, negative) ||
        !FieldText(frame.sliced(10, 6), pointCode, f.tareText)) {
        f.weightText.clear();
        f.tareText.clear();
        return FrameWithNote(IndicatorFrame::Kind::Malformed, QByteArrayLiteral("non-digit in weight or tare"));
    }
    f.net = (b & 0x01) != 0;
    f.stability = (b & 0x08) ? IndicatorFrame::Stability::Moving : IndicatorFrame::Stability::Stable;
    f.unit = UnitOf(b, c);
    if (b & 0x04) {
        f.kind = negative ? IndicatorFrame::Kind::Underload : IndicatorFrame::Kind::Overload;
        f.weightText.clear();
        return f;
    }
    if (b & 0x40) {
        f.kind = IndicatorFrame::Kind::Error;
        f.weightText.clear();
        f.note = QByteArrayLiteral("not zeroed since power-up");
        return f;
    }
    f.kind = IndicatorFrame::Kind::Weight;
    return f;
}
