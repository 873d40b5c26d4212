#include "app/endofshowwallpaper.h"

#include "app/form1.h"
#include "desktop/wallpaper.h"
#include "framework/desktopwallpaper.h"

namespace orvanta {

void saveWallpaper(Form1& form) {
    EndOfShowPicture shown;
    const SlideShow& show = form.show();
    shown.wallpaperLast = form.settings().WallpaperLast;
    // The back buffer keeps the last picture composed, never an overlay.
    shown.pictureComposed = show.pictureComposed();
    shown.backBuffer = show.backBuffer();
    shown.paletteDisplay = show.paletteDisplay();
    shown.palette = show.picture().palette;
    const std::string path = saveEndOfShowWallpaper(shown, wallpaperDirectory(), currentUserName());
    if (!path.empty()) setDesktopWallpaper(path);
}

}  // namespace orvanta
