// libFuzzer target: the BMP reader over arbitrary bytes.
#include "show/bmpreader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orvanta::WBitmap bitmap;
    if (orvanta::readBmp(data, size, bitmap)) {
        // Touch every pixel so that a wrong stride or colour table shows up.
        unsigned sum = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) sum += bitmap.pixel(x, y).red;
        static volatile unsigned sink;
        sink = sum;
    }
    return 0;
}
