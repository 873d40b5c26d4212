#pragma once
// Setting the desktop wallpaper to a bitmap file, tiled or centred as the
// TileWallpaper value under "Control Panel\Desktop" says, on whatever
// desktop the user runs:
// - GNOME, Budgie (and Unity), Cinnamon and MATE: their GSettings background
//   schema, through GIO: the picture (as a file URI, or a path for MATE; the
//   dark-style picture too where the schema has one) and the picture option
//   "wallpaper" or "centered";
// - Xfce: every backdrop's last-image and image-style in xfce4-desktop,
//   through xfconf-query when it is installed;
// - anything else, or when the step above cannot be taken: the X root
//   window's background (framework/rootwallpaper.h).
// Failures are silent, as the desktop's own wallpaper call is.
#include <string>

namespace orvanta {

void setDesktopWallpaper(const std::string& path);

}  // namespace orvanta
