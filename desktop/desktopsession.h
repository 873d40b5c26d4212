#pragma once
// Which desktop the user runs, on X11 or Wayland, and how each one is told
// its wallpaper: the GSettings background schemas of GNOME (also used by
// Budgie and Unity), Cinnamon and MATE, the xfce4-desktop properties of Xfce,
// a script for KDE Plasma's shell, sway's output background, and on other X
// desktops the root window's background. Data only; which backend serves
// which desktop is desktop/wallpapersetter.h, the backends are in framework/.
#include <string>
#include <vector>

namespace orvanta {

enum class DesktopKind { Gnome, Cinnamon, Mate, Xfce, Kde, Sway, Other };

// From XDG_CURRENT_DESKTOP (a ":"-separated list; the first name known here
// decides, compared without regard to case), else from DESKTOP_SESSION.
DesktopKind desktopKindOf(const std::string& currentDesktop, const std::string& session);

// The session's variables that tell the desktop and the display system.
struct SessionEnvironment {
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP
    std::string desktopSession;  // DESKTOP_SESSION
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string display;         // DISPLAY
    std::string swaySocket;      // SWAYSOCK
};

struct DesktopSession {
    DesktopKind kind;
    // The desktop is a Wayland compositor: X clients (XWayland's) see a
    // root window that the desktop never shows.
    bool wayland;
};

// desktopKindOf the two names, and sway when neither is known but the sway
// socket is set; Wayland when XDG_SESSION_TYPE says so, or when there is a
// Wayland display and no X display.
DesktopSession desktopSessionOf(const SessionEnvironment& environment);
// The same from the process's environment.
DesktopSession currentDesktopSession();

struct BackgroundSchema {
    const char* schema;
    const char* pictureKey;      // the picture's file URI, or its path when pictureIsUri is false
    const char* darkPictureKey;  // set as well when the installed schema has it; may be nullptr
    bool pictureIsUri;
    const char* optionsKey;  // "wallpaper" (tiled) or "centered"
};

// The background schema of a desktop that keeps it in GSettings; nullptr for
// the others.
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

// KDE Plasma's shell: its D-Bus name, object and interface, and the script
// (for its evaluateScript method) that makes the picture at `fileUri` the
// image wallpaper of every desktop containment, centred (natural size) or
// tiled. The URI must come from fileUriOf, which leaves nothing in it that
// could end the script's string.
inline constexpr const char* kPlasmaShellService = "org.kde.plasmashell";
inline constexpr const char* kPlasmaShellPath = "/PlasmaShell";
inline constexpr const char* kPlasmaShellInterface = "org.kde.PlasmaShell";
int plasmaFillModeOf(bool tiled);
std::string plasmaWallpaperScript(const std::string& fileUri, bool tiled);

// sway's background mode for `output * bg FILE MODE`: "tile", or "center"
// (natural size), as the GSettings desktops are asked for.
const char* swayBackgroundModeOf(bool tiled);
// A file path as one word of a sway command that names that file: every
// byte but ASCII letters, digits, "/", ".", "_", "-" and non-ASCII ones
// behind a backslash. A path with a line break cannot be named.
std::string swayFileWord(const std::string& path);

}  // namespace orvanta
