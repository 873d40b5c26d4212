#include "commandline/informationrequest.h"

#include <cstring>

#ifndef ORVANTA_VERSION
#error "ORVANTA_VERSION must be defined by the build"
#endif

namespace orvanta {

const char* orvantaVersion() { return ORVANTA_VERSION; }

std::string usageText() {
    return "Usage: orvanta [MODE]\n"
           "A slide show of your own pictures as a screen saver for X11.\n"
           "\n"
           "Modes (the letter may follow \"/\" or \"-\", in either case):\n"
           "  (none), c, /c    open the settings\n"
           "  /s               run the slide show on the primary screen\n"
           "  /p ID            draw a preview inside the X window with the decimal id ID\n"
           "  --window-id ID   run the slide show inside the X window ID (decimal or 0x...)\n"
           "  -u               remove all stored settings\n"
           "  --help           print this help and exit\n"
           "  --version        print the version and exit\n"
           "\n"
           "With XSCREENSAVER_WINDOW set, as xscreensaver sets it for its display modes,\n"
           "the slide show runs inside that window, whatever the arguments (--root).\n"
           "\n"
           "Started when the desktop is idle, by an idle launcher:\n"
           "  xautolock -time 10 -locker \"orvanta /s\"\n"
           "  xss-lock -- orvanta /s\n"
           "\n"
           "Settings: ${XDG_CONFIG_HOME:-$HOME/.config}/orvanta/HKEY_CURRENT_USER.reg\n"
           "Keys, files, environment and exit status: man orvanta\n";
}

std::string versionText() { return std::string("orvanta ") + orvantaVersion() + "\n"; }

std::optional<int> answerInformationRequest(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc != 2) return std::nullopt;
    std::string text;
    if (std::strcmp(argv[1], "--help") == 0) {
        text = usageText();
    } else if (std::strcmp(argv[1], "--version") == 0) {
        text = versionText();
    } else {
        return std::nullopt;
    }
    out << text;
    out.flush();
    if (!out) {
        // Output to a full disk or a closed pipe must not look like success.
        err << "orvanta: could not write to standard output\n";
        return 1;
    }
    return 0;
}

}  // namespace orvanta
