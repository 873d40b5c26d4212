#include "framework/xfconfwallpaper.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include "desktop/desktopsession.h"

namespace orvanta {

namespace {

constexpr int kCommandTimeoutMs = 5000;

bool runCommand(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForFinished(kCommandTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output) *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace

bool XfconfWallpaper::setWallpaper(const std::string& file, WallpaperStyle style) {
    const QString program = QStandardPaths::findExecutable("xfconf-query");
    if (program.isEmpty()) return false;
    const QString channel = kXfceDesktopChannel;
    QByteArray listing;
    runCommand(program, {"-c", channel, "-l"}, &listing);  // an empty channel lists nothing
    std::vector<std::string> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) monitors.push_back(screen->name().toStdString());
    const std::vector<std::string> properties = xfceImageProperties(listing.toStdString(), monitors);
    const int imageStyle = xfceImageStyleOf(style == WallpaperStyle::Tiled);
    bool done = !properties.empty();
    for (const std::string& property : properties) {
        done = runCommand(program, {"-c", channel, "-p", QString::fromStdString(property), "-n", "-t", "string", "-s",
                                    QString::fromStdString(file)}) &&
               done;
        runCommand(program, {"-c", channel, "-p", QString::fromStdString(xfceStylePropertyOf(property)), "-n", "-t",
                             "int", "-s", QString::number(imageStyle)});
    }
    return done;
}

}  // namespace orvanta
