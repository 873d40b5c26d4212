// orvanta-rootpixmap FILE: writes the root window's background pixmap (the
// one _XROOTPMAP_ID names, as desktop tools set it) to FILE (PNG or PPM by
// the extension). Exit status 1 when there is none.
#include <QImage>
#include <cstdio>

#include "framework/rootwallpaper.h"
#include "tools/toolusage.h"

namespace {
constexpr const char* kUsage =
    "usage: orvanta-rootpixmap FILE\n"
    "Writes the root window's background pixmap (_XROOTPMAP_ID) to FILE, PNG or PPM\n"
    "by its extension.\n"
    "Exit status: 0 written, 1 no background pixmap or not written, 2 usage error.\n";
}

int main(int argc, char** argv) {
    if (const auto status = orvanta::tools::screenOptions(argc, argv, "orvanta-rootpixmap", kUsage)) return *status;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const QImage image = orvanta::x11::rootWallpaper();
    if (image.isNull()) {
        std::fprintf(stderr, "%s: the root window has no background pixmap\n", argv[0]);
        return 1;
    }
    return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
