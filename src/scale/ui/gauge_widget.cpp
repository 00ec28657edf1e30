#include "scale/ui/gauge_widget.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <cmath>
#include <numbers>

namespace {

constexpr int kTimerPeriodMs = 30;
// The surfaces are laid out at 96 dpi whatever the screen, so a 9 pt font
// is the same 12 px everywhere.
constexpr int kDotsPerMeter = 3780;
constexpr double kRimRadius = 86.0;

QImage NewSurface()
{
    QImage image(kGaugeSurface, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    return image;
}

// A point of the face at `radius` and angle `a` (0 left, pi right) from the centre.
QPointF FacePoint(QPointF centre, double radius, double a)
{
    return {centre.x() - std::cos(a) * radius, centre.y() - std::sin(a) * radius};
}

}  // namespace

GaugeWidget::GaugeWidget(QWidget *parent)
    : QWidget(parent), timer_(new QTimer(this)), background_(NewSurface()), surface_(NewSurface())
{
    setObjectName(QStringLiteral("Igauge"));
    setAccessibleName(QStringLiteral("Zegar"));
    timer_->setObjectName(QStringLiteral("TimerGauge"));
    timer_->setInterval(kTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &GaugeWidget::TimerGaugeTimer);

    DrawFace();
    auto *face = new QLabel(this);
    face->setObjectName(QStringLiteral("Igaugeorg"));
    face->setPixmap(QPixmap::fromImage(background_));
    face->hide();
    Render();
}

void GaugeWidget::StartTimer()
{
    timer_->start();
}

void GaugeWidget::DrawFace()
{
    // Around the dial the page shows through.
    background_.fill(Qt::transparent);
    QPainter p(&background_);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(kGaugeSurface.width() / 2, kGaugeSurface.height() - kGaugeLift);
    const QRectF rim(centre.x() - kRimRadius, centre.y() - kRimRadius, 2 * kRimRadius, 2 * kRimRadius);

    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1.5));
    p.setBrush(Qt::white);
    p.drawChord(rim, 0, 180 * 16);

    // The top tenth of the range in red, just inside the rim.
    const double band = 3.0;
    p.setPen(QPen(QColor(0xD0, 0x30, 0x30), band, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(rim.adjusted(band, band, -band, -band), 0, 18 * 16);

    // Fifty divisions; every fifth, under a label, is long.
    const QColor marks(0x40, 0x40, 0x40);
    for (int k = 0; k <= 50; ++k) {
        const double a = k * std::numbers::pi / 50;
        const bool major = k % 5 == 0;
        p.setPen(QPen(marks, major ? 2.0 : 1.0));
        p.drawLine(FacePoint(centre, major ? kRimRadius - 14 : kRimRadius - 6, a), FacePoint(centre, kRimRadius, a));
    }

    p.setPen(Qt::NoPen);
    p.setBrush(marks);
    p.drawEllipse(centre, 5.0, 5.0);
}

void GaugeWidget::PrepareGauge()
{
    pen_ = QPen(Qt::blue, 4, Qt::SolidLine, Qt::RoundCap);
    font_ = QFont(QStringLiteral("Arial Narrow"), 9);
    prepared_ = true;
    LayOutLabels();
    Render();
}

void GaugeWidget::SetScale(int maxMass, bool percentScale, const QString &unitCaption)
{
    if (maxMass == maxMass_ && percentScale == percentScale_ && unitCaption == unitCaption_)
        return;
    maxMass_ = maxMass;
    percentScale_ = percentScale;
    unitCaption_ = unitCaption;
    LayOutLabels();
    Render();
}

void GaugeWidget::LayOutLabels()
{
    labels_.clear();
    unitText_ = {};
    const GaugeGeometry g(kGaugeSurface, maxMass_);
    if (!prepared_ || !g.HasScale())
        return;
    const QFontMetrics m(font_, &surface_);
    const auto place = [&](const QString &text, QPoint topLeft) {
        return PlacedText{text, topLeft + QPoint(0, m.ascent())};
    };
    const auto size = [&](const QString &text) { return QSize(m.horizontalAdvance(text), m.height()); };
    for (const GaugeLabel &l : g.Labels(percentScale_))
        labels_.append(place(l.text, GaugeGeometry::CentredText(l.centre, size(l.text))));
    const QString unit = GaugeUnitText(percentScale_, unitCaption_);
    unitText_ = place(unit, g.UnitText(size(unit)));
}

void GaugeWidget::TimerGaugeTimer()
{
    if (!source_)
        return;
    const Inputs in = source_();
    SetScale(in.maxMass, in.percentScale, in.unitCaption);
    if (const auto x = state_.Tick(in.displayText, in.maxMass))
        DrawGauge(*x);
}

void GaugeWidget::DrawGauge(double x)
{
    // Overload and "no reading" ask for the same picture at every tick.
    if (drawn_ && x == drawnX_)
        return;
    drawn_ = true;
    drawnX_ = x;
    Render();
}

void GaugeWidget::Render()
{
    ++drawCount_;
    QPainter p(&surface_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, background_);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (prepared_) {
        p.setFont(font_);
        p.setPen(Qt::black);
        for (const PlacedText &l : std::as_const(labels_))
            p.drawText(l.baseline, l.text);
        if (!labels_.isEmpty())
            p.drawText(unitText_.baseline, unitText_.text);

        const auto needle = drawn_ ? GaugeGeometry(kGaugeSurface, maxMass_).Needle(drawnX_) : std::nullopt;
        if (needle) {
            p.setPen(pen_);
            p.drawLine(needle->from, needle->to);
            QPen thin = pen_;
            thin.setWidth(1);
            p.setPen(thin);
            p.setBrush(pen_.color());
            p.drawPolygon(needle->head.data(), int(needle->head.size()));
        }
    }
    p.end();
    update();
}

void GaugeWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QSize full = kGaugeSurface;
    if (width() >= full.width() && height() >= full.height()) {
        p.drawImage((width() - full.width()) / 2, (height() - full.height()) / 2, surface_);
        return;
    }
    // A page narrower than the dial gets it scaled down whole rather than cut.
    const QSize fit = full.scaled(size(), Qt::KeepAspectRatio);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint((width() - fit.width()) / 2, (height() - fit.height()) / 2), fit), surface_);
}
