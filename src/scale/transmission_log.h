#pragma once

// What passed over the scale link, for the transmission monitor: the chunks
// received and sent, and the frames decoded from them. A ring of fixed size,
// so a scale talking all day keeps memory flat.

#include "scale/protocols/indicator_frame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <vector>

struct TransmissionEntry {
    enum class Direction { Received, Sent, Frame };

    qint64 msecs = 0;  // local time, milliseconds since the epoch
    Direction direction = Direction::Received;
    QByteArray bytes;      // at most TransmissionLog::kMaxBytes of them
    qsizetype length = 0;  // how many bytes there really were
    QString decoded;       // Frame: DescribeFrame of it
};

class TransmissionLog {
public:
    static constexpr int kDefaultCapacity = 2000;
    // A flood without frame ends can come as one huge chunk: only its start is kept.
    static constexpr qsizetype kMaxBytes = 512;

    explicit TransmissionLog(int capacity = kDefaultCapacity);

    void AddReceived(qint64 msecs, QByteArrayView bytes);
    void AddSent(qint64 msecs, QByteArrayView bytes);
    void AddFrame(qint64 msecs, QByteArrayView raw, const IndicatorFrame &frame);
    // Forgets the entries; the count of entries ever added goes on.
    void Clear();

    int Capacity() const { return int(ring_.size()); }
    // Entries held now (at most Capacity()).
    int Size() const { return int(size_); }
    // Entries ever added: a window that has seen `n` of them asks Since(n).
    qint64 Total() const { return total_; }
    // The held entries numbered n and later (numbering from 0), oldest first.
    QList<TransmissionEntry> Since(qint64 n) const;

private:
    void Add(qint64 msecs, TransmissionEntry::Direction direction, QByteArrayView bytes, QString decoded);

    std::vector<TransmissionEntry> ring_;
    size_t head_ = 0;  // the oldest held entry
    size_t size_ = 0;
    qint64 total_ = 0;
};

// Printable bytes as they are, control bytes by name: "<STX>12.5<CR><LF>";
// other control bytes and bytes from 0x80 as "<xHH>".
QString ControlText(QByteArrayView bytes);
// "02 31 0D"
QString HexText(QByteArrayView bytes);
// A frame in a few Polish words: "12.34 kg, stabilny, netto, tara 1.00".
QString DescribeFrame(const IndicatorFrame &frame);
