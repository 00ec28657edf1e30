#pragma once

// Whether the dial's texts keep clear of the face, of each other and of the
// surface's edges, checked point by point rather than by the layout's own
// arithmetic. An empty answer means all is clear; otherwise the first fault.

#include "scale/gauge.h"

#include <QString>
#include <cmath>

inline QString GaugeTextFault(const GaugeTextLayout &layout, const QList<GaugeLabel> &labels)
{
    if (layout.labels.size() != labels.size())
        return QStringLiteral("%1 rects for %2 labels").arg(layout.labels.size()).arg(labels.size());
    // Sharing a pixel counts as touching.
    const double touch = 0.5;
    const QPointF z(kGaugeSurface.width() / 2, kGaugeSurface.height() - kGaugeLift);
    const double rim = kGaugeRimRadius + kGaugeRimPen / 2 + touch;
    const auto onFace = [&](QPointF p) {
        const double d = std::hypot(p.x() - z.x(), p.y() - z.y());
        return (d <= rim && p.y() <= z.y() + kGaugeRimPen / 2 + touch) || d <= kGaugeHubRadius + touch;
    };
    const QRectF surface({}, QSizeF(kGaugeSurface));
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const QRectF r = layout.labels[i];
        const QString which = QStringLiteral("label %1 \"%2\"").arg(i).arg(labels[i].text);
        if (!surface.contains(r))
            return which + QStringLiteral(" cut at the edge");
        for (double y = r.top(); y <= r.bottom(); y += 0.25)
            for (double x = r.left(); x <= r.right(); x += 0.25)
                if (onFace({x, y}))
                    return which + QStringLiteral(" on the face at %1,%2").arg(x).arg(y);
        for (qsizetype j = 0; j < i; ++j)
            if (layout.labels[j].adjusted(-touch, -touch, touch, touch).intersects(r))
                return which + QStringLiteral(" on label %1").arg(j);
    }
    return {};
}
