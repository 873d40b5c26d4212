#include "commandline/informationrequest.h"

#include <cstring>

#include "base/version.h"
#include "commandline/arguments.h"

namespace orvanta {

const char* orvantaVersion() { return kProgramVersion; }

std::string usageText() {
    return "Usage: orvanta [MODE]\n"
           "A slide show of your own pictures as a screen saver for X11.\n"
           "\n"
           "Modes (the letter may follow \"/\" or \"-\", in either case):\n"
           "  (none), c, /c    open the settings\n"
           "  /s               run the slide show on the primary screen\n"
           "  /p ID            draw a preview inside the X window ID (decimal or 0x...)\n"
           "  --window-id ID   run the slide show inside the X window ID (decimal or 0x...);\n"
           "                   also -window-id ID, as xscreensaver writes it\n"
           "  --idle TIME      run the slide show whenever the session has been idle for TIME\n"
           "                   (minutes, or seconds with an s: --idle 10, --idle 30s)\n"
           "  -u               remove all stored settings\n"
           "  --help           print this help and exit\n"
           "  --version        print the version and exit\n"
           "\n"
           "With XSCREENSAVER_WINDOW set, as xscreensaver sets it for its display modes,\n"
           "the slide show runs inside that window, whatever the arguments (-root, --root).\n"
           "\n"
           "Started when the desktop is idle, by an idle launcher:\n"
           "  xautolock -time 10 -locker \"orvanta /s\"\n"
           "  xss-lock -- orvanta /s\n"
           "\n"
           "Settings: ${XDG_CONFIG_HOME:-$HOME/.config}/orvanta/HKEY_CURRENT_USER.reg\n"
           "Exit status: 0 done, 1 no display or no window to draw in, 2 unknown argument.\n"
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

std::optional<int> refuseCommandLine(int argc, const char* const* argv, const char* xscreensaverWindow,
                                     std::ostream& err) {
    const std::string text = trimBlanks(rawArgumentText(argc, argv));
    switch (commandLineKindOf(text, xscreensaverWindow)) {
    case CommandLineKind::Run: return std::nullopt;
    case CommandLineKind::RootWithoutWindow:
        err << "orvanta: " << text
            << ": no window to draw in (xscreensaver names it in XSCREENSAVER_WINDOW; or give --window-id ID)\n";
        return 1;
    case CommandLineKind::Unknown: break;
    }
    // The argument is quoted as given, on one line whatever it holds.
    std::string shown;
    for (const char c : text) shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    err << "orvanta: unknown argument" << (argc > 2 ? "s" : "") << " \"" << shown << "\"; try \"orvanta --help\"\n";
    return 2;
}

}  // namespace orvanta
