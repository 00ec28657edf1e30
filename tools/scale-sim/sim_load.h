#pragma once

// The simulated load on the scale and the lines an indicator sends for it.

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

struct Sample {
    enum class Range { Normal, Over, Under };
    double weight = 0;
    bool stable = true;
    Range range = Range::Normal;  // above or below what the indicator can show
};

// One tick after another: a fixed weight, a script, or a random weighing cycle
// (empty, loading, unstable, stable at a weight, unloading).
class LoadCycle {
public:
    static LoadCycle Fixed(double weight);
    static LoadCycle Random(double maxWeight, int decimals, quint32 seed);
    // Script text: one step per line, "WEIGHT [TICKS] [ST|US]" ("#" starts a
    // comment); WEIGHT may be OVER or UNDER for an overload or underload; the
    // script repeats. `error` is set when the text is not valid.
    static LoadCycle Script(const QByteArray &text, QString *error);

    Sample Next();
    // From now on a weight above `max` is an overload and one below -`max` an underload.
    void SetRange(double max) { rangeMax_ = max; }

private:
    enum class Kind { Fixed, Random, Script };
    struct Step {
        double weight;
        int ticks;
        bool stable;
        Sample::Range range = Sample::Range::Normal;
    };
    void PlanRandomCycle();
    Sample NextRaw();

    Kind kind_ = Kind::Fixed;
    double fixed_ = 0;
    double maxWeight_ = 500;
    double resolution_ = 0.01;
    QRandomGenerator random_;
    QList<Step> steps_;
    qsizetype step_ = 0;
    int tickInStep_ = 0;
    double rangeMax_ = 0;  // 0: no range check
};

enum class LineFormat { Header, Plain, Record };

struct LineStyle {
    LineFormat format = LineFormat::Header;
    int decimals = 2;
    QByteArray unit = "kg";
    bool net = false;  // "NT" instead of "GS"
};

// The line without its end, or empty when this sample sends nothing (a
// record is sent only for a stable weight). `recordNumber` counts records.
QByteArray FormatLine(const Sample &sample, const LineStyle &style, int &recordNumber);
