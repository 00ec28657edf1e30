#pragma once

// What one frame of an indicator says, whatever its family. Decoders are
// pure: bytes in, an IndicatorFrame out; applying it to the display is the
// protocol layer's work.

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <memory>

// The values of Protokol_wagi in konfig.ini; the order is stored, never change it.
enum class IndicatorProtocol {
    Standard = 0,           // the plain line format, decoded by DecodeLine
    ToledoContinuous = 1,   // STX, three status bytes, weight, tare, CR [checksum]
    Sma = 2,                // <LF>s r n m f xxxxxx.xxx uuu<CR>
    Sics = 3,               // "S S     12.34 kg" and its relatives
    SiFamily = 4,           // the "SI" request/reply family with a stability mark
    UserPattern = 5,        // a regular expression with named groups
    ModbusRtu = 6,
    ModbusTcp = 7,
};
inline constexpr int kIndicatorProtocolCount = 8;

struct IndicatorFrame {
    enum class Kind {
        Malformed,   // not a frame of this family: counted and ignored
        Weight,      // a weight to show
        Overload,    // above the range: "* * * * *"
        Underload,   // below the range: "* * * * *"
        Error,       // the indicator reports an error: "- - - - -"
        Other,       // a valid frame that carries no weight (an acknowledgement)
    };
    enum class Stability { Unknown, Stable, Moving };

    Kind kind = Kind::Malformed;
    // Weight: the mass as the display shows it: optional '-', digits, optional
    // '.' and decimals; leading zeros dropped but one before the point ("0.50").
    QByteArray weightText;
    QByteArray unit;          // "kg", "g", "t", "lb"...; empty when the frame has none
    Stability stability = Stability::Unknown;
    bool net = false;         // the weight is net (a tare is taken on the indicator)
    bool zero = false;        // the indicator reports centre of zero
    QByteArray tareText;      // the indicator's tare in the same form, when the frame carries one
    QByteArray note;          // Malformed/Error/Other: a short English reason, for the monitor
};

// A frame that carries no weight: its kind and, for the monitor, why.
inline IndicatorFrame FrameWithNote(IndicatorFrame::Kind kind, QByteArray note = {})
{
    IndicatorFrame f;
    f.kind = kind;
    f.note = std::move(note);
    return f;
}

// Cuts one family's byte stream into frames and decodes each. The receive
// buffer is bounded: a stream that never ends a frame cannot grow memory.
class IndicatorDecoder {
public:
    // raw: the frame's bytes as received (delimiters included where the family has them).
    using Sink = std::function<void(QByteArrayView raw, const IndicatorFrame &frame)>;

    virtual ~IndicatorDecoder() = default;
    virtual void Feed(QByteArrayView bytes, const Sink &sink) = 0;
    // Drops a partial frame (the link was reopened).
    virtual void Clear() = 0;
};

// The decoder for a byte-stream family (not Standard, not Modbus).
// `pattern` and `stableText` are used by UserPattern only; an invalid pattern
// gives a decoder that reports every line Malformed (note: the pattern's error).
std::unique_ptr<IndicatorDecoder> MakeIndicatorDecoder(IndicatorProtocol protocol, const QByteArray &pattern = {},
                                                       const QByteArray &stableText = {});

// The most bytes a decoder keeps of one frame; the rest of a longer one is
// dropped until its end, and the frame is reported Malformed.
inline constexpr qsizetype kMaxIndicatorFrame = 4096;

// The request that makes an indicator of the family send a weight; empty
// when the family sends on its own (Toledo) or has no byte-stream request.
QByteArray UsualRequest(IndicatorProtocol protocol);
