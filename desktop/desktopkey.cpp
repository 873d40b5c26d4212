#include "desktop/desktopkey.h"

#include <cstdlib>
#include <string>

#include "base/WRegistryKey.h"

namespace orvanta {

bool tileWallpaper() {
    WRegistryKey key;
    if (!key.open(RegistryRoot::CurrentUser, kDesktopKey)) return false;
    const std::string text = key.readString(kTileWallpaperValue);
    return std::atoi(text.c_str()) != 0;
}

void setTileWallpaper(bool tiled) {
    WRegistryKey key;
    if (key.create(RegistryRoot::CurrentUser, kDesktopKey)) key.writeString(kTileWallpaperValue, tiled ? "1" : "0");
}

}  // namespace orvanta
