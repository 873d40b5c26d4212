#pragma once
// The desktop's own values under HKEY_CURRENT_USER "Control Panel\Desktop"
// that the program reads and writes: TileWallpaper, the string "1" when the
// wallpaper is tiled and "0" when it is centred. The end-of-show wallpaper
// keeps whatever the user chose last; the settings dialog's Wallpaper button
// writes it. Failures are ignored, as every registry write's are.
namespace orvanta {

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kTileWallpaperValue = "TileWallpaper";

// True when TileWallpaper holds a number other than 0; false when the key or
// the value is missing.
bool tileWallpaper();
// Creates the key when missing and writes TileWallpaper as "1" or "0".
void setTileWallpaper(bool tiled);

}  // namespace orvanta
