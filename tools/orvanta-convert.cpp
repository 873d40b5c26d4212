// orvanta-convert [--screen WxH] [--fit MODE] [--palette] INPUT OUTPUT.bmp
// Runs the show's picture loader on one file (decoder chosen by extension,
// JPEG reduced against the screen, Exif orientation applied) and writes the
// decoded picture as a BMP. MODE is how the show fits pictures: proportional
// (the show's default), stretch, shrink, tiled, none (drawn unscaled), or
// whole (no fitting known: PNG and BMP decoded whole). Exit status: 0 loaded
// and written, 1 the show would skip the picture (or the output cannot be
// written), 2 usage error.
#include "show/decoders/picturefile.h"
#include "show/pixels/cquantizer.h"
#include "tools/toolusage.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: orvanta-convert [--screen WxH] [--fit MODE] [--palette] INPUT OUTPUT.bmp\n"
    "Runs the show's picture loader on INPUT and writes the decoded picture as a BMP.\n"
    "  --screen WxH   the screen the picture is loaded for (default 1920x1080)\n"
    "  --fit MODE     proportional (default), stretch, shrink, tiled, none (unscaled),\n"
    "                 or whole (PNG and BMP decoded whole)\n"
    "  --palette      a palette display: the picture is reduced to 236 colours\n"
    "Exit status: 0 loaded and written, 1 the show would skip the picture or the\n"
    "output cannot be written, 2 usage error.\n";

int usage() {
    std::fprintf(stderr,
                 "usage: orvanta-convert [--screen WxH] [--fit proportional|stretch|shrink|tiled|none|whole] "
                 "[--palette] INPUT OUTPUT.bmp\n");
    return 2;
}

bool parseFit(const char* text, std::optional<orvanta::ShowFitting>& fitting) {
    orvanta::ShowFitting f;
    if (std::strcmp(text, "whole") == 0) {
        fitting.reset();
        return true;
    }
    if (std::strcmp(text, "proportional") == 0) f.proportional = true;
    else if (std::strcmp(text, "stretch") == 0) f.stretch = true;
    else if (std::strcmp(text, "shrink") == 0 || std::strcmp(text, "tiled") == 0) f.shrinkOnly = true;
    else if (std::strcmp(text, "none") != 0) return false;
    fitting = f;
    return true;
}

bool parseScreen(const char* text, int& width, int& height) {
    char tail = 0;
    return std::sscanf(text, "%dx%d%c", &width, &height, &tail) == 2 && width > 0 && height > 0 && width <= 65535 &&
           height <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = orvanta::tools::screenOptions(argc, argv, "orvanta-convert", kUsage,
                                                          {{"--screen", true}, {"--fit", true}, {"--palette", false}}))
        return *status;
    orvanta::LoadContext context;
    context.decode.screenWidth = 1920;
    context.decode.screenHeight = 1080;
    context.decode.fitting = orvanta::ShowFitting{false, true, false};
    orvanta::CQuantizer quantizer(236, 8);
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screen") == 0) {
            if (++i >= argc || !parseScreen(argv[i], context.decode.screenWidth, context.decode.screenHeight))
                return usage();
        } else if (std::strcmp(argv[i], "--fit") == 0) {
            if (++i >= argc || !parseFit(argv[i], context.decode.fitting)) return usage();
        } else if (std::strcmp(argv[i], "--palette") == 0) {
            context.paletteDisplay = true;
            context.quantizer = &quantizer;
            context.systemPalette.assign(256, orvanta::PaletteEntry{});
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usage();
        } else if (input.empty()) {
            input = argv[i];
        } else if (output.empty()) {
            output = argv[i];
        } else {
            return usage();
        }
    }
    if (input.empty() || output.empty()) return usage();

    orvanta::LoadedPicture picture;
    if (orvanta::loadPictureFile(input, context, picture) != orvanta::LoadResult::Loaded) {
        std::fprintf(stderr, "orvanta-convert: %s: the show would skip this picture\n", input.c_str());
        return 1;
    }
    if (!picture.bitmap.saveBmp(output)) {
        std::fprintf(stderr, "orvanta-convert: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%dx%d %d bpp%s\n", picture.bitmap.width(), picture.bitmap.height(), picture.bitmap.bitCount(),
                picture.reducedOnDecode ? " reduced" : "");
    return 0;
}
