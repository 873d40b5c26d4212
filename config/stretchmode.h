#pragma once
// Stretch modes: the Picture Settings page's stretching options as one value,
// which the Picture Selection page sizes its wallpapers by. Each mode's value
// is its stretch-mode code: 1 full screen; 2..7 proportional with the limit
// "Screen", "1.5 X", "2 X", "3 X", "4 X", "5 X"; 30 shrink only; 40 no
// stretching; 310 and 410 the same two, tiled.
#include <QSize>

namespace orvanta {

enum class StretchMode {
    FullScreen = 1,
    ProportionalScreen = 2,
    Proportional1_5X = 3,
    Proportional2X = 4,
    Proportional3X = 5,
    Proportional4X = 6,
    Proportional5X = 7,
    ShrinkOnly = 30,
    NoStretching = 40,
    ShrinkOnlyTiled = 310,
    NoStretchingTiled = 410,
};

constexpr int stretchModeCode(StretchMode mode) { return static_cast<int>(mode); }

inline constexpr int kStretchFull = stretchModeCode(StretchMode::FullScreen);
inline constexpr int kStretchProportional = stretchModeCode(StretchMode::ProportionalScreen);  // + the limit index
inline constexpr int kStretchShrink = stretchModeCode(StretchMode::ShrinkOnly);
inline constexpr int kStretchNone = stretchModeCode(StretchMode::NoStretching);
inline constexpr int kStretchShrinkTiled = stretchModeCode(StretchMode::ShrinkOnlyTiled);
inline constexpr int kStretchNoneTiled = stretchModeCode(StretchMode::NoStretchingTiled);

// The mode of a set of stretching options: full screen over proportional
// over shrink only over none; `propLimit` (0..5, others as 0) counts for
// proportional only, `tiled` for shrink only and none only.
StretchMode stretchModeOf(bool stretch, bool proportional, int propLimit, bool shrink, bool tiled);

// The wallpaper's size for a picture of size `picture` on a screen of size
// `screen`: the screen's for full screen; for proportional the picture
// enlarged or reduced by the smaller of the two screen ratios, at most the
// mode's limit; for shrink only as proportional to the screen when the
// picture does not fit, else unchanged; unchanged without stretching. Sizes
// are cut to whole pixels.
QSize wallpaperSize(StretchMode mode, QSize picture, QSize screen);

// Whether the desktop tiles the wallpaper of that mode.
constexpr bool wallpaperTiled(StretchMode mode) {
    return mode == StretchMode::ShrinkOnlyTiled || mode == StretchMode::NoStretchingTiled;
}

}  // namespace orvanta
