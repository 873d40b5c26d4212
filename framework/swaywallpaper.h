#pragma once
// The wallpaper of sway: the background of every output, set through
// swaymsg on the socket named by SWAYSOCK. sway runs its background client
// (swaybg) with the picture, centred or tiled (desktop/desktopsession.h).
#include "desktop/wallpapersetter.h"

namespace orvanta {

class SwayWallpaper : public WallpaperSetter {
public:
    // False without SWAYSOCK or swaymsg, or when sway refused the command
    // (it checks that the file can be read).
    bool setWallpaper(const std::string& file, WallpaperStyle style) override;
};

}  // namespace orvanta
