#include "config/stretchmode.h"

#include <algorithm>

namespace orvanta {

namespace {

constexpr int kPropLimits = 6;

// The limit of each proportional mode, in code order: "Screen" is none.
constexpr double kLimits[kPropLimits] = {5000.0, 1.5, 2.0, 3.0, 4.0, 5.0};

QSize proportional(QSize picture, QSize screen, double limit) {
    if (picture.isEmpty()) return picture;
    double factor = std::min(static_cast<double>(screen.height()) / picture.height(),
                             static_cast<double>(screen.width()) / picture.width());
    factor = std::min(factor, limit);
    return QSize(static_cast<int>(picture.width() * factor), static_cast<int>(picture.height() * factor));
}

}  // namespace

StretchMode stretchModeOf(bool stretch, bool proportional, int propLimit, bool shrink, bool tiled) {
    if (stretch) return StretchMode::FullScreen;
    if (proportional)
        return static_cast<StretchMode>(kStretchProportional +
                                        (propLimit >= 0 && propLimit < kPropLimits ? propLimit : 0));
    if (shrink) return tiled ? StretchMode::ShrinkOnlyTiled : StretchMode::ShrinkOnly;
    return tiled ? StretchMode::NoStretchingTiled : StretchMode::NoStretching;
}

QSize wallpaperSize(StretchMode mode, QSize picture, QSize screen) {
    switch (mode) {
    case StretchMode::FullScreen: return screen;
    case StretchMode::ProportionalScreen:
    case StretchMode::Proportional1_5X:
    case StretchMode::Proportional2X:
    case StretchMode::Proportional3X:
    case StretchMode::Proportional4X:
    case StretchMode::Proportional5X:
        return proportional(picture, screen, kLimits[stretchModeCode(mode) - kStretchProportional]);
    case StretchMode::ShrinkOnly:
    case StretchMode::ShrinkOnlyTiled:
        if (picture.width() < screen.width() && picture.height() < screen.height()) return picture;
        return proportional(picture, screen, kLimits[0]);
    case StretchMode::NoStretching:
    case StretchMode::NoStretchingTiled: break;
    }
    return picture;
}

}  // namespace orvanta
