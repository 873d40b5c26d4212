// Area-averaging stretch.
//
// Each destination pixel j of an axis (source length s, destination length d)
// looks at a window of the source centred on (j + 1/2) * s/d, of width s/d
// when shrinking, so that it averages exactly the source area it covers, and
// of width one source pixel when enlarging, so that it blends the two source
// pixels it falls between instead of repeating one of them (which is what
// pure area coverage degenerates to at integer enlargements). Source pixels
// partly inside the window count with their covered fraction; a window that
// sticks out of the source is cut at its edge and renormalised. All window
// arithmetic is exact: positions are integers in units of 1/(2d) source pixel.
//
// The filter is separable. Per axis the weights are precomputed once per
// call as 14-bit fixed-point integers whose running sum is rounded, so every
// window sums to exactly 1 << 14 and a constant picture stays exactly
// constant. The picture is then processed one destination row at a time: the
// vertical pass folds that row's few source rows into one intermediate row of
// 16-bit values (8 fractional bits less one, so that SSE2's signed
// multiply-add can take them), and the horizontal pass folds the intermediate
// row into the destination row. Shrinking a 6000 x 4000 picture therefore
// reads each source row once or twice and keeps one small buffer hot. Large
// stretches are cut into bands of destination rows that run on several
// threads, each with its own intermediate row.
//
// Every kernel below computes the same integers as the plain C++ one. The
// two-tap kernels (every window of an enlargement, so every frame of the
// zooms) rewrite the sum rather than the result: with weights wa + wb = 2^14,
//   (a * wa + b * wb + 64) >> 7  =  (b << 7) + (((a - b) * wa + 64) >> 7)
// for the vertical pass, and for the horizontal pass
//   (a * wa + b * wb + 2^20) >> 21  =  (b + ((a - b) * wa >> 14) + 64) >> 7,
// both exact for every input, which lets 16-bit lanes do the work without
// the shuffles a multiply-add of pairs needs.
#include "show/pixels/resample.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "show/pixels/pixelwork.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(ORVANTA_NO_AVX2)
#include <immintrin.h>
#define ORVANTA_HAVE_AVX2_PATH 1
#endif

namespace orvanta {
namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;
// Intermediate values carry 7 fractional bits: 255 << 7 still fits a signed
// 16-bit lane, and the horizontal sum stays below 2^31.
constexpr int kVerticalShift = kWeightBits - 7;
constexpr int kHorizontalShift = kWeightBits + 7;
// Larger lengths would overflow the 64-bit window arithmetic.
constexpr std::int64_t kMaxLength = std::int64_t{1} << 28;
// Spare intermediate pixels past the last one a window uses: the even-rounded
// windows read one, the fixed 4-tap kernel three, the two-tap kernels up to 15.
constexpr int kSlackPixels = 16;
// Bands of fewer destination pixels than this are not worth a thread.
constexpr int kMinPixelsPerBand = 1 << 16;

// Windows of the visible destination positions [from, to) of one axis.
struct AxisTaps {
    std::vector<int> first;          // first source index of each window (relative to the source rectangle)
    std::vector<int> count;          // window length, rounded up to even
    std::vector<std::size_t> start;  // index of the window's first weight
    std::vector<std::int16_t> weights;
    int lowest = 0;   // smallest first index
    int highest = 0;  // one past the largest source index used
};

void buildTaps(std::int64_t s, std::int64_t d, int from, int to, AxisTaps& taps) {
    const std::int64_t unit = 2 * d;  // one source pixel
    const std::int64_t half = std::max(s, d);
    const std::int64_t end = s * unit;
    const std::size_t n = static_cast<std::size_t>(std::max(to - from, 0));
    taps.first.clear();
    taps.count.clear();
    taps.start.clear();
    taps.weights.clear();
    taps.first.reserve(n);
    taps.count.reserve(n);
    taps.start.reserve(n);
    taps.lowest = static_cast<int>(s);
    taps.highest = 0;
    for (int j = from; j < to; ++j) {
        const std::int64_t centre = (2 * std::int64_t{j} + 1) * s;
        const std::int64_t lo = std::max<std::int64_t>(centre - half, 0);
        const std::int64_t hi = std::min(centre + half, end);
        const std::int64_t total = hi - lo;  // > 0: the centre lies inside the source
        const std::int64_t first = lo / unit;
        const std::int64_t last = (hi + unit - 1) / unit;  // one past
        taps.first.push_back(static_cast<int>(first));
        taps.start.push_back(taps.weights.size());
        std::int64_t covered = 0;
        int given = 0;
        for (std::int64_t i = first; i < last; ++i) {
            covered += std::min(hi, (i + 1) * unit) - std::max(lo, i * unit);
            const int upTo = static_cast<int>((covered * kWeightOne + total / 2) / total);
            taps.weights.push_back(static_cast<std::int16_t>(upTo - given));
            given = upTo;
        }
        std::int64_t count = last - first;
        if (count % 2 != 0) {
            taps.weights.push_back(0);  // pairs for the multiply-add; its pixel is read, never counted
            ++count;
        }
        taps.count.push_back(static_cast<int>(count));
        taps.lowest = std::min(taps.lowest, static_cast<int>(first));
        taps.highest = std::max(taps.highest, static_cast<int>(last));
    }
}

// ------------------------------------------------------------ vertical pass
//
// One intermediate row: out[c] = sum_k rows[k][c] * weights[k], for channel
// bytes [from, bytes), scaled down by kVerticalShift with rounding. Each
// vector kernel returns where it stopped; the next one carries on from there.

void verticalScalar(const std::uint8_t* const* rows, const std::int16_t* weights, int taps, int from, int bytes,
                    std::uint16_t* out) {
    for (int c = from; c < bytes; ++c) {
        std::int32_t sum = 0;
        for (int k = 0; k < taps; ++k) sum += rows[k][c] * weights[k];
        out[c] = static_cast<std::uint16_t>((sum + (1 << (kVerticalShift - 1))) >> kVerticalShift);
    }
}

#if defined(__SSE2__)
// The `ahead` rows (those the next destination row will add) are fetched into
// the cache meanwhile: a row is a few pages, too short for the hardware to
// catch on.
int verticalSse2(const std::uint8_t* const* rows, const std::int16_t* weights, int taps, int from, int bytes,
                 const std::uint8_t* const* ahead, int aheadCount, std::uint16_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(1 << (kVerticalShift - 1));
    int c = from;
    for (; c + 16 <= bytes; c += 16) {
        if ((c & 63) == 0)
            for (int k = 0; k < aheadCount; ++k) _mm_prefetch(reinterpret_cast<const char*>(ahead[k] + c), _MM_HINT_T0);
        __m128i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const __m128i ra = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + c));
            const __m128i rb = k + 1 < taps ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + c)) : zero;
            const std::uint16_t wb = k + 1 < taps ? static_cast<std::uint16_t>(weights[k + 1]) : 0;
            const __m128i w = _mm_set1_epi32(
                static_cast<int>(static_cast<std::uint16_t>(weights[k]) | (std::uint32_t{wb} << 16)));
            // Interleave the two rows so that one multiply-add weighs both.
            const __m128i lo = _mm_unpacklo_epi8(ra, rb);
            const __m128i hi = _mm_unpackhi_epi8(ra, rb);
            a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
            a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
            a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
            a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
        }
        a0 = _mm_srai_epi32(_mm_add_epi32(a0, round), kVerticalShift);
        a1 = _mm_srai_epi32(_mm_add_epi32(a1, round), kVerticalShift);
        a2 = _mm_srai_epi32(_mm_add_epi32(a2, round), kVerticalShift);
        a3 = _mm_srai_epi32(_mm_add_epi32(a3, round), kVerticalShift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c), _mm_packs_epi32(a0, a1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c + 8), _mm_packs_epi32(a2, a3));
    }
    return c;
}
#endif

#if defined(ORVANTA_HAVE_AVX2_PATH)
// The general kernel 32 bytes at a time.
__attribute__((target("avx2"))) int verticalAvx2(const std::uint8_t* const* rows, const std::int16_t* weights, int taps,
                                                 int bytes, const std::uint8_t* const* ahead, int aheadCount,
                                                 std::uint16_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i round = _mm256_set1_epi32(1 << (kVerticalShift - 1));
    int c = 0;
    for (; c + 32 <= bytes; c += 32) {
        if ((c & 63) == 0)
            for (int k = 0; k < aheadCount; ++k) _mm_prefetch(reinterpret_cast<const char*>(ahead[k] + c), _MM_HINT_T0);
        __m256i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const __m256i ra = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + c));
            const __m256i rb = k + 1 < taps ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + c))
                                            : zero;
            const std::uint16_t wb = k + 1 < taps ? static_cast<std::uint16_t>(weights[k + 1]) : 0;
            const __m256i w = _mm256_set1_epi32(
                static_cast<int>(static_cast<std::uint16_t>(weights[k]) | (std::uint32_t{wb} << 16)));
            const __m256i lo = _mm256_unpacklo_epi8(ra, rb);
            const __m256i hi = _mm256_unpackhi_epi8(ra, rb);
            a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), w));
            a1 = _mm256_add_epi32(a1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), w));
            a2 = _mm256_add_epi32(a2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), w));
            a3 = _mm256_add_epi32(a3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), w));
        }
        a0 = _mm256_srai_epi32(_mm256_add_epi32(a0, round), kVerticalShift);
        a1 = _mm256_srai_epi32(_mm256_add_epi32(a1, round), kVerticalShift);
        a2 = _mm256_srai_epi32(_mm256_add_epi32(a2, round), kVerticalShift);
        a3 = _mm256_srai_epi32(_mm256_add_epi32(a3, round), kVerticalShift);
        // The unpacks work within 128-bit lanes: the low lanes hold bytes
        // 0..15, the high lanes bytes 16..31.
        const __m256i p01 = _mm256_packs_epi32(a0, a1);
        const __m256i p23 = _mm256_packs_epi32(a2, a3);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c), _mm256_permute2x128_si256(p01, p23, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c + 16), _mm256_permute2x128_si256(p01, p23, 0x31));
    }
    return c;
}

// Two taps, the heavier row `base` and the other row `other` of weight w
// (at most half): out = (base << 7) + (((other - base) * w + 64) >> 7), where
// the second term is exactly what the rounding high multiply gives for
// ((other - base) << 7) * (2 w).
__attribute__((target("avx2"))) int verticalTwoTapAvx2(const std::uint8_t* base, const std::uint8_t* other, int w,
                                                       int bytes, const std::uint8_t* const* ahead, int aheadCount,
                                                       std::uint16_t* out) {
    const __m256i w2 = _mm256_set1_epi16(static_cast<short>(2 * w));
    int c = 0;
    for (; c + 32 <= bytes; c += 32) {
        if ((c & 63) == 0)
            for (int k = 0; k < aheadCount; ++k) _mm_prefetch(reinterpret_cast<const char*>(ahead[k] + c), _MM_HINT_T0);
        for (int half = 0; half < 32; half += 16) {
            const __m256i b = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(base + c + half)));
            const __m256i o = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(other + c + half)));
            const __m256i d = _mm256_slli_epi16(_mm256_sub_epi16(o, b), 7);
            const __m256i v = _mm256_add_epi16(_mm256_slli_epi16(b, 7), _mm256_mulhrs_epi16(d, w2));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c + half), v);
        }
    }
    return c;
}

__attribute__((target("avx512f,avx512bw,avx512vl"))) int verticalTwoTapAvx512(const std::uint8_t* base,
                                                                              const std::uint8_t* other, int w,
                                                                              int bytes,
                                                                              const std::uint8_t* const* ahead,
                                                                              int aheadCount, std::uint16_t* out) {
    const __m512i w2 = _mm512_set1_epi16(static_cast<short>(2 * w));
    int c = 0;
    for (; c + 64 <= bytes; c += 64) {
        for (int k = 0; k < aheadCount; ++k) _mm_prefetch(reinterpret_cast<const char*>(ahead[k] + c), _MM_HINT_T0);
        for (int half = 0; half < 64; half += 32) {
            const __m512i b = _mm512_cvtepu8_epi16(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + c + half)));
            const __m512i o = _mm512_cvtepu8_epi16(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(other + c + half)));
            const __m512i d = _mm512_slli_epi16(_mm512_sub_epi16(o, b), 7);
            const __m512i v = _mm512_add_epi16(_mm512_slli_epi16(b, 7), _mm512_mulhrs_epi16(d, w2));
            _mm512_storeu_si512(out + c + half, v);
        }
    }
    return c;
}
#endif

void verticalPass(VectorLevel level, const std::uint8_t* const* rows, const std::int16_t* weights, int taps, int bytes,
                  const std::uint8_t* const* ahead, int aheadCount, std::uint16_t* out) {
    int c = 0;
#if defined(ORVANTA_HAVE_AVX2_PATH)
    if (level >= VectorLevel::Avx2) {
        if (taps == 2 && weights[0] + weights[1] == kWeightOne) {
            const bool firstHeavier = weights[0] >= weights[1];
            const std::uint8_t* base = firstHeavier ? rows[0] : rows[1];
            const std::uint8_t* other = firstHeavier ? rows[1] : rows[0];
            const int w = firstHeavier ? weights[1] : weights[0];
            c = level >= VectorLevel::Avx512 ? verticalTwoTapAvx512(base, other, w, bytes, ahead, aheadCount, out)
                                             : verticalTwoTapAvx2(base, other, w, bytes, ahead, aheadCount, out);
        } else {
            c = verticalAvx2(rows, weights, taps, bytes, ahead, aheadCount, out);
        }
    }
#endif
#if defined(__SSE2__)
    if (level >= VectorLevel::Sse2) c = verticalSse2(rows, weights, taps, c, bytes, ahead, aheadCount, out);
#else
    (void)ahead;
    (void)aheadCount;
#endif
    verticalScalar(rows, weights, taps, c, bytes, out);
}

// ---------------------------------------------------------- horizontal pass
//
// Destination pixels [from, to) of one row from the intermediate row (4
// values per pixel).

void horizontalScalar(const std::uint16_t* in, const AxisTaps& taps, std::size_t from, std::size_t to,
                      std::uint32_t* out) {
    for (std::size_t j = from; j < to; ++j) {
        const std::uint16_t* p = in + 4 * (taps.first[j] - taps.lowest);
        const std::int16_t* w = taps.weights.data() + taps.start[j];
        std::int32_t sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < taps.count[j]; ++k, p += 4)
            for (int ch = 0; ch < 4; ++ch) sum[ch] += p[ch] * w[k];
        std::uint32_t pixel = 0xFF000000u;
        for (int ch = 0; ch < 3; ++ch) {
            const int v = std::clamp((sum[ch] + (1 << (kHorizontalShift - 1))) >> kHorizontalShift, 0, 255);
            pixel |= static_cast<std::uint32_t>(v) << (8 * ch);
        }
        out[j] = pixel;
    }
}

#if defined(__SSE2__)
void horizontalSse2(const std::uint16_t* in, const AxisTaps& taps, std::size_t from, std::size_t to,
                    std::uint32_t* out) {
    for (std::size_t j = from; j < to; ++j) {
        const std::uint16_t* p = in + 4 * (taps.first[j] - taps.lowest);
        const std::int16_t* w = taps.weights.data() + taps.start[j];
        const int count = taps.count[j];
        __m128i acc = _mm_setzero_si128();
        for (int k = 0; k < count; k += 2, p += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            // b0 g0 r0 x0 b1 g1 r1 x1 -> b0 b1 g0 g1 r0 r1 x0 x1
            const __m128i pairs = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
            const __m128i wp = _mm_set1_epi32(static_cast<int>(
                static_cast<std::uint16_t>(w[k]) | (std::uint32_t{static_cast<std::uint16_t>(w[k + 1])} << 16)));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(pairs, wp));
        }
        acc = _mm_srai_epi32(_mm_add_epi32(acc, _mm_set1_epi32(1 << (kHorizontalShift - 1))), kHorizontalShift);
        acc = _mm_packs_epi32(acc, acc);
        acc = _mm_packus_epi16(acc, acc);
        out[j] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) | 0xFF000000u;
    }
}
#endif

#if defined(ORVANTA_HAVE_AVX2_PATH)
// Mild shrinks (up to about 3x) give windows of at most 4 taps once rounded
// up to even. The general pass then spends most of its time on per-pixel
// bookkeeping, so such an axis is laid out once per call with a fixed tap
// count: each pixel's offset into the intermediate row and its weights padded
// with zeros to that count, in the pairs the multiply-add takes. The sums are
// the same integers as the general pass's.
struct FixedTaps {
    int taps = 0;                      // 2 or 4; 0 when the axis needs the general pass
    std::vector<int> offset;           // first intermediate value of each window
    std::vector<std::uint32_t> pairs;  // taps / 2 weight pairs per pixel
};

void buildFixedTaps(const AxisTaps& taps, FixedTaps& fixed) {
    fixed.taps = 0;
    const int widest = taps.count.empty() ? 0 : *std::max_element(taps.count.begin(), taps.count.end());
    if (widest != 2 && widest != 4) return;
    fixed.taps = widest;
    const std::size_t n = taps.first.size();
    fixed.offset.resize(n);
    fixed.pairs.assign(n * static_cast<std::size_t>(widest / 2), 0);
    for (std::size_t j = 0; j < n; ++j) {
        fixed.offset[j] = 4 * (taps.first[j] - taps.lowest);
        const std::int16_t* w = taps.weights.data() + taps.start[j];
        for (int k = 0; k < taps.count[j]; k += 2)
            fixed.pairs[j * static_cast<std::size_t>(widest / 2) + static_cast<std::size_t>(k / 2)] =
                static_cast<std::uint16_t>(w[k]) | (std::uint32_t{static_cast<std::uint16_t>(w[k + 1])} << 16);
    }
}

// The fixed-tap horizontal pass, four destination pixels at a time. With 4
// taps it reads up to three pixels past the last one a window uses, so `in`
// needs that much slack. Returns how many pixels it did; the caller finishes
// the rest.
__attribute__((target("avx2"))) std::size_t horizontalFixedAvx2(const std::uint16_t* in, const FixedTaps& fixed,
                                                                std::uint32_t* out) {
    const std::size_t n = fixed.offset.size();
    const int* offset = fixed.offset.data();
    const std::uint32_t* pairs = fixed.pairs.data();
    // Within each 128-bit lane: b0 g0 r0 x0 b1 g1 r1 x1 -> b0 b1 g0 g1 r0 r1 x0 x1.
    const __m256i interleave = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,  //
                                                0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m256i spread0 = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    const __m256i spread1 = _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3);
    const __m256i spread2 = _mm256_setr_epi32(4, 4, 4, 4, 5, 5, 5, 5);
    const __m256i spread3 = _mm256_setr_epi32(6, 6, 6, 6, 7, 7, 7, 7);
    // After the packs the lanes hold pixels j, j+2 | j+1, j+3.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5);
    const __m256i round = _mm256_set1_epi32(1 << (kHorizontalShift - 1));
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t j = 0;
    for (; j + 4 <= n; j += 4) {
        __m256i s01, s23;  // 32-bit sums of pixels j | j+1 and j+2 | j+3
        if (fixed.taps == 2) {
            const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + offset[j]));
            const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + offset[j + 1]));
            const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + offset[j + 2]));
            const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + offset[j + 3]));
            const __m256i v01 = _mm256_inserti128_si256(_mm256_castsi128_si256(v0), v1, 1);
            const __m256i v23 = _mm256_inserti128_si256(_mm256_castsi128_si256(v2), v3, 1);
            const __m256i w = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs + j)));
            s01 = _mm256_madd_epi16(_mm256_shuffle_epi8(v01, interleave), _mm256_permutevar8x32_epi32(w, spread0));
            s23 = _mm256_madd_epi16(_mm256_shuffle_epi8(v23, interleave), _mm256_permutevar8x32_epi32(w, spread1));
        } else {
            // Each pixel's four source pixels fill one register: taps 0-1 in
            // the low lane, 2-3 in the high lane, summed across lanes after.
            const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + offset[j]));
            const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + offset[j + 1]));
            const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + offset[j + 2]));
            const __m256i v3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + offset[j + 3]));
            const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pairs + 2 * j));
            const __m256i m0 = _mm256_madd_epi16(_mm256_shuffle_epi8(v0, interleave),
                                                 _mm256_permutevar8x32_epi32(w, spread0));
            const __m256i m1 = _mm256_madd_epi16(_mm256_shuffle_epi8(v1, interleave),
                                                 _mm256_permutevar8x32_epi32(w, spread1));
            const __m256i m2 = _mm256_madd_epi16(_mm256_shuffle_epi8(v2, interleave),
                                                 _mm256_permutevar8x32_epi32(w, spread2));
            const __m256i m3 = _mm256_madd_epi16(_mm256_shuffle_epi8(v3, interleave),
                                                 _mm256_permutevar8x32_epi32(w, spread3));
            s01 = _mm256_add_epi32(_mm256_permute2x128_si256(m0, m1, 0x20), _mm256_permute2x128_si256(m0, m1, 0x31));
            s23 = _mm256_add_epi32(_mm256_permute2x128_si256(m2, m3, 0x20), _mm256_permute2x128_si256(m2, m3, 0x31));
        }
        s01 = _mm256_srai_epi32(_mm256_add_epi32(s01, round), kHorizontalShift);
        s23 = _mm256_srai_epi32(_mm256_add_epi32(s23, round), kHorizontalShift);
        const __m256i words = _mm256_packs_epi32(s01, s23);
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(words, words), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_or_si128(_mm256_castsi256_si128(bytes), opaque));
    }
    return j;
}

// An axis whose every window has two taps (any enlargement, and so every
// zoom frame), laid out for the two-tap kernels: the destination pixels in
// groups (4 for AVX2, 8 for AVX-512), each group with the first intermediate
// pixel its windows read, where each of its pixels' windows starts relative to
// that one, and the first tap's weight repeated for the four channels. An
// axis on which some group's windows spread too far apart for one load gets
// no groups and goes to the other kernels.
struct TwoTaps {
    int group = 0;  // pixels per group; 0: not laid out
    std::size_t groups = 0;
    std::vector<int> base;              // per group, in intermediate values
    std::vector<std::uint32_t> index;   // per group and pixel (AVX2: two 32-bit halves; AVX-512: one 64-bit index)
    std::vector<std::int16_t> weights;  // per group, pixel and channel
};

void buildTwoTaps(const AxisTaps& taps, VectorLevel level, TwoTaps& two) {
    two.group = 0;
    two.groups = 0;
    const std::size_t n = taps.first.size();
    for (std::size_t j = 0; j < n; ++j)
        if (taps.count[j] != 2) return;
    const int group = level >= VectorLevel::Avx512 ? 8 : 4;
    // AVX2 reads the group's pixels from a 4-pixel window and the next tap
    // from the same window one pixel on; AVX-512 both from a 16-pixel window.
    const int reach = group == 8 ? 14 : 3;
    const std::size_t groups = n / static_cast<std::size_t>(group);
    two.base.resize(groups);
    two.index.resize(groups * static_cast<std::size_t>(group) * 2);
    two.weights.resize(groups * static_cast<std::size_t>(group) * 4);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t j0 = g * static_cast<std::size_t>(group);
        const int first = taps.first[j0];
        two.base[g] = 4 * (first - taps.lowest);
        for (int k = 0; k < group; ++k) {
            const std::size_t j = j0 + static_cast<std::size_t>(k);
            const int step = taps.first[j] - first;
            if (step < 0 || step > reach) return;
            const std::size_t slot = j * 2;
            if (group == 8) {
                two.index[slot] = static_cast<std::uint32_t>(step);  // one 64-bit lane: low half the index
                two.index[slot + 1] = 0;
            } else {
                two.index[slot] = static_cast<std::uint32_t>(2 * step);  // a pixel is two 32-bit lanes
                two.index[slot + 1] = static_cast<std::uint32_t>(2 * step + 1);
            }
            const std::int16_t w = taps.weights[taps.start[j]];
            for (int ch = 0; ch < 4; ++ch) two.weights[j * 4 + static_cast<std::size_t>(ch)] = w;
        }
    }
    two.group = group;
    two.groups = groups;
}

// out = (b + ((a - b) * wa >> 14) + 64) >> 7 on 16-bit lanes, a and b the two
// taps' intermediate values: the high and low halves of the 32-bit product
// give its shift by 14 exactly.
__attribute__((target("avx2"))) inline __m256i twoTapAvx2(__m256i a, __m256i b, __m256i w) {
    const __m256i e = _mm256_sub_epi16(a, b);
    const __m256i t = _mm256_or_si256(_mm256_slli_epi16(_mm256_mulhi_epi16(e, w), 2),
                                      _mm256_srli_epi16(_mm256_mullo_epi16(e, w), 14));
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(b, t), _mm256_set1_epi16(64)), 7);
}

__attribute__((target("avx2"))) std::size_t horizontalTwoTapAvx2(const std::uint16_t* in, const TwoTaps& two,
                                                                 std::uint32_t* out) {
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const std::size_t groups = two.groups;
    const int* bases = two.base.data();
    const std::uint32_t* indexes = two.index.data();
    const std::int16_t* weights = two.weights.data();
    for (std::size_t g = 0; g < groups; ++g) {
        const std::uint16_t* p = in + bases[g];
        const __m256i window = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 4));
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(indexes + g * 8));
        const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + g * 16));
        const __m256i v = twoTapAvx2(_mm256_permutevar8x32_epi32(window, index),
                                     _mm256_permutevar8x32_epi32(next, index), w);
        // Bytes of pixels 0-1 in the low lane, 2-3 in the high one.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + g * 4), _mm_or_si128(_mm256_castsi256_si128(packed), opaque));
    }
    return groups * 4;
}

__attribute__((target("avx512f,avx512bw,avx512vl"))) std::size_t horizontalTwoTapAvx512(const std::uint16_t* in,
                                                                                        const TwoTaps& two,
                                                                                        std::uint32_t* out) {
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m512i one = _mm512_set1_epi64(1);
    const __m512i sixtyFour = _mm512_set1_epi16(64);
    const std::size_t groups = two.groups;
    const int* bases = two.base.data();
    const std::uint32_t* indexes = two.index.data();
    const std::int16_t* weights = two.weights.data();
    for (std::size_t g = 0; g < groups; ++g) {
        const std::uint16_t* p = in + bases[g];
        const __m512i low = _mm512_loadu_si512(p);
        const __m512i high = _mm512_loadu_si512(p + 32);
        const __m512i index = _mm512_loadu_si512(indexes + g * 16);
        const __m512i a = _mm512_permutex2var_epi64(low, index, high);
        const __m512i b = _mm512_permutex2var_epi64(low, _mm512_add_epi64(index, one), high);
        const __m512i w = _mm512_loadu_si512(weights + g * 32);
        const __m512i e = _mm512_sub_epi16(a, b);
        const __m512i t = _mm512_or_si512(_mm512_slli_epi16(_mm512_mulhi_epi16(e, w), 2),
                                          _mm512_srli_epi16(_mm512_mullo_epi16(e, w), 14));
        const __m512i v = _mm512_srli_epi16(_mm512_add_epi16(_mm512_add_epi16(b, t), sixtyFour), 7);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + g * 8),
                            _mm256_or_si256(_mm512_maskz_cvtepi16_epi8(~__mmask32{0}, v), opaque));
    }
    return groups * 8;
}
#endif

bool is32Bit(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: return true;
    default: return false;
    }
}

// What one band of destination rows needs for itself.
struct BandScratch {
    std::vector<std::uint16_t> intermediate;
    std::vector<const std::uint8_t*> rowPointers;
    std::vector<const std::uint8_t*> aheadPointers;
};

}  // namespace

void stretchBox(const QImage& src, QRect srcRect, QImage& dst, QRect dstRect) {
    if (src.isNull() || dst.isNull() || !is32Bit(src) || !is32Bit(dst)) return;
    if (srcRect.isEmpty() || dstRect.isEmpty()) return;
    if (!srcRect.intersects(src.rect())) return;
    const QRect visible = dstRect.intersected(dst.rect());
    if (visible.isEmpty()) return;
    const std::int64_t sw = srcRect.width(), sh = srcRect.height();
    const std::int64_t dw = dstRect.width(), dh = dstRect.height();
    if (sw > kMaxLength || sh > kMaxLength || dw > kMaxLength || dh > kMaxLength) return;

    const VectorLevel level = vectorLevel();
    AxisTaps columns, rows;
    buildTaps(sw, dw, visible.left() - dstRect.left(), visible.right() + 1 - dstRect.left(), columns);
    buildTaps(sh, dh, visible.top() - dstRect.top(), visible.bottom() + 1 - dstRect.top(), rows);
#if defined(ORVANTA_HAVE_AVX2_PATH)
    TwoTaps twoColumns;
    FixedTaps fixedColumns;
    if (level >= VectorLevel::Avx2) {
        buildTwoTaps(columns, level, twoColumns);
        if (twoColumns.group == 0) buildFixedTaps(columns, fixedColumns);
    }
#endif

    // The source columns the visible windows read, in absolute coordinates,
    // and the part of the picture that stands in for them (the nearest
    // column when they all lie outside it).
    const int colFrom = srcRect.left() + columns.lowest;
    const int colTo = srcRect.left() + columns.highest;
    const int inFrom = std::clamp(colFrom, 0, src.width() - 1);
    const int inTo = std::clamp(colTo, inFrom + 1, src.width());
    const int base = std::min(colFrom, inFrom);
    const int span = std::max(colTo, inTo) - base;

    const int lastRow = src.height() - 1;
    const auto* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    auto* dstBits = dst.bits();
    const qsizetype dstStride = dst.bytesPerLine();
    const int rowCount = static_cast<int>(rows.first.size());

    const int bands = rowBandCount(rowCount, kMinPixelsPerBand / std::max(visible.width(), 1) + 1);
    std::vector<BandScratch> scratch(static_cast<std::size_t>(bands));
    int widestWindow = 0;
    for (int c : rows.count) widestWindow = std::max(widestWindow, c);
    for (BandScratch& s : scratch) {
        s.intermediate.assign(4 * (static_cast<std::size_t>(span) + kSlackPixels), 0);
        s.rowPointers.reserve(static_cast<std::size_t>(widestWindow));
        s.aheadPointers.reserve(static_cast<std::size_t>(widestWindow));
    }

    auto drawRow = [&](BandScratch& s, std::size_t r) {
        const int count = rows.count[r];
        s.rowPointers.resize(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) {
            const int y = std::clamp(srcRect.top() + rows.first[r] + k, 0, lastRow);
            s.rowPointers[static_cast<std::size_t>(k)] = srcBits + srcStride * y + 4 * static_cast<qsizetype>(inFrom);
        }
        s.aheadPointers.clear();
        if (r + 1 < rows.first.size()) {
            const int nextFirst = std::max(rows.first[r + 1], rows.first[r] + count);
            for (int i = nextFirst; i < rows.first[r + 1] + rows.count[r + 1]; ++i) {
                const int y = std::clamp(srcRect.top() + i, 0, lastRow);
                s.aheadPointers.push_back(srcBits + srcStride * y + 4 * static_cast<qsizetype>(inFrom));
            }
        }
        std::uint16_t* intermediate = s.intermediate.data();
        std::uint16_t* inside = intermediate + 4 * static_cast<std::size_t>(inFrom - base);
        verticalPass(level, s.rowPointers.data(), rows.weights.data() + rows.start[r], count, 4 * (inTo - inFrom),
                     s.aheadPointers.data(), static_cast<int>(s.aheadPointers.size()), inside);
        // Columns outside the picture repeat its edge.
        for (int x = colFrom; x < inFrom; ++x) std::copy_n(inside, 4, intermediate + 4 * (x - base));
        const std::uint16_t* edge = intermediate + 4 * (inTo - 1 - base);
        for (int x = inTo; x < colTo; ++x) std::copy_n(edge, 4, intermediate + 4 * (x - base));

        auto* out = reinterpret_cast<std::uint32_t*>(dstBits + dstStride * (visible.top() + static_cast<int>(r))) +
                    visible.left();
        const std::uint16_t* in = intermediate + 4 * (colFrom - base);
        std::size_t done = 0;
#if defined(ORVANTA_HAVE_AVX2_PATH)
        if (twoColumns.group == 8) done = horizontalTwoTapAvx512(in, twoColumns, out);
        else if (twoColumns.group == 4) done = horizontalTwoTapAvx2(in, twoColumns, out);
        else if (fixedColumns.taps != 0) done = horizontalFixedAvx2(in, fixedColumns, out);
#endif
#if defined(__SSE2__)
        if (level >= VectorLevel::Sse2) {
            horizontalSse2(in, columns, done, columns.first.size(), out);
            return;
        }
#endif
        horizontalScalar(in, columns, done, columns.first.size(), out);
    };

    forRowBands(rowCount, bands, [&](int band, int first, int last) {
        BandScratch& s = scratch[static_cast<std::size_t>(band)];
        for (int r = first; r < last; ++r) drawRow(s, static_cast<std::size_t>(r));
    });
}

}  // namespace orvanta
