#include "config/wallpaperhooks.h"

#include <QDir>
#include <QStandardPaths>

namespace orvanta {

WallpaperHooks programWallpaperHooks() {
    WallpaperHooks hooks;
    hooks.writeBitmap = [](const WBitmap& picture, const std::string& path) { return picture.saveBmp(path); };
    // The desktop's wallpaper setter plugs in here.
    hooks.setDesktopWallpaper = nullptr;
    return hooks;
}

std::string wallpaperFilePath() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + "/.local/share";
    return (data + "/orvanta/OrvantaWallpaper.bmp").toStdString();
}

}  // namespace orvanta
