// Which backends tell each session its wallpaper, and the order they are
// tried in.
#include <gtest/gtest.h>

#include "desktop/wallpapersetter.h"

namespace orvanta {
namespace {

using enum WallpaperBackend;

TEST(WallpaperSetter, BackendsChosenByTheSession) {
    struct Row {
        const char* current;
        const char* session;
        std::vector<WallpaperBackend> backends;
    } rows[] = {
        {"GNOME", "", {GSettings, RootPixmap}},
        {"ubuntu:GNOME", "", {GSettings, RootPixmap}},
        {"X-Cinnamon", "", {GSettings, RootPixmap}},
        {"MATE", "", {GSettings, RootPixmap}},
        {"XFCE", "", {Xfconf, RootPixmap}},
        {"", "xubuntu", {Xfconf, RootPixmap}},
        {"KDE", "plasma", {RootPixmap}},
        {"sway", "", {RootPixmap}},
        {"", "", {RootPixmap}},
        {"Foo:xfce", "gnome", {Xfconf, RootPixmap}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(wallpaperBackendsOf(desktopKindOf(row.current, row.session)), row.backends)
            << row.current << "|" << row.session;
    // A desktop told through GSettings has a schema to be told through.
    for (const DesktopKind kind :
         {DesktopKind::Gnome, DesktopKind::Cinnamon, DesktopKind::Mate, DesktopKind::Xfce, DesktopKind::Other})
        if (wallpaperBackendsOf(kind).front() == GSettings) {
            EXPECT_NE(backgroundSchemaOf(kind), nullptr) << static_cast<int>(kind);
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

}  // namespace
}  // namespace orvanta
