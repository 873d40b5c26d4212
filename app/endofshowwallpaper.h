#pragma once
// The last picture of a show as the desktop wallpaper.
namespace orvanta {

class Form1;

// With WallpaperLast on and a picture composed during the run: writes the
// back buffer (the last picture composed, without the message and caption)
// to "<data dir>/<user name>_OrvantaWall.bmp" and makes it the desktop
// wallpaper. Nothing otherwise; failures are silent.
void saveWallpaper(Form1& form);

}  // namespace orvanta
