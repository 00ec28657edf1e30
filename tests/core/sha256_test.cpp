#include "core/sha256.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray Reference(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray RandomBytes(std::mt19937 &rng, int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (char &c : b)
        c = char(rng());
    return b;
}

// Both the processor's instructions (where present) and the portable code.
class Sha256Test : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { Sha256::SetPortableOnly(GetParam()); }
    void TearDown() override { Sha256::SetPortableOnly(false); }
};

}  // namespace

TEST_P(Sha256Test, KnownVectors)
{
    EXPECT_EQ(Sha256::HexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::HexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256::HexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST_P(Sha256Test, EveryLengthAroundTheBlockEdgesMatchesQt)
{
    std::mt19937 rng(7);
    for (int size = 0; size < 300; ++size) {
        const QByteArray b = RandomBytes(rng, size);
        ASSERT_EQ(Sha256::HexOf(b), Reference(b)) << size;
    }
}

TEST_P(Sha256Test, PiecesAndCopiedStatesGiveTheWholeDigest)
{
    std::mt19937 rng(11);
    const QByteArray all = RandomBytes(rng, 100000);
    Sha256 h;
    qsizetype at = 0;
    while (at < all.size()) {
        const qsizetype piece = std::min<qsizetype>(all.size() - at, 1 + rng() % 700);
        h.Add(QByteArrayView(all.constData() + at, piece));
        at += piece;
        // A copy continues on its own; the digest leaves the state as it was.
        if (rng() % 50 == 0) {
            Sha256 copy = h;
            copy.Add("tail");
            ASSERT_EQ(copy.FinalHex(), Reference(all.left(at) + "tail"));
            ASSERT_EQ(h.FinalHex(), Reference(all.left(at)));
        }
    }
    EXPECT_EQ(h.FinalHex(), Reference(all));
    EXPECT_EQ(h.Length(), quint64(all.size()));
}

INSTANTIATE_TEST_SUITE_P(Code, Sha256Test, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Portable" : "Fastest"; });
