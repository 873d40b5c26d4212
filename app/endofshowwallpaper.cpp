#include "app/endofshowwallpaper.h"

#include "app/form1.h"
#include "desktop/wallpaper.h"
#include "framework/desktopwallpaper.h"

namespace orvanta {

void saveWallpaper(Form1& form) {
    EndOfShowPicture shown;
    shown.wallpaperLast = form.settings.WallpaperLast;
    // The show routine marks the first picture just before composing it into
    // the back buffer, and the back buffer keeps the last one composed.
    shown.pictureComposed = form.firstPictureShown;
    shown.backBuffer = form.backBuffer;
    shown.paletteDisplay = form.paletteDisplay;
    shown.palette = form.picturePalette;
    const std::string path = saveEndOfShowWallpaper(shown, wallpaperDirectory(), currentUserName());
    if (!path.empty()) setDesktopWallpaper(path);
}

}  // namespace orvanta
