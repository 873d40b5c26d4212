// The X11 idle source: the screen saver extension's idle time, read on a
// timer that waits for the time still missing. The extension reports no
// suspension (XScreenSaverSuspend) in its state: a suspension shows only as
// the X server's own screen saver time run out with the saver still off.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <glib-unix.h>
#include <glib.h>

#include <cstdlib>

#include "desktop/idlelauncher.h"
#include "framework/idlewatch.h"

namespace orvanta {

namespace {

using std::chrono::milliseconds;

milliseconds steadyNow() {
    return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

class X11Idle : public IdleWatch {
public:
    X11Idle(Display* display, milliseconds time, IdleHandlers& handlers)
        : display_(display), info_(XScreenSaverAllocInfo()), time_(time), polled_(time), handlers_(handlers) {
        current = this;
        XSetIOErrorHandler(serverGone);
        disabledAtStart_ = reading().state == SaverReading::State::Disabled;
        // Nothing is asked for on the connection, but its end must be seen.
        fdSource_ = g_unix_fd_add(ConnectionNumber(display_), G_IO_IN, connectionReadable, this);
        readNow();
    }
    ~X11Idle() override {
        if (timer_ != 0) g_source_remove(timer_);
        g_source_remove(fdSource_);
        XFree(info_);
        XSetIOErrorHandler(nullptr);
        XCloseDisplay(display_);
        current = nullptr;
    }

    void restartCount() override {
        polled_.restart(steadyNow());
        readNow();
    }

private:
    SaverReading reading() {
        SaverReading r;
        XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_);
        int timeout = 0, interval = 0, preferBlanking = 0, allowExposures = 0;
        XGetScreenSaver(display_, &timeout, &interval, &preferBlanking, &allowExposures);
        r.state = info_->state == ScreenSaverOn         ? SaverReading::State::On
                  : info_->state == ScreenSaverDisabled ? SaverReading::State::Disabled
                                                        : SaverReading::State::Off;
        r.idle = milliseconds(info_->idle);
        r.serverTime = std::chrono::seconds(timeout > 0 ? timeout : 0);
        return r;
    }

    void readNow() {
        const SaverReading r = reading();
        const Blanking blanking = blankingOf(r, disabledAtStart_);
        if (timer_ != 0) g_source_remove(timer_);
        if (blanking == Blanking::Unsure && r.idle >= time_) {
            timer_ = g_timeout_add(1100, timerDue, this);
            return;
        }
        const bool starts = polled_.read(steadyNow(), r.idle, blanking == Blanking::HeldOff);
        timer_ = g_timeout_add(static_cast<guint>(polled_.nextReading().count()), timerDue, this);
        if (!starts) return;
        // The server's own saver, come on at the same time, would blank the
        // show's screen until the next input: it is switched back off (the
        // show then holds it off while it runs).
        if (r.state == SaverReading::State::On) {
            XForceScreenSaver(display_, ScreenSaverReset);
            XFlush(display_);
        }
        if (handlers_.idled) handlers_.idled();
    }

    static gboolean timerDue(gpointer self) {
        auto* watch = static_cast<X11Idle*>(self);
        watch->timer_ = 0;
        watch->readNow();
        return G_SOURCE_REMOVE;
    }

    static gboolean connectionReadable(gint, GIOCondition, gpointer self) {
        Display* display = static_cast<X11Idle*>(self)->display_;
        while (XPending(display) > 0) {  // an ended connection calls serverGone
            XEvent event;
            XNextEvent(display, &event);
        }
        return G_SOURCE_CONTINUE;
    }

    static int serverGone(Display*) {
        if (current && current->handlers_.lost) current->handlers_.lost("the X server went away");
        std::_Exit(1);
    }

    static inline X11Idle* current = nullptr;
    Display* display_;
    XScreenSaverInfo* info_;
    milliseconds time_;
    PolledIdle polled_;
    IdleHandlers handlers_;
    bool disabledAtStart_ = false;
    guint timer_ = 0;
    guint fdSource_ = 0;
};

}  // namespace

std::unique_ptr<IdleWatch> openX11Idle(milliseconds time, IdleHandlers& handlers, std::string& whyNot) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        whyNot = "no X display (DISPLAY not set)";
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (!display) {
        whyNot = std::string("no X display at DISPLAY=\"") + name + "\"";
        return nullptr;
    }
    int eventBase = 0, errorBase = 0;
    if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        whyNot = "the X server has no screen saver extension";
        return nullptr;
    }
    return std::make_unique<X11Idle>(display, time, handlers);
}

}  // namespace orvanta
