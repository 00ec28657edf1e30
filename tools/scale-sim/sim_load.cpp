#include "sim_load.h"

#include <cmath>

LoadCycle LoadCycle::Fixed(double weight)
{
    LoadCycle c;
    c.kind_ = Kind::Fixed;
    c.fixed_ = weight;
    return c;
}

LoadCycle LoadCycle::Random(double maxWeight, int decimals, quint32 seed)
{
    LoadCycle c;
    c.kind_ = Kind::Random;
    c.maxWeight_ = maxWeight > 0 ? maxWeight : 500;
    c.resolution_ = std::pow(10.0, -decimals);
    c.random_.seed(seed);
    c.PlanRandomCycle();
    return c;
}

LoadCycle LoadCycle::Script(const QByteArray &text, QString *error)
{
    LoadCycle c;
    c.kind_ = Kind::Script;
    int lineNo = 0;
    for (QByteArray line : text.split('\n')) {
        ++lineNo;
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.isEmpty() || words[0].isEmpty())
            continue;
        Step step{0, 1, true};
        bool ok = true;
        const QByteArray first = words[0].toUpper();
        if (first == "OVER")
            step.range = Sample::Range::Over;
        else if (first == "UNDER")
            step.range = Sample::Range::Under;
        else
            step.weight = QByteArray(words[0]).replace(',', '.').toDouble(&ok);
        for (qsizetype i = 1; ok && i < words.size(); ++i) {
            const QByteArray w = words[i].toUpper();
            if (w == "ST")
                step.stable = true;
            else if (w == "US")
                step.stable = false;
            else
                step.ticks = w.toInt(&ok);
        }
        if (!ok || step.ticks < 1) {
            if (error)
                *error = QStringLiteral("script line %1: expected \"WEIGHT|OVER|UNDER [TICKS] [ST|US]\"").arg(lineNo);
            return Fixed(0);
        }
        c.steps_.append(step);
    }
    if (c.steps_.isEmpty() && error)
        *error = QStringLiteral("the script has no steps");
    return c;
}

void LoadCycle::PlanRandomCycle()
{
    auto ticks = [this](int low, int high) { return int(random_.bounded(low, high + 1)); };
    const double target =
        std::round((0.05 + 0.9 * random_.generateDouble()) * maxWeight_ / resolution_) * resolution_;
    steps_.clear();
    steps_.append({0, ticks(5, 15), true});  // empty
    const int up = ticks(3, 8);
    for (int i = 1; i <= up; ++i)  // loading
        steps_.append({target * i / up, 1, false});
    const int wobble = ticks(3, 6);
    for (int i = 0; i < wobble; ++i) {  // settling, swinging less each time
        const double swing = target * 0.02 * (wobble - i) / wobble * (i % 2 ? -1 : 1);
        steps_.append({target + swing, 1, false});
    }
    steps_.append({target, ticks(10, 25), true});  // stable
    const int down = ticks(3, 6);
    for (int i = down - 1; i >= 1; --i)  // unloading
        steps_.append({target * i / down, 1, false});
    step_ = 0;
    tickInStep_ = 0;
}

Sample LoadCycle::Next()
{
    Sample sample = NextRaw();
    if (rangeMax_ > 0 && sample.range == Sample::Range::Normal) {
        if (sample.weight > rangeMax_)
            sample.range = Sample::Range::Over;
        else if (sample.weight < -rangeMax_)
            sample.range = Sample::Range::Under;
    }
    return sample;
}

Sample LoadCycle::NextRaw()
{
    if (kind_ == Kind::Fixed || steps_.isEmpty())
        return {fixed_, true};
    const Step s = steps_[step_];
    if (++tickInStep_ >= s.ticks) {
        tickInStep_ = 0;
        if (++step_ >= steps_.size()) {
            step_ = 0;
            if (kind_ == Kind::Random)
                PlanRandomCycle();
        }
    }
    double w = s.weight;
    if (kind_ == Kind::Random)
        w = std::round(w / resolution_) * resolution_;
    return {w, s.stable, s.range};
}

QByteArray FormatLine(const Sample &sample, const LineStyle &style, int &recordNumber)
{
    const int d = style.decimals;
    const double magnitude = std::fabs(sample.weight);
    const bool negative = sample.weight < 0 && std::round(magnitude * std::pow(10.0, d)) != 0;
    switch (style.format) {
    case LineFormat::Header: {
        // Four integer digits at least: "+0012.50".
        const int width = 4 + (d > 0 ? d + 1 : 0);
        const QByteArray number = QByteArray::number(magnitude, 'f', d).rightJustified(width, '0');
        return QByteArray(sample.stable ? "ST," : "US,") + (style.net ? "NT," : "GS,") + (negative ? '-' : '+') +
               number + style.unit;
    }
    case LineFormat::Plain:
        return ((negative ? "-" : "") + QByteArray::number(magnitude, 'f', d)).rightJustified(8, ' ') + ' ' +
               style.unit;
    case LineFormat::Record:
        if (!sample.stable)
            return {};
        ++recordNumber;
        return QByteArray::number(recordNumber) + "   " + (negative ? "-" : "") +
               QByteArray::number(magnitude, 'f', d) + ' ' + style.unit;
    }
    return {};
}
