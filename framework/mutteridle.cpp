// The GNOME idle source: Mutter's idle monitor on the session bus
// (org.gnome.Mutter.IdleMonitor), an idle watch of the launcher's time whose
// WatchFired signal comes once each time the idle time reaches it. A watch
// added while the idle time is already past it fires at once, so the count
// restarts from the last input: when there has been none since the time
// passed, a user-active watch waits for the next input first.
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
        GVariant* reply = call("AddIdleWatch", g_variant_new("(t)", static_cast<guint64>(time_.count())), "(u)",
                               whyNot);
        if (!reply) return false;
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
        GVariant* reply = call("GetIdletime", nullptr, "(t)", why);
        if (!reply) return gone(why);
        guint64 idle = 0;
        g_variant_get(reply, "(t)", &idle);
        g_variant_unref(reply);
        if (idle < static_cast<guint64>(time_.count())) {
            if (!addWatch(why)) gone(why);
            return;
        }
        reply = call("AddUserActiveWatch", nullptr, "(u)", why);
        if (!reply) return gone(why);
        g_variant_get(reply, "(u)", &activeWatchId_);
        g_variant_unref(reply);
    }

private:
    // A method of the monitor's, answered within kCallTimeoutMs; null, with
    // the reason, when it was not.
    GVariant* call(const char* method, GVariant* parameters, const char* replyType, std::string& whyNot) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(bus_, kService, kPath, kInterface, method, parameters,
                                                      G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                      kCallTimeoutMs, nullptr, &error);
        if (!reply) {
            g_dbus_error_strip_remote_error(error);
            whyNot = std::string("no GNOME idle monitor on the session bus (") + error->message + ")";
            g_error_free(error);
        }
        return reply;
    }

    void removeWatch() {
        for (guint32* id : {&watchId_, &activeWatchId_}) {
            if (*id == 0) continue;
            g_dbus_connection_call(bus_, kService, kPath, kInterface, "RemoveWatch", g_variant_new("(u)", *id), nullptr,
                                   G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, nullptr, nullptr);
            *id = 0;
        }
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
        if (id == 0 || watch->lost_) return;
        if (id == watch->activeWatchId_) {
            // Input at last (the monitor drops a user-active watch once fired):
            // the whole time from here.
            watch->activeWatchId_ = 0;
            std::string why;
            if (!watch->addWatch(why)) watch->gone(why);
        } else if (id == watch->watchId_ && watch->handlers_.idled) {
            watch->handlers_.idled();
        }
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
    guint32 activeWatchId_ = 0;
    bool lost_ = false;
    IdleHandlers handlers_;
};

}  // namespace

std::unique_ptr<IdleWatch> openMutterIdle(std::chrono::milliseconds time, IdleHandlers& handlers, std::string& whyNot) {
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
