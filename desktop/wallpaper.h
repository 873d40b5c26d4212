#pragma once
// The wallpaper files: where they go, and writing them. Two writers share the
// program's data directory: the end of a show ("<user name>_OrvantaWall.bmp",
// the last composed screen image) and the settings dialog's Wallpaper button
// ("OrvantaWallpaper.bmp", the chosen picture). Each deletes its own old file
// first and never touches any other file; both write through
// writeWallpaperFile. Setting the desktop's wallpaper to the written file is
// framework/desktopwallpaper.h.
#include <QImage>
#include <string>
#include <vector>

#include "base/WBitmap.h"
#include "base/palette.h"

namespace orvanta {

inline constexpr const char* kEndOfShowWallpaperSuffix = "_OrvantaWall.bmp";
inline constexpr const char* kButtonWallpaperName = "OrvantaWallpaper.bmp";

// The program's per-user data directory with a trailing "/":
// ${XDG_DATA_HOME:-$HOME/.local/share}/orvanta/ (HOME from the environment,
// else the passwd entry). Read from the environment at each call.
std::string wallpaperDirectory();
// Creates the directory (and its parents, mode 0700) when missing; false when
// it cannot be made.
bool makeWallpaperDirectory(const std::string& directory);

// The logged-on user's name: the passwd entry of the real user id, else
// $LOGNAME or $USER, else "".
std::string currentUserName();

// directory (a "/" added when missing) + userName + "_OrvantaWall.bmp".
std::string endOfShowWallpaperPath(const std::string& directory, const std::string& userName);
// directory (a "/" added when missing) + "OrvantaWallpaper.bmp".
std::string buttonWallpaperPath(const std::string& directory);

// The palette a form A file of a palette display's screen image is written
// with: `shownThrough` (the palette the picture was shown through) when every
// colour of the image is in it, else the image's own colours when there are
// at most 256, else the halftone palette (the image is then mapped to it).
std::vector<PaletteEntry> wallpaperPalette(const QImage& screenImage, const std::vector<PaletteEntry>& shownThrough);

// The one writer of both wallpaper files: deletes an old file at path (a
// regular file or link of that name, never a folder), makes the folder path
// names when missing (desktop/bitmapfile.h writes the file in place of it
// atomically), and writes picture there: in form A on a palette display,
// through wallpaperPalette(picture, shownThrough), else in form B. True when
// the file was written.
bool writeWallpaperFile(const std::string& path, const QImage& picture, bool paletteDisplay = false,
                        const std::vector<PaletteEntry>& shownThrough = {});
// The same for a decoded bitmap, in form B at its own depth (8 or 24 bits).
bool writeWallpaperFile(const std::string& path, const WBitmap& picture);

// What the end of a show knows about its last picture.
struct EndOfShowPicture {
    bool wallpaperLast = false;    // the WallpaperLast setting
    bool pictureComposed = false;  // the back buffer holds a composed picture
    QImage backBuffer;             // W x H, the last picture composed, without overlays
    bool paletteDisplay = false;
    std::vector<PaletteEntry> palette;  // palette displays: the palette it was shown through
};

// With wallpaperLast on and a picture composed: deletes an old file of the
// end-of-show name, writes the back buffer there (form A on palette displays,
// form B otherwise) and returns the path, also when the write failed (the
// desktop is told all the same, as the system call is). Otherwise writes
// nothing and returns "".
std::string saveEndOfShowWallpaper(const EndOfShowPicture& picture, const std::string& directory,
                                   const std::string& userName);

// The Wallpaper button's file: deletes an old "OrvantaWallpaper.bmp" in
// directory, writes picture there in form B and returns the path (also when
// the write failed). The caller then writes TileWallpaper
// (desktop/desktopkey.h) and sets the desktop wallpaper to the path. The
// settings dialog, which names the path itself, calls writeWallpaperFile.
std::string saveButtonWallpaper(const QImage& picture, const std::string& directory);

}  // namespace orvanta
