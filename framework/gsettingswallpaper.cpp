#include "framework/gsettingswallpaper.h"

// GIO first: its headers use "signals" as a name, which Qt's headers define.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstring>

#include "framework/sessionbus.h"

namespace orvanta {

namespace {

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

}  // namespace

bool GSettingsWallpaper::setWallpaper(const std::string& file, WallpaperStyle style) {
    // The desktop's settings daemon is reached over the session bus. Without
    // a known bus GLib would try to launch one of its own, left running after us.
    if (!sessionBusKnown()) return false;
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schema_.schema, TRUE);
    if (!schema) return false;
    bool done = false;
    if (g_settings_schema_has_key(schema, schema_.pictureKey) && realSettingsBackend()) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        const std::string picture = schema_.pictureIsUri ? fileUriOf(file) : file;
        done = g_settings_set_string(settings, schema_.pictureKey, picture.c_str());
        if (schema_.darkPictureKey && g_settings_schema_has_key(schema, schema_.darkPictureKey))
            g_settings_set_string(settings, schema_.darkPictureKey, picture.c_str());
        if (g_settings_schema_has_key(schema, schema_.optionsKey))
            g_settings_set_string(settings, schema_.optionsKey, pictureOptionOf(style == WallpaperStyle::Tiled));
        g_settings_sync();  // the program may end right after
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return done;
}

}  // namespace orvanta
