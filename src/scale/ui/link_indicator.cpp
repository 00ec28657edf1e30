#include "scale/ui/link_indicator.h"

#include <QPainter>

LinkIndicator::LinkIndicator(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Sled_ethernet"));
    setFixedSize(sizeHint());
    SetState(ScaleLinkController::Red, false, false);  // hidden until the Ethernet link is chosen
}

void LinkIndicator::Follow(ScaleLinkController *controller)
{
    connect(controller, &ScaleLinkController::lampChanged, this, &LinkIndicator::SetState);
    SetState(controller->LampColour(), controller->OutlineGreen(), controller->LampShown());
}

void LinkIndicator::SetState(ScaleLinkController::LinkLampColour fill, bool outlineGreen, bool shown)
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
    outline_ = outlineGreen ? QColor(Qt::green) : QColor(Qt::white);
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
