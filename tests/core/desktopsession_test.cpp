// Which desktop is running and how it is told the wallpaper.
#include <gtest/gtest.h>

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
        {"KDE", "plasma", DesktopKind::Other},    {"", "", DesktopKind::Other},
        {"Foo:mate", "gnome", DesktopKind::Mate}, {"::", "budgie-desktop", DesktopKind::Gnome},
    };
    for (const Case& c : cases) EXPECT_EQ(desktopKindOf(c.current, c.session), c.kind) << c.current << "|" << c.session;
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

}  // namespace
}  // namespace orvanta
