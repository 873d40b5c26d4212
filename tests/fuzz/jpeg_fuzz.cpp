// libFuzzer target: the JPEG decoder over arbitrary bytes, at full size, at a
// reduced scale for a small screen, and quantized to 256 colours (smooth and
// fast), with the event pump called as the show calls it.
#include <cstddef>
#include <cstdint>

#include "show/decoders/jpegdecoder.h"
#include "tests/fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::scratchFile(data, size, ".jpg");
    struct Case {
        int screen;
        bool quantize, fast;
    };
    for (const Case c : {Case{0, false, false}, Case{8, false, false}, Case{0, true, false}, Case{8, true, true}}) {
        orvanta::DecodeRequest request;
        request.screenWidth = request.screenHeight = c.screen;
        request.quantize = c.quantize;
        request.fast = c.fast;
        request.pumpEvents = [] { return false; };
        orvanta::WBitmap bitmap;
        bool reduced = false;
        if (orvanta::decodeJpeg(path, request, bitmap, reduced) == orvanta::DecodeStatus::Decoded)
            fuzz::touchPixels(bitmap);
    }
    return 0;
}
