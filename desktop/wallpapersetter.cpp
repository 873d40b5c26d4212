#include "desktop/wallpapersetter.h"

#include <utility>

namespace orvanta {

namespace {

struct WallpaperChoice {
    DesktopKind desktop;
    WallpaperBackend backend;
    // Whether the root window's background is set instead when the backend
    // cannot reach the desktop (no session bus, no schema, no xfconf-query,
    // no shell): an X desktop still shows it.
    bool rootPixmapAfter;
};

constexpr WallpaperChoice kWallpaperChoices[] = {
    {DesktopKind::Gnome, WallpaperBackend::GSettings, true},
    {DesktopKind::Cinnamon, WallpaperBackend::GSettings, true},
    {DesktopKind::Mate, WallpaperBackend::GSettings, true},
    {DesktopKind::Xfce, WallpaperBackend::Xfconf, true},
    {DesktopKind::Kde, WallpaperBackend::PlasmaShell, true},
    // sway draws its own background over X clients' root window.
    {DesktopKind::Sway, WallpaperBackend::SwayOutput, false},
};

}  // namespace

std::vector<WallpaperBackend> wallpaperBackendsOf(DesktopKind desktop, bool wayland) {
    for (const WallpaperChoice& choice : kWallpaperChoices)
        if (choice.desktop == desktop) {
            if (wayland || !choice.rootPixmapAfter) return {choice.backend};
            return {choice.backend, WallpaperBackend::RootPixmap};
        }
    if (wayland) return {};
    return {WallpaperBackend::RootPixmap};
}

FirstWorkingSetter::FirstWorkingSetter(std::vector<std::unique_ptr<WallpaperSetter>> setters)
    : setters_(std::move(setters)) {}

bool FirstWorkingSetter::setWallpaper(const std::string& file, WallpaperStyle style) {
    for (const std::unique_ptr<WallpaperSetter>& setter : setters_)
        if (setter && setter->setWallpaper(file, style)) return true;
    return false;
}

}  // namespace orvanta
