#pragma once
// How the Picture Selection page's Wallpaper button reaches the desktop: a
// writer for the wallpaper bitmap file and the call that makes a file the
// desktop wallpaper. The page sizes the picture and writes TileWallpaper
// itself; these two do the rest.
#include <functional>
#include <string>

#include "base/WBitmap.h"

namespace orvanta {

struct WallpaperHooks {
    // Writes the 24-bit picture as the wallpaper bitmap file at `path`; true on success.
    std::function<bool(const WBitmap& picture, const std::string& path)> writeBitmap;
    // Makes the file the desktop wallpaper, tiled or centred; true on success.
    std::function<bool(const std::string& path, bool tiled)> setDesktopWallpaper;
};

// The program's hooks: the bitmap written as the 24-bit wallpaper file by
// the writer the end-of-show wallpaper uses too (writeWallpaperFile,
// desktop/wallpaper.h), and the desktop's own wallpaper setting
// (framework/desktopwallpaper.h).
WallpaperHooks programWallpaperHooks();

// "OrvantaWallpaper.bmp" in ${XDG_DATA_HOME:-$HOME/.local/share}/orvanta/.
std::string wallpaperFilePath();

}  // namespace orvanta
