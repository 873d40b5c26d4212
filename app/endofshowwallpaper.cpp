#include "app/endofshowwallpaper.h"

#include "app/showroutine.h"
#include "desktop/wallpaper.h"
#include "framework/desktopwallpaper.h"

namespace orvanta {

void saveWallpaper(const SlideShow& show, const Settings& settings) {
    EndOfShowPicture shown;
    shown.wallpaperLast = settings.WallpaperLast;
    // The back buffer keeps the last picture composed, never an overlay.
    shown.pictureComposed = show.pictureComposed();
    shown.backBuffer = show.backBuffer();
    shown.paletteDisplay = show.paletteDisplay();
    shown.palette = show.picture().palette;
    const std::string path = saveEndOfShowWallpaper(shown, wallpaperDirectory(), currentUserName());
    if (!path.empty()) setDesktopWallpaper(path);
}

}  // namespace orvanta
