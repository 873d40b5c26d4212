#pragma once
// Reads the orientation recorded in a JPEG's Exif block.
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvanta {

// The Exif orientation (1..8) of a JPEG held in memory, or 0 when it has no
// Exif block before its image data, the block is malformed, or the value is
// out of range. The Exif segment may follow other segments (JFIF, ICC, ...).
int readExifOrientation(const std::uint8_t* data, std::size_t size);

// The same for a file; 0 when the file cannot be read.
int readExifOrientation(const std::string& path);

}  // namespace orvanta
