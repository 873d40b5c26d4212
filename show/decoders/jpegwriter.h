#pragma once
// Writing pictures as JPEG files (the sample generator, tests and benchmarks).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace orvanta {

struct JpegWriteOptions {
    int quality = 90;
    // Bytes from one row to the next; 0 means tightly packed.
    std::size_t stride = 0;
    // Colour rows are B,G,R (WBitmap's 24-bit layout) instead of R,G,B.
    bool bgr = false;
    // Written as an APP1 segment right after the JFIF segment (e.g. Exif), at most 65533 bytes.
    const std::vector<std::uint8_t>* app1 = nullptr;
    // A progressive scan script; none gives a baseline file.
    const std::vector<jpeg_scan_info>* scans = nullptr;
};

// Writes top-down rows of 1 (grey) or 3 (colour) bytes per pixel as a JPEG
// file. False on bad arguments or any libjpeg or file error (the file may then
// be partial); never exits the process. Same input, same bytes.
bool writeJpegFile(const std::string& path, const std::uint8_t* pixels, int width, int height, int components,
                   const JpegWriteOptions& options = {});

}  // namespace orvanta
