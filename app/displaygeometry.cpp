#include "app/displaygeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include "framework/screenpixels.h"
#include "show/transitions/blockgrid.h"

namespace orvanta {

ShowGeometry primaryShowGeometry() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return showGeometryFor(screen ? deviceRect(screen).size() : QSize(640, 480), screen);
}

ShowGeometry showGeometryFor(QSize size, QScreen* screen) {
    ShowGeometry geometry;
    geometry.screen = screen;
    geometry.screenWidth = size.width();
    geometry.width = showWidthFor(size.width());
    geometry.height = size.height();
    geometry.clip = showClipRect(size.width(), size.height());
    return geometry;
}

int monitorCount() { return std::max<int>(1, static_cast<int>(QGuiApplication::screens().size())); }

std::vector<MonitorInfo> monitors() {
    std::vector<MonitorInfo> out;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) out.push_back({deviceRect(screen), screen == primary});
    return out;
}

}  // namespace orvanta
