#pragma once
// JPEG decoding into the show's picture layout.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvanta {

// Files with more scans than this are refused: each scan costs a pass over
// the whole coefficient buffer, so a crafted file could keep the show busy
// for minutes.
constexpr int kMaxJpegScans = 500;

// A file may describe at most this many 8 x 8 blocks (all components
// together) per byte it holds, beyond kFreeJpegBlocks that any file may
// describe. Huffman coding spends at least one bit on every block of a scan,
// so a file that claims far more blocks than its bytes could code is cut
// short or made to exhaust the decoder: it would cost the time and memory of
// its claimed size and show nothing but grey.
constexpr std::int64_t kJpegBlocksPerFileByte = 32;
constexpr std::int64_t kFreeJpegBlocks = std::int64_t{1} << 20;

// The scans of a progressive file may visit at most this many blocks per byte
// of the file, beyond kFreeJpegScanBlocks: an ordinary file visits each block
// five to ten times, a crafted one can repeat empty scans over a huge picture.
constexpr std::int64_t kJpegScanBlocksPerFileByte = 64;
constexpr std::int64_t kFreeJpegScanBlocks = std::int64_t{64} << 20;

// The scale denominator (1, 2, 4 or 8) for a picture on the given screen.
int jpegScaleDenominator(std::int64_t imageWidth, std::int64_t imageHeight, int screenWidth, int screenHeight);

// Decodes the file into out: 24-bit B,G,R for colour files, 8-bit with the
// grey ramp for greyscale ones, 8-bit with the colour map when the request
// asks to quantize. A picture at least twice the request's screen on either
// side is decoded at 1/2, 1/4 or 1/8 scale and reducedOnDecode set. On Failed
// or Abandoned out is empty. Corrupt data, CMYK/YCCK files, output over
// WBitmap's limits, files that claim more blocks or scan work than their
// size allows (above) and files with more than kMaxJpegScans scans fail.
DecodeStatus decodeJpeg(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reducedOnDecode);
// The same from an open stream of fileBytes bytes (a camera RAW file's
// embedded preview); the caller closes it.
DecodeStatus decodeJpeg(std::FILE* file, std::int64_t fileBytes, const DecodeRequest& request, WBitmap& out,
                        bool& reducedOnDecode);

}  // namespace orvanta
