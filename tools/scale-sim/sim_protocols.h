#pragma once

// Frames of the common indicator families, and their request/answer side.
// Written from the families' published descriptions, apart from the
// program's decoders, so that the two check each other.

#include "sim_load.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QRandomGenerator>

#include <functional>

enum class SimFamily { Toledo, Sma, Sics, Si };

struct FrameStyle {
    int decimals = 2;
    QByteArray unit = "kg";
    bool net = false;
    double tare = 0;        // sent in the tare field of families that have one, when net
    bool checksum = false;  // Toledo: the checksum byte after CR
};

// STX, status words A B C, six weight digits, six tare digits, CR [checksum].
QByteArray ToledoFrame(const Sample &sample, const FrameStyle &style);
// <LF> status, range, gross/net, motion, reserved, ten-character weight, three-character unit, <CR>.
QByteArray SmaFrame(const Sample &sample, const FrameStyle &style);
// "S S      12.34 kg" (stable) / "S D ..." (moving) / "S +" / "S -", CR LF.
QByteArray SicsFrame(const Sample &sample, const FrameStyle &style);
// `command` ("SI" or "S"), stability mark, sign, ten-character mass, three-character unit, CR LF.
QByteArray SiFrame(const Sample &sample, const FrameStyle &style, const QByteArray &command);
// The frame a family sends on its own, in continuous output.
QByteArray ContinuousFrame(SimFamily family, const Sample &sample, const FrameStyle &style);

// A few junk bytes for between two frames: no frame starts, ends or digits in
// them, so every real frame still arrives whole; line families get a line end
// so the junk is a line of its own.
QByteArray Junk(SimFamily family, QRandomGenerator &random);

// One client's requests and answers for the request/reply families (SMA, SICS,
// si). Pure: bytes and samples in, answers out; timing is the caller's.
class Responder {
public:
    // `mayAnswer` is asked once per complete request; false: that request is ignored.
    // A request for a stable weight waits at most `stableWaitTicks` ticks.
    Responder(SimFamily family, const FrameStyle &style, bool continuous, int stableWaitTicks,
              std::function<bool()> mayAnswer = {});

    // Bytes from the client; returns the answers due now.
    QList<QByteArray> Receive(QByteArrayView bytes, const Sample &current);

    struct TickOutput {
        QList<QByteArray> answers;  // requests that waited for a stable weight
        QByteArray frame;           // the continuous frame, when this client gets one
    };
    TickOutput Tick(const Sample &current);

    bool Continuous() const { return continuous_; }

private:
    void Request(const QByteArray &command, const Sample &current, QList<QByteArray> &answers);
    QByteArray StableAnswer(const Sample &current) const;

    SimFamily family_;
    FrameStyle style_;
    bool continuous_;
    int stableWaitTicks_;
    std::function<bool()> mayAnswer_;
    QByteArray buffer_;
    int waitingTicks_ = -1;  // -1: no request waits for a stable weight
};
