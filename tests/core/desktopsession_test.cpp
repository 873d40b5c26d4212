// Which desktop is running and how it is told the wallpaper.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "desktop/desktopsession.h"

namespace orvanta {
namespace {

TEST(DesktopSession, KindFromTheCurrentDesktopOrTheSession) {
    struct Case {
        const char* current;
        const char* session;
        DesktopKind kind;
    } cases[] = {
        {"GNOME", "", DesktopKind::Gnome},        {"ubuntu:GNOME", "", DesktopKind::Gnome},
        {"Budgie:GNOME", "", DesktopKind::Gnome}, {"X-Cinnamon", "", DesktopKind::Cinnamon},
        {"MATE", "", DesktopKind::Mate},          {"XFCE", "", DesktopKind::Xfce},
        {"", "xfce", DesktopKind::Xfce},          {"", "cinnamon", DesktopKind::Cinnamon},
        {"KDE", "plasma", DesktopKind::Kde},      {"", "", DesktopKind::Other},
        {"Foo:mate", "gnome", DesktopKind::Mate}, {"::", "budgie-desktop", DesktopKind::Gnome},
    };
    for (const Case& c : cases) EXPECT_EQ(desktopKindOf(c.current, c.session), c.kind) << c.current << "|" << c.session;
}

TEST(DesktopSession, WaylandAndTheDesktopFromTheEnvironment) {
    struct Case {
        SessionEnvironment environment;  // desktop, session, type, Wayland display, X display, sway socket
        DesktopKind kind;
        bool wayland;
    } cases[] = {
        {{"KDE", "plasmawayland", "wayland", "wayland-0", ":0", ""}, DesktopKind::Kde, true},
        {{"", "plasmax11", "x11", "", ":0", ""}, DesktopKind::Kde, false},
        {{"sway", "", "", "wayland-1", "", ""}, DesktopKind::Sway, true},
        {{"", "", "", "wayland-1", "", "/run/user/1/sway-ipc.sock"}, DesktopKind::Sway, true},
        {{"GNOME", "", "tty", "", "", "/tmp/old.sock"}, DesktopKind::Gnome, false},  // a name wins over the socket
        {{"GNOME", "", "Wayland", "", "", ""}, DesktopKind::Gnome, true},
        {{"", "", "", "wayland-0", ":1", ""}, DesktopKind::Other, false},  // an X display beside: X11 unless told
        {{"", "", "", "", "", ""}, DesktopKind::Other, false},
    };
    for (const Case& c : cases) {
        const DesktopSession session = desktopSessionOf(c.environment);
        EXPECT_EQ(session.kind, c.kind) << c.environment.currentDesktop << "|" << c.environment.waylandDisplay;
        EXPECT_EQ(session.wayland, c.wayland) << c.environment.currentDesktop << "|" << c.environment.waylandDisplay;
    }
}

TEST(DesktopSession, BackgroundSchemas) {
    const BackgroundSchema* gnome = backgroundSchemaOf(DesktopKind::Gnome);
    ASSERT_NE(gnome, nullptr);
    EXPECT_STREQ(gnome->schema, "org.gnome.desktop.background");
    EXPECT_STREQ(gnome->darkPictureKey, "picture-uri-dark");
    const BackgroundSchema* mate = backgroundSchemaOf(DesktopKind::Mate);
    ASSERT_NE(mate, nullptr);
    EXPECT_FALSE(mate->pictureIsUri);
    EXPECT_STREQ(mate->pictureKey, "picture-filename");
    EXPECT_STREQ(backgroundSchemaOf(DesktopKind::Cinnamon)->schema, "org.cinnamon.desktop.background");
    EXPECT_EQ(backgroundSchemaOf(DesktopKind::Xfce), nullptr);
    EXPECT_EQ(backgroundSchemaOf(DesktopKind::Other), nullptr);
    EXPECT_STREQ(pictureOptionOf(true), "wallpaper");
    EXPECT_STREQ(pictureOptionOf(false), "centered");
}

TEST(DesktopSession, FileUris) {
    EXPECT_EQ(fileUriOf("/home/ann/.local/share/orvanta/ann_OrvantaWall.bmp"),
              "file:///home/ann/.local/share/orvanta/ann_OrvantaWall.bmp");
    EXPECT_EQ(fileUriOf("/a b/%#?\xC3\xA9"), "file:///a%20b/%25%23%3F%C3%A9");
}

TEST(DesktopSession, XfceProperties) {
    const std::string listing =
        "/backdrop/screen0/monitorVirtual-1/workspace0/color-style\n"
        "/backdrop/screen0/monitorVirtual-1/workspace0/last-image\n"
        "/backdrop/screen0/monitorHDMI-1/workspace1/last-image  \n"
        "/desktop-icons/style\n";
    const std::vector<std::string> listed = xfceImageProperties(listing, {"ignored"});
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1], "/backdrop/screen0/monitorHDMI-1/workspace1/last-image");
    EXPECT_EQ(xfceStylePropertyOf(listed[0]), "/backdrop/screen0/monitorVirtual-1/workspace0/image-style");
    const std::vector<std::string> fresh = xfceImageProperties("", {"DP-1", ""});
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0], "/backdrop/screen0/monitorDP-1/workspace0/last-image");
    EXPECT_EQ(xfceImageStyleOf(true), 2);
    EXPECT_EQ(xfceImageStyleOf(false), 1);
}

TEST(DesktopSession, PlasmaScriptSetsTheImageOfEveryDesktop) {
    for (const bool tiled : {false, true}) {
        const std::string script = plasmaWallpaperScript("file:///home/ann/w.bmp", tiled);
        EXPECT_NE(script.find("desktops()"), std::string::npos);
        EXPECT_NE(script.find("d.wallpaperPlugin = \"org.kde.image\";"), std::string::npos);
        EXPECT_NE(script.find("[\"Wallpaper\", \"org.kde.image\", \"General\"]"), std::string::npos);
        EXPECT_NE(script.find("d.writeConfig(\"Image\", \"file:///home/ann/w.bmp\");"), std::string::npos);
        EXPECT_NE(script.find(tiled ? "\"FillMode\", 3)" : "\"FillMode\", 6)"), std::string::npos) << tiled;
    }
    // A path with the script's own quotes and line breaks stays inside its string.
    const std::string plain = plasmaWallpaperScript(fileUriOf("/a/w.bmp"), false);
    const std::string odd = plasmaWallpaperScript(fileUriOf("/a\"b\\'c\n);d.bmp"), false);
    EXPECT_EQ(std::count(odd.begin(), odd.end(), '"'), std::count(plain.begin(), plain.end(), '"'));
    EXPECT_EQ(std::count(odd.begin(), odd.end(), '\n'), std::count(plain.begin(), plain.end(), '\n'));
    EXPECT_NE(odd.find("file:///a%22b%5C%27c%0A%29%3Bd.bmp"), std::string::npos);
}

TEST(DesktopSession, SwayFileWordsAndModes) {
    const struct {
        const char* path;
        const char* word;
    } rows[] = {
        {"/home/ann/.local/share/orvanta/ann_OrvantaWall.bmp", "/home/ann/.local/share/orvanta/ann_OrvantaWall.bmp"},
        {"/a b/c  d", "/a\\ b/c\\ \\ d"},
        {"/q\"'$HOME`x`\\;{}|&<>~*#", "/q\\\"\\'\\$HOME\\`x\\`\\\\\\;\\{\\}\\|\\&\\<\\>\\~\\*\\#"},
        {"/caf\xC3\xA9", "/caf\xC3\xA9"},
    };
    for (const auto& row : rows) EXPECT_EQ(swayFileWord(row.path), row.word) << row.path;
    EXPECT_STREQ(swayBackgroundModeOf(false), "center");
    EXPECT_STREQ(swayBackgroundModeOf(true), "tile");
}

}  // namespace
}  // namespace orvanta
