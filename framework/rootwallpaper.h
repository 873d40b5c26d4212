#pragma once
// The desktop background of a bare X session: a pixmap of the root window's
// size holding the wallpaper, made the root window's background and named
// in the root properties _XROOTPMAP_ID and ESETROOT_PMAP_ID, where
// pseudo-transparent programs look for it. The pixmap is kept alive after
// the program ends (its connection closes in RetainPermanent mode); the
// previous one is freed the way that convention says, when both properties
// name it. Works on a separate X connection, so Qt's own stays untouched.
#include <QImage>

#include "desktop/wallpapersetter.h"

namespace orvanta::x11 {

// Lays picture over the root window of the default screen, tiled from the
// top left corner or centred on black. False (silently) without an X
// display, on a visual that is not true colour, or on any X error.
bool setRootWallpaper(const QImage& picture, bool tiled);

// The root background pixmap named by _XROOTPMAP_ID, read back as an image;
// a null image when there is none. Used by tests and tools.
QImage rootWallpaper();

}  // namespace orvanta::x11

namespace orvanta {

// The wallpaper backend of a bare X session: the bitmap file read and laid
// over the root window as setRootWallpaper does. False, silently, when the
// file cannot be read or the root background cannot be set.
class RootPixmapWallpaper : public WallpaperSetter {
public:
    bool setWallpaper(const std::string& file, WallpaperStyle style) override;
};

}  // namespace orvanta
