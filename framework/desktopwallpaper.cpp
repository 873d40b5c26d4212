#include "framework/desktopwallpaper.h"

#include <utility>
#include <vector>

#include "desktop/desktopkey.h"
#include "framework/gsettingswallpaper.h"
#include "framework/plasmawallpaper.h"
#include "framework/rootwallpaper.h"
#include "framework/swaywallpaper.h"
#include "framework/xfconfwallpaper.h"

namespace orvanta {

namespace {

struct BackendMaker {
    WallpaperBackend backend;
    std::unique_ptr<WallpaperSetter> (*make)(DesktopKind desktop);
};

constexpr BackendMaker kBackendMakers[] = {
    {WallpaperBackend::GSettings,
     [](DesktopKind desktop) -> std::unique_ptr<WallpaperSetter> {
         const BackgroundSchema* schema = backgroundSchemaOf(desktop);
         if (!schema) return nullptr;
         return std::make_unique<GSettingsWallpaper>(*schema);
     }},
    {WallpaperBackend::Xfconf,
     [](DesktopKind) -> std::unique_ptr<WallpaperSetter> { return std::make_unique<XfconfWallpaper>(); }},
    {WallpaperBackend::PlasmaShell,
     [](DesktopKind) -> std::unique_ptr<WallpaperSetter> { return std::make_unique<PlasmaShellWallpaper>(); }},
    {WallpaperBackend::SwayOutput,
     [](DesktopKind) -> std::unique_ptr<WallpaperSetter> { return std::make_unique<SwayWallpaper>(); }},
    {WallpaperBackend::RootPixmap,
     [](DesktopKind) -> std::unique_ptr<WallpaperSetter> { return std::make_unique<RootPixmapWallpaper>(); }},
};

}  // namespace

std::unique_ptr<WallpaperSetter> makeWallpaperSetter(WallpaperBackend backend, DesktopKind desktop) {
    for (const BackendMaker& maker : kBackendMakers)
        if (maker.backend == backend) return maker.make(desktop);
    return nullptr;
}

std::unique_ptr<WallpaperSetter> wallpaperSetterOf(const DesktopSession& session) {
    std::vector<std::unique_ptr<WallpaperSetter>> setters;
    for (const WallpaperBackend backend : wallpaperBackendsOf(session.kind, session.wayland))
        if (std::unique_ptr<WallpaperSetter> setter = makeWallpaperSetter(backend, session.kind))
            setters.push_back(std::move(setter));
    return std::make_unique<FirstWorkingSetter>(std::move(setters));
}

bool setDesktopWallpaper(const std::string& path) {
    const WallpaperStyle style = wallpaperStyleOf(tileWallpaper());
    return wallpaperSetterOf(currentDesktopSession())->setWallpaper(path, style);
}

}  // namespace orvanta
