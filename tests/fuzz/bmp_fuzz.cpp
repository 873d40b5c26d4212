// libFuzzer target: the BMP reader over arbitrary bytes, building the whole
// picture, the corner a screen shows and a reduced copy.
#include "show/decoders/bmpreader.h"
#include "tests/fuzz/fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvanta::WBitmap bitmap;
    if (orvanta::readBmp(data, size, bitmap)) fuzz::touchPixels(bitmap);
    // A small screen, so that even small pictures are cut or reduced.
    orvanta::DecodeRequest request;
    request.screenWidth = 7;
    request.screenHeight = 5;
    bool reduced = false;
    for (const orvanta::ShowFitting fitting :
         {orvanta::ShowFitting{false, false, false}, orvanta::ShowFitting{false, true, false},
          orvanta::ShowFitting{true, false, false}}) {
        request.fitting = fitting;
        if (orvanta::readBmp(data, size, request, bitmap, reduced) == orvanta::DecodeStatus::Decoded)
            fuzz::touchPixels(bitmap);
    }
    return 0;
}
