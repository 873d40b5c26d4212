#include "framework/swaywallpaper.h"

#include <QStandardPaths>
#include <QtGlobal>

#include "desktop/desktopsession.h"
#include "framework/boundedcommand.h"

namespace orvanta {

bool SwayWallpaper::setWallpaper(const std::string& file, WallpaperStyle style) {
    if (qEnvironmentVariableIsEmpty("SWAYSOCK")) return false;
    const QString swaymsg = QStandardPaths::findExecutable("swaymsg");
    if (swaymsg.isEmpty()) return false;
    return runBoundedCommand(swaymsg, {"output", "*", "bg", QString::fromStdString(swayFileWord(file)),
                                       swayBackgroundModeOf(style == WallpaperStyle::Tiled)});
}

}  // namespace orvanta
