#pragma once

// Igauge: the dial gauge on the "Zegar" page. The needle follows the scale
// display through GaugeState (scale/gauge.h). The face, labels and needle
// are drawn as vectors at the widget's own size and pixel ratio: the
// 209 x 117 surface scaled to fit, never a bitmap stretched. TimerGauge
// ticks every 30 ms for the whole run; the widget is repainted only when
// what it shows changes.

#include "scale/gauge.h"

#include <QFont>
#include <QImage>
#include <QPen>
#include <QWidget>
#include <functional>

class QPainter;
class QTimer;

class GaugeWidget : public QWidget {
    Q_OBJECT
public:
    // What a tick reads: the display text, Masa_maksymalna,
    // Zegar_skala_procentowa and the unit caption.
    struct Inputs {
        QByteArray displayText;
        int maxMass = 500;
        bool percentScale = true;
        QString unitCaption;
    };
    using Source = std::function<Inputs()>;

    explicit GaugeWidget(QWidget *parent = nullptr);

    // Read at every tick, so changed settings take effect by themselves.
    void SetSource(Source source) { source_ = std::move(source); }
    void StartTimer();
    QTimer *Timer() const { return timer_; }

    // The needle's pen and the labels' font; until then only the face shows.
    void PrepareGauge();
    // One tick of TimerGauge.
    void TimerGaugeTimer();
    // GaugeValue := -1: the needle sweeps in afresh at the next tick.
    void ResetGauge() { state_.Reset(); }

    // The scale the labels and the needle are drawn for; a change redraws.
    void SetScale(int maxMass, bool percentScale, const QString &unitCaption);
    // Face, labels and, unless x is kGaugeNoNeedle, the needle at x.
    void DrawGauge(double x);

    double GaugeValue() const { return state_.Value(); }
    // What the widget shows at `size`, drawn for `devicePixelRatio` device
    // pixels per pixel; transparent where the page would show through.
    QImage Picture(QSize size, qreal devicePixelRatio = 1.0) const;
    // The whole surface at 1:1, and the face alone.
    QImage Surface() const { return Picture(kGaugeSurface); }
    QImage Background() const;
    // Where the labels and the unit go, in surface pixels.
    const GaugeTextLayout &TextLayout() const { return layout_; }
    // How many times a new picture has been asked for.
    int DrawCount() const { return drawCount_; }

    QSize sizeHint() const override { return kGaugeSurface; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    enum class Content { FaceOnly, Everything };
    void Paint(QPainter &p, QSizeF size, Content content) const;
    static void PaintFace(QPainter &p);
    QFont Font(int pixels) const;
    void LayOutLabels();
    void Render();

    QTimer *timer_;
    Source source_;
    GaugeState state_;
    bool prepared_ = false;
    QPen pen_;
    QFont font_;

    int maxMass_ = 500;
    bool percentScale_ = true;
    QString unitCaption_;
    // The texts for the scale above, placed once per change of scale or font.
    QList<GaugeLabel> labels_;
    QString unitText_;
    GaugeTextLayout layout_;

    bool drawn_ = false;
    double drawnX_ = kGaugeNoNeedle;
    int drawCount_ = 0;
};
