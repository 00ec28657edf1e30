#pragma once

// Applies what the scale sends: assembles lines per source, decodes them,
// logs them, keeps ScaleReading up to date and reports weighing records and
// automatic-adding decisions to the main window.

#include "scale/frame_decoder.h"
#include "scale/line_assembler.h"
#include "scale/scale_reading.h"

#include <QObject>
#include <functional>

class Clock;
class EventLog;

class ScaleInput : public QObject {
    Q_OBJECT
public:
    enum class AutoAddDecision { None, Add, Update };
    // Asked for a readable weight within the maximum while automatic adding
    // is on: the previous display text, the new value, and whether the
    // indicator marks the new reading as still moving.
    using AutoAddDecider =
        std::function<AutoAddDecision(const QByteArray &previousDisplay, double value, bool indicatorMoving)>;

    ScaleInput(const Clock &clock, EventLog *log, QObject *parent = nullptr);

    ScaleReading &Reading() { return reading_; }
    const ScaleReading &Reading() const { return reading_; }

    void SetMaxMass(int maxMass) { maxMass_ = maxMass; }
    void SetAutoDelete(bool on) { autoDelete_ = on; }
    // Automatic adding on/off, its mode (2 adds after "no reading") and the decider.
    void SetAutoAdd(bool on, int mode) { autoAdd_ = on, autoAddMode_ = mode; }
    void SetAutoAddDecider(AutoAddDecider decider) { decider_ = std::move(decider); }

    void FeedSerialBytes(QByteArrayView bytes);
    void FeedSocketBytes(QByteArrayView bytes);
    void DecodeLine(QByteArrayView line);
    // A frame of another family, already decoded: shown like a line of the
    // standard format, with the indicator's stability and tare.
    void ApplyIndicatorFrame(QByteArrayView raw, const IndicatorFrame &frame);

    // The link is down: no weight is known, so none may be taken.
    void ShowNoReading();

    // Start-up and after a port is (re)opened: partial lines are dropped.
    void ClearReceiveBuffers();

signals:
    void displayChanged(const QByteArray &displayText);
    // A net frame carried the indicator's tare; it is the tare of the next weighing.
    void tareChanged(const QByteArray &tareText);
    // Every line of the standard format, as decoded (for the monitor and request mode).
    void lineDecoded(const QByteArray &line, const DecodedLine &decoded);
    // A numbered weighing record. `newSeries`: automatic deletion is on and the
    // previous record came more than 3.03 s ago, so the table starts afresh.
    void weighingRecord(const QByteArray &number, const QByteArray &weight, bool newSeries);
    void addRequested();
    void updateLastRowRequested();

private:
    void ShowWeight(const QByteArray &text, double value, int massDecimals, IndicatorFrame::Stability stability);
    void ShowOverload(int massDecimals);

    const Clock &clock_;
    EventLog *log_;
    ScaleReading reading_;
    LineAssembler serial_{LineAssembler::Source::Serial};
    LineAssembler socket_{LineAssembler::Source::Socket};
    int maxMass_ = 500;
    bool autoDelete_ = false;
    bool autoAdd_ = false;
    int autoAddMode_ = 0;
    AutoAddDecider decider_;
    // The last mass shown that the indicator did not mark as moving; the display starts at "0.00".
    QByteArray lastSettled_ = "0.00";
};
