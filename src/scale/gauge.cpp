#include "scale/gauge.h"

#include "core/number_forms.h"
#include "scale/frame_decoder.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

int Round(double x)
{
    return int(std::lround(x));
}

}  // namespace

std::optional<double> GaugeState::Tick(const QByteArray &displayText, int maxMass)
{
    if (displayText.isEmpty() || displayText == kNoReadingText) {
        Reset();
        return kGaugeNoNeedle;
    }
    if (displayText == kOverloadText) {
        value_ = maxMass;
        hasReading_ = true;
        return value_;
    }
    if (displayText != parsedText_) {
        parsedText_ = displayText;
        parsed_ = ParseReal(displayText);
    }
    if (!parsed_) {
        Reset();
        return kGaugeNoNeedle;
    }
    const double target = *parsed_;
    if (hasReading_ && value_ == target)
        return std::nullopt;
    // Without a scale there is nothing to sweep over (and M / 50 would be no step).
    const double step = maxMass / 50.0;
    if (maxMass <= 0 || std::abs(value_ - target) <= step)
        value_ = target;
    else
        value_ += value_ >= target ? -step : step;
    hasReading_ = true;
    // A reading of exactly -9999 must not be taken for "no needle"; it is
    // drawn at 0 like any other negative mass.
    return value_ == kGaugeNoNeedle ? 0.0 : value_;
}

void GaugeState::Reset()
{
    value_ = kNoReading;
    hasReading_ = false;
}

double GaugeGeometry::Angle(double v) const
{
    return v / maxMass_ * 180.0 * kDegree;
}

QPoint GaugeGeometry::At(double radius, double v) const
{
    const double a = Angle(v);
    return {Round(size_.width() / 2 - std::cos(a) * radius), Round(size_.height() - std::sin(a) * radius)};
}

QList<GaugeLabel> GaugeGeometry::Labels(bool percentScale) const
{
    QList<GaugeLabel> labels;
    if (!HasScale())
        return labels;
    labels.reserve(11);
    for (int i = 0; i <= 10; ++i) {
        const double v = maxMass_ / 10.0 * i;
        const QString text = percentScale ? QString::number(i * 10) : QString::fromLatin1(FormatFixed(v, 0));
        labels.append({text, Raised(kGaugeLabelRadius, v)});
    }
    return labels;
}

double GaugeGeometry::NeedleValue(double x) const
{
    if (x > maxMass_)
        return maxMass_;
    return x < 0 ? 0.0 : x;
}

std::optional<GaugeNeedle> GaugeGeometry::Needle(double x) const
{
    if (x == kGaugeNoNeedle || !HasScale())
        return std::nullopt;
    const double v = NeedleValue(x);
    const double a = Angle(v);
    const double spread = kGaugeHeadSpreadDegrees * kDegree;
    const QPoint tip = Raised(kGaugeTipRadius, v);
    // The back corners lie behind the tip, 20 degrees either side of the shaft.
    const QPoint left(Round(tip.x() + kGaugeHeadLength * std::cos(a + spread)),
                      Round(tip.y() + kGaugeHeadLength * std::sin(a + spread)));
    const QPoint right(Round(tip.x() + kGaugeHeadLength * std::cos(spread - a)),
                       Round(tip.y() - kGaugeHeadLength * std::sin(spread - a)));
    return GaugeNeedle{Centre(), Raised(kGaugeNeedleRadius, v), {tip, left, right}};
}

QPoint GaugeGeometry::CentredText(QPoint centre, QSize textSize)
{
    return {centre.x() - textSize.width() / 2, centre.y() - textSize.height() / 2};
}

QPoint GaugeGeometry::UnitText(QSize textSize) const
{
    return {size_.width() / 2 - textSize.width() / 2, size_.height() / 2};
}

QString GaugeUnitText(bool percentScale, const QString &unitCaption)
{
    return percentScale ? QStringLiteral("%") : unitCaption;
}
