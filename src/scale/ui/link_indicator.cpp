#include "scale/ui/link_indicator.h"

#include <QPainter>

LinkIndicator::LinkIndicator(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Sled_ethernet"));
    setFixedSize(sizeHint());
    // Hidden until the Ethernet link is chosen.
    SetState(ScaleLinkController::Red, ScaleLinkController::Outline::Initial, false);
}

void LinkIndicator::Follow(ScaleLinkController *controller)
{
    connect(controller, &ScaleLinkController::lampChanged, this, &LinkIndicator::SetState);
    SetState(controller->LampColour(), controller->LampOutline(), controller->LampShown());
}

void LinkIndicator::SetState(ScaleLinkController::LinkLampColour fill, ScaleLinkController::Outline outline, bool shown)
{
    QString state;
    switch (fill) {
    case ScaleLinkController::Yellow:
        fill_ = Qt::yellow;
        state = QStringLiteral("łączenie");
        break;
    case ScaleLinkController::Green:
        fill_ = Qt::green;
        state = QStringLiteral("połączono");
        break;
    case ScaleLinkController::Red:
        fill_ = Qt::red;
        state = QStringLiteral("brak połączenia");
        break;
    }
    switch (outline) {
    case ScaleLinkController::Outline::Initial:
        outline_ = Qt::black;  // the circle's own pen until data arrives
        break;
    case ScaleLinkController::Outline::White:
        outline_ = Qt::white;
        break;
    case ScaleLinkController::Outline::Green:
        outline_ = Qt::green;
        break;
    }
    const QString text = QStringLiteral("Połączenie Ethernet z wagą: ") + state;
    setToolTip(text);
    setAccessibleName(text);
    setVisible(shown);
    update();
}

void LinkIndicator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(outline_, 2));
    p.setBrush(fill_);
    p.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}
