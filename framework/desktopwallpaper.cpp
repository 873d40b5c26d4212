#include "framework/desktopwallpaper.h"

// GIO first: its headers use "signals" as a name, which Qt's headers define.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <cstring>

#include "desktop/desktopkey.h"
#include "desktop/desktopsession.h"
#include "framework/rootwallpaper.h"
#include "framework/sessionbus.h"
#include "show/decoders/bmpreader.h"

namespace orvanta {

namespace {

constexpr int kCommandTimeoutMs = 5000;

// GIO falls back to a memory backend when no real one is installed: writes
// to it succeed and reach nobody.
bool realSettingsBackend() {
    GSettingsBackend* backend = g_settings_backend_get_default();
    if (!backend) return false;
    const bool real = std::strcmp(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend") != 0 &&
                      std::strcmp(G_OBJECT_TYPE_NAME(backend), "GNullSettingsBackend") != 0;
    g_object_unref(backend);
    return real;
}

bool setThroughGSettings(const BackgroundSchema& background, const std::string& path, bool tiled) {
    // The desktop's settings daemon is reached over the session bus. Without
    // a known bus GLib would try to launch one of its own, left running after us.
    if (!sessionBusKnown()) return false;
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, background.schema, TRUE);
    if (!schema) return false;
    bool done = false;
    if (g_settings_schema_has_key(schema, background.pictureKey) && realSettingsBackend()) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        const std::string picture = background.pictureIsUri ? fileUriOf(path) : path;
        done = g_settings_set_string(settings, background.pictureKey, picture.c_str());
        if (background.darkPictureKey && g_settings_schema_has_key(schema, background.darkPictureKey))
            g_settings_set_string(settings, background.darkPictureKey, picture.c_str());
        if (g_settings_schema_has_key(schema, background.optionsKey))
            g_settings_set_string(settings, background.optionsKey, pictureOptionOf(tiled));
        g_settings_sync();  // the program may end right after
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return done;
}

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

bool setThroughXfconf(const std::string& path, bool tiled) {
    const QString program = QStandardPaths::findExecutable("xfconf-query");
    if (program.isEmpty()) return false;
    const QString channel = kXfceDesktopChannel;
    QByteArray listing;
    runCommand(program, {"-c", channel, "-l"}, &listing);  // an empty channel lists nothing
    std::vector<std::string> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) monitors.push_back(screen->name().toStdString());
    const std::vector<std::string> properties = xfceImageProperties(listing.toStdString(), monitors);
    bool done = !properties.empty();
    for (const std::string& property : properties) {
        done = runCommand(program, {"-c", channel, "-p", QString::fromStdString(property), "-n", "-t", "string", "-s",
                                    QString::fromStdString(path)}) &&
               done;
        runCommand(program, {"-c", channel, "-p", QString::fromStdString(xfceStylePropertyOf(property)), "-n", "-t",
                             "int", "-s", QString::number(xfceImageStyleOf(tiled))});
    }
    return done;
}

bool setRootBackground(const std::string& path, bool tiled) {
    WBitmap bitmap;
    if (!loadBmp(path, bitmap)) return false;
    return x11::setRootWallpaper(bitmap.toImage32(), tiled);
}

}  // namespace

void setDesktopWallpaper(const std::string& path) {
    const bool tiled = tileWallpaper();
    const DesktopKind desktop = currentDesktopKind();
    if (const BackgroundSchema* schema = backgroundSchemaOf(desktop);
        schema && setThroughGSettings(*schema, path, tiled))
        return;
    if (desktop == DesktopKind::Xfce && setThroughXfconf(path, tiled)) return;
    setRootBackground(path, tiled);
}

}  // namespace orvanta
