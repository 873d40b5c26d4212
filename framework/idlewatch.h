#pragma once
// The session's idle time, from the first source the session offers, in
// this order: the Wayland compositor's idle protocol (ext-idle-notify-v1, or
// KDE's org_kde_kwin_idle), GNOME's idle monitor on the session bus (Mutter
// has no idle protocol for clients), the X screen saver extension. The
// compositors and Mutter leave out the time an idle inhibitor holds; on X11 a
// client holding the X server's screen saver off counts as inhibition. Every
// source runs in the launcher's main loop (framework/mainloop.h).
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace orvanta {

struct IdleHandlers {
    std::function<void()> idled;                   // once per idle spell of the launcher's time
    std::function<void(const std::string&)> lost;  // the source went away: the compositor, bus or X server
};

class IdleWatch {
public:
    virtual ~IdleWatch() = default;
    // Idle time before now no longer counts: the next spell is the whole
    // time from now, or from the next input.
    virtual void restartCount() = 0;
};

// The first source that opens for `time`, or null; then `whyNot` says in one
// line why each could not. After `lost` the source reports nothing more; on
// X11 the process ends with status 1 when `lost` returns (Xlib goes no further).
std::unique_ptr<IdleWatch> openIdleWatch(std::chrono::milliseconds time, IdleHandlers handlers, std::string& whyNot);

// Each source alone, as openIdleWatch tries them.
std::unique_ptr<IdleWatch> openWaylandIdle(std::chrono::milliseconds time, IdleHandlers& handlers, std::string& whyNot);
std::unique_ptr<IdleWatch> openMutterIdle(std::chrono::milliseconds time, IdleHandlers& handlers, std::string& whyNot);
std::unique_ptr<IdleWatch> openX11Idle(std::chrono::milliseconds time, IdleHandlers& handlers, std::string& whyNot);

}  // namespace orvanta
