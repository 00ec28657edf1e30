#include "scale/gauge.h"

#include "core/number_forms.h"
#include "scale/frame_decoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

int Round(double x)
{
    return int(std::lround(x));
}

// How far a label may be pushed outwards before it is given up.
constexpr double kMaxPush = 40.0;
constexpr double kPushStep = 0.5;

double Distance(QPointF p, const QRectF &r)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::hypot(dx, dy);
}

// Outside the rim, or wholly under the dial's flat edge and off the hub.
bool ClearOfFace(QPointF centre, const QRectF &r)
{
    const double d = Distance(centre, r);
    if (d >= kGaugeRimRadius + kGaugeRimPen / 2 + kGaugeTextGap)
        return true;
    return r.top() >= centre.y() + kGaugeRimPen / 2 + kGaugeTextGap && d >= kGaugeHubRadius + kGaugeTextGap;
}

// `r` moved the least to lie wholly inside `bounds`; nullopt when it is larger.
std::optional<QRectF> Inside(QRectF r, const QRectF &bounds)
{
    if (r.width() > bounds.width() || r.height() > bounds.height())
        return std::nullopt;
    r.moveLeft(std::clamp(r.left(), bounds.left(), bounds.right() - r.width()));
    r.moveTop(std::clamp(r.top(), bounds.top(), bounds.bottom() - r.height()));
    return r;
}

std::optional<QRectF> PlaceLabel(QPointF centre, QPointF anchor, QSizeF size, const QRectF &bounds)
{
    const QPointF ray = anchor - centre;
    const QPointF outwards = ray / std::hypot(ray.x(), ray.y());
    for (double push = 0; push <= kMaxPush; push += kPushStep) {
        QRectF r({}, size);
        r.moveCenter(anchor + outwards * push);
        const auto placed = Inside(r, bounds);
        if (!placed)
            return std::nullopt;
        if (ClearOfFace(centre, *placed))
            return placed;
    }
    // Beside the ends of the arc a wide label meets the edge; under them there is room.
    if (anchor.y() >= centre.y()) {
        QRectF r({}, size);
        r.moveCenter(anchor);
        r.moveTop(centre.y() + kGaugeRimPen / 2 + kGaugeTextGap);
        const auto placed = Inside(r, bounds);
        if (placed && ClearOfFace(centre, *placed))
            return placed;
    }
    return std::nullopt;
}

std::optional<QList<QRectF>> PlaceLabels(const GaugeGeometry &g, const QList<GaugeLabel> &labels, int pixels,
                                         const GaugeTextMeasure &measure)
{
    const QRectF bounds({}, QSizeF(g.Surface()));
    QList<QRectF> rects;
    for (const GaugeLabel &l : labels) {
        const auto r = PlaceLabel(g.Centre(), l.centre, measure(l.text, pixels), bounds);
        if (!r)
            return std::nullopt;
        for (const QRectF &other : std::as_const(rects))
            if (other.adjusted(-kGaugeTextGap, -kGaugeTextGap, kGaugeTextGap, kGaugeTextGap).intersects(*r))
                return std::nullopt;
        rects.append(*r);
    }
    return rects;
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

GaugeFit FitGauge(QSizeF widget)
{
    const QSizeF surface(kGaugeSurface);
    const double scale = std::min(widget.width() / surface.width(), widget.height() / surface.height());
    if (!(scale > 0))
        return {1.0, {}};
    return {scale, {(widget.width() - surface.width() * scale) / 2, (widget.height() - surface.height() * scale) / 2}};
}

GaugeTextLayout LayOutGaugeTexts(const GaugeGeometry &geometry, const QList<GaugeLabel> &labels,
                                 const QString &unit, const GaugeTextMeasure &measure)
{
    GaugeTextLayout layout;
    const QSizeF unitSize = measure(unit, kGaugeFontPixels);
    layout.unit = QRectF(QPointF(geometry.Centre().x() - unitSize.width() / 2, geometry.Surface().height() / 2),
                         unitSize);
    for (int pixels = kGaugeFontPixels; pixels >= 1; --pixels) {
        if (auto rects = PlaceLabels(geometry, labels, pixels, measure)) {
            layout.labelPixels = pixels;
            layout.labels = std::move(*rects);
            return layout;
        }
    }
    // Not even the smallest font fits (a surface far too small): centred, as they come.
    layout.labelPixels = 1;
    for (const GaugeLabel &l : labels) {
        QRectF r({}, measure(l.text, 1));
        r.moveCenter(l.centre);
        layout.labels.append(r);
    }
    return layout;
}
