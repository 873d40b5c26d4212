#include "framework/reducedmotion.h"

// GIO first: its headers use "signals" as a name, which Qt's headers define.
#include <gio/gio.h>

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include "framework/sessionbus.h"
#include "show/transitions/effectchoice.h"

namespace orvanta {

namespace {

constexpr const char* kInterfaceSchema = "org.gnome.desktop.interface";
constexpr const char* kAnimationsKey = "enable-animations";
// kdeglobals is a short text; a larger file is not read.
constexpr qint64 kLargestKdeGlobals = 1 << 20;

bool gnomeAnimationsOff() {
    // The settings backend watches its keys over the session bus: without a
    // known one GLib would launch a bus of its own, left running after us.
    if (!sessionBusKnown()) return false;
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return false;
    // Asking GSettings for a schema or key that is not installed aborts the
    // program: both are looked up first.
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kInterfaceSchema, TRUE);
    if (!schema) return false;
    bool off = false;
    if (g_settings_schema_has_key(schema, kAnimationsKey)) {
        GSettingsSchemaKey* key = g_settings_schema_get_key(schema, kAnimationsKey);
        const bool boolean = g_variant_type_equal(g_settings_schema_key_get_value_type(key), G_VARIANT_TYPE_BOOLEAN);
        g_settings_schema_key_unref(key);
        if (boolean) {
            GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
            off = !g_settings_get_boolean(settings, kAnimationsKey);
            g_object_unref(settings);
        }
    }
    g_settings_schema_unref(schema);
    return off;
}

bool kdeAnimationsOff() {
    // The user's file first, then the system's: the first that says anything.
    for (const QString& path : QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation, "kdeglobals")) {
        // A regular file only: a pipe of that name would wait for a writer.
        if (!QFileInfo(path).isFile()) continue;
        QFile file(path);
        if (file.size() > kLargestKdeGlobals || !file.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = file.read(kLargestKdeGlobals);
        if (const std::optional<bool> reduced = kdeReducedMotion(std::string_view(text.constData(), text.size())))
            return *reduced;
    }
    return false;
}

}  // namespace

bool desktopAsksForReducedMotion() { return kdeAnimationsOff() || gnomeAnimationsOff(); }

}  // namespace orvanta
