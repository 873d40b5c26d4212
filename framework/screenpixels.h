#pragma once
// A screen's rectangle in device pixels (Qt gives it in device-independent
// pixels), in the desktop's coordinates.
#include <QRect>
#include <QScreen>

namespace orvanta {

inline QRect deviceRect(const QScreen* screen) {
    const qreal ratio = screen->devicePixelRatio();
    const QRect g = screen->geometry();
    return QRect(qRound(g.x() * ratio), qRound(g.y() * ratio), qRound(g.width() * ratio), qRound(g.height() * ratio));
}

}  // namespace orvanta
