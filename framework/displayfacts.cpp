#include "framework/displayfacts.h"

#include <QGuiApplication>
#include <QScreen>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>

#include "framework/screenpixels.h"
#include "framework/x11platform.h"

namespace orvanta {

namespace {

// The xscreensaver daemon keeps a window of its own among the root
// window's children with its version in a property; that is how its command
// tool finds it, and how it is found here.
bool xscreensaverRuns(Display* dpy) {
    const Atom version = XInternAtom(dpy, "_SCREENSAVER_VERSION", True);
    if (version == None) return false;
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        found = XGetWindowProperty(dpy, children[i], version, 0, 64, False, XA_STRING, &type, &format, &items, &after,
                                   &data) == Success &&
                type != None;
        if (data) XFree(data);
    }
    if (children) XFree(children);
    return found;
}

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

}  // namespace

DisplayFacts currentDisplayFacts() {
    DisplayFacts facts;
    const QList<QScreen*> screens = QGuiApplication::screens();
    facts.monitorCount = std::max<int>(1, static_cast<int>(screens.size()));
    QRect all;
    for (const QScreen* screen : screens) all |= deviceRect(screen);
    facts.virtualScreen = {all.x(), all.y(), all.width(), all.height()};
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect r = deviceRect(primary);
        facts.primaryWidth = r.width();
        facts.primaryHeight = r.height();
        facts.bitsPerPixel = primary->depth();
        facts.dpiX = static_cast<int>(std::lround(primary->logicalDotsPerInchX()));
        facts.dpiY = static_cast<int>(std::lround(primary->logicalDotsPerInchY()));
    }
    facts.planes = 1;
    facts.paletteDevice = facts.bitsPerPixel <= 8;
    facts.constantAlphaBlend = true;  // the show's own blend is always there

    if (Display* dpy = x11::qtDisplay()) {
        if (xscreensaverRuns(dpy)) {
            // Its own preferences; ten minutes is its default.
            const XscreensaverPrefs prefs = readXscreensaverPrefs(homeDirectory() + "/.xscreensaver");
            facts.screenSaverActive = !prefs.off;
            facts.screenSaverTimeout = prefs.timeoutSeconds.value_or(600);
        } else {
            int timeout = 0, interval = 0, preferBlanking = 0, allowExposures = 0;
            XGetScreenSaver(dpy, &timeout, &interval, &preferBlanking, &allowExposures);
            facts.screenSaverActive = timeout > 0;
            facts.screenSaverTimeout = std::max(timeout, 0);
        }
    }
    return facts;
}

}  // namespace orvanta
