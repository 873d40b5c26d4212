#include "framework/xfconfwallpaper.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include "desktop/desktopsession.h"
#include "framework/boundedcommand.h"

namespace orvanta {

bool XfconfWallpaper::setWallpaper(const std::string& file, WallpaperStyle style) {
    const QString program = QStandardPaths::findExecutable("xfconf-query");
    if (program.isEmpty()) return false;
    const QString channel = kXfceDesktopChannel;
    QByteArray listing;
    runBoundedCommand(program, {"-c", channel, "-l"}, &listing);  // an empty channel lists nothing
    std::vector<std::string> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) monitors.push_back(screen->name().toStdString());
    const std::vector<std::string> properties = xfceImageProperties(listing.toStdString(), monitors);
    const int imageStyle = xfceImageStyleOf(style == WallpaperStyle::Tiled);
    bool done = !properties.empty();
    for (const std::string& property : properties) {
        done = runBoundedCommand(program, {"-c", channel, "-p", QString::fromStdString(property), "-n", "-t", "string",
                                           "-s", QString::fromStdString(file)}) &&
               done;
        runBoundedCommand(program, {"-c", channel, "-p", QString::fromStdString(xfceStylePropertyOf(property)), "-n",
                                    "-t", "int", "-s", QString::number(imageStyle)});
    }
    return done;
}

}  // namespace orvanta
