#pragma once

// Igauge: the dial gauge on the "Zegar" page. The needle follows the scale
// display through GaugeState (scale/gauge.h); each drawing copies the dial
// face (the hidden Igaugeorg) onto a 209 x 117 surface and adds the labels
// and the needle. TimerGauge ticks every 30 ms for the whole run; the surface
// is redrawn only when what it shows changes.

#include "scale/gauge.h"

#include <QFont>
#include <QImage>
#include <QPen>
#include <QWidget>
#include <functional>

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
    const QImage &Surface() const { return surface_; }
    const QImage &Background() const { return background_; }
    // How many times the surface has been drawn.
    int DrawCount() const { return drawCount_; }

    QSize sizeHint() const override { return kGaugeSurface; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct PlacedText {
        QString text;
        QPoint baseline;
    };
    void DrawFace();
    void LayOutLabels();
    void Render();

    QTimer *timer_;
    Source source_;
    GaugeState state_;
    QImage background_;
    QImage surface_;
    bool prepared_ = false;
    QPen pen_;
    QFont font_;

    int maxMass_ = 500;
    bool percentScale_ = true;
    QString unitCaption_;
    // The texts for the scale above, placed once per change of scale or font.
    QList<PlacedText> labels_;
    PlacedText unitText_;

    bool drawn_ = false;
    double drawnX_ = kGaugeNoNeedle;
    int drawCount_ = 0;
};
