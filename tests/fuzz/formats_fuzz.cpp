// libFuzzer target: the formats read through their own libraries (HEIF/AVIF,
// WebP, TIFF, GIF, JPEG XL, camera RAW) over arbitrary bytes, through the
// show's file loader, which picks the decoder by the bytes themselves. The
// first byte names the file (a TIFF named as a RAW file goes to libraw),
// the rest is the file. Each input is loaded whole, as the corner a small
// screen shows and reduced, with the event pump called as the show calls it.
#include <cstddef>
#include <cstdint>

#include "show/decoders/picturefile.h"
#include "tests/fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const char* const kNames[] = {".heic", ".avif", ".webp", ".tif", ".gif", ".jxl", ".dng", ".cr2", ".nef"};
    const std::string& path = fuzz::scratchFile(data + 1, size - 1, kNames[data[0] % std::size(kNames)]);
    orvanta::LoadContext context;
    context.decode.pumpEvents = [] { return false; };
    orvanta::LoadedPicture picture;
    if (orvanta::loadPictureFile(path, context, picture) == orvanta::LoadResult::Loaded)
        fuzz::touchPixels(picture.bitmap);
    // A small screen, so that even small pictures are cut or reduced.
    context.decode.screenWidth = 7;
    context.decode.screenHeight = 5;
    for (const orvanta::ShowFitting fitting :
         {orvanta::ShowFitting{false, false, false}, orvanta::ShowFitting{false, true, false}}) {
        context.decode.fitting = fitting;
        if (orvanta::loadPictureFile(path, context, picture) == orvanta::LoadResult::Loaded)
            fuzz::touchPixels(picture.bitmap);
    }
    return 0;
}
