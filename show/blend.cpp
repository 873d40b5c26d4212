// Two channels of a pixel share one 32-bit lane pair (0x00RR00BB and
// 0x00XX00GG), and two pixels one 64-bit word, so four multiplications blend
// two pixels. A channel product sum is at most 255 * 255 and stays inside its
// 16 bits; the division by 255 is x / 255 = (x + 1 + (x >> 8)) >> 8, exact for
// every x up to 255 * 255 and again lane-safe.
#include "show/blend.h"

#include <algorithm>
#include <cstring>

namespace orvanta {
namespace {

constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFULL;
constexpr std::uint64_t kOnes = 0x0001000100010001ULL;

inline std::uint64_t div255(std::uint64_t x) { return ((x + kOnes + ((x >> 8) & kLanes)) >> 8) & kLanes; }

inline std::uint64_t blend2(std::uint64_t s, std::uint64_t d, std::uint64_t a, std::uint64_t na) {
    const std::uint64_t lo = div255((s & kLanes) * a + (d & kLanes) * na);
    const std::uint64_t hi = div255(((s >> 8) & kLanes) * a + ((d >> 8) & kLanes) * na);
    return lo | (hi << 8);
}

}  // namespace

void blendRow(const std::uint32_t* src, std::uint32_t* dst, std::int64_t n, int alpha) {
    const std::uint64_t a = static_cast<std::uint64_t>(std::clamp(alpha, 0, 255));
    const std::uint64_t na = 255 - a;
    std::int64_t i = 0;
    for (; i + 2 <= n; i += 2) {
        std::uint64_t s, d;
        std::memcpy(&s, src + i, 8);
        std::memcpy(&d, dst + i, 8);
        d = blend2(s, d, a, na);
        std::memcpy(dst + i, &d, 8);
    }
    if (i < n) dst[i] = static_cast<std::uint32_t>(blend2(src[i], dst[i], a, na));
}

void blendConstant(const QImage& src, QImage& dst, int alpha) {
    if (src.depth() != 32 || dst.depth() != 32) return;
    const int w = std::min(src.width(), dst.width());
    const int h = std::min(src.height(), dst.height());
    for (int y = 0; y < h; ++y)
        blendRow(reinterpret_cast<const std::uint32_t*>(src.constScanLine(y)),
                 reinterpret_cast<std::uint32_t*>(dst.scanLine(y)), w, alpha);
}

}  // namespace orvanta
