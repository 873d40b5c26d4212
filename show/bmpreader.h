#pragma once
// The show's own BMP reader: Windows (version 3, 4, 5 and the 52/56-byte
// variants) and OS/2 (version 1 and 2) bitmaps, 1/2/4/8/16/24/32 bits per
// pixel, RLE8, RLE4 and bit fields, bottom-up or top-down.
#include "framework/WBitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvanta {

// Decodes a BMP held in memory into out, keeping the file's depth (2-bit
// files become 4-bit, RLE8 8-bit, RLE4 4-bit; 16/32-bit keep their masks).
// Returns false, leaving out empty, for anything malformed, truncated,
// unsupported (embedded JPEG/PNG, Huffman, RLE24, 64-bit) or too large.
bool readBmp(const std::uint8_t* data, std::size_t size, WBitmap& out);

// Reads the file and decodes it as readBmp does; false when it cannot be read.
bool loadBmp(const std::string& path, WBitmap& out);

}  // namespace orvanta
