#pragma once
// The wallpaper of KDE Plasma: a script run by the Plasma shell over the
// session bus (desktop/desktopsession.h) that makes the picture every
// desktop's image wallpaper; when the shell is not on the bus, Plasma's own
// plasma-apply-wallpaperimage tool where it is installed.
#include "desktop/wallpapersetter.h"

namespace orvanta {

class PlasmaShellWallpaper : public WallpaperSetter {
public:
    // False without a known session bus and without the tool, when the shell
    // refused or failed the script (widgets locked, no desktop) or did not
    // answer within a few seconds, or when the tool failed.
    bool setWallpaper(const std::string& file, WallpaperStyle style) override;
};

}  // namespace orvanta
