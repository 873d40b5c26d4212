// libFuzzer target: the BMP reader over arbitrary bytes, building the whole
// picture, the corner a screen shows and a reduced copy.
#include "show/decoders/bmpreader.h"

#include <cstddef>
#include <cstdint>

namespace {
volatile unsigned pixelSum;  // keeps the pixel reads from being optimised away

void touch(const orvanta::WBitmap& bitmap) {
    // Every pixel, so that a wrong stride or colour table shows up.
    unsigned sum = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) sum += bitmap.pixel(x, y).red;
    pixelSum = sum;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvanta::WBitmap bitmap;
    if (orvanta::readBmp(data, size, bitmap)) touch(bitmap);
    // A small screen, so that even small pictures are cut or reduced.
    orvanta::DecodeRequest request;
    request.screenWidth = 7;
    request.screenHeight = 5;
    bool reduced = false;
    for (const orvanta::ShowFitting fitting :
         {orvanta::ShowFitting{false, false, false}, orvanta::ShowFitting{false, true, false},
          orvanta::ShowFitting{true, false, false}}) {
        request.fitting = fitting;
        if (orvanta::readBmp(data, size, request, bitmap, reduced) == orvanta::DecodeStatus::Decoded) touch(bitmap);
    }
    return 0;
}
