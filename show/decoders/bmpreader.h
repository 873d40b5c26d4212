#pragma once
// The show's own BMP reader: Windows (version 3, 4, 5 and the 52/56-byte
// variants) and OS/2 (version 1 and 2) bitmaps, 1/2/4/8/16/24/32 bits per
// pixel, RLE8, RLE4 and bit fields, bottom-up or top-down.
#include "base/WBitmap.h"
#include "show/decoders/decodepump.h"
#include "show/decoders/decodetarget.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {

// Decodes the BMP file into the picture the request's fitting plans
// (planDecode): whole, keeping the file's depth (2-bit files become 4-bit,
// RLE8 8-bit, RLE4 4-bit; 16/32-bit keep their masks), its visible corner
// (same depth), or reduced to 24 bits, in which case reduced is set.
// fileColours, when given, receives the colour table of an 8-bit file.
// Only the header is read before the file is judged, and only the rows the
// plan needs afterwards; holes of a sparse file are not read at all. Failed,
// leaving out empty, for anything malformed, truncated, unsupported (embedded
// JPEG/PNG, Huffman, RLE24, 64-bit) or too large; Abandoned when the pump
// reported the end of the run.
DecodeStatus decodeBmp(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       std::vector<RgbQuad>* fileColours = nullptr);

// The same over a BMP held in memory.
DecodeStatus readBmp(const std::uint8_t* data, std::size_t size, const DecodeRequest& request, WBitmap& out,
                     bool& reduced);

// The whole picture, without a pump: true when it was read.
bool readBmp(const std::uint8_t* data, std::size_t size, WBitmap& out);
bool loadBmp(const std::string& path, WBitmap& out);

}  // namespace orvanta
