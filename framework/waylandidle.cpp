// The Wayland idle source: a notification object of the compositor's idle
// protocol, ext-idle-notify-v1 where offered, else KDE's org_kde_kwin_idle
// (which sway 1.7 and KWin offer). Either counts from its creation and says
// once when the seat has been idle for the time: restarting the count is
// making a new one.
#include <glib-unix.h>
#include <glib.h>
#include <wayland-client.h>

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "ext-idle-notify-v1-client.h"
#include "framework/idlewatch.h"
#include "idle-client.h"

namespace orvanta {

namespace {

// How long the compositor has to answer the first round trip.
constexpr auto kAnswerWait = std::chrono::seconds(5);

// wl_display_roundtrip, but giving up when the compositor has not answered
// within `wait` (a hung compositor must not keep a signal from ending the
// launcher). False then, or when the connection failed.
bool roundTrip(wl_display* display, std::chrono::milliseconds wait) {
    bool done = false;
    static constexpr wl_callback_listener listener{
        [](void* flag, wl_callback*, std::uint32_t) { *static_cast<bool*>(flag) = true; }};
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &listener, &done);
    const auto due = std::chrono::steady_clock::now() + wait;
    bool ok = true;
    while (!done && ok) {
        while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
        wl_display_flush(display);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            wl_display_cancel_read(display);
            ok = false;
            break;
        }
        ok = wl_display_read_events(display) == 0 && wl_display_dispatch_pending(display) >= 0;
    }
    wl_callback_destroy(callback);
    return ok && done;
}

class WaylandIdle : public IdleWatch {
public:
    WaylandIdle(wl_display* display, std::chrono::milliseconds time) : display_(display), time_(time) {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &registryListener, this);
        answered_ = roundTrip(display_, kAnswerWait);
    }
    ~WaylandIdle() override {
        if (fdSource_ != 0) g_source_remove(fdSource_);
        dropNotification();
        if (extNotifier_) ext_idle_notifier_v1_destroy(extNotifier_);
        if (kdeIdle_) org_kde_kwin_idle_destroy(kdeIdle_);
        if (seat_) wl_seat_destroy(seat_);
        wl_registry_destroy(registry_);
        wl_display_disconnect(display_);
    }

    // Why the compositor cannot serve, or "" when it can.
    std::string missing() const {
        if (!answered_) return "the Wayland compositor did not answer";
        if (!extNotifier_ && !kdeIdle_) return "the Wayland compositor offers no idle protocol";
        if (!seat_) return "the Wayland compositor has no seat";
        return "";
    }

    void begin(IdleHandlers& handlers) {
        handlers_ = handlers;
        makeNotification();
        fdSource_ = g_unix_fd_add(wl_display_get_fd(display_), G_IO_IN, readable, this);
    }

    void restartCount() override {
        dropNotification();
        makeNotification();
    }

private:
    void makeNotification() {
        const auto ms = static_cast<std::uint32_t>(time_.count());
        if (extNotifier_) {
            ext_ = ext_idle_notifier_v1_get_idle_notification(extNotifier_, ms, seat_);
            ext_idle_notification_v1_add_listener(ext_, &extListener, this);
        } else {
            kde_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, ms);
            org_kde_kwin_idle_timeout_add_listener(kde_, &kdeListener, this);
        }
        wl_display_flush(display_);
    }

    void dropNotification() {
        if (ext_) ext_idle_notification_v1_destroy(ext_);
        if (kde_) org_kde_kwin_idle_timeout_release(kde_);
        ext_ = nullptr;
        kde_ = nullptr;
        wl_display_flush(display_);
    }

    void idled() {
        if (handlers_.idled) handlers_.idled();
    }

    static gboolean readable(gint, GIOCondition, gpointer self) {
        auto* watch = static_cast<WaylandIdle*>(self);
        if (wl_display_dispatch(watch->display_) < 0) {
            watch->fdSource_ = 0;
            if (watch->handlers_.lost) watch->handlers_.lost("the Wayland compositor went away");
            return G_SOURCE_REMOVE;
        }
        wl_display_flush(watch->display_);
        return G_SOURCE_CONTINUE;
    }

    static void global(void* self, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
        auto* watch = static_cast<WaylandIdle*>(self);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !watch->seat_)
            watch->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
            watch->extNotifier_ = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
            watch->kdeIdle_ = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
    static void globalRemove(void*, wl_registry*, std::uint32_t) {}
    static void extIdled(void* self, ext_idle_notification_v1*) { static_cast<WaylandIdle*>(self)->idled(); }
    static void extResumed(void*, ext_idle_notification_v1*) {}
    static void kdeIdled(void* self, org_kde_kwin_idle_timeout*) { static_cast<WaylandIdle*>(self)->idled(); }
    static void kdeResumed(void*, org_kde_kwin_idle_timeout*) {}

    static constexpr wl_registry_listener registryListener{global, globalRemove};
    static constexpr ext_idle_notification_v1_listener extListener{extIdled, extResumed};
    static constexpr org_kde_kwin_idle_timeout_listener kdeListener{kdeIdled, kdeResumed};

    wl_display* display_;
    std::chrono::milliseconds time_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* extNotifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    ext_idle_notification_v1* ext_ = nullptr;
    org_kde_kwin_idle_timeout* kde_ = nullptr;
    IdleHandlers handlers_;
    guint fdSource_ = 0;
    bool answered_ = false;
};

}  // namespace

std::unique_ptr<IdleWatch> openWaylandIdle(std::chrono::milliseconds time, IdleHandlers& handlers,
                                           std::string& whyNot) {
    // Without WAYLAND_DISPLAY libwayland would try "wayland-0" on its own.
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) {
        whyNot = "no Wayland compositor (WAYLAND_DISPLAY not set)";
        return nullptr;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        whyNot = std::string("no Wayland compositor at WAYLAND_DISPLAY=\"") + name + "\"";
        return nullptr;
    }
    auto watch = std::make_unique<WaylandIdle>(display, time);
    whyNot = watch->missing();
    if (!whyNot.empty()) return nullptr;
    watch->begin(handlers);
    return watch;
}

}  // namespace orvanta
