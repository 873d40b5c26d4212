#include "show/decoders/rotatebitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

// Exif orientations only ever need quarter turns and flips. Done through
// trigonometry they go wrong in small ways: sin(pi/2) in single precision is
// just below 1, so truncating the mapped corners loses a row, and sampling
// blurs or shifts the picture by one pixel. They are therefore plain pixel
// moves here; only other angles take the general inverse-mapping path.

namespace orvanta {

namespace {

// 1 and 4-bit pixels are not byte-addressable; the moves work on an 8-bit copy.
WBitmap byteAligned(const WBitmap& src) {
    WBitmap out;
    if (!out.create(src.width(), src.height(), 8)) return out;
    std::copy(src.colorTable().begin(), src.colorTable().end(), out.colorTable().begin());
    for (int y = 0; y < src.height(); ++y) {
        const std::uint8_t* in = src.row(y);
        std::uint8_t* o = out.row(y);
        for (int x = 0; x < src.width(); ++x)
            o[x] = src.bitCount() == 4 ? ((x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4))
                                       : ((in[x >> 3] >> (7 - (x & 7))) & 1);
    }
    return out;
}

// Builds a width x height bitmap of src's depth whose pixel (x, y) is src's
// pixel map(x, y). Works in tiles so that column-wise reads stay in cache.
template <typename Map>
WBitmap movePixels(const WBitmap& source, int width, int height, Map map) {
    WBitmap out;
    if (source.isNull()) return out;
    if (source.bitCount() < 8) {
        const WBitmap aligned = byteAligned(source);
        return aligned.isNull() ? out : movePixels(aligned, width, height, map);
    }
    if (!out.create(width, height, source.bitCount())) return out;
    out.colorTable() = source.colorTable();
    if (source.bitCount() == 16 || source.bitCount() == 32)
        out.setMasks(source.redMask(), source.greenMask(), source.blueMask(), source.bitFields());
    const int bytes = source.bitCount() / 8;
    constexpr int kTile = 64;
    for (int ty = 0; ty < height; ty += kTile) {
        for (int tx = 0; tx < width; tx += kTile) {
            for (int y = ty; y < std::min(height, ty + kTile); ++y) {
                std::uint8_t* o = out.row(y) + static_cast<std::size_t>(tx) * bytes;
                for (int x = tx; x < std::min(width, tx + kTile); ++x, o += bytes) {
                    const auto [sx, sy] = map(x, y);
                    std::memcpy(o, source.row(sy) + static_cast<std::size_t>(sx) * bytes, bytes);
                }
            }
        }
    }
    return out;
}

struct Point {
    int x, y;
};

WBitmap quarterTurns(const WBitmap& src, int turns) {
    const int w = src.width(), h = src.height();
    switch (turns) {
    case 1:  // anticlockwise: the top-right corner comes to the top left
        return movePixels(src, h, w, [w](int x, int y) { return Point{w - 1 - y, x}; });
    case 2: return movePixels(src, w, h, [w, h](int x, int y) { return Point{w - 1 - x, h - 1 - y}; });
    case 3:  // clockwise
        return movePixels(src, h, w, [h](int x, int y) { return Point{y, h - 1 - x}; });
    default: return movePixels(src, w, h, [](int x, int y) { return Point{x, y}; });
    }
}

}  // namespace

WBitmap rotateBitmap(const WBitmap& bitmap, double angle, RgbQuad fill) {
    if (bitmap.isNull() || !std::isfinite(angle)) return {};
    const double quarters = angle / (std::numbers::pi / 2);
    const double nearest = std::round(quarters);
    if (std::fabs(quarters - nearest) < 1e-5) {
        const long long turns = static_cast<long long>(std::fmod(nearest, 4.0));
        return quarterTurns(bitmap, static_cast<int>((turns % 4 + 4) % 4));
    }

    // Forward map x' = x c + y s, y' = -x s + y c; the box spans the mapped
    // corners (truncated toward zero) and the origin.
    const double s = std::sin(angle), c = std::cos(angle);
    const double w = bitmap.width(), h = bitmap.height();
    const double cx[3] = {w * c, h * s, w * c + h * s};
    const double cy[3] = {-w * s, h * c, -w * s + h * c};
    std::int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 3; ++i) {
        const auto x = static_cast<std::int64_t>(std::trunc(cx[i]));
        const auto y = static_cast<std::int64_t>(std::trunc(cy[i]));
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    WBitmap out;
    if (!WBitmap::sizeAllowed(maxX - minX, maxY - minY) ||
        !out.create(static_cast<int>(maxX - minX), static_cast<int>(maxY - minY), 24))
        return out;
    for (int y = 0; y < out.height(); ++y) {
        std::uint8_t* o = out.row(y);
        const double ty = y + minY + 0.5;
        for (int x = 0; x < out.width(); ++x, o += 3) {
            const double tx = x + minX + 0.5;
            // Inverse map: the source point under this pixel's centre.
            const double sx = std::floor(tx * c - ty * s), sy = std::floor(tx * s + ty * c);
            const RgbQuad p = (sx >= 0 && sy >= 0 && sx < w && sy < h)
                                  ? bitmap.pixel(static_cast<int>(sx), static_cast<int>(sy))
                                  : fill;
            o[0] = p.blue, o[1] = p.green, o[2] = p.red;
        }
    }
    return out;
}

WBitmap mirrorBitmap(const WBitmap& bitmap, bool horizontal) {
    const int w = bitmap.width(), h = bitmap.height();
    if (horizontal) return movePixels(bitmap, w, h, [w](int x, int y) { return Point{w - 1 - x, y}; });
    return movePixels(bitmap, w, h, [h](int x, int y) { return Point{x, h - 1 - y}; });
}

}  // namespace orvanta
