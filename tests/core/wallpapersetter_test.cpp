// Which backends tell each session its wallpaper, the order they are tried
// in, and the one writer of the wallpaper files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

#include "desktop/wallpaper.h"
#include "desktop/wallpapersetter.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using enum WallpaperBackend;

TEST(WallpaperSetter, BackendsChosenByTheSession) {
    struct Row {
        const char* current;
        const char* session;
        bool wayland;
        std::vector<WallpaperBackend> backends;
    } rows[] = {
        {"GNOME", "", false, {GSettings, RootPixmap}},
        {"ubuntu:GNOME", "", false, {GSettings, RootPixmap}},
        {"X-Cinnamon", "", false, {GSettings, RootPixmap}},
        {"MATE", "", false, {GSettings, RootPixmap}},
        {"XFCE", "", false, {Xfconf, RootPixmap}},
        {"", "xubuntu", false, {Xfconf, RootPixmap}},
        {"KDE", "plasma", false, {PlasmaShell, RootPixmap}},
        {"sway", "", false, {SwayOutput}},
        {"", "", false, {RootPixmap}},
        {"Foo:xfce", "gnome", false, {Xfconf, RootPixmap}},
        // On Wayland the root window is nobody's background.
        {"GNOME", "", true, {GSettings}},
        {"KDE", "plasmawayland", true, {PlasmaShell}},
        {"sway", "", true, {SwayOutput}},
        {"XFCE", "", true, {Xfconf}},
        {"", "", true, {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(wallpaperBackendsOf(desktopKindOf(row.current, row.session), row.wayland), row.backends)
            << row.current << "|" << row.session << "|" << row.wayland;
    // A desktop told through GSettings has a schema to be told through.
    for (const DesktopKind kind : {DesktopKind::Gnome, DesktopKind::Cinnamon, DesktopKind::Mate, DesktopKind::Xfce,
                                   DesktopKind::Kde, DesktopKind::Sway, DesktopKind::Other})
        for (const bool wayland : {false, true}) {
            const std::vector<WallpaperBackend> backends = wallpaperBackendsOf(kind, wayland);
            if (!backends.empty() && backends.front() == GSettings) {
                EXPECT_NE(backgroundSchemaOf(kind), nullptr) << static_cast<int>(kind);
            }
            if (wayland) {
                EXPECT_EQ(std::count(backends.begin(), backends.end(), RootPixmap), 0) << static_cast<int>(kind);
            }
        }
}

struct Call {
    std::string file;
    WallpaperStyle style;
};

class RecordingSetter : public WallpaperSetter {
public:
    RecordingSetter(bool result, std::vector<Call>& calls) : result_(result), calls_(calls) {}
    bool setWallpaper(const std::string& file, WallpaperStyle style) override {
        calls_.push_back({file, style});
        return result_;
    }

private:
    bool result_;
    std::vector<Call>& calls_;
};

TEST(WallpaperSetter, TheFirstThatSetsItEndsTheTries) {
    struct Row {
        std::vector<int> results;  // 1 sets it, 0 cannot, -1 no setter at all
        bool set;
        std::size_t tried;
    } rows[] = {
        {{1, 1}, true, 1}, {{0, 1}, true, 2}, {{0, 0}, false, 2}, {{-1, 1}, true, 1}, {{}, false, 0},
    };
    for (const Row& row : rows) {
        std::vector<Call> calls;
        std::vector<std::unique_ptr<WallpaperSetter>> setters;
        for (const int result : row.results)
            setters.push_back(result < 0 ? nullptr : std::make_unique<RecordingSetter>(result == 1, calls));
        FirstWorkingSetter first(std::move(setters));
        EXPECT_EQ(first.setWallpaper("/d/w.bmp", WallpaperStyle::Tiled), row.set) << row.results.size();
        ASSERT_EQ(calls.size(), row.tried) << row.results.size();
        for (const Call& call : calls) {
            EXPECT_EQ(call.file, "/d/w.bmp");
            EXPECT_EQ(call.style, WallpaperStyle::Tiled);
        }
    }
}

TEST(WallpaperFile, OneWriterMakesTheFolderAndReplacesOnlyAFile) {
    test::TempDir dir;
    WBitmap indexed;
    ASSERT_TRUE(indexed.create(6, 2, 8));
    indexed.colorTable() = {{1, 2, 3, 0}, {200, 100, 50, 0}};
    std::fill(indexed.bits(), indexed.bits() + indexed.byteSize(), 1);
    const std::string path = dir.str() + "/a/b/OrvantaWallpaper.bmp";
    ASSERT_TRUE(writeWallpaperFile(path, indexed));
    struct stat st {};
    ASSERT_EQ(::stat((dir.str() + "/a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(bytes[28], 8);  // a decoded bitmap keeps its depth
    EXPECT_EQ(bytes.size(), 1078u + 8u * 2u);

    // A palette display's image is written in form A; a folder of the name is left alone.
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(qRgb(9, 9, 9));
    ASSERT_TRUE(writeWallpaperFile(path, image, true, {{9, 9, 9, 0}}));
    EXPECT_EQ(test::readFile(path).size(), 1078u + 4u * 4u);
    const std::string folder = dir.str() + "/a/b/ann_OrvantaWall.bmp";
    fs::create_directory(folder);
    EXPECT_FALSE(writeWallpaperFile(folder, image));
    EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace
}  // namespace orvanta
