// Frame splitting for the byte-stream families. Each splitter keeps the
// bytes of the frame (or the run of stray bytes) it is in; a frame that lies
// whole inside one chunk is decoded from the chunk without a copy.

#include "scale/protocols/indicator_frame.h"
#include "scale/protocols/pattern_decoder.h"
#include "scale/protocols/si_family_decoder.h"
#include "scale/protocols/sics_decoder.h"
#include "scale/protocols/sma_decoder.h"
#include "scale/protocols/toledo_decoder.h"

#include <algorithm>

namespace {

constexpr char kStx = '\x02';

// The bytes of the current frame: what earlier chunks left in held_, then
// the part of this chunk from `begin`. At most kMaxIndicatorFrame are kept.
class Collector {
public:
    Collector() { held_.reserve(256); }

    // The frame so far, up to `end`; tooLong when bytes were dropped. When
    // bytes are held, [begin, end) joins them and begin moves to end.
    QByteArrayView Take(const char *&begin, const char *end, bool &tooLong)
    {
        if (held_.isEmpty() && !overflow_) {
            const qsizetype n = end - begin;
            tooLong = n > kMaxIndicatorFrame;
            return {begin, std::min(n, kMaxIndicatorFrame)};
        }
        Hold(begin, end);
        begin = end;
        tooLong = overflow_;
        return held_;
    }
    void Hold(const char *begin, const char *end)
    {
        const qsizetype room = kMaxIndicatorFrame - held_.size();
        const qsizetype n = end - begin;
        held_.append(QByteArrayView(begin, std::min(n, room)));
        overflow_ = overflow_ || n > room;
    }
    void Reset()
    {
        held_.resize(0);  // keeps the capacity
        overflow_ = false;
    }
    bool Empty() const { return held_.isEmpty() && !overflow_; }

private:
    QByteArray held_;
    bool overflow_ = false;
};

const QByteArray kTooLong = QByteArrayLiteral("frame too long");
const QByteArray kStray = QByteArrayLiteral("bytes outside a frame");
const QByteArray kCut = QByteArrayLiteral("frame cut short");
const QByteArray kNoChecksum = QByteArrayLiteral("checksum missing");

void Report(const IndicatorDecoder::Sink &sink, QByteArrayView raw, const QByteArray &note)
{
    sink(raw, FrameWithNote(IndicatorFrame::Kind::Malformed, note));
}

// STX .. CR, then one byte that is a checksum unless it starts the next frame.
class ToledoSplitter final : public IndicatorDecoder {
public:
    void Feed(QByteArrayView bytes, const Sink &sink) override
    {
        const char *seg = bytes.data();
        const char *end = seg + bytes.size();
        for (const char *p = seg; p < end;) {
            const char c = *p;
            bool tooLong = false;
            switch (state_) {
            case State::Outside:
                if (c == kStx) {
                    const QByteArrayView stray = frame_.Take(seg, p, tooLong);
                    if (!stray.isEmpty())
                        Report(sink, stray, kStray);
                    Start(seg, p);
                }
                ++p;
                break;
            case State::InFrame:
                if (c == '\r') {
                    state_ = State::AfterCr;
                } else if (c == kStx) {
                    Report(sink, frame_.Take(seg, p, tooLong), kCut);
                    Start(seg, p);
                }
                ++p;
                break;
            case State::AfterCr:
                if (c != kStx) {
                    const QByteArrayView frame = frame_.Take(seg, p, tooLong);
                    // Until a checksum has been seen right, a byte that is not
                    // the frame's checksum is a stray one after a frame without.
                    const bool checksum = checksums_ || tooLong || (c & 0x7F) == ToledoChecksum(frame);
                    checksums_ = checksums_ || (checksum && !tooLong);
                    if (checksum) {
                        Emit(sink, frame_.Take(seg, p + 1, tooLong), tooLong);
                        frame_.Reset();
                        seg = p + 1;
                    } else {
                        Emit(sink, frame, tooLong);
                        frame_.Reset();
                        seg = p;
                    }
                    state_ = State::Outside;
                } else if (ToledoChecksum(frame_.Take(seg, p, tooLong)) == kStx) {
                    // The checksum may itself be STX: the byte after it tells.
                    state_ = State::StxAfterCr;
                } else {
                    Emit(sink, frame_.Take(seg, p, tooLong), tooLong);
                    Start(seg, p);
                }
                ++p;
                break;
            case State::StxAfterCr:
                if (c == kStx) {
                    Emit(sink, frame_.Take(seg, p, tooLong), tooLong);
                    Start(seg, p);
                    ++p;
                } else {
                    Emit(sink, frame_.Take(seg, p, tooLong).chopped(1), tooLong);
                    frame_.Reset();
                    static const char stx = kStx;
                    frame_.Hold(&stx, &stx + 1);
                    seg = p;
                    state_ = State::InFrame;  // c is looked at again inside the new frame
                }
                break;
            }
        }
        frame_.Hold(seg, end);
    }

    void Clear() override
    {
        frame_.Reset();
        state_ = State::Outside;
        checksums_ = false;
    }

private:
    enum class State { Outside, InFrame, AfterCr, StxAfterCr };

    void Start(const char *&seg, const char *p)
    {
        frame_.Reset();
        seg = p;
        state_ = State::InFrame;
    }
    void Emit(const Sink &sink, QByteArrayView raw, bool tooLong)
    {
        if (tooLong)
            Report(sink, raw, kTooLong);
        else if (checksums_ && raw.size() == kToledoFrameSize)
            Report(sink, raw, kNoChecksum);
        else
            sink(raw, DecodeToledoFrame(raw));
    }

    Collector frame_;
    State state_ = State::Outside;
    bool checksums_ = false;  // the indicator sends checksums: a frame without one is not trusted
};

// LF .. CR. Stray bytes end at the next LF or CR.
class SmaSplitter final : public IndicatorDecoder {
public:
    void Feed(QByteArrayView bytes, const Sink &sink) override
    {
        const char *seg = bytes.data();
        const char *end = seg + bytes.size();
        bool tooLong = false;
        for (const char *p = seg; p < end; ++p) {
            const char c = *p;
            if (c == '\n') {
                const QByteArrayView before = frame_.Take(seg, p, tooLong);
                if (!before.isEmpty())
                    Report(sink, before, tooLong ? kTooLong : inFrame_ ? kCut : kStray);
                frame_.Reset();
                seg = p;
                inFrame_ = true;
            } else if (c == '\r') {
                const QByteArrayView raw = frame_.Take(seg, p + 1, tooLong);
                if (tooLong)
                    Report(sink, raw, kTooLong);
                else if (inFrame_)
                    sink(raw, DecodeSmaFrame(raw));
                else
                    Report(sink, raw, kStray);
                frame_.Reset();
                seg = p + 1;
                inFrame_ = false;
            }
        }
        frame_.Hold(seg, end);
    }

    void Clear() override
    {
        frame_.Reset();
        inFrame_ = false;
    }

private:
    Collector frame_;
    bool inFrame_ = false;
};

// Lines ending at CR or LF; the LF of a CR LF pair is dropped, as are empty lines.
class LineSplitter : public IndicatorDecoder {
public:
    void Feed(QByteArrayView bytes, const Sink &sink) override
    {
        const char *seg = bytes.data();
        const char *end = seg + bytes.size();
        bool tooLong = false;
        for (const char *p = seg; p < end; ++p) {
            const char c = *p;
            if (c != '\r' && c != '\n') {
                afterCr_ = false;
                continue;
            }
            if (c == '\n' && afterCr_) {
                afterCr_ = false;
                seg = p + 1;
                continue;
            }
            afterCr_ = c == '\r';
            if (frame_.Empty() && p == seg) {
                seg = p + 1;  // an empty line
                continue;
            }
            const QByteArrayView raw = frame_.Take(seg, p + 1, tooLong);
            if (tooLong)
                Report(sink, raw, kTooLong);
            else
                EmitLine(raw, sink);
            frame_.Reset();
            seg = p + 1;
        }
        frame_.Hold(seg, end);
    }

    void Clear() override
    {
        frame_.Reset();
        afterCr_ = false;
    }

protected:
    explicit LineSplitter(bool resync) : resync_(resync) {}
    virtual IndicatorFrame DecodeLine(QByteArrayView line) const = 0;

private:
    // Stray bytes without a line end of their own run into the next reply:
    // a weight reply at the end of a bad line is split off and reported.
    static constexpr qsizetype kResyncWindow = 64;

    void EmitLine(QByteArrayView raw, const Sink &sink) const
    {
        const QByteArrayView line = raw.chopped(1);
        const IndicatorFrame frame = DecodeLine(line);
        if (frame.kind == IndicatorFrame::Kind::Malformed && resync_) {
            for (qsizetype i = std::max<qsizetype>(1, line.size() - kResyncWindow); i < line.size(); ++i) {
                if (line[i] < 'A' || line[i] > 'Z')
                    continue;
                IndicatorFrame tail = DecodeLine(line.sliced(i));
                using Kind = IndicatorFrame::Kind;
                if (tail.kind == Kind::Weight || tail.kind == Kind::Overload || tail.kind == Kind::Underload) {
                    Report(sink, raw.first(i), kStray);
                    sink(raw.sliced(i), tail);
                    return;
                }
            }
        }
        sink(raw, frame);
    }

    Collector frame_;
    bool afterCr_ = false;
    const bool resync_;
};

class SicsSplitter final : public LineSplitter {
public:
    SicsSplitter() : LineSplitter(true) {}

private:
    IndicatorFrame DecodeLine(QByteArrayView line) const override { return DecodeSicsLine(line); }
};

class SiFamilySplitter final : public LineSplitter {
public:
    SiFamilySplitter() : LineSplitter(true) {}

private:
    IndicatorFrame DecodeLine(QByteArrayView line) const override { return DecodeSiFamilyLine(line); }
};

class PatternSplitter final : public LineSplitter {
public:
    PatternSplitter(const QByteArray &pattern, const QByteArray &stableText)
        : LineSplitter(false), decoder_(pattern, stableText)
    {
    }

private:
    IndicatorFrame DecodeLine(QByteArrayView line) const override { return decoder_.Decode(line); }

    PatternDecoder decoder_;
};

// Asked for a family that is not read here: a caller gets no null, and the
// bytes are shown as unread.
class NoDecoder final : public IndicatorDecoder {
public:
    void Feed(QByteArrayView bytes, const Sink &sink) override
    {
        if (!bytes.isEmpty())
            Report(sink, bytes.first(std::min(bytes.size(), kMaxIndicatorFrame)), kNone);
    }
    void Clear() override {}

private:
    const QByteArray kNone = QByteArrayLiteral("no decoder for this protocol");
};

}  // namespace

std::unique_ptr<IndicatorDecoder> MakeIndicatorDecoder(IndicatorProtocol protocol, const QByteArray &pattern,
                                                       const QByteArray &stableText)
{
    switch (protocol) {
    case IndicatorProtocol::ToledoContinuous:
        return std::make_unique<ToledoSplitter>();
    case IndicatorProtocol::Sma:
        return std::make_unique<SmaSplitter>();
    case IndicatorProtocol::Sics:
        return std::make_unique<SicsSplitter>();
    case IndicatorProtocol::SiFamily:
        return std::make_unique<SiFamilySplitter>();
    case IndicatorProtocol::UserPattern:
        return std::make_unique<PatternSplitter>(pattern, stableText);
    case IndicatorProtocol::Standard:
    case IndicatorProtocol::ModbusRtu:
    case IndicatorProtocol::ModbusTcp:
        break;
    }
    return std::make_unique<NoDecoder>();
}

QByteArray UsualRequest(IndicatorProtocol protocol)
{
    switch (protocol) {
    case IndicatorProtocol::Sma:
        return QByteArrayLiteral("\nW\r");
    case IndicatorProtocol::Sics:
    case IndicatorProtocol::SiFamily:
        return QByteArrayLiteral("SI\r\n");
    default:
        return {};
    }
}
