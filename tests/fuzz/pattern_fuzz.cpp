// libFuzzer target: a pattern and lines from the input. The first byte gives
// the pattern's length, whether it is wrapped in the named groups (random
// text seldom names them itself) and the stable text; the rest is the stream.

#include "indicator_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QByteArray kStableTexts[] = {"", "ST", "?", " "};
    const size_t patternSize = std::min<size_t>(data[0] & 0x1F, size - 1);
    const char *p = reinterpret_cast<const char *>(data + 1);
    QByteArray pattern(p, qsizetype(patternSize));
    if (data[0] & 0x20)
        pattern = "(?<stabilny>[A-Z]*)\\s*(?<waga>" + pattern + ")\\s*(?<jednostka>\\w*)";
    fuzz::Check(IndicatorProtocol::UserPattern, QByteArrayView(p + patternSize, qsizetype(size - 1 - patternSize)),
                pattern, kStableTexts[data[0] >> 6]);
    return 0;
}
