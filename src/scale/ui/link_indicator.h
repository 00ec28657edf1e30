#pragma once

// Sled_ethernet: the small circle beside the status bar that shows the
// Ethernet link's state (fill) and every data arrival (outline).

#include "scale/scale_link.h"

#include <QColor>
#include <QWidget>

class LinkIndicator : public QWidget {
    Q_OBJECT
public:
    explicit LinkIndicator(QWidget *parent = nullptr);

    // Follows `controller` from now on, starting with its present state.
    void Follow(ScaleLinkController *controller);

    void SetState(ScaleLinkController::LinkLampColour fill, ScaleLinkController::Outline outline, bool shown);

    QColor FillColour() const { return fill_; }
    QColor OutlineColour() const { return outline_; }
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor fill_ = Qt::red;
    QColor outline_ = Qt::black;
};
