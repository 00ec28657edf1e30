#pragma once

// The dial gauge on the "Zegar" page: how the needle follows the display
// (a few steps per change, so it sweeps rather than jumps) and where the
// labels, the needle and its arrowhead lie on the 209 x 117 surface.
// GaugeWidget (scale/ui) only paints what this works out, scaled to its size.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <array>
#include <functional>
#include <optional>

inline constexpr QSize kGaugeSurface{209, 117};
// The dial's centre sits this far above the bottom edge.
inline constexpr int kGaugeLift = 16;
inline constexpr int kGaugeLabelRadius = 95;
inline constexpr int kGaugeNeedleRadius = 70;
inline constexpr int kGaugeTipRadius = 80;
inline constexpr int kGaugeHeadLength = 15;
inline constexpr double kGaugeHeadSpreadDegrees = 20.0;
// The face, in surface pixels: the rim and the red band just inside it.
inline constexpr double kGaugeRimRadius = 84.0;
inline constexpr double kGaugeRimPen = 1.5;
inline constexpr double kGaugeBandWidth = 3.0;
inline constexpr double kGaugeBandRadius = kGaugeRimRadius - kGaugeBandWidth;
inline constexpr double kGaugeHubRadius = 5.0;
// Least room between a text and the face or another text.
inline constexpr double kGaugeTextGap = 1.0;
// Arial Narrow 9 pt at 96 dpi: the labels' size unless they must shrink.
inline constexpr int kGaugeFontPixels = 12;
// DrawGauge argument meaning "labels, no needle".
inline constexpr double kGaugeNoNeedle = -9999.0;

// GaugeValue and its stepping, one Tick per 30 ms.
class GaugeState {
public:
    // GaugeValue when no reading is shown.
    static constexpr double kNoReading = -1.0;

    // One timer tick for the display text and Masa_maksymalna. Returns the
    // value to draw (kGaugeNoNeedle: no needle), or nullopt when the needle
    // is already where the display says and nothing needs drawing.
    std::optional<double> Tick(const QByteArray &displayText, int maxMass);

    // Start-up and after the settings change: the needle starts over.
    void Reset();

    double Value() const { return value_; }

private:
    double value_ = kNoReading;
    // A mass of -1 is a real reading; only this says "none".
    bool hasReading_ = false;
    // The display changes far less often than the timer ticks: keep the last parse.
    QByteArray parsedText_;
    std::optional<double> parsed_;
};

struct GaugeLabel {
    QString text;
    QPoint centre;
};

struct GaugeNeedle {
    QPoint from;                 // the dial's centre
    QPoint to;                   // end of the shaft
    std::array<QPoint, 3> head;  // tip, then the two back corners
};

// The dial's geometry for one surface size and Masa_maksymalna. With a
// maximum of 0 or below there is no scale: no labels, no needle.
class GaugeGeometry {
public:
    GaugeGeometry(QSize surface, int maxMass) : size_(surface), maxMass_(maxMass) {}

    bool HasScale() const { return maxMass_ > 0; }
    QSize Surface() const { return size_; }
    QPoint Centre() const { return {size_.width() / 2, size_.height() - kGaugeLift}; }
    // Angle of mass v in radians: 0 on the left, pi on the right.
    double Angle(double v) const;
    // The point at `radius` for mass v, measured from the bottom edge's middle
    // (not yet raised to the centre), each coordinate rounded.
    QPoint At(double radius, double v) const;
    // The same raised to share the dial's centre.
    QPoint Raised(double radius, double v) const { return At(radius, v) - QPoint(0, kGaugeLift); }

    // Eleven labels every 18 degrees: 0..100 (percent) or 0..maximum (mass).
    QList<GaugeLabel> Labels(bool percentScale) const;
    // The value the needle shows for DrawGauge(x): x held within 0..maximum.
    double NeedleValue(double x) const;
    // Needle for DrawGauge(x); nullopt for kGaugeNoNeedle or without a scale.
    std::optional<GaugeNeedle> Needle(double x) const;

    // Top-left corner of a text of `textSize` centred on `centre`.
    static QPoint CentredText(QPoint centre, QSize textSize);
    // Top-left corner of the unit text: centred across, top at mid-height.
    QPoint UnitText(QSize textSize) const;

private:
    QSize size_;
    int maxMass_;
};

// Written under the labels: "%" or the unit caption.
QString GaugeUnitText(bool percentScale, const QString &unitCaption);

// The surface drawn into a widget of `widget` size: scaled uniformly to fit
// (up or down) and centred. A painter translated by `offset` and scaled by
// `scale` draws in surface pixels.
struct GaugeFit {
    double scale = 1.0;
    QPointF offset;
};
GaugeFit FitGauge(QSizeF widget);

// Size of `text` in a font of `pixelSize` pixels (advance by line height).
using GaugeTextMeasure = std::function<QSizeF(const QString &text, int pixelSize)>;

// Where the texts go, in surface pixels.
struct GaugeTextLayout {
    int labelPixels = kGaugeFontPixels;  // the labels' font size
    QList<QRectF> labels;                // one per label, in order
    QRectF unit;                         // the unit text, in kGaugeFontPixels
};

// Each label centred on its point if it fits there; else pushed outwards
// along its ray or, at the ends of the arc, put under them. Labels stay
// wholly inside the surface and clear of the face and of each other; the
// largest font size for which all of them manage that is chosen.
GaugeTextLayout LayOutGaugeTexts(const GaugeGeometry &geometry, const QList<GaugeLabel> &labels,
                                 const QString &unit, const GaugeTextMeasure &measure);
