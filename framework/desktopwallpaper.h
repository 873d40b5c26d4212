#pragma once
// Setting the desktop wallpaper to a bitmap file on whatever desktop the
// user runs: the backends of desktop/wallpapersetter.h chosen by the session
// (XDG_CURRENT_DESKTOP, else DESKTOP_SESSION; X11 or Wayland):
// - GNOME, Budgie (and Unity), Cinnamon and MATE: their GSettings background
//   schema (framework/gsettingswallpaper.h);
// - Xfce: the xfce4-desktop backdrops (framework/xfconfwallpaper.h);
// - KDE Plasma: a script for its shell (framework/plasmawallpaper.h);
// - sway: every output's background (framework/swaywallpaper.h);
// - anything else on X11, or when the step above cannot be taken there: the
//   X root window's background (framework/rootwallpaper.h). On Wayland
//   nothing else: the file is written and the desktop keeps its wallpaper.
// Failures are silent, as the desktop's own wallpaper call is.
#include <memory>
#include <string>

#include "desktop/desktopsession.h"
#include "desktop/wallpapersetter.h"

namespace orvanta {

// One backend, for the desktop it serves; nullptr when it has nothing to
// offer that desktop (GSettings for a desktop without a background schema).
std::unique_ptr<WallpaperSetter> makeWallpaperSetter(WallpaperBackend backend, DesktopKind desktop);

// The backends of wallpaperBackendsOf(session), tried in that order.
std::unique_ptr<WallpaperSetter> wallpaperSetterOf(const DesktopSession& session);

// Sets the wallpaper through wallpaperSetterOf(currentDesktopSession()), tiled
// or centred as the TileWallpaper value under "Control Panel\Desktop"
// (desktop/desktopkey.h) says. True when one of the backends set it.
bool setDesktopWallpaper(const std::string& path);

}  // namespace orvanta
