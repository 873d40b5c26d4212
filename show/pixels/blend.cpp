// The plain kernel puts two channels of a pixel in one 32-bit lane pair
// (0x00RR00BB and 0x00XX00GG), and two pixels in one 64-bit word, so four
// multiplications blend two pixels. A channel product sum is at most
// 255 * 255 and stays inside its 16 bits; the division by 255 is
// x / 255 = (x + 1 + (x >> 8)) >> 8, exact for every x up to 255 * 255 and
// again lane-safe. The vector kernels do the same on 16-bit lanes.
#include "show/pixels/blend.h"

#include <algorithm>
#include <cstring>

#include "show/pixels/pixelwork.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ORVANTA_HAVE_AVX2_PATH 1
#endif

namespace orvanta {
namespace {

constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFULL;
constexpr std::uint64_t kOnes = 0x0001000100010001ULL;
// Bands of fewer pixels than this are not worth a thread.
constexpr int kMinPixelsPerBand = 1 << 16;

inline std::uint64_t div255(std::uint64_t x) { return ((x + kOnes + ((x >> 8) & kLanes)) >> 8) & kLanes; }

inline std::uint64_t blend2(std::uint64_t s, std::uint64_t d, std::uint64_t a, std::uint64_t na) {
    const std::uint64_t lo = div255((s & kLanes) * a + (d & kLanes) * na);
    const std::uint64_t hi = div255(((s >> 8) & kLanes) * a + ((d >> 8) & kLanes) * na);
    return lo | (hi << 8);
}

void blendScalar(const std::uint32_t* src, std::uint32_t* dst, std::int64_t from, std::int64_t n, int alpha) {
    const std::uint64_t a = static_cast<std::uint64_t>(alpha);
    const std::uint64_t na = 255 - a;
    std::int64_t i = from;
    for (; i + 2 <= n; i += 2) {
        std::uint64_t s, d;
        std::memcpy(&s, src + i, 8);
        std::memcpy(&d, dst + i, 8);
        d = blend2(s, d, a, na);
        std::memcpy(dst + i, &d, 8);
    }
    if (i < n) dst[i] = static_cast<std::uint32_t>(blend2(src[i], dst[i], a, na));
}

#if defined(__SSE2__)
// Bytes widened to 16-bit lanes: s * a + d * (255 - a) <= 255 * 255 stays
// below 2^16, and so does x + 1 + (x >> 8).
std::int64_t blendSse2(const std::uint32_t* src, std::uint32_t* dst, std::int64_t n, int alpha) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_set1_epi16(static_cast<short>(alpha));
    const __m128i na = _mm_set1_epi16(static_cast<short>(255 - alpha));
    const __m128i one = _mm_set1_epi16(1);
    auto lanes = [&](__m128i s, __m128i d) {
        const __m128i x = _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, na));
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
    };
    std::int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i lo = lanes(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
        const __m128i hi = lanes(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
    return i;
}
#endif

#if defined(ORVANTA_HAVE_AVX2_PATH)
__attribute__((target("avx2"))) std::int64_t blendAvx2(const std::uint32_t* src, std::uint32_t* dst, std::int64_t n,
                                                       int alpha) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_set1_epi16(static_cast<short>(alpha));
    const __m256i na = _mm256_set1_epi16(static_cast<short>(255 - alpha));
    const __m256i one = _mm256_set1_epi16(1);
    std::int64_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        // The unpacks and the pack work within 128-bit lanes and undo each other.
        __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), a),
                                      _mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), na));
        __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), a),
                                      _mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), na));
        lo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(lo, one), _mm256_srli_epi16(lo, 8)), 8);
        hi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(hi, one), _mm256_srli_epi16(hi, 8)), 8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi16(lo, hi));
    }
    return i;
}

__attribute__((target("avx512f,avx512bw,avx512vl"))) std::int64_t blendAvx512(const std::uint32_t* src,
                                                                              std::uint32_t* dst, std::int64_t n,
                                                                              int alpha) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i a = _mm512_set1_epi16(static_cast<short>(alpha));
    const __m512i na = _mm512_set1_epi16(static_cast<short>(255 - alpha));
    const __m512i one = _mm512_set1_epi16(1);
    std::int64_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m512i s = _mm512_loadu_si512(src + i);
        const __m512i d = _mm512_loadu_si512(dst + i);
        __m512i lo = _mm512_add_epi16(_mm512_mullo_epi16(_mm512_unpacklo_epi8(s, zero), a),
                                      _mm512_mullo_epi16(_mm512_unpacklo_epi8(d, zero), na));
        __m512i hi = _mm512_add_epi16(_mm512_mullo_epi16(_mm512_unpackhi_epi8(s, zero), a),
                                      _mm512_mullo_epi16(_mm512_unpackhi_epi8(d, zero), na));
        lo = _mm512_srli_epi16(_mm512_add_epi16(_mm512_add_epi16(lo, one), _mm512_srli_epi16(lo, 8)), 8);
        hi = _mm512_srli_epi16(_mm512_add_epi16(_mm512_add_epi16(hi, one), _mm512_srli_epi16(hi, 8)), 8);
        _mm512_storeu_si512(dst + i, _mm512_packus_epi16(lo, hi));
    }
    return i;
}
#endif

bool is32Bit(const QImage& image) { return image.depth() == 32; }

}  // namespace

void blendRow(const std::uint32_t* src, std::uint32_t* dst, std::int64_t n, int alpha) {
    alpha = std::clamp(alpha, 0, 255);
    const VectorLevel level = vectorLevel();
    std::int64_t done = 0;
#if defined(ORVANTA_HAVE_AVX2_PATH)
    if (level >= VectorLevel::Avx512) done = blendAvx512(src, dst, n, alpha);
    else if (level >= VectorLevel::Avx2) done = blendAvx2(src, dst, n, alpha);
#endif
#if defined(__SSE2__)
    if (level >= VectorLevel::Sse2 && done == 0) done = blendSse2(src, dst, n, alpha);
#endif
    (void)level;
    blendScalar(src, dst, done, n, alpha);
}

void blendConstant(const QImage& src, QImage& dst, int alpha) {
    QImage none;
    blendAndCopy(src, dst, alpha, none, QRect());
}

void blendAndCopy(const QImage& src, QImage& dst, int alpha, QImage& copyTo, const QRect& copyRect) {
    if (!is32Bit(src) || !is32Bit(dst)) return;
    const int w = std::min(src.width(), dst.width());
    const int h = std::min(src.height(), dst.height());
    if (w <= 0 || h <= 0) return;
    QRect copy;
    if (is32Bit(copyTo) && &copyTo != &dst) copy = copyRect.intersected(dst.rect()).intersected(copyTo.rect());
    const uchar* srcBits = src.constBits();
    uchar* dstBits = dst.bits();
    uchar* copyBits = copy.isEmpty() ? nullptr : copyTo.bits();
    const qsizetype srcStride = src.bytesPerLine(), dstStride = dst.bytesPerLine();
    const qsizetype copyStride = copy.isEmpty() ? 0 : copyTo.bytesPerLine();
    const int bands = rowBandCount(h, kMinPixelsPerBand / w + 1);
    forRowBands(h, bands, [&](int, int first, int last) {
        for (int y = first; y < last; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(dstBits + dstStride * y);
            blendRow(reinterpret_cast<const std::uint32_t*>(srcBits + srcStride * y), row, w, alpha);
            // The row just blended is still in the cache.
            if (copyBits && y >= copy.top() && y <= copy.bottom())
                std::memcpy(copyBits + copyStride * y + 4 * copy.left(), row + copy.left(),
                            4 * static_cast<std::size_t>(copy.width()));
        }
    });
}

}  // namespace orvanta
