#pragma once
// Stretch-mode codes: how the Picture Settings page's stretching options are
// reported to the Picture Selection page, which sizes wallpapers by them.
//   1 full screen; 2..7 proportional with the limit "Screen", "1.5 X", "2 X",
//   "3 X", "4 X", "5 X"; 30 shrink only; 40 no stretching; 310 and 410 the
//   same two, tiled.
#include <QSize>

namespace orvanta {

inline constexpr int kStretchFull = 1;
inline constexpr int kStretchProportional = 2;  // + the limit index 0..5
inline constexpr int kStretchShrink = 30;
inline constexpr int kStretchNone = 40;
inline constexpr int kStretchShrinkTiled = 310;
inline constexpr int kStretchNoneTiled = 410;

// The code of a set of stretching options.
int stretchModeCode(bool stretch, bool proportional, int propLimit, bool shrink, bool tiled);

// The wallpaper's size for a picture of size `picture` on a screen of size
// `screen`: full screen for code 1; for 2..7 the picture enlarged or reduced
// by the smaller of the two screen ratios, at most the code's limit; for
// shrink only (30, 310) as code 2 when the picture does not fit, else
// unchanged; unchanged for every other code. Sizes are cut to whole pixels.
QSize wallpaperSize(int code, QSize picture, QSize screen);

// Whether the desktop tiles the wallpaper of that code (310 and 410).
inline bool wallpaperTiled(int code) { return code == kStretchShrinkTiled || code == kStretchNoneTiled; }

}  // namespace orvanta
