#include "config/stretchmode.h"

#include <algorithm>

namespace orvanta {

int stretchModeCode(bool stretch, bool proportional, int propLimit, bool shrink, bool tiled) {
    if (stretch) return kStretchFull;
    if (proportional) return kStretchProportional + propLimit;
    if (shrink) return tiled ? kStretchShrinkTiled : kStretchShrink;
    return tiled ? kStretchNoneTiled : kStretchNone;
}

namespace {

QSize proportional(QSize picture, QSize screen, double limit) {
    if (picture.isEmpty()) return picture;
    double factor = std::min(static_cast<double>(screen.height()) / picture.height(),
                             static_cast<double>(screen.width()) / picture.width());
    factor = std::min(factor, limit);
    return QSize(static_cast<int>(picture.width() * factor), static_cast<int>(picture.height() * factor));
}

}  // namespace

QSize wallpaperSize(int code, QSize picture, QSize screen) {
    static constexpr double kLimits[] = {5000.0, 1.5, 2.0, 3.0, 4.0, 5.0};
    if (code == kStretchFull) return screen;
    if (code >= kStretchProportional && code <= kStretchProportional + 5)
        return proportional(picture, screen, kLimits[code - kStretchProportional]);
    if (code == kStretchShrink || code == kStretchShrinkTiled) {
        if (picture.width() < screen.width() && picture.height() < screen.height()) return picture;
        return proportional(picture, screen, kLimits[0]);
    }
    return picture;
}

}  // namespace orvanta
