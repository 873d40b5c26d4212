// libFuzzer target: the BMP reader over arbitrary bytes.
#include "show/bmpreader.h"

#include <cstddef>
#include <cstdint>

namespace {
volatile unsigned pixelSum;  // keeps the pixel reads from being optimised away
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvanta::WBitmap bitmap;
    if (orvanta::readBmp(data, size, bitmap)) {
        // Touch every pixel so that a wrong stride or colour table shows up.
        unsigned sum = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) sum += bitmap.pixel(x, y).red;
        pixelSum = sum;
    }
    return 0;
}
