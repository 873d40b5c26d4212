#pragma once
// The wallpaper of Xfce: every backdrop's last-image and image-style in the
// xfce4-desktop channel (desktop/desktopsession.h), set through the
// xfconf-query program.
#include "desktop/wallpapersetter.h"

namespace orvanta {

class XfconfWallpaper : public WallpaperSetter {
public:
    // False when xfconf-query is not installed, when there is no backdrop to
    // set, or when setting any backdrop's picture failed.
    bool setWallpaper(const std::string& file, WallpaperStyle style) override;
};

}  // namespace orvanta
