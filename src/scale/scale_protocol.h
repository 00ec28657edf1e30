#pragma once

// Between the scale link and ScaleInput: chooses how received bytes become
// readings (the standard line format or one family's decoder), asks the
// indicator for a reading when it only answers requests, and shows "no
// reading" when an indicator that should speak falls silent.

#include "scale/protocol_settings.h"
#include "scale/protocols/indicator_frame.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

struct DecodedLine;
class ScaleInput;

class ScaleProtocol : public QObject {
    Q_OBJECT
public:
    // Without a reading for this long the display shows "- - - - -".
    static constexpr int kNoAnswerMs = 3000;

    using Writer = std::function<bool(const QByteArray &)>;
    using DecoderFactory = std::function<std::unique_ptr<IndicatorDecoder>(const ProtocolSettings &)>;

    explicit ScaleProtocol(ScaleInput &input, QObject *parent = nullptr);
    ~ScaleProtocol() override;

    // Sends requests through `writer` (the link); false = not sent.
    void SetWriter(Writer writer) { writer_ = std::move(writer); }
    // Tests put a decoder of their own here; the default is MakeIndicatorDecoder.
    void SetDecoderFactory(DecoderFactory factory) { decoderFactory_ = std::move(factory); }

    // New settings: partial frames are dropped, requests start anew at the next link opening
    // (or now, when the link is already up and `linkUp`).
    void Apply(const ProtocolSettings &settings, bool linkUp);
    const ProtocolSettings &Settings() const { return settings_; }

    // Bytes from the link.
    void OnBytes(const QByteArray &bytes, bool fromSocket);
    // A frame a link decoded itself (Modbus).
    void OnFrame(const QByteArray &raw, const IndicatorFrame &frame);
    void OnLinkOpened();
    void OnLinkDown();

    // The operator's "send now": asks at once unless an answer is awaited.
    void SendNow();

    bool AwaitingAnswer() const { return awaiting_; }
    qint64 RequestsSent() const { return requestsSent_; }
    qint64 MissedAnswers() const { return missedAnswers_; }
    qint64 MalformedFrames() const { return malformed_; }

signals:
    // Every frame (or standard line) as the decoder read it.
    void frameDecoded(const QByteArray &raw, const IndicatorFrame &frame);

private:
    void OnLine(const QByteArray &line, const DecodedLine &decoded);
    void Answered(bool reading);
    void SendRequest();
    void OnAnswerTimeout();
    void StartRequests();
    void StopRequests();

    ScaleInput &input_;
    ProtocolSettings settings_;
    Writer writer_;
    DecoderFactory decoderFactory_;
    std::unique_ptr<IndicatorDecoder> decoder_;
    bool linkUp_ = false;
    bool awaiting_ = false;
    QTimer nextRequest_;    // single shot: when the next request is due
    QTimer answerTimeout_;  // single shot: the awaited answer is given up
    QTimer silence_;        // single shot: no reading for kNoAnswerMs
    QElapsedTimer lastSent_;
    qint64 requestsSent_ = 0;
    qint64 missedAnswers_ = 0;
    qint64 malformed_ = 0;
};

// How a line of the standard format reads, in the terms of the other families (for the monitor).
IndicatorFrame FrameOfLine(const DecodedLine &decoded);
