#pragma once
// JPEG decoding into the show's picture layout.
#include "framework/WBitmap.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orvanta {

struct JpegRequest {
    // The show rectangle; a picture at least twice its size on either side is
    // decoded at 1/2, 1/4 or 1/8 scale. 0 means no reduction.
    int screenWidth = 0, screenHeight = 0;
    // Quantize to 256 colours (palette displays): the result is 8-bit with the
    // decoder's colour map as colour table.
    bool quantize = false;
    // Previews: the fast integer transform and, when quantizing, no dithering.
    bool fast = false;
    // Called between decoding steps and every 100 rows to let one pending
    // event run; returning true abandons the decode.
    std::function<bool()> pumpEvents;
};

enum class JpegStatus { Decoded, Failed, Abandoned };

// Files with more scans than this are refused: each scan costs a pass over
// the whole coefficient buffer, so a crafted file could keep the show busy
// for minutes.
constexpr int kMaxJpegScans = 500;

// The scale denominator (1, 2, 4 or 8) for a picture on the given screen.
int jpegScaleDenominator(std::int64_t imageWidth, std::int64_t imageHeight, int screenWidth, int screenHeight);

// Decodes the file into out: 24-bit B,G,R for colour files, 8-bit with the
// grey ramp for greyscale ones, 8-bit with the colour map when quantizing.
// reducedOnDecode is set when the scale denominator is above 1. On Failed or
// Abandoned out is empty. Corrupt data, CMYK/YCCK files, pictures over
// WBitmap's limits and files with more than kMaxJpegScans scans fail.
JpegStatus decodeJpeg(const std::string& path, const JpegRequest& request, WBitmap& out, bool& reducedOnDecode);

}  // namespace orvanta
