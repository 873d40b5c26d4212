#include "show/bmpreader.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "framework/regularfile.h"

// Every number in a BMP file is untrusted: offsets and lengths are checked
// against the bytes really there, in 64 bits, and the picture's size against
// WBitmap::sizeAllowed before anything is allocated. Files the show cannot
// represent faithfully (embedded JPEG/PNG, OS/2 Huffman and RLE24, 64-bit
// pixels) are refused, which skips the picture.

namespace orvanta {

namespace {

enum : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}
std::int32_t getSigned32(const std::uint8_t* p) { return static_cast<std::int32_t>(get32(p)); }

struct Layout {
    std::int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {};
    bool fileMasks = false;
    std::uint64_t paletteOffset = 0, paletteCount = 0, paletteEntrySize = 4;
    std::uint64_t bitsOffset = 0;
};

bool knownHeaderSize(std::uint32_t size) {
    switch (size) {
    case 12:   // OS/2 version 1
    case 16:   // OS/2 version 2, short form
    case 40:   // Windows version 3 (or OS/2 version 2 cut to 40)
    case 52:   // version 3 with colour masks
    case 56:   // version 3 with colour and alpha masks
    case 64:   // OS/2 version 2
    case 108:  // Windows version 4
    case 124:  // Windows version 5
        return true;
    default: return false;
    }
}

// Colour masks must be non-empty runs of bits inside the pixel that do not
// overlap; anything else has no sensible reading.
bool masksUsable(const std::uint32_t (&masks)[3], int bitCount) {
    const std::uint64_t pixelBits = (std::uint64_t{1} << bitCount) - 1;
    std::uint32_t seen = 0;
    for (std::uint32_t m : masks) {
        if (m == 0 || (m & ~pixelBits) != 0 || (m & seen) != 0) return false;
        const std::uint32_t shifted = m >> std::countr_zero(m);
        if ((shifted & (shifted + 1)) != 0) return false;  // not contiguous
        seen |= m;
    }
    return true;
}

bool parseLayout(const std::uint8_t* data, std::size_t size, Layout& l) {
    if (size < 14 + 16 || data[0] != 'B' || data[1] != 'M') return false;
    l.bitsOffset = get32(data + 10);
    const std::uint32_t headerSize = get32(data + 14);
    if (!knownHeaderSize(headerSize) || 14 + std::uint64_t{headerSize} > size) return false;
    const std::uint8_t* ih = data + 14;
    int planes = 0;
    std::uint32_t colorsUsed = 0;
    if (headerSize == 12) {
        l.width = get16(ih + 4);
        l.height = get16(ih + 6);
        planes = get16(ih + 8);
        l.bitCount = get16(ih + 10);
        l.paletteEntrySize = 3;
    } else {
        l.width = getSigned32(ih + 4);
        l.height = getSigned32(ih + 8);
        planes = get16(ih + 12);
        l.bitCount = get16(ih + 14);
        if (headerSize >= 20) l.compression = get32(ih + 16);
        if (headerSize >= 36) colorsUsed = get32(ih + 32);
    }
    // OS/2 version 2 numbers its Huffman 1D and RLE24 compressions 3 and 4;
    // neither is supported.
    if ((headerSize == 16 || headerSize == 64) && l.compression != kRgb && l.compression != kRle8 &&
        l.compression != kRle4)
        return false;
    if (planes != 1 || l.width <= 0 || l.height == 0) return false;
    if (l.height < 0) {
        l.topDown = true;
        l.height = -l.height;
    }
    if (!WBitmap::sizeAllowed(l.width, l.height)) return false;

    switch (l.compression) {
    case kRgb:
        if (l.bitCount != 1 && l.bitCount != 2 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 16 &&
            l.bitCount != 24 && l.bitCount != 32)
            return false;
        break;
    case kRle8:
        if (l.bitCount != 8 || l.topDown) return false;
        break;
    case kRle4:
        if (l.bitCount != 4 || l.topDown) return false;
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (l.bitCount != 16 && l.bitCount != 32) return false;
        break;
    default: return false;
    }

    l.paletteOffset = 14 + std::uint64_t{headerSize};
    if (l.bitCount == 16) {
        l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
    } else if (l.bitCount == 32) {
        l.masks[0] = 0xFF0000, l.masks[1] = 0x00FF00, l.masks[2] = 0x0000FF;
    }
    if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
        const std::uint8_t* m = nullptr;
        if (headerSize >= 52) {
            m = ih + 40;
        } else if (headerSize == 40) {
            // The masks follow a version 3 header, before the colour table.
            const std::uint64_t maskBytes = l.compression == kAlphaBitFields ? 16 : 12;
            if (l.paletteOffset + maskBytes > size) return false;
            m = data + l.paletteOffset;
            l.paletteOffset += maskBytes;
        } else {
            return false;
        }
        l.masks[0] = get32(m), l.masks[1] = get32(m + 4), l.masks[2] = get32(m + 8);
        l.fileMasks = true;
    }
    if ((l.bitCount == 16 || l.bitCount == 32) && !masksUsable(l.masks, l.bitCount)) return false;

    if (l.bitsOffset < l.paletteOffset || l.bitsOffset >= size) return false;
    if (l.bitCount <= 8) {
        const std::uint64_t maxEntries = std::uint64_t{1} << l.bitCount;
        l.paletteCount = (colorsUsed == 0 || colorsUsed > maxEntries) ? maxEntries : colorsUsed;
        // A short colour table (seen from OS/2 writers) ends where the pixels start.
        const std::uint64_t room = (l.bitsOffset - l.paletteOffset) / l.paletteEntrySize;
        if (l.paletteCount > room) l.paletteCount = room;
    }
    return true;
}

void copyPalette(const std::uint8_t* data, const Layout& l, WBitmap& out) {
    std::vector<RgbQuad>& table = out.colorTable();
    const std::uint8_t* p = data + l.paletteOffset;
    for (std::uint64_t i = 0; i < l.paletteCount && i < table.size(); ++i, p += l.paletteEntrySize)
        table[i] = RgbQuad{p[0], p[1], p[2], 0};
}

bool readUncompressed(const std::uint8_t* data, std::size_t size, const Layout& l, WBitmap& out) {
    const std::uint64_t srcStride = (static_cast<std::uint64_t>(l.width) * l.bitCount + 31) / 32 * 4;
    const std::uint64_t lastRowBytes = (static_cast<std::uint64_t>(l.width) * l.bitCount + 7) / 8;
    // Writers that leave out the final row's padding are common, so only the
    // pixel bytes of the last row must be present.
    const std::uint64_t needed = srcStride * static_cast<std::uint64_t>(l.height - 1) + lastRowBytes;
    if (needed > size - l.bitsOffset) return false;

    const int width = static_cast<int>(l.width), height = static_cast<int>(l.height);
    if (!out.create(width, height, l.bitCount == 2 ? 4 : l.bitCount)) return false;
    if (l.bitCount <= 8) copyPalette(data, l, out);
    if (l.bitCount == 16 || l.bitCount == 32) out.setMasks(l.masks[0], l.masks[1], l.masks[2], l.fileMasks);

    const std::uint8_t* bits = data + l.bitsOffset;
    const std::size_t available = size - static_cast<std::size_t>(l.bitsOffset);
    for (int y = 0; y < height; ++y) {
        const std::uint64_t fileRow = l.topDown ? y : height - 1 - y;
        const std::uint64_t start = fileRow * srcStride;
        const std::uint8_t* src = bits + start;
        std::uint8_t* dst = out.row(y);
        if (l.bitCount == 2) {
            // No 2-bit depth in the show: each index moves into a nibble.
            for (int x = 0; x < width; ++x) {
                const int index = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
                dst[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? index : index << 4);
            }
        } else {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(srcStride, available - start));
            std::memcpy(dst, src, std::min(n, out.stride()));
        }
    }
    return true;
}

// RLE8 and RLE4. Rows run bottom-up; a run or literal that would leave its
// row, a jump outside the picture, or data that ends before the
// end-of-bitmap code refuses the file: such files are built to overrun
// decoders, and a clipped guess would show garbage. Pixels a jump skips keep
// index 0.
bool readRle(const std::uint8_t* data, std::size_t size, const Layout& l, WBitmap& out) {
    const bool four = l.compression == kRle4;
    const int width = static_cast<int>(l.width), height = static_cast<int>(l.height);
    if (!out.create(width, height, four ? 4 : 8)) return false;
    copyPalette(data, l, out);

    auto put = [&](int x, int y, unsigned index) {
        std::uint8_t* r = out.row(height - 1 - y);
        if (!four)
            r[x] = static_cast<std::uint8_t>(index);
        else if (x & 1)
            r[x >> 1] = static_cast<std::uint8_t>((r[x >> 1] & 0xF0) | (index & 0x0F));
        else
            r[x >> 1] = static_cast<std::uint8_t>((r[x >> 1] & 0x0F) | (index << 4));
    };

    std::size_t pos = static_cast<std::size_t>(l.bitsOffset);
    std::int64_t x = 0, y = 0;
    while (pos + 2 <= size) {
        const unsigned a = data[pos], b = data[pos + 1];
        pos += 2;
        if (a > 0) {
            if (y >= height || x + a > width) return false;
            for (unsigned i = 0; i < a; ++i) {
                const unsigned index = !four ? b : (i & 1) ? (b & 0x0F) : (b >> 4);
                put(static_cast<int>(x++), static_cast<int>(y), index);
            }
        } else if (b == 0) {
            x = 0;
            ++y;
            if (y > height) return false;
        } else if (b == 1) {
            return true;
        } else if (b == 2) {
            if (pos + 2 > size) return false;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
            if (x > width || y > height) return false;
        } else {
            const std::size_t bytes = four ? (b + 1) / 2 : b;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (padded > size - pos || y >= height || x + b > width) return false;
            for (unsigned i = 0; i < b; ++i) {
                const std::uint8_t byte = data[pos + (four ? i / 2 : i)];
                const unsigned index = !four ? byte : (i & 1) ? (byte & 0x0F) : (byte >> 4);
                put(static_cast<int>(x++), static_cast<int>(y), index);
            }
            pos += padded;
        }
    }
    // Some writers stop without the end-of-bitmap code once every row is done.
    return y >= height;
}

}  // namespace

bool readBmp(const std::uint8_t* data, std::size_t size, WBitmap& out) {
    out.reset();
    Layout l;
    if (data == nullptr || !parseLayout(data, size, l)) return false;
    const bool ok = (l.compression == kRle8 || l.compression == kRle4) ? readRle(data, size, l, out)
                                                                         : readUncompressed(data, size, l, out);
    if (!ok) out.reset();
    return ok;
}

bool loadBmp(const std::string& path, WBitmap& out) {
    out.reset();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fopenRegularFile(path), &std::fclose);
    if (!file) return false;
    // The largest acceptable picture plus generous room for headers and
    // colour tables; a longer file cannot be a BMP the show accepts.
    constexpr std::int64_t kMaxFile = WBitmap::kMaxPixels * 4 + (std::int64_t{1} << 20);
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file.get());
    if (length <= 0 || length > kMaxFile || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
    return readBmp(bytes.data(), bytes.size(), out);
}

}  // namespace orvanta
