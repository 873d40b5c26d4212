// orvanta-close WINDOW [CODE]: sends the show's close client message
// (data.l[0] = CODE, 5190374 unless given) to an X window. This is how a
// desktop's screen-saver machinery stops a running show.
#include <cstdio>
#include <cstdlib>

#include "framework/x11platform.h"
#include "tools/toolusage.h"

namespace {
constexpr const char* kUsage =
    "usage: orvanta-close WINDOW [CODE]\n"
    "Sends the show's close client message to the X window WINDOW (decimal or 0x...),\n"
    "carrying CODE (5190374, the one that ends a show, unless given).\n"
    "Exit status: 0 sent, 1 not sent, 2 usage error.\n";
}

int main(int argc, char** argv) {
    if (const auto status = orvanta::tools::screenOptions(argc, argv, "orvanta-close", kUsage)) return *status;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s WINDOW [CODE]\n", argv[0]);
        return 2;
    }
    const unsigned long window = std::strtoul(argv[1], nullptr, 0);
    const long code = argc == 3 ? std::strtol(argv[2], nullptr, 0) : orvanta::x11::kCloseCode;
    if (!orvanta::x11::sendCloseMessage(window, code)) {
        std::fprintf(stderr, "%s: cannot send the close message (no X display?)\n", argv[0]);
        return 1;
    }
    return 0;
}
