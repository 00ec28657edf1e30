#include "scale/protocol_settings.h"

#include "core/program_config.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

ProtocolSettings ProtocolSettings::FromConfig(const ProgramConfig &config)
{
    ProtocolSettings s;
    if (config.scaleProtocol >= 0 && config.scaleProtocol < kIndicatorProtocolCount)
        s.protocol = IndicatorProtocol(config.scaleProtocol);
    // A request that cannot be read is not sent at all rather than sent garbled.
    s.request = UnescapeRequest(config.scaleRequest).value_or(QByteArray());
    s.requestIntervalMs = qBound(kMinIntervalMs, config.scaleRequestMs, kMaxIntervalMs);
    s.framePattern = config.scaleFramePattern;
    s.stableText = config.scaleStableText;
    s.onlyStable = config.onlyStable;
    return s;
}

std::optional<QByteArray> UnescapeRequest(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out.append(c);
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
        case 'r':
            out.append('\r');
            break;
        case 'n':
            out.append('\n');
            break;
        case 't':
            out.append('\t');
            break;
        case '\\':
            out.append('\\');
            break;
        case 'x': {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int hi = HexDigit(text[i + 1]);
            const int lo = HexDigit(text[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out.append(char(hi * 16 + lo));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

QByteArray EscapeRequest(QByteArrayView bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else if (c >= 0x20 && c < 0x7f)
            out += char(c);
        else
            out += QByteArray("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
    return out;
}
