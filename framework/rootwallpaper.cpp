#include "framework/rootwallpaper.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <cstdlib>
#include <cstring>

#include "desktop/rootbackground.h"
#include "show/decoders/bmpreader.h"

namespace orvanta::x11 {

namespace {

int xErrors = 0;

extern "C" int countError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

// A connection of our own with X errors counted instead of reported. Qt
// talks to the server through XCB, so the process-wide Xlib handler swapped
// here concerns this connection only.
class Connection {
public:
    Connection() : display_(XOpenDisplay(nullptr)) {
        if (display_) {
            xErrors = 0;
            previous_ = XSetErrorHandler(countError);
        }
    }
    ~Connection() {
        if (!display_) return;
        XSync(display_, False);
        XSetErrorHandler(previous_);
        XCloseDisplay(display_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* get() const { return display_; }
    bool failed() {
        XSync(display_, False);
        return xErrors != 0;
    }

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

Pixmap pixmapProperty(Display* display, Window root, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(display, root, property, 0, 1, False, XA_PIXMAP, &type, &format, &count, &after, &data) ==
            Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data)
        pixmap = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return pixmap;
}

// One component of an RGB32 pixel placed under a visual's mask.
unsigned long place(unsigned value8, unsigned long mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int width = std::popcount(mask);
    const unsigned long v = width >= 8 ? static_cast<unsigned long>(value8) << (width - 8) : value8 >> (8 - width);
    return (v << shift) & mask;
}

// The picture in the server's pixel layout for the visual; nullptr when the
// visual is not one this writes (true or direct colour).
XImage* serverImage(Display* display, Visual* visual, int depth, const QImage& picture) {
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) return nullptr;
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(picture.width()), static_cast<unsigned>(picture.height()), 32,
                                 0);
    if (!image) return nullptr;
    image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * picture.height()));
    if (!image->data) {
        XDestroyImage(image);
        return nullptr;
    }
    const bool sameLayout = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                            std::endian::native == std::endian::little && visual->red_mask == 0xFF0000 &&
                            visual->green_mask == 0x00FF00 && visual->blue_mask == 0x0000FF;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        if (sameLayout) {
            std::memcpy(image->data + static_cast<std::size_t>(image->bytes_per_line) * y, in,
                        static_cast<std::size_t>(picture.width()) * 4);
            continue;
        }
        for (int x = 0; x < picture.width(); ++x)
            XPutPixel(image, x, y,
                      place(qRed(in[x]), visual->red_mask) | place(qGreen(in[x]), visual->green_mask) |
                          place(qBlue(in[x]), visual->blue_mask));
    }
    return image;
}

}  // namespace

bool setRootWallpaper(const QImage& picture, bool tiled) {
    if (picture.isNull()) return false;
    Connection connection;
    Display* display = connection.get();
    if (!display) return false;
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const int depth = DefaultDepth(display, screen);
    const QImage background = rootBackground(picture,
                                             QSize(DisplayWidth(display, screen), DisplayHeight(display, screen)),
                                             tiled);
    if (background.isNull()) return false;
    XImage* image = serverImage(display, DefaultVisual(display, screen), depth, background);
    if (!image) return false;
    const Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(background.width()),
                                        static_cast<unsigned>(background.height()), static_cast<unsigned>(depth));
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(background.width()),
              static_cast<unsigned>(background.height()));
    XFreeGC(display, gc);
    XDestroyImage(image);
    if (connection.failed()) {
        XFreePixmap(display, pixmap);
        return false;
    }

    const Atom rootPixmap = XInternAtom(display, "_XROOTPMAP_ID", False);
    const Atom setterPixmap = XInternAtom(display, "ESETROOT_PMAP_ID", False);
    XGrabServer(display);
    // A previous setter that kept its pixmap alive named it in both
    // properties; freeing it (by its owning client id) is what the
    // convention asks of the next setter, so that pixmaps do not pile up.
    const Pixmap old = pixmapProperty(display, root, rootPixmap);
    if (old != None && old == pixmapProperty(display, root, setterPixmap)) XKillClient(display, old);
    XChangeProperty(display, root, rootPixmap, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XChangeProperty(display, root, setterPixmap, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    XUngrabServer(display);
    XSetCloseDownMode(display, RetainPermanent);
    return !connection.failed();
}

QImage rootWallpaper() {
    Connection connection;
    Display* display = connection.get();
    if (!display) return {};
    const Window root = DefaultRootWindow(display);
    const Pixmap pixmap = pixmapProperty(display, root, XInternAtom(display, "_XROOTPMAP_ID", False));
    if (pixmap == None) return {};
    Window ignoredRoot = None;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(display, pixmap, &ignoredRoot, &x, &y, &width, &height, &border, &depth)) return {};
    XImage* image = XGetImage(display, pixmap, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image) return {};
    QImage result(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    const Visual* visual = DefaultVisual(display, DefaultScreen(display));
    auto component = [](unsigned long pixel, unsigned long mask) {
        if (mask == 0) return 0;
        const unsigned long v = (pixel & mask) >> std::countr_zero(mask);
        const int bits = std::popcount(mask);
        return static_cast<int>(bits >= 8 ? v >> (bits - 8) : (v * 255) / ((1ul << bits) - 1));
    };
    for (int row = 0; row < result.height(); ++row)
        for (int column = 0; column < result.width(); ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);
            result.setPixel(column, row,
                            qRgb(component(pixel, visual->red_mask), component(pixel, visual->green_mask),
                                 component(pixel, visual->blue_mask)));
        }
    XDestroyImage(image);
    return result;
}

}  // namespace orvanta::x11

namespace orvanta {

bool RootPixmapWallpaper::setWallpaper(const std::string& file, WallpaperStyle style) {
    WBitmap bitmap;
    if (!loadBmp(file, bitmap)) return false;
    return x11::setRootWallpaper(bitmap.toImage32(), style == WallpaperStyle::Tiled);
}

}  // namespace orvanta
