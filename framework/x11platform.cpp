#include "framework/x11platform.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>
#include <xcb/xcb.h>

#include <cstring>

namespace orvanta::x11 {

Display* qtDisplay() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

namespace {

class CloseMessageFilter : public QAbstractNativeEventFilter {
public:
    std::function<void(unsigned long, long)> handler;
    xcb_atom_t atom = XCB_NONE;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t" || !handler || atom == XCB_NONE) return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & ~0x80) != XCB_CLIENT_MESSAGE) return false;
        auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
        if (client->type != atom || client->format != 32) return false;
        // data.l[0] travels as a 32-bit value; sign-extend it like Xlib does.
        const long code = static_cast<std::int32_t>(client->data.data32[0]);
        handler(client->window, code);
        return true;
    }
};

CloseMessageFilter* closeFilter = nullptr;

}  // namespace

void setCloseMessageHandler(std::function<void(unsigned long, long)> handler) {
    Display* dpy = qtDisplay();
    if (!dpy) return;
    if (!closeFilter) {
        closeFilter = new CloseMessageFilter;
        qGuiApp->installNativeEventFilter(closeFilter);
    }
    closeFilter->atom = static_cast<xcb_atom_t>(XInternAtom(dpy, kCloseAtomName, False));
    closeFilter->handler = std::move(handler);
}

bool sendCloseMessage(unsigned long window, long code) {
    Display* dpy = qtDisplay();
    bool ownDisplay = false;
    if (!dpy) {
        dpy = XOpenDisplay(nullptr);
        ownDisplay = true;
    }
    if (!dpy) return false;
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(dpy, kCloseAtomName, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = code;
    const Status ok = XSendEvent(dpy, window, False, NoEventMask, &event);
    XFlush(dpy);
    if (ownDisplay) XCloseDisplay(dpy);
    return ok != 0;
}

void suspendScreenBlanking(bool suspend) {
    Display* dpy = qtDisplay();
    if (!dpy) return;
    int eventBase = 0, errorBase = 0;
    if (XScreenSaverQueryExtension(dpy, &eventBase, &errorBase)) XScreenSaverSuspend(dpy, suspend ? True : False);
    XFlush(dpy);
}

MonitorPower monitorPower() {
    Display* dpy = qtDisplay();
    if (!dpy) return MonitorPower::Unknown;
    int eventBase = 0, errorBase = 0;
    if (!DPMSQueryExtension(dpy, &eventBase, &errorBase) || !DPMSCapable(dpy)) return MonitorPower::Unknown;
    CARD16 level = 0;
    BOOL enabled = False;
    if (!DPMSInfo(dpy, &level, &enabled) || !enabled) return MonitorPower::On;
    switch (level) {
    case DPMSModeStandby: return MonitorPower::Standby;
    case DPMSModeSuspend: return MonitorPower::Suspend;
    case DPMSModeOff: return MonitorPower::Off;
    default: return MonitorPower::On;
    }
}

}  // namespace orvanta::x11
