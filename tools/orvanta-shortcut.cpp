// orvanta-shortcut TARGET LINK [DESCRIPTION]: writes the shell shortcut LINK
// pointing at TARGET (which must exist; any kind of file will do), with the
// program's own shortcut writer. Tests use it to put shortcuts in picture
// folders. Exit status: 0 written, 1 not written, 2 usage error.
#include "desktop/shelllink.h"

#include <cstdio>
#include <cstring>

#include "tools/toolusage.h"

namespace {
constexpr const char* kUsage =
    "usage: orvanta-shortcut TARGET LINK [DESCRIPTION]\n"
    "Writes the shell shortcut LINK pointing at TARGET (which must exist).\n"
    "Exit status: 0 written, 1 not written, 2 usage error.\n";
}

int main(int argc, char** argv) {
    if (const auto status = orvanta::tools::screenOptions(argc, argv, "orvanta-shortcut", kUsage)) return *status;
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s TARGET LINK [DESCRIPTION]\n", argv[0]);
        return 2;
    }
    const int error = orvanta::createShortcut(argv[1], argv[2], argc == 4 ? argv[3] : "");
    if (error != 0) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", argv[0], argv[2], std::strerror(error));
        return 1;
    }
    return 0;
}
