#include "framework/foreignwindow.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "framework/x11platform.h"

namespace orvanta {

namespace {

bool badWindow = false;
int recordError(Display*, XErrorEvent*) {
    badWindow = true;
    return 0;
}

}  // namespace

bool foreignWindowExists(unsigned long id) {
    Display* dpy = x11::qtDisplay();
    if (!dpy || id == 0) return false;
    // A missing window is an X error; catch it here instead of the default
    // handler reporting it.
    XSync(dpy, False);
    badWindow = false;
    XErrorHandler previous = XSetErrorHandler(recordError);
    XWindowAttributes attributes;
    const Status ok = XGetWindowAttributes(dpy, id, &attributes);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    return ok != 0 && !badWindow;
}

unsigned long activeForeignWindow() {
    Display* dpy = x11::qtDisplay();
    if (!dpy) return 0;
    const Atom active = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", True);
    if (active == None) return 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long window = 0;
    if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), active, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32 && count == 1) window = *reinterpret_cast<unsigned long*>(data);
        XFree(data);
    }
    return window;
}

bool setTransientForForeign(QWidget* window, unsigned long id) {
    if (!window || !foreignWindowExists(id)) return false;
    QWindow* foreign = QWindow::fromWinId(static_cast<WId>(id));
    if (!foreign) return false;
    // Owned by our window as an object only: it stays the other program's window.
    static_cast<QObject*>(foreign)->setParent(window);
    window->winId();  // the native window must exist before it can be given a parent
    if (!window->windowHandle()) return false;
    window->windowHandle()->setTransientParent(foreign);
    return true;
}

}  // namespace orvanta
