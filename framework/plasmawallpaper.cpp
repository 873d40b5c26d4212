#include "framework/plasmawallpaper.h"

// GIO first: its headers use "signals" as a name, which Qt's headers define.
#include <gio/gio.h>

#include <QStandardPaths>
#include <cstdlib>

#include "desktop/desktopsession.h"
#include "framework/boundedcommand.h"
#include "framework/sessionbus.h"

namespace orvanta {

namespace {

constexpr int kCallTimeoutMs = 5000;

enum class ShellAnswer { NotOnTheBus, Refused, Done };

// A bus call with a bounded wait that never starts a service; the reply, or
// nullptr when there was none.
GVariant* call(GDBusConnection* bus, const char* service, const char* path, const char* interface, const char* method,
               GVariant* arguments, const char* replyType) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, service, path, interface, method, arguments,
                                                  G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                  kCallTimeoutMs, nullptr, &error);
    if (error) g_error_free(error);
    return reply;
}

ShellAnswer runScript(const std::string& script) {
    // Without a known bus GLib would launch one of its own, left running after us.
    if (!sessionBusKnown()) return ShellAnswer::NotOnTheBus;
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_error_free(error);
        return ShellAnswer::NotOnTheBus;
    }
    ShellAnswer answer = ShellAnswer::NotOnTheBus;
    if (GVariant* owned = call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", g_variant_new("(s)", kPlasmaShellService), "(b)")) {
        gboolean hasOwner = FALSE;
        g_variant_get(owned, "(b)", &hasOwner);
        g_variant_unref(owned);
        if (hasOwner) {
            answer = ShellAnswer::Refused;
            // The script prints how many desktops it changed.
            if (GVariant* printed = call(bus, kPlasmaShellService, kPlasmaShellPath, kPlasmaShellInterface,
                                         "evaluateScript", g_variant_new("(s)", script.c_str()), "(s)")) {
                const gchar* text = nullptr;
                g_variant_get(printed, "(&s)", &text);
                if (std::atoi(text) > 0) answer = ShellAnswer::Done;
                g_variant_unref(printed);
            }
        }
    }
    g_object_unref(bus);
    return answer;
}

}  // namespace

bool PlasmaShellWallpaper::setWallpaper(const std::string& file, WallpaperStyle style) {
    const bool tiled = style == WallpaperStyle::Tiled;
    switch (runScript(plasmaWallpaperScript(fileUriOf(file), tiled))) {
    case ShellAnswer::Done: return true;
    case ShellAnswer::Refused: return false;
    case ShellAnswer::NotOnTheBus: break;
    }
    const QString tool = QStandardPaths::findExecutable("plasma-apply-wallpaperimage");
    return !tool.isEmpty() && runBoundedCommand(tool, {QString::fromStdString(file)});
}

}  // namespace orvanta
