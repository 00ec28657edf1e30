#pragma once

// "Wykryj": finds which indicator family (and, on a serial port, which rate)
// the scale speaks. For each candidate rate it opens the link, listens for a
// scale that sends by itself, then asks with each family's usual request.
// Runs on timers, never blocks, and gives up at a deadline.

#include "scale/line_assembler.h"
#include "scale/protocols/indicator_frame.h"
#include "scale/scale_link.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

struct DetectionResult {
    bool found = false;
    IndicatorProtocol protocol = IndicatorProtocol::Standard;
    int rate = 0;                   // BaudRate number, as in ScaleLinkSettings::rate
    QByteArray request;             // empty when the scale sends by itself
    QList<IndicatorFrame> samples;  // the last frames read in that protocol
};
Q_DECLARE_METATYPE(DetectionResult)

class ProtocolDetector : public QObject {
    Q_OBJECT
public:
    using LinkFactory = ScaleLinkController::LinkFactory;
    using DecoderFactory = std::function<std::unique_ptr<IndicatorDecoder>(IndicatorProtocol)>;

    struct Timing {
        int listenMs = 600;      // passive listening per rate (twice when a frame or two came)
        int answerMs = 300;      // wait for the answer to one request
        int openMs = 3000;       // a link that neither opens nor fails by then is skipped
        int deadlineMs = 10000;  // the whole search
    };
    // A family counts as found after this many weight frames, with more good frames than bad.
    static constexpr int kWeightFramesNeeded = 3;
    static constexpr int kMaxSamples = 5;
    // Requests of one kind sent at most this often per rate.
    static constexpr int kMaxRequests = 5;

    // `decoders` may return null for a family: it is not tried.
    ProtocolDetector(LinkFactory links, ScaleLinkSettings settings, DecoderFactory decoders, QObject *parent = nullptr);
    ~ProtocolDetector() override;

    void SetTiming(const Timing &timing) { timing_ = timing; }
    // Starts the search; finished() follows, once.
    void Start();
    // Stops the search and closes the link; finished() is not emitted.
    void Cancel();
    bool IsRunning() const { return phase_ != Phase::Idle; }
    const ScaleLinkSettings &Settings() const { return settings_; }

    // The serial or TCP link the settings name (what the link controller opens by default).
    static LinkFactory RealLinks();
    // BaudRate numbers in the order they are tried: the current rate, then the usual ones.
    static QList<int> RatesToTry(const ScaleLinkSettings &settings);

signals:
    void listening(int rate);
    void requesting(int rate, const QList<IndicatorProtocol> &families);
    void bytesReceived(const QByteArray &bytes);
    void bytesSent(const QByteArray &bytes);
    void finished(const DetectionResult &result);

private:
    enum class Phase { Idle, Opening, Listening, Asking, LinkLost };
    struct Candidate {
        IndicatorProtocol protocol = IndicatorProtocol::Standard;
        std::unique_ptr<IndicatorDecoder> decoder;  // null for the standard line format
        int weights = 0;
        int good = 0;
        int malformed = 0;
        QList<IndicatorFrame> samples;
    };
    struct RequestGroup {
        QByteArray request;
        QList<IndicatorProtocol> families;
    };

    void NextRate();
    void OnOpened();
    void OnFailed();
    void OnBytes(const QByteArray &bytes);
    void OnPhaseTimeout();
    void OnDeadline();
    void NextRequestGroup();
    void SendRequest();
    void Count(Candidate &c, const IndicatorFrame &frame);
    void ResetCounts();
    // The best candidate among `allowed` that has shown enough, or null.
    const Candidate *Best(const QList<IndicatorProtocol> &allowed) const;
    QList<IndicatorProtocol> Allowed() const;
    // Some family has read a weight and more good frames than bad.
    bool Promising() const;
    void Finish(const Candidate *found);
    void DropLink();

    LinkFactory links_;
    ScaleLinkSettings settings_;
    Timing timing_;
    std::vector<Candidate> candidates_;
    std::vector<RequestGroup> groups_;
    std::unique_ptr<ScaleLink> link_;
    LineAssembler lines_{LineAssembler::Source::Serial};
    QList<int> rates_;
    qsizetype rateIndex_ = -1;
    qsizetype groupIndex_ = -1;
    int sends_ = 0;
    bool answered_ = false;
    bool listenedLonger_ = false;
    Phase phase_ = Phase::Idle;
    QTimer phaseTimer_;
    QTimer deadline_;
};

// The real decoders; kept inline so code that injects its own never needs them.
inline ProtocolDetector::DecoderFactory IndicatorDecoders()
{
    return [](IndicatorProtocol p) { return MakeIndicatorDecoder(p); };
}
