#pragma once

// SHA-256 whose running state can be copied. The journal keeps the state of
// each table file's hash: a new line then costs the hash of that line, not
// of the whole file (QCryptographicHash cannot hand out its state). Uses the
// processor's SHA instructions where it has them.

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>

class Sha256 {
public:
    using Digest = std::array<unsigned char, 32>;

    Sha256() { Reset(); }
    void Reset();
    void Add(QByteArrayView bytes);
    // The digest of everything added so far; the state is left as it was,
    // so more bytes may follow.
    Digest Final() const;
    QByteArray FinalHex() const;
    // Bytes added so far.
    quint64 Length() const { return length_; }

    static QByteArray Hex(QByteArrayView bytes);
    static QByteArray HexOf(QByteArrayView bytes);  // the digest of `bytes`, in hex

    // Tests and benchmarks: the portable code also where the processor's
    // instructions exist. Not for use while other threads hash.
    static bool UsesProcessorInstructions();
    static void SetPortableOnly(bool on);

private:
    std::array<uint32_t, 8> h_;
    unsigned char block_[64];
    quint64 length_ = 0;
};
