#pragma once
// Which desktop the user runs, and how each one is told its wallpaper: the
// GSettings background schemas of GNOME (also used by Budgie and Unity),
// Cinnamon and MATE, the xfce4-desktop properties of Xfce, and the root
// window's background everywhere else. Data only; which backend serves which
// desktop is desktop/wallpapersetter.h, the backends are in framework/.
#include <string>
#include <vector>

namespace orvanta {

enum class DesktopKind { Gnome, Cinnamon, Mate, Xfce, Other };

// From XDG_CURRENT_DESKTOP (a ":"-separated list; the first name known here
// decides, compared without regard to case), else from DESKTOP_SESSION.
DesktopKind desktopKindOf(const std::string& currentDesktop, const std::string& session);
// The same from the environment.
DesktopKind currentDesktopKind();

struct BackgroundSchema {
    const char* schema;
    const char* pictureKey;      // the picture's file URI, or its path when pictureIsUri is false
    const char* darkPictureKey;  // set as well when the installed schema has it; may be nullptr
    bool pictureIsUri;
    const char* optionsKey;  // "wallpaper" (tiled) or "centered"
};

// The background schema of a desktop that keeps it in GSettings; nullptr for
// Xfce and Other.
const BackgroundSchema* backgroundSchemaOf(DesktopKind kind);
// The picture option of the GSettings schemas.
const char* pictureOptionOf(bool tiled);

// "file://" followed by the absolute path with every byte outside the URI's
// unreserved characters and "/" written as %XX.
std::string fileUriOf(const std::string& absolutePath);

// The xfce4-desktop channel and its image-style numbers (1 centred, 2 tiled).
inline constexpr const char* kXfceDesktopChannel = "xfce4-desktop";
int xfceImageStyleOf(bool tiled);
// The "last-image" properties to set, from the channel's property listing
// (one property path per line, as `xfconf-query -c xfce4-desktop -l` prints
// it): every listed one, or when none is listed, one for the first workspace
// of each named monitor ("/backdrop/screen0/monitor<name>/workspace0/last-image").
std::vector<std::string> xfceImageProperties(const std::string& listing, const std::vector<std::string>& monitorNames);
// The "image-style" property beside a "last-image" one.
std::string xfceStylePropertyOf(const std::string& imageProperty);

}  // namespace orvanta
