#pragma once
// Whether Qt runs on a Wayland compositor (its "wayland" and "wayland-egl"
// platforms) rather than on X11 or an offscreen platform.
#include <QGuiApplication>

namespace orvanta {

inline bool onWaylandPlatform() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace orvanta
