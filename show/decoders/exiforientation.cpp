#include "show/decoders/exiforientation.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/regularfile.h"

// The Exif block is an application-1 segment somewhere among the segments
// before the first scan; cameras write it first, but many tools put a JFIF
// segment ahead of it, so the reader walks the segment chain rather than
// expecting it at offset 2. Inside, a TIFF header names the byte order and the
// first directory, whose 12-byte entries are walked for tag 0x0112. Every
// offset is checked against the segment's own length, never against the file.

namespace orvanta {

namespace {

enum class Scan { Found, None, NeedMore };

std::uint16_t be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

struct Tiff {
    const std::uint8_t* p;
    bool little;
    std::uint16_t get16(std::size_t at) const {
        return little ? static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8)) : be16(p + at);
    }
    std::uint32_t get32(std::size_t at) const {
        return little ? (std::uint32_t{get16(at + 2)} << 16) | get16(at)
                      : (std::uint32_t{get16(at)} << 16) | get16(at + 2);
    }
};

// The orientation in a TIFF block of n bytes, or 0.
int orientationFromTiff(const std::uint8_t* block, std::size_t n) {
    if (n < 12) return 0;
    Tiff t{block, false};
    if (block[0] == 'I' && block[1] == 'I' && block[2] == 0x2A && block[3] == 0) t.little = true;
    else if (!(block[0] == 'M' && block[1] == 'M' && block[2] == 0 && block[3] == 0x2A)) return 0;
    const std::uint32_t offset = t.get32(4);
    if ((offset >> 16) != 0 || offset + std::size_t{2} > n) return 0;
    const unsigned count = t.get16(offset);
    for (std::size_t i = 0, entry = offset + 2; i < count && entry + 12 <= n; ++i, entry += 12) {
        if (t.get16(entry) != 0x0112) continue;
        const std::uint16_t value = t.get16(entry + 8);
        if ((value >> 8) != 0) return 0;
        return value < 9 ? value : 0;
    }
    return 0;
}

Scan scanSegments(const std::uint8_t* data, std::size_t size, int& orientation) {
    orientation = 0;
    if (size < 2) return Scan::NeedMore;
    if (data[0] != 0xFF || data[1] != 0xD8) return Scan::None;
    std::size_t pos = 2;
    for (;;) {
        // Any number of 0xFF fill bytes may precede a marker code.
        while (pos < size && data[pos] == 0xFF && pos + 1 < size && data[pos + 1] == 0xFF) ++pos;
        if (pos + 2 > size) return Scan::NeedMore;
        if (data[pos] != 0xFF) return Scan::None;
        const std::uint8_t marker = data[pos + 1];
        if (marker == 0xDA || marker == 0xD9) return Scan::None;  // image data or end: no Exif
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (pos + 4 > size) return Scan::NeedMore;
        const std::size_t length = be16(data + pos + 2);
        if (length < 2) return Scan::None;
        if (marker == 0xE1 && length >= 8) {
            if (pos + 2 + length > size) return Scan::NeedMore;
            const std::uint8_t* payload = data + pos + 4;
            static constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
            if (std::equal(kExif, kExif + 6, payload)) {
                orientation = orientationFromTiff(payload + 6, length - 8);
                return orientation != 0 ? Scan::Found : Scan::None;
            }
        }
        pos += 2 + length;
    }
}

}  // namespace

int readExifOrientation(const std::uint8_t* data, std::size_t size) {
    int orientation = 0;
    if (data == nullptr) return 0;
    return scanSegments(data, size, orientation) == Scan::Found ? orientation : 0;
}

int readExifOrientation(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fopenRegularFile(path), &std::fclose);
    if (!file) return 0;
    // Read a little at first (the Exif block is usually within the first
    // 64 KiB) and more only while the segment chain runs past what was read.
    constexpr std::size_t kFirst = std::size_t{1} << 17, kLimit = std::size_t{1} << 24;
    std::vector<std::uint8_t> buffer;
    std::size_t want = kFirst;
    for (;;) {
        const std::size_t had = buffer.size();
        buffer.resize(want);
        const std::size_t got = std::fread(buffer.data() + had, 1, want - had, file.get());
        buffer.resize(had + got);
        int orientation = 0;
        const Scan scan = scanSegments(buffer.data(), buffer.size(), orientation);
        if (scan == Scan::Found) return orientation;
        if (scan == Scan::None || got < want - had || want >= kLimit) return 0;
        want *= 2;
    }
}

}  // namespace orvanta
