#include "scale/ui/gauge_widget.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <cmath>
#include <numbers>

namespace {

constexpr int kTimerPeriodMs = 30;

// A point of the face at `radius` and angle `a` (0 left, pi right) from the centre.
QPointF FacePoint(QPointF centre, double radius, double a)
{
    return {centre.x() - std::cos(a) * radius, centre.y() - std::sin(a) * radius};
}

QImage Transparent(QSize size, qreal devicePixelRatio)
{
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

GaugeWidget::GaugeWidget(QWidget *parent) : QWidget(parent), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("Igauge"));
    setAccessibleName(QStringLiteral("Zegar"));
    timer_->setObjectName(QStringLiteral("TimerGauge"));
    timer_->setInterval(kTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &GaugeWidget::TimerGaugeTimer);

    auto *face = new QLabel(this);
    face->setObjectName(QStringLiteral("Igaugeorg"));
    face->setPixmap(QPixmap::fromImage(Background()));
    face->hide();
    Render();
}

void GaugeWidget::StartTimer()
{
    timer_->start();
}

void GaugeWidget::PaintFace(QPainter &p)
{
    const QPointF centre(kGaugeSurface.width() / 2, kGaugeSurface.height() - kGaugeLift);
    const double r = kGaugeRimRadius;
    const QRectF rim(centre.x() - r, centre.y() - r, 2 * r, 2 * r);

    p.setPen(QPen(QColor(0x70, 0x70, 0x70), kGaugeRimPen));
    p.setBrush(Qt::white);
    p.drawChord(rim, 0, 180 * 16);

    // The top tenth of the range in red, just inside the rim.
    const double b = kGaugeBandRadius;
    p.setPen(QPen(QColor(0xD0, 0x30, 0x30), kGaugeBandWidth, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - b, centre.y() - b, 2 * b, 2 * b), 0, 18 * 16);

    // Fifty divisions; every fifth, under a label, is long.
    const QColor marks(0x40, 0x40, 0x40);
    for (int k = 0; k <= 50; ++k) {
        const double a = k * std::numbers::pi / 50;
        const bool major = k % 5 == 0;
        p.setPen(QPen(marks, major ? 2.0 : 1.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(FacePoint(centre, major ? r - 14 : r - 6, a), FacePoint(centre, r, a));
    }

    p.setPen(Qt::NoPen);
    p.setBrush(marks);
    p.drawEllipse(centre, kGaugeHubRadius, kGaugeHubRadius);
}

void GaugeWidget::Paint(QPainter &p, QSizeF size, Content content) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const GaugeFit fit = FitGauge(size);
    p.translate(fit.offset);
    p.scale(fit.scale, fit.scale);
    PaintFace(p);
    if (content == Content::Everything && prepared_ && !labels_.isEmpty()) {
        p.setPen(Qt::black);
        p.setFont(Font(layout_.labelPixels));
        for (qsizetype i = 0; i < labels_.size() && i < layout_.labels.size(); ++i)
            p.drawText(layout_.labels[i], Qt::AlignCenter, labels_[i].text);
        p.setFont(Font(kGaugeFontPixels));
        p.drawText(layout_.unit, Qt::AlignCenter, unitText_);

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
    p.restore();
}

QImage GaugeWidget::Picture(QSize size, qreal devicePixelRatio) const
{
    QImage image = Transparent(size, devicePixelRatio);
    QPainter p(&image);
    Paint(p, size, Content::Everything);
    return image;
}

QImage GaugeWidget::Background() const
{
    QImage image = Transparent(kGaugeSurface, 1.0);
    QPainter p(&image);
    Paint(p, kGaugeSurface, Content::FaceOnly);
    return image;
}

QFont GaugeWidget::Font(int pixels) const
{
    QFont f = font_;
    f.setPixelSize(pixels);
    // Hinted widths do not scale with the dial; unhinted ones do, so the
    // layout measured in surface pixels holds at any size.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void GaugeWidget::PrepareGauge()
{
    pen_ = QPen(Qt::blue, 4, Qt::SolidLine, Qt::RoundCap);
    font_ = QFont(QStringLiteral("Arial Narrow"));
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
    const GaugeGeometry g(kGaugeSurface, maxMass_);
    labels_ = prepared_ ? g.Labels(percentScale_) : QList<GaugeLabel>();
    unitText_ = GaugeUnitText(percentScale_, unitCaption_);
    const auto measure = [this](const QString &text, int pixels) {
        const QFontMetricsF m(Font(pixels));
        return QSizeF(m.horizontalAdvance(text), m.height());
    };
    layout_ = LayOutGaugeTexts(g, labels_, unitText_, measure);
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
    update();
}

void GaugeWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    Paint(p, size(), Content::Everything);
}
