// libFuzzer target: the Exif orientation reader over arbitrary bytes.
#include "show/decoders/exiforientation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int orientation = orvanta::readExifOrientation(data, size);
    if (orientation < 0 || orientation > 8) std::abort();
    return 0;
}
