#pragma once

// A pretend scale behind a fake link, and stand-in decoders, for the tests
// of protocol detection. Each stand-in decoder reads '\n'-ended lines "<TAG>
// <weight>" of its own tag and calls every other line malformed.

#include "scale/protocol_detector.h"

#include <QTimer>

#include <memory>

namespace detection_fakes {

inline QByteArray TagOf(IndicatorProtocol p)
{
    switch (p) {
    case IndicatorProtocol::ToledoContinuous:
        return "TOL";
    case IndicatorProtocol::Sma:
        return "SMA";
    case IndicatorProtocol::Sics:
        return "SICS";
    case IndicatorProtocol::SiFamily:
        return "SIF";
    default:
        return {};
    }
}

class TagDecoder : public IndicatorDecoder {
public:
    explicit TagDecoder(QByteArray tag) : tag_(std::move(tag)) {}
    void Feed(QByteArrayView bytes, const Sink &sink) override
    {
        buffer_.append(bytes);
        for (qsizetype end; (end = buffer_.indexOf('\n')) >= 0;) {
            const QByteArray raw = buffer_.left(end + 1);
            buffer_.remove(0, end + 1);
            const QByteArray line = raw.trimmed();
            IndicatorFrame f;
            if (line.startsWith(tag_ + ' ')) {
                f.kind = IndicatorFrame::Kind::Weight;
                f.weightText = line.mid(tag_.size() + 1);
            } else {
                f.note = "not " + tag_;
            }
            sink(raw, f);
        }
        if (buffer_.size() > 256)
            buffer_.clear();
    }
    void Clear() override { buffer_.clear(); }

private:
    QByteArray tag_;
    QByteArray buffer_;
};

inline std::unique_ptr<IndicatorDecoder> TagDecoders(IndicatorProtocol p)
{
    const QByteArray tag = TagOf(p);
    return tag.isEmpty() ? nullptr : std::make_unique<TagDecoder>(tag);
}

// How the pretend scale behaves. At any rate but its own it is heard as noise.
struct Scale {
    int rate = br9600;
    QByteArray stream;   // sent by itself every periodMs
    QByteArray request;  // answered with `answer`; other requests get nothing
    QByteArray answer;
    int periodMs = 30;
    bool refusesOpen = false;
};

inline Scale Streaming(int rate, QByteArray stream)
{
    Scale s;
    s.rate = rate;
    s.stream = std::move(stream);
    return s;
}

inline Scale Answering(int rate, QByteArray request, QByteArray answer)
{
    Scale s;
    s.rate = rate;
    s.request = std::move(request);
    s.answer = std::move(answer);
    return s;
}

inline Scale Refusing()
{
    Scale s;
    s.refusesOpen = true;
    return s;
}

// What happened to all the links one test made.
struct Record {
    int opens = 0;
    int closes = 0;
    int alive = 0;
    QList<int> rates;
    QList<QByteArray> writes;
};

inline const QByteArray kNoise("\xF0\x8A\x00\xFE\x13\n", 6);

class ScaleFakeLink : public ScaleLink {
public:
    ScaleFakeLink(const Scale &scale, int rate, bool socket, Record &record)
        : scale_(scale), rate_(rate), socket_(socket), record_(record)
    {
        ++record_.alive;
        timer_.setInterval(scale_.periodMs);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            if (!scale_.stream.isEmpty())
                emit bytesArrived(Heard(scale_.stream));
        });
    }
    ~ScaleFakeLink() override { --record_.alive; }
    bool IsSocket() const override { return socket_; }
    void Open() override
    {
        ++record_.opens;
        record_.rates << rate_;
        if (scale_.refusesOpen) {
            emit failed(QStringLiteral("nie ma"));
            return;
        }
        open_ = true;
        emit opened();
        timer_.start();
    }
    void Close() override
    {
        ++record_.closes;
        open_ = false;
        timer_.stop();
    }
    bool IsOpen() const override { return open_; }
    bool Write(const QByteArray &bytes) override
    {
        if (!open_)
            return false;
        record_.writes << bytes;
        if (!scale_.request.isEmpty() && bytes == scale_.request)
            QTimer::singleShot(5, this, [this] {
                if (open_)
                    emit bytesArrived(Heard(scale_.answer));
            });
        return true;
    }

private:
    QByteArray Heard(const QByteArray &bytes) const { return rate_ == scale_.rate ? bytes : kNoise; }

    Scale scale_;
    int rate_;
    bool socket_;
    Record &record_;
    bool open_ = false;
    QTimer timer_;
};

inline ProtocolDetector::LinkFactory LinksTo(const Scale &scale, Record &record)
{
    return [scale, &record](const ScaleLinkSettings &s) -> std::unique_ptr<ScaleLink> {
        return std::make_unique<ScaleFakeLink>(scale, s.rate, s.connection == ScaleLinkSettings::Ethernet, record);
    };
}

inline ScaleLinkSettings SerialAt(int rate)
{
    ScaleLinkSettings s;
    s.rate = rate;
    return s;
}

// Short enough for tests, long enough for a loaded machine to hear several frames.
inline ProtocolDetector::Timing QuickTiming()
{
    ProtocolDetector::Timing t;
    t.listenMs = 300;
    t.answerMs = 200;
    t.openMs = 1000;
    t.deadlineMs = 20000;
    return t;
}

}  // namespace detection_fakes
