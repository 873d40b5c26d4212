#pragma once
// The wallpaper of a desktop that keeps it in a GSettings background schema
// (GNOME, Budgie and Unity, Cinnamon, MATE; desktop/desktopsession.h), set
// through GIO: the picture as a file URI, or as a path where the schema
// wants one, the dark-style picture too where the schema has that key, and
// the picture option "wallpaper" (tiled) or "centered".
#include "desktop/desktopsession.h"
#include "desktop/wallpapersetter.h"

namespace orvanta {

class GSettingsWallpaper : public WallpaperSetter {
public:
    // schema: one of backgroundSchemaOf's, which outlive every setter.
    explicit GSettingsWallpaper(const BackgroundSchema& schema) : schema_(schema) {}
    // False without a known session bus, without the schema installed or
    // its picture key, or with only GIO's in-memory settings backend.
    bool setWallpaper(const std::string& file, WallpaperStyle style) override;

private:
    const BackgroundSchema& schema_;
};

}  // namespace orvanta
