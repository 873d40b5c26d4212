#pragma once
// The last picture of a show as the desktop wallpaper.
namespace orvanta {

class SlideShow;
struct Settings;

// With WallpaperLast on and a picture composed during the run: writes the
// back buffer (the last picture composed, without the message and caption)
// to "<data dir>/<user name>_OrvantaWall.bmp" and makes it the desktop
// wallpaper. Nothing otherwise; failures are silent.
void saveWallpaper(const SlideShow& show, const Settings& settings);

}  // namespace orvanta
