// The GNOME idle source: Mutter's idle monitor on the session bus
// (org.gnome.Mutter.IdleMonitor), an idle watch of the launcher's time whose
// WatchFired signal comes once each time the idle time reaches it.
#include <gio/gio.h>

#include "framework/idlewatch.h"
#include "framework/sessionbus.h"

namespace orvanta {

namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";
constexpr int kCallTimeoutMs = 5000;

class MutterIdle : public IdleWatch {
public:
    MutterIdle(GDBusConnection* bus, std::chrono::milliseconds time) : bus_(bus), time_(time) {
        // The shared connection would end the process when the bus goes away.
        g_dbus_connection_set_exit_on_close(bus_, FALSE);
        subscription_ = g_dbus_connection_signal_subscribe(bus_, kService, kInterface, "WatchFired", kPath, nullptr,
                                                           G_DBUS_SIGNAL_FLAGS_NONE, watchFired, this, nullptr);
    }
    ~MutterIdle() override {
        if (nameWatch_ != 0) g_bus_unwatch_name(nameWatch_);
        if (closedHandler_ != 0) g_signal_handler_disconnect(bus_, closedHandler_);
        removeWatch();
        g_dbus_connection_signal_unsubscribe(bus_, subscription_);
        g_object_unref(bus_);
    }

    // Adds the idle watch; false, with the reason, when the monitor does not answer.
    bool addWatch(std::string& whyNot) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(
            bus_, kService, kPath, kInterface, "AddIdleWatch",
            g_variant_new("(t)", static_cast<guint64>(time_.count())), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, &error);
        if (!reply) {
            g_dbus_error_strip_remote_error(error);
            whyNot = std::string("no GNOME idle monitor on the session bus (") + error->message + ")";
            g_error_free(error);
            return false;
        }
        g_variant_get(reply, "(u)", &watchId_);
        g_variant_unref(reply);
        return true;
    }

    void begin(IdleHandlers& handlers) {
        handlers_ = handlers;
        nameWatch_ = g_bus_watch_name_on_connection(bus_, kService, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                                    monitorVanished, this, nullptr);
        closedHandler_ = g_signal_connect(bus_, "closed", G_CALLBACK(busClosed), this);
    }

    void restartCount() override {
        removeWatch();
        std::string why;
        if (!addWatch(why)) gone(why);
    }

private:
    void removeWatch() {
        if (watchId_ == 0) return;
        g_dbus_connection_call(bus_, kService, kPath, kInterface, "RemoveWatch", g_variant_new("(u)", watchId_),
                               nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, nullptr, nullptr);
        watchId_ = 0;
    }

    void gone(const std::string& why) {
        if (lost_) return;
        lost_ = true;
        if (handlers_.lost) handlers_.lost(why);
    }

    static void watchFired(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                           GVariant* parameters, gpointer self) {
        auto* watch = static_cast<MutterIdle*>(self);
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(u)"))) return;
        guint32 id = 0;
        g_variant_get(parameters, "(u)", &id);
        if (id != 0 && id == watch->watchId_ && !watch->lost_ && watch->handlers_.idled) watch->handlers_.idled();
    }

    static void monitorVanished(GDBusConnection*, const gchar*, gpointer self) {
        static_cast<MutterIdle*>(self)->gone("the GNOME idle monitor left the session bus");
    }

    static void busClosed(GDBusConnection*, gboolean, GError*, gpointer self) {
        static_cast<MutterIdle*>(self)->gone("the session bus went away");
    }

    GDBusConnection* bus_;
    std::chrono::milliseconds time_;
    guint subscription_ = 0;
    guint nameWatch_ = 0;
    gulong closedHandler_ = 0;
    guint32 watchId_ = 0;
    bool lost_ = false;
    IdleHandlers handlers_;
};

}  // namespace

std::unique_ptr<IdleWatch> openMutterIdle(std::chrono::milliseconds time, IdleHandlers& handlers,
                                          std::string& whyNot) {
    // Asking GIO for a bus it does not know would launch one of its own.
    if (!sessionBusKnown()) {
        whyNot = "no GNOME idle monitor (no session bus)";
        return nullptr;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        whyNot = std::string("no GNOME idle monitor (session bus: ") + error->message + ")";
        g_error_free(error);
        return nullptr;
    }
    auto watch = std::make_unique<MutterIdle>(bus, time);
    if (!watch->addWatch(whyNot)) return nullptr;
    watch->begin(handlers);
    return watch;
}

}  // namespace orvanta
