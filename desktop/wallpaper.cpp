#include "desktop/wallpaper.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <unordered_set>

#include "base/WFilePath.h"
#include "desktop/bitmapfile.h"

namespace orvanta {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeDirectory() {
    std::string home = environment("HOME");
    if (home.empty())
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    return home;
}

// Deletes our own old file; only a regular file or a symbolic link of that
// name is removed, never a directory.
void deleteOldFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(path.c_str());
}

// The steps before either form is written: our old file goes first, so that
// a write that fails leaves no stale wallpaper behind under our name.
void prepareWallpaperFile(const std::string& path) {
    deleteOldFile(path);
    if (const std::size_t slash = path.rfind('/'); slash != std::string::npos)
        makeWallpaperDirectory(path.substr(0, slash + 1));
}

}  // namespace

std::string wallpaperDirectory() {
    std::string base = environment("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') base = homeDirectory() + "/.local/share";
    return withTrailingSlash(base) + "orvanta/";
}

bool makeWallpaperDirectory(const std::string& directory) {
    std::string path;
    for (std::size_t i = 0; i <= directory.size(); ++i) {
        if (i == directory.size() || directory[i] == '/') {
            if (!path.empty() && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
        }
        if (i < directory.size()) path += directory[i];
    }
    struct stat st {};
    return ::stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string currentUserName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) return pw->pw_name;
    if (std::string name = environment("LOGNAME"); !name.empty()) return name;
    return environment("USER");
}

std::string endOfShowWallpaperPath(const std::string& directory, const std::string& userName) {
    return withTrailingSlash(directory) + userName + kEndOfShowWallpaperSuffix;
}

std::string buttonWallpaperPath(const std::string& directory) {
    return withTrailingSlash(directory) + kButtonWallpaperName;
}

std::vector<PaletteEntry> wallpaperPalette(const QImage& screenImage, const std::vector<PaletteEntry>& shownThrough) {
    const QImage rgb = screenImage.convertToFormat(QImage::Format_RGB32);
    std::unordered_set<std::uint32_t> inPalette;
    for (const PaletteEntry& e : shownThrough)
        inPalette.insert((std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue);
    std::vector<std::uint32_t> own;  // the image's colours in order of appearance
    std::unordered_set<std::uint32_t> seen;
    bool allInPalette = !shownThrough.empty();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const std::uint32_t c = line[x] & 0xFFFFFFu;
            if (allInPalette && !inPalette.count(c)) allInPalette = false;
            if (own.size() <= 256 && seen.insert(c).second) own.push_back(c);
        }
        if (!allInPalette && own.size() > 256) break;
    }
    if (allInPalette) return shownThrough;
    if (own.size() <= 256) {
        std::vector<PaletteEntry> palette;
        for (const std::uint32_t c : own)
            palette.push_back(PaletteEntry{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                           static_cast<std::uint8_t>(c), 0});
        return palette;
    }
    return halftonePalette();
}

bool writeWallpaperFile(const std::string& path, const QImage& picture, bool paletteDisplay,
                        const std::vector<PaletteEntry>& shownThrough) {
    prepareWallpaperFile(path);
    if (paletteDisplay) return writeBitmapFormA(path, picture, wallpaperPalette(picture, shownThrough));
    return writeBitmapFormB(path, picture);
}

bool writeWallpaperFile(const std::string& path, const WBitmap& picture) {
    prepareWallpaperFile(path);
    return writeBitmapFormB(path, picture);
}

std::string saveEndOfShowWallpaper(const EndOfShowPicture& picture, const std::string& directory,
                                   const std::string& userName) {
    if (!picture.wallpaperLast || !picture.pictureComposed || picture.backBuffer.isNull()) return {};
    const std::string path = endOfShowWallpaperPath(directory, userName);
    writeWallpaperFile(path, picture.backBuffer, picture.paletteDisplay, picture.palette);
    return path;
}

std::string saveButtonWallpaper(const QImage& picture, const std::string& directory) {
    const std::string path = buttonWallpaperPath(directory);
    writeWallpaperFile(path, picture);
    return path;
}

}  // namespace orvanta
