// libFuzzer target: arbitrary bytes through both line assemblies and the decoder.

#include "scale/frame_decoder.h"
#include "scale/line_assembler.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int maxMass = int(data[0]) * 10 - 100;  // negative and zero maxima too
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    for (auto source : {LineAssembler::Source::Serial, LineAssembler::Source::Socket}) {
        LineAssembler a(source);
        // Split the input in two chunks so lines cross chunk borders.
        const qsizetype half = bytes.size() / 2;
        for (QByteArrayView chunk : {bytes.first(half), bytes.sliced(half)}) {
            for (const QByteArray &line : a.Feed(chunk)) {
                const DecodedLine d = DecodeLine(line, maxMass);
                if (d.kind == DecodedLine::Kind::Weight && d.displayText.isEmpty())
                    __builtin_trap();  // a readable weight always shows something
                if (d.kind == DecodedLine::Kind::Record && d.recordNumber.isEmpty())
                    __builtin_trap();
            }
            if (a.Pending() > LineAssembler::kMaxLine)
                __builtin_trap();
        }
    }
    return 0;
}
