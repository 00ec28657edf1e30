// The indicator decoders: 1,000,000 frames of each family through the
// decoder's Feed (in 1 KiB chunks, as a port delivers them) and through the
// pure per-frame function. Prints frames per second.

#include "scale/protocols/indicator_frame.h"
#include "scale/protocols/pattern_decoder.h"
#include "scale/protocols/si_family_decoder.h"
#include "scale/protocols/sics_decoder.h"
#include "scale/protocols/sma_decoder.h"
#include "scale/protocols/toledo_decoder.h"

#include <QList>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kFrames = 1000000;
constexpr int kDistinct = 1000;

QByteArray Padded(const QByteArray &s, qsizetype width)
{
    return QByteArray(std::max<qsizetype>(0, width - s.size()), ' ') + s;
}

// Frame i of a family: weights from -99.999 to 899.000, some moving, some net.
QByteArray MakeFrame(IndicatorProtocol p, int i)
{
    const int grams = (i * 7919) % 1000000 - 100000;
    const QByteArray text = QByteArray::number(grams / 1000.0, 'f', 3);
    const bool moving = i % 3 == 0;
    switch (p) {
    case IndicatorProtocol::ToledoContinuous: {
        QByteArray f = "\x02";
        f += char(0x28 | 5);                                            // three decimals
        f += char(0x30 | (grams < 0 ? 0x02 : 0) | (moving ? 0x08 : 0));  // kg
        f += ' ';
        f += QByteArray::number(std::abs(grams)).rightJustified(6, '0');
        f += "000000\r";
        return f + ToledoChecksum(f);
    }
    case IndicatorProtocol::Sma:
        return QByteArray("\n 1G") + (moving ? "M " : "  ") + Padded(text, 10) + " kg\r";
    case IndicatorProtocol::Sics:
        return QByteArray("S ") + (moving ? "D " : "S ") + Padded(text, 10) + " kg\r\n";
    case IndicatorProtocol::SiFamily:
        return QByteArray("SI ") + (moving ? "? " : "  ") + Padded(text, 10) + " kg \r\n";
    default:
        return "ST,GS, " + Padded(text, 10) + " kg\r\n";
    }
}

const char kPattern[] = "^(?<stabilny>ST|US),GS,\\s*(?<waga>-?[0-9.]+)\\s*(?<jednostka>\\w+)";

void BM_Feed(benchmark::State &state, IndicatorProtocol p)
{
    QList<QByteArray> distinct;
    for (int i = 0; i < kDistinct; ++i)
        distinct.append(MakeFrame(p, i));
    QByteArray stream;
    for (int i = 0; i < kFrames; ++i)
        stream += distinct[i % kDistinct];
    stream += "\x02";  // lets the last Toledo frame out
    int weights = 0;
    const IndicatorDecoder::Sink sink = [&](QByteArrayView, const IndicatorFrame &f) {
        weights += f.kind == IndicatorFrame::Kind::Weight;
    };
    for (auto _ : state) {
        auto d = MakeIndicatorDecoder(p, kPattern, "ST");
        weights = 0;
        for (qsizetype i = 0; i < stream.size(); i += 1024)
            d->Feed(QByteArrayView(stream).sliced(i, std::min<qsizetype>(1024, stream.size() - i)), sink);
        if (weights != kFrames)
            state.SkipWithError("not every frame decoded");
    }
    state.counters["frames_per_s"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(state.iterations() * stream.size());
}

template <typename Decode> void DecodeEach(benchmark::State &state, IndicatorProtocol p, Decode decode)
{
    QList<QByteArray> distinct;
    for (int i = 0; i < kDistinct; ++i)
        distinct.append(MakeFrame(p, i));
    for (auto _ : state) {
        int weights = 0;
        for (int i = 0; i < kFrames; ++i) {
            const IndicatorFrame f = decode(distinct[i % kDistinct]);
            weights += f.kind == IndicatorFrame::Kind::Weight;
        }
        if (weights != kFrames)
            state.SkipWithError("not every frame decoded");
        benchmark::DoNotOptimize(weights);
    }
    state.counters["frames_per_s"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodeToledo(benchmark::State &s)
{
    DecodeEach(s, IndicatorProtocol::ToledoContinuous, DecodeToledoFrame);
}
void BM_DecodeSma(benchmark::State &s)
{
    DecodeEach(s, IndicatorProtocol::Sma, DecodeSmaFrame);
}
void BM_DecodeSics(benchmark::State &s)
{
    DecodeEach(s, IndicatorProtocol::Sics, DecodeSicsLine);
}
void BM_DecodeSiFamily(benchmark::State &s)
{
    DecodeEach(s, IndicatorProtocol::SiFamily, DecodeSiFamilyLine);
}
void BM_DecodePattern(benchmark::State &s)
{
    const PatternDecoder d(kPattern, "ST");
    DecodeEach(s, IndicatorProtocol::UserPattern, [&](QByteArrayView line) { return d.Decode(line); });
}

BENCHMARK_CAPTURE(BM_Feed, Toledo, IndicatorProtocol::ToledoContinuous)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Feed, Sma, IndicatorProtocol::Sma)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Feed, Sics, IndicatorProtocol::Sics)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Feed, SiFamily, IndicatorProtocol::SiFamily)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Feed, Pattern, IndicatorProtocol::UserPattern)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeToledo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSics)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSiFamily)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePattern)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
