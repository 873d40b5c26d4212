// libFuzzer target: the PNG decoder over arbitrary bytes, decoding the whole
// picture, the corner a screen shows and a reduced copy, with the event pump
// called as the show calls it.
#include <cstddef>
#include <cstdint>

#include "show/decoders/pngdecoder.h"
#include "tests/fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::scratchFile(data, size, ".png");
    orvanta::WBitmap bitmap;
    orvanta::PngColours colours;
    if (orvanta::decodePng(path, bitmap, &colours)) fuzz::touchPixels(bitmap);
    // A small screen, so that even small pictures are cut or reduced.
    orvanta::DecodeRequest request;
    request.screenWidth = 7;
    request.screenHeight = 5;
    request.pumpEvents = [] { return false; };
    for (const orvanta::ShowFitting fitting :
         {orvanta::ShowFitting{false, false, false}, orvanta::ShowFitting{false, true, false},
          orvanta::ShowFitting{true, false, false}}) {
        request.fitting = fitting;
        bool reduced = false;
        if (orvanta::decodePng(path, request, bitmap, reduced) == orvanta::DecodeStatus::Decoded)
            fuzz::touchPixels(bitmap);
    }
    return 0;
}
