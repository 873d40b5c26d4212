#pragma once
// PNG decoding into the show's picture layout.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <string>
#include <vector>

namespace orvanta {

// What the palette display needs to know about a decoded PNG.
struct PngColours {
    bool grey = false;             // grey or grey-with-alpha colour type
    std::vector<RgbQuad> palette;  // the file's own palette (palette images), else empty
};

// Decodes the file into a 24-bit B,G,R bitmap: 16-bit samples stripped to 8,
// alpha dropped (not composited), small depths, palettes and transparency
// expanded, grey turned to equal R, G and B, interlacing undone. The rows go
// into the picture the request's fitting plans (planDecode): whole, its
// visible corner, or reduced, in which case reduced is set. Failed, leaving
// out empty, for a file libpng rejects, one over the size limits, or one
// whose chunks exceed sane memory limits; Abandoned when the pump reported
// the end of the run. colours, when given, receives the file's colours.
DecodeStatus decodePng(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       PngColours* colours = nullptr);

// The whole picture, without a pump.
bool decodePng(const std::string& path, WBitmap& out, PngColours* colours = nullptr);

}  // namespace orvanta
