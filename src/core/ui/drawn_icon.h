#pragma once

// A 16 x 16 icon drawn in code, so the program needs no image files.

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <functional>

inline QIcon DrawnIcon(const std::function<void(QPainter &)> &draw)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return QIcon(pm);
}

// "kopiuj tabelę do schowka": two sheets, one over the other.
inline QIcon CopyIcon()
{
    return DrawnIcon([](QPainter &p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 9, 11);
        p.drawRect(5, 4, 9, 11);
    });
}
