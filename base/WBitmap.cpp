#include "base/WBitmap.h"

#include <bit>
#include <cstdio>
#include <memory>

namespace orvanta {

namespace {

bool validDepth(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

void put16(std::FILE* f, std::uint16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}
void put32(std::FILE* f, std::uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

}  // namespace

std::uint8_t maskedComponent(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int width = std::popcount(mask);
    const std::uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<std::uint8_t>(v >> (width - 8));
    // Repeat the field from the top down until 8 bits are filled.
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << width) | v;
        filled += width;
    }
    return static_cast<std::uint8_t>(out >> (filled - 8));
}

std::size_t WBitmap::strideFor(int width, int bitCount) {
    if (width <= 0 || !validDepth(bitCount)) return 0;
    const std::uint64_t bitsPerRow = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount);
    return static_cast<std::size_t>((bitsPerRow + 31) / 32 * 4);
}

bool WBitmap::sizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

bool WBitmap::create(int width, int height, int bitCount) {
    reset();
    if (!validDepth(bitCount) || !sizeAllowed(width, height)) return false;
    const std::size_t stride = strideFor(width, bitCount);
    try {
        bits_.assign(stride * static_cast<std::size_t>(height), 0);
        if (bitCount <= 8) colors_.assign(std::size_t{1} << bitCount, RgbQuad{});
    } catch (const std::bad_alloc&) {
        reset();
        return false;
    }
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    stride_ = stride;
    if (bitCount == 16) setMasks(0x7C00, 0x03E0, 0x001F, false);
    if (bitCount == 32) setMasks(0xFF0000, 0x00FF00, 0x0000FF, false);
    return true;
}

void WBitmap::reset() {
    width_ = height_ = bitCount_ = 0;
    stride_ = 0;
    std::vector<std::uint8_t>().swap(bits_);
    colors_.clear();
    redMask_ = greenMask_ = blueMask_ = 0;
    bitFields_ = false;
}

void WBitmap::setMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue, bool fromFile) {
    redMask_ = red;
    greenMask_ = green;
    blueMask_ = blue;
    bitFields_ = fromFile;
}

RgbQuad WBitmap::pixel(int x, int y) const {
    const std::uint8_t* r = row(y);
    switch (bitCount_) {
    case 24: return {r[3 * x], r[3 * x + 1], r[3 * x + 2], 0};
    case 32: {
        const std::uint32_t v = r[4 * x] | (r[4 * x + 1] << 8) | (r[4 * x + 2] << 16) |
                                (static_cast<std::uint32_t>(r[4 * x + 3]) << 24);
        return {maskedComponent(v, blueMask_), maskedComponent(v, greenMask_), maskedComponent(v, redMask_), 0};
    }
    case 16: {
        const std::uint32_t v = r[2 * x] | (r[2 * x + 1] << 8);
        return {maskedComponent(v, blueMask_), maskedComponent(v, greenMask_), maskedComponent(v, redMask_), 0};
    }
    case 8: return colors_[r[x]];
    case 4: return colors_[(x & 1) ? (r[x / 2] & 0x0F) : (r[x / 2] >> 4)];
    case 1: return colors_[(r[x / 8] >> (7 - (x & 7))) & 1];
    default: return {};
    }
}

QImage WBitmap::toImage32() const {
    if (isNull()) return {};
    QImage image(width_, height_, QImage::Format_RGB32);
    if (image.isNull()) return {};
    for (int y = 0; y < height_; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        const std::uint8_t* in = row(y);
        if (bitCount_ == 24) {
            for (int x = 0; x < width_; ++x, in += 3)
                out[x] = 0xFF000000u | (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[1]} << 8) | in[0];
        } else if (bitCount_ == 8) {
            for (int x = 0; x < width_; ++x) {
                const RgbQuad c = colors_[in[x]];
                out[x] = 0xFF000000u | (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
            }
        } else {
            for (int x = 0; x < width_; ++x) {
                const RgbQuad c = pixel(x, y);
                out[x] = 0xFF000000u | (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
            }
        }
    }
    return image;
}

bool WBitmap::saveBmp(const std::string& path) const {
    if (isNull()) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    std::FILE* f = file.get();
    const bool fields = bitCount_ == 16 || bitCount_ == 32;
    const std::uint32_t colorBytes = static_cast<std::uint32_t>(colors_.size() * 4);
    const std::uint32_t headerBytes = 14 + 40 + (fields ? 12 : 0) + colorBytes;
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(bits_.size());
    std::fwrite("BM", 1, 2, f);
    put32(f, headerBytes + imageBytes);
    put32(f, 0);
    put32(f, headerBytes);
    put32(f, 40);
    put32(f, static_cast<std::uint32_t>(width_));
    put32(f, static_cast<std::uint32_t>(height_));  // bottom-up, read by every viewer
    put16(f, 1);
    put16(f, static_cast<std::uint16_t>(bitCount_));
    put32(f, fields ? 3 : 0);
    put32(f, imageBytes);
    put32(f, 2835);
    put32(f, 2835);
    put32(f, static_cast<std::uint32_t>(colors_.size()));
    put32(f, 0);
    if (fields) {
        put32(f, redMask_);
        put32(f, greenMask_);
        put32(f, blueMask_);
    }
    for (const RgbQuad& c : colors_) {
        const unsigned char q[4] = {c.blue, c.green, c.red, 0};
        std::fwrite(q, 1, 4, f);
    }
    for (int y = height_ - 1; y >= 0; --y) std::fwrite(row(y), 1, stride_, f);
    if (std::ferror(f)) return false;
    return std::fclose(file.release()) == 0;
}

}  // namespace orvanta
