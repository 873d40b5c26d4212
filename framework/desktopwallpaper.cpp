#include "framework/desktopwallpaper.h"

#include <utility>
#include <vector>

#include "desktop/desktopkey.h"
#include "framework/gsettingswallpaper.h"
#include "framework/rootwallpaper.h"
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
    {WallpaperBackend::RootPixmap,
     [](DesktopKind) -> std::unique_ptr<WallpaperSetter> { return std::make_unique<RootPixmapWallpaper>(); }},
};

}  // namespace

std::unique_ptr<WallpaperSetter> makeWallpaperSetter(WallpaperBackend backend, DesktopKind desktop) {
    for (const BackendMaker& maker : kBackendMakers)
        if (maker.backend == backend) return maker.make(desktop);
    return nullptr;
}

std::unique_ptr<WallpaperSetter> wallpaperSetterOf(DesktopKind desktop) {
    std::vector<std::unique_ptr<WallpaperSetter>> setters;
    for (const WallpaperBackend backend : wallpaperBackendsOf(desktop))
        if (std::unique_ptr<WallpaperSetter> setter = makeWallpaperSetter(backend, desktop))
            setters.push_back(std::move(setter));
    return std::make_unique<FirstWorkingSetter>(std::move(setters));
}

bool setDesktopWallpaper(const std::string& path) {
    const WallpaperStyle style = wallpaperStyleOf(tileWallpaper());
    return wallpaperSetterOf(currentDesktopKind())->setWallpaper(path, style);
}

}  // namespace orvanta
