#include "core/sha256.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define POMIARY_SHA_NI 1
#endif

namespace {

constexpr uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

inline uint32_t Rotr(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

void CompressPortable(uint32_t *h, const unsigned char *data, size_t blocks)
{
    for (; blocks > 0; --blocks, data += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(data[4 * i]) << 24 | uint32_t(data[4 * i + 1]) << 16 | uint32_t(data[4 * i + 2]) << 8 |
                   uint32_t(data[4 * i + 3]);
        for (int i = 16; i < 64; ++i) {
            const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; ++i) {
            const uint32_t t1 = hh + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kK[i] + w[i];
            const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
    }
}

#ifdef POMIARY_SHA_NI
// The SHA extensions: four rounds per instruction pair.
__attribute__((target("sha,sse4.1"))) void CompressShaNi(uint32_t *h, const unsigned char *data, size_t blocks)
{
    const __m128i shuffle = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h));
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + 4));
    tmp = _mm_shuffle_epi32(tmp, 0xB1);       // CDAB
    state1 = _mm_shuffle_epi32(state1, 0x1B); // EFGH
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);  // ABEF
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);        // CDGH

    const auto k = [](int i) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(kK + 4 * i)); };
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abef = state0, cdgh = state1;
        __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data)), shuffle);
        __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16)), shuffle);
        __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 32)), shuffle);
        __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 48)), shuffle);
        __m128i m;
        // Four rounds on `cur`; `next` gets its schedule completed, `prev` its first half.
#define POMIARY_ROUNDS(i, cur, prevOfCur, next, prev, completes, starts)                                            \
    m = _mm_add_epi32(cur, k(i));                                                                                    \
    state1 = _mm_sha256rnds2_epu32(state1, state0, m);                                                               \
    if (completes) {                                                                                                 \
        next = _mm_add_epi32(next, _mm_alignr_epi8(cur, prevOfCur, 4));                                              \
        next = _mm_sha256msg2_epu32(next, cur);                                                                      \
    }                                                                                                                \
    state0 = _mm_sha256rnds2_epu32(state0, state1, _mm_shuffle_epi32(m, 0x0E));                                      \
    if (starts)                                                                                                      \
        prev = _mm_sha256msg1_epu32(prev, cur);
        POMIARY_ROUNDS(0, m0, m3, m1, m3, false, false)
        POMIARY_ROUNDS(1, m1, m0, m2, m0, false, true)
        POMIARY_ROUNDS(2, m2, m1, m3, m1, false, true)
        POMIARY_ROUNDS(3, m3, m2, m0, m2, true, true)
        POMIARY_ROUNDS(4, m0, m3, m1, m3, true, true)
        POMIARY_ROUNDS(5, m1, m0, m2, m0, true, true)
        POMIARY_ROUNDS(6, m2, m1, m3, m1, true, true)
        POMIARY_ROUNDS(7, m3, m2, m0, m2, true, true)
        POMIARY_ROUNDS(8, m0, m3, m1, m3, true, true)
        POMIARY_ROUNDS(9, m1, m0, m2, m0, true, true)
        POMIARY_ROUNDS(10, m2, m1, m3, m1, true, true)
        POMIARY_ROUNDS(11, m3, m2, m0, m2, true, true)
        POMIARY_ROUNDS(12, m0, m3, m1, m3, true, true)
        POMIARY_ROUNDS(13, m1, m0, m2, m0, true, false)
        POMIARY_ROUNDS(14, m2, m1, m3, m1, true, false)
        POMIARY_ROUNDS(15, m3, m2, m0, m2, false, false)
#undef POMIARY_ROUNDS
        state0 = _mm_add_epi32(state0, abef);
        state1 = _mm_add_epi32(state1, cdgh);
    }

    tmp = _mm_shuffle_epi32(state0, 0x1B);    // FEBA
    state1 = _mm_shuffle_epi32(state1, 0xB1); // DCHG
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // DCBA
    state1 = _mm_alignr_epi8(state1, tmp, 8);     // ABEF
    _mm_storeu_si128(reinterpret_cast<__m128i *>(h), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(h + 4), state1);
}

bool HasShaNi()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d) || !(b & (1u << 29)))
        return false;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & (1u << 19));  // SSE4.1
}
#endif

using CompressFn = void (*)(uint32_t *, const unsigned char *, size_t);

CompressFn ChooseCompress()
{
#ifdef POMIARY_SHA_NI
    if (HasShaNi())
        return CompressShaNi;
#endif
    return CompressPortable;
}

CompressFn Compress = ChooseCompress();

}  // namespace

bool Sha256::UsesProcessorInstructions()
{
    return Compress != CompressPortable;
}

void Sha256::SetPortableOnly(bool on)
{
    Compress = on ? CompressPortable : ChooseCompress();
}

void Sha256::Reset()
{
    h_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    length_ = 0;
}

void Sha256::Add(QByteArrayView bytes)
{
    auto data = reinterpret_cast<const unsigned char *>(bytes.data());
    size_t size = size_t(bytes.size());
    size_t used = size_t(length_ % 64);
    length_ += size;
    if (used > 0) {
        const size_t take = std::min(size, 64 - used);
        std::memcpy(block_ + used, data, take);
        data += take;
        size -= take;
        if (used + take < 64)
            return;
        Compress(h_.data(), block_, 1);
    }
    if (size >= 64) {
        Compress(h_.data(), data, size / 64);
        data += size / 64 * 64;
        size %= 64;
    }
    if (size > 0)
        std::memcpy(block_, data, size);
}

Sha256::Digest Sha256::Final() const
{
    std::array<uint32_t, 8> h = h_;
    unsigned char tail[128] = {};
    const size_t used = size_t(length_ % 64);
    std::memcpy(tail, block_, used);
    tail[used] = 0x80;
    const size_t total = used < 56 ? 64 : 128;
    const quint64 bits = length_ * 8;
    for (int i = 0; i < 8; ++i)
        tail[total - 1 - size_t(i)] = static_cast<unsigned char>(bits >> (8 * i));
    Compress(h.data(), tail, total / 64);
    Digest out;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j)
            out[size_t(4 * i + j)] = static_cast<unsigned char>(h[size_t(i)] >> (24 - 8 * j));
    return out;
}

QByteArray Sha256::FinalHex() const
{
    const Digest d = Final();
    return Hex(QByteArrayView(reinterpret_cast<const char *>(d.data()), qsizetype(d.size())));
}

QByteArray Sha256::Hex(QByteArrayView bytes)
{
    return bytes.toByteArray().toHex();
}

QByteArray Sha256::HexOf(QByteArrayView bytes)
{
    Sha256 h;
    h.Add(bytes);
    return h.FinalHex();
}
