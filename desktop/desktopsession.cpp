#include "desktop/desktopsession.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "base/WString.h"

namespace orvanta {

namespace {

struct NamedDesktop {
    const char* name;
    DesktopKind kind;
};

// Names as XDG_CURRENT_DESKTOP and DESKTOP_SESSION spell them.
constexpr NamedDesktop kDesktopNames[] = {
    {"gnome", DesktopKind::Gnome},
    {"gnome-classic", DesktopKind::Gnome},
    {"gnome-flashback", DesktopKind::Gnome},
    {"gnome-xorg", DesktopKind::Gnome},
    {"ubuntu", DesktopKind::Gnome},
    {"unity", DesktopKind::Gnome},
    {"budgie", DesktopKind::Gnome},
    {"budgie-desktop", DesktopKind::Gnome},
    {"x-cinnamon", DesktopKind::Cinnamon},
    {"cinnamon", DesktopKind::Cinnamon},
    {"mate", DesktopKind::Mate},
    {"xfce", DesktopKind::Xfce},
    {"xfce4", DesktopKind::Xfce},
    {"xubuntu", DesktopKind::Xfce},
    {"kde", DesktopKind::Kde},
    {"plasma", DesktopKind::Kde},
    {"plasmawayland", DesktopKind::Kde},
    {"plasmax11", DesktopKind::Kde},
    {"sway", DesktopKind::Sway},
};

constexpr BackgroundSchema kGnomeBackground{"org.gnome.desktop.background", "picture-uri", "picture-uri-dark", true,
                                            "picture-options"};
constexpr BackgroundSchema kCinnamonBackground{"org.cinnamon.desktop.background", "picture-uri", nullptr, true,
                                               "picture-options"};
constexpr BackgroundSchema kMateBackground{"org.mate.background", "picture-filename", nullptr, false,
                                           "picture-options"};

DesktopKind kindOfName(const std::string& name) {
    const std::string key = asciiLowered(name);
    for (const NamedDesktop& d : kDesktopNames)
        if (key == d.name) return d.kind;
    return DesktopKind::Other;
}

constexpr const char* kLastImage = "/last-image";

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

DesktopKind desktopKindOf(const std::string& currentDesktop, const std::string& session) {
    std::size_t start = 0;
    while (start <= currentDesktop.size()) {
        const std::size_t end = std::min(currentDesktop.find(':', start), currentDesktop.size());
        const DesktopKind kind = kindOfName(currentDesktop.substr(start, end - start));
        if (kind != DesktopKind::Other) return kind;
        start = end + 1;
    }
    return kindOfName(session);
}

DesktopSession desktopSessionOf(const SessionEnvironment& environment) {
    DesktopKind kind = desktopKindOf(environment.currentDesktop, environment.desktopSession);
    if (kind == DesktopKind::Other && !environment.swaySocket.empty()) kind = DesktopKind::Sway;
    const bool wayland = asciiLowered(environment.sessionType) == "wayland" ||
                         (!environment.waylandDisplay.empty() && environment.display.empty());
    return {kind, wayland};
}

DesktopSession currentDesktopSession() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    return desktopSessionOf({variable("XDG_CURRENT_DESKTOP"), variable("DESKTOP_SESSION"), variable("XDG_SESSION_TYPE"),
                             variable("WAYLAND_DISPLAY"), variable("DISPLAY"), variable("SWAYSOCK")});
}

const BackgroundSchema* backgroundSchemaOf(DesktopKind kind) {
    switch (kind) {
    case DesktopKind::Gnome: return &kGnomeBackground;
    case DesktopKind::Cinnamon: return &kCinnamonBackground;
    case DesktopKind::Mate: return &kMateBackground;
    default: return nullptr;
    }
}

const char* pictureOptionOf(bool tiled) { return tiled ? "wallpaper" : "centered"; }

std::string fileUriOf(const std::string& absolutePath) {
    static const char* const hex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

int xfceImageStyleOf(bool tiled) { return tiled ? 2 : 1; }

std::vector<std::string> xfceImageProperties(const std::string& listing, const std::vector<std::string>& monitorNames) {
    std::vector<std::string> properties;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        if (line.rfind("/backdrop/", 0) == 0 && endsWith(line, kLastImage)) properties.push_back(line);
    }
    if (properties.empty())
        for (const std::string& monitor : monitorNames)
            if (!monitor.empty())
                properties.push_back("/backdrop/screen0/monitor" + monitor + "/workspace0" + kLastImage);
    return properties;
}

std::string xfceStylePropertyOf(const std::string& imageProperty) {
    if (!endsWith(imageProperty, kLastImage)) return {};
    return imageProperty.substr(0, imageProperty.size() - std::string(kLastImage).size()) + "/image-style";
}

// The image wallpaper's FillMode takes the values of Qt Quick's
// Image.fillMode: 3 is Tile, 6 is Pad (the picture at its own size, centred).
int plasmaFillModeOf(bool tiled) { return tiled ? 3 : 6; }

std::string plasmaWallpaperScript(const std::string& fileUri, bool tiled) {
    // Setting the plugin first makes a desktop that showed another kind of
    // wallpaper (a colour, a slide show) switch to the picture. The count
    // printed is the evaluateScript call's answer.
    std::string script = R"(var all = desktops();
for (var i = 0; i < all.length; ++i) {
    var d = all[i];
    d.wallpaperPlugin = "org.kde.image";
    d.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];
    d.writeConfig("Image", "@URI@");
    d.writeConfig("FillMode", @FILL@);
}
print(all.length);
)";
    script.replace(script.find("@URI@"), 5, fileUri);
    script.replace(script.find("@FILL@"), 6, std::to_string(plasmaFillModeOf(tiled)));
    return script;
}

const char* swayBackgroundModeOf(bool tiled) { return tiled ? "tile" : "center"; }

// sway splits a command into words at blanks, quotes and ";", then expands
// the background's file name as a shell would (word expansion: "$", "~",
// quotes, and refusing "|&;<>(){}"). A backslash before each character either
// could take keeps it literal through both.
std::string swayFileWord(const std::string& path) {
    std::string word;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (!(std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c >= 0x80)) word += '\\';
        word += ch;
    }
    return word;
}

}  // namespace orvanta
