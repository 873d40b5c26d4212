#include "config/wallpaperhooks.h"

#include "desktop/wallpaper.h"
#include "framework/desktopwallpaper.h"

namespace orvanta {

WallpaperHooks programWallpaperHooks() {
    WallpaperHooks hooks;
    // The same writer as the end-of-show wallpaper's.
    hooks.writeBitmap = [](const WBitmap& picture, const std::string& path) {
        return writeWallpaperFile(path, picture);
    };
    // The desktop setter reads TileWallpaper, which the page has just written.
    hooks.setDesktopWallpaper = [](const std::string& path, bool) { return setDesktopWallpaper(path); };
    return hooks;
}

std::string wallpaperFilePath() { return buttonWallpaperPath(wallpaperDirectory()); }

}  // namespace orvanta
