// libFuzzer target: arbitrary bytes through the sics decoder in any chunking.

#include "indicator_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Check(IndicatorProtocol::Sics, QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
