#include "config/wallpaperhooks.h"

#include "desktop/bitmapfile.h"
#include "desktop/wallpaper.h"
#include "framework/desktopwallpaper.h"

namespace orvanta {

WallpaperHooks programWallpaperHooks() {
    WallpaperHooks hooks;
    hooks.writeBitmap = [](const WBitmap& picture, const std::string& path) { return writeBitmapFormB(path, picture); };
    // The desktop setter reads TileWallpaper, which the page has just written.
    hooks.setDesktopWallpaper = [](const std::string& path, bool) {
        setDesktopWallpaper(path);
        return true;
    };
    return hooks;
}

std::string wallpaperFilePath() { return buttonWallpaperPath(wallpaperDirectory()); }

}  // namespace orvanta
