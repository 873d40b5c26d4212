#pragma once
// Telling the desktop which file is its wallpaper. Each way of telling one
// (a backend) is a WallpaperSetter; which backends a session uses, and in
// what order, is the choice table in wallpapersetter.cpp. The backends
// themselves need GIO or X11 and live in framework/ (framework/desktopwallpaper.h
// builds them). A new backend is a new WallpaperBackend value, its class in
// framework/, and one row in each of the two tables.
#include <memory>
#include <string>
#include <vector>

#include "desktop/desktopsession.h"

namespace orvanta {

// How the desktop lays the picture out. Stretching is done to the picture
// before it is written (config/stretchmode.h), so the desktop only ever
// centres or tiles the file it is given.
enum class WallpaperStyle { Centred, Tiled };

inline WallpaperStyle wallpaperStyleOf(bool tiled) { return tiled ? WallpaperStyle::Tiled : WallpaperStyle::Centred; }

class WallpaperSetter {
public:
    virtual ~WallpaperSetter() = default;
    // Makes the bitmap file at `file` (an absolute path) the desktop's
    // wallpaper, laid out as `style`. False, silently, when this backend
    // could not reach its desktop or the desktop refused.
    virtual bool setWallpaper(const std::string& file, WallpaperStyle style) = 0;
};

enum class WallpaperBackend {
    GSettings,    // the desktop's GSettings background schema (desktop/desktopsession.h)
    Xfconf,       // the xfce4-desktop backdrop properties
    PlasmaShell,  // a script run by KDE Plasma's shell
    SwayOutput,   // sway's background of every output
    RootPixmap,   // the X root window's background pixmap
};

// The backends a desktop is told its wallpaper through, in the order they
// are tried: the desktop's own setting, then, on X11, when that one cannot
// reach the desktop, the root window's background; for a desktop not known
// here, the root window's background alone on X11 and nothing on Wayland,
// where no desktop shows the root window.
std::vector<WallpaperBackend> wallpaperBackendsOf(DesktopKind desktop, bool wayland);

// Tries its setters in order and stops at the first that sets the wallpaper;
// false when none did (or there is none).
class FirstWorkingSetter : public WallpaperSetter {
public:
    explicit FirstWorkingSetter(std::vector<std::unique_ptr<WallpaperSetter>> setters);
    bool setWallpaper(const std::string& file, WallpaperStyle style) override;

private:
    std::vector<std::unique_ptr<WallpaperSetter>> setters_;
};

}  // namespace orvanta
