#include "scale/transmission_log.h"

#include <algorithm>

TransmissionLog::TransmissionLog(int capacity) : ring_(size_t(std::max(1, capacity))) {}

void TransmissionLog::AddReceived(qint64 msecs, QByteArrayView bytes)
{
    Add(msecs, TransmissionEntry::Direction::Received, bytes, {});
}

void TransmissionLog::AddSent(qint64 msecs, QByteArrayView bytes)
{
    Add(msecs, TransmissionEntry::Direction::Sent, bytes, {});
}

void TransmissionLog::AddFrame(qint64 msecs, QByteArrayView raw, const IndicatorFrame &frame)
{
    Add(msecs, TransmissionEntry::Direction::Frame, raw, DescribeFrame(frame));
}

void TransmissionLog::Add(qint64 msecs, TransmissionEntry::Direction direction, QByteArrayView bytes, QString decoded)
{
    size_t slot;
    if (size_ < ring_.size()) {
        slot = (head_ + size_) % ring_.size();
        ++size_;
    } else {
        slot = head_;
        head_ = (head_ + 1) % ring_.size();
    }
    TransmissionEntry &e = ring_[slot];
    e.msecs = msecs;
    e.direction = direction;
    e.length = bytes.size();
    // A fresh copy, so a slot never keeps a larger buffer than its entry needs.
    e.bytes = bytes.first(std::min(bytes.size(), kMaxBytes)).toByteArray();
    e.decoded = std::move(decoded);
    ++total_;
}

void TransmissionLog::Clear()
{
    for (auto &e : ring_)
        e = {};
    head_ = 0;
    size_ = 0;
}

QList<TransmissionEntry> TransmissionLog::Since(qint64 n) const
{
    const qint64 first = total_ - qint64(size_);
    const qint64 from = std::max(n, first);
    QList<TransmissionEntry> out;
    if (from >= total_)
        return out;
    out.reserve(qsizetype(total_ - from));
    for (qint64 i = from; i < total_; ++i)
        out.append(ring_[(head_ + size_t(i - first)) % ring_.size()]);
    return out;
}

namespace {

const char *ControlName(unsigned char c)
{
    switch (c) {
    case 0x00:
        return "NUL";
    case 0x02:
        return "STX";
    case 0x03:
        return "ETX";
    case 0x04:
        return "EOT";
    case 0x05:
        return "ENQ";
    case 0x06:
        return "ACK";
    case 0x09:
        return "TAB";
    case 0x0A:
        return "LF";
    case 0x0D:
        return "CR";
    case 0x15:
        return "NAK";
    case 0x1B:
        return "ESC";
    default:
        return nullptr;
    }
}

}  // namespace

QString ControlText(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F) {
            out.append(QLatin1Char(ch));
        } else if (const char *name = ControlName(c)) {
            out.append(u'<').append(QLatin1StringView(name)).append(u'>');
        } else {
            out.append(QStringLiteral("<x") + QString::number(c, 16).toUpper().rightJustified(2, u'0') + u'>');
        }
    }
    return out;
}

QString HexText(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

QString DescribeFrame(const IndicatorFrame &frame)
{
    using Kind = IndicatorFrame::Kind;
    const auto withNote = [&frame](const QString &text) {
        return frame.note.isEmpty() ? text : text + QStringLiteral(": ") + QString::fromLatin1(frame.note);
    };
    switch (frame.kind) {
    case Kind::Weight: {
        QString text = QString::fromLatin1(frame.weightText);
        if (!frame.unit.isEmpty())
            text += u' ' + QString::fromLatin1(frame.unit);
        if (frame.stability == IndicatorFrame::Stability::Stable)
            text += QStringLiteral(", stabilny");
        else if (frame.stability == IndicatorFrame::Stability::Moving)
            text += QStringLiteral(", ruch");
        if (frame.net)
            text += QStringLiteral(", netto");
        if (frame.zero)
            text += QStringLiteral(", zero");
        if (!frame.tareText.isEmpty())
            text += QStringLiteral(", tara ") + QString::fromLatin1(frame.tareText);
        return text;
    }
    case Kind::Overload:
        return QStringLiteral("przeciążenie");
    case Kind::Underload:
        return QStringLiteral("niedociążenie");
    case Kind::Error:
        return withNote(QStringLiteral("błąd wagi"));
    case Kind::Other:
        return withNote(QStringLiteral("ramka bez masy"));
    case Kind::Malformed:
        break;
    }
    return withNote(QStringLiteral("nierozpoznana ramka"));
}
