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
// reads each source row once or twice and keeps one small buffer hot.
#include "show/resample.h"

#include <algorithm>
#include <cstdint>
#include <vector>

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

// Windows of the visible destination positions [from, to) of one axis.
struct AxisTaps {
    std::vector<int> first;         // first source index of each window (relative to the source rectangle)
    std::vector<int> count;         // window length, rounded up to even
    std::vector<std::size_t> start;  // index of the window's first weight
    std::vector<std::int16_t> weights;
    int lowest = 0;                 // smallest first index
    int highest = 0;                // one past the largest source index used
};

void buildTaps(std::int64_t s, std::int64_t d, int from, int to, AxisTaps& taps) {
    const std::int64_t unit = 2 * d;  // one source pixel
    const std::int64_t half = std::max(s, d);
    const std::int64_t end = s * unit;
    taps.first.clear();
    taps.count.clear();
    taps.start.clear();
    taps.weights.clear();
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
        std::int64_t n = last - first;
        if (n % 2 != 0) {
            taps.weights.push_back(0);  // pairs for the multiply-add; its pixel is read, never counted
            ++n;
        }
        taps.count.push_back(static_cast<int>(n));
        taps.lowest = std::min(taps.lowest, static_cast<int>(first));
        taps.highest = std::max(taps.highest, static_cast<int>(last));
    }
}

#if defined(ORVANTA_HAVE_AVX2_PATH)
// The vertical pass 32 bytes at a time, for processors with AVX2 (chosen at
// run time). Returns how many bytes it did; the caller finishes the rest.
__attribute__((target("avx2"))) int verticalPassAvx2(const std::uint8_t* const* rows, const std::int16_t* weights,
                                                     int taps, int bytes, const std::uint8_t* const* ahead,
                                                     int aheadCount, std::uint16_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i round = _mm256_set1_epi32(1 << (kVerticalShift - 1));
    int c = 0;
    for (; c + 32 <= bytes; c += 32) {
        if ((c & 63) == 0)
            for (int k = 0; k < aheadCount; ++k) _mm_prefetch(reinterpret_cast<const char*>(ahead[k] + c), _MM_HINT_T0);
        __m256i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const __m256i ra = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + c));
            const __m256i rb = k + 1 < taps ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + c)) : zero;
            const std::uint16_t wb = k + 1 < taps ? static_cast<std::uint16_t>(weights[k + 1]) : 0;
            const __m256i w = _mm256_set1_epi32(static_cast<int>(static_cast<std::uint16_t>(weights[k]) | (std::uint32_t{wb} << 16)));
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

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

// One intermediate row: out[c] = sum_k rows[k][c] * weights[k], for `bytes`
// channel bytes, scaled down by kVerticalShift with rounding. The `ahead`
// rows (those the next destination row will add) are fetched into the cache
// meanwhile: a row is a few pages, too short for the hardware to catch on.
void verticalPass(const std::uint8_t* const* rows, const std::int16_t* weights, int taps, int bytes,
                  const std::uint8_t* const* ahead, int aheadCount, std::uint16_t* out) {
    int c = 0;
#if defined(ORVANTA_HAVE_AVX2_PATH)
    if (haveAvx2()) c = verticalPassAvx2(rows, weights, taps, bytes, ahead, aheadCount, out);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(1 << (kVerticalShift - 1));
    for (; c + 16 <= bytes; c += 16) {
        if ((c & 63) == 0)
            for (int k = 0; k < aheadCount; ++k) _mm_prefetch(reinterpret_cast<const char*>(ahead[k] + c), _MM_HINT_T0);
        __m128i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const __m128i ra = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + c));
            const __m128i rb = k + 1 < taps ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + c)) : zero;
            const std::uint16_t wb = k + 1 < taps ? static_cast<std::uint16_t>(weights[k + 1]) : 0;
            const __m128i w = _mm_set1_epi32(static_cast<int>(static_cast<std::uint16_t>(weights[k]) | (std::uint32_t{wb} << 16)));
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
#else
    (void)ahead;
    (void)aheadCount;
#endif
    for (; c < bytes; ++c) {
        std::int32_t sum = 0;
        for (int k = 0; k < taps; ++k) sum += rows[k][c] * weights[k];
        out[c] = static_cast<std::uint16_t>((sum + (1 << (kVerticalShift - 1))) >> kVerticalShift);
    }
}

// Destination pixels [from, to) of one row from the intermediate row (4
// values per pixel).
void horizontalPass(const std::uint16_t* in, const AxisTaps& taps, int lowest, std::size_t from, std::size_t to,
                    std::uint32_t* out) {
    for (std::size_t j = from; j < to; ++j) {
        const std::uint16_t* p = in + 4 * (taps.first[j] - lowest);
        const std::int16_t* w = taps.weights.data() + taps.start[j];
        const int count = taps.count[j];
#if defined(__SSE2__)
        __m128i acc = _mm_setzero_si128();
        for (int k = 0; k < count; k += 2, p += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            // b0 g0 r0 x0 b1 g1 r1 x1 -> b0 b1 g0 g1 r0 r1 x0 x1
            const __m128i pairs = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
            const __m128i wp = _mm_set1_epi32(
                static_cast<int>(static_cast<std::uint16_t>(w[k]) | (std::uint32_t{static_cast<std::uint16_t>(w[k + 1])} << 16)));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(pairs, wp));
        }
        acc = _mm_srai_epi32(_mm_add_epi32(acc, _mm_set1_epi32(1 << (kHorizontalShift - 1))), kHorizontalShift);
        acc = _mm_packs_epi32(acc, acc);
        acc = _mm_packus_epi16(acc, acc);
        out[j] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(acc)) | 0xFF000000u;
#else
        std::int32_t sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < count; ++k, p += 4)
            for (int ch = 0; ch < 4; ++ch) sum[ch] += p[ch] * w[k];
        std::uint32_t pixel = 0xFF000000u;
        for (int ch = 0; ch < 3; ++ch) {
            const int v = std::clamp((sum[ch] + (1 << (kHorizontalShift - 1))) >> kHorizontalShift, 0, 255);
            pixel |= static_cast<std::uint32_t>(v) << (8 * ch);
        }
        out[j] = pixel;
#endif
    }
}

#if defined(ORVANTA_HAVE_AVX2_PATH)
// Mild scales (the zoom transitions stretch by 0.8 to 1.2) give windows of at
// most 4 taps once rounded up to even. The general pass then spends most of
// its time on per-pixel bookkeeping, so such an axis is laid out once per
// call with a fixed tap count: each pixel's offset into the intermediate row
// and its weights padded with zeros to that count, in the pairs the
// multiply-add takes. The sums are the same integers as the general pass's.
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
__attribute__((target("avx2"))) std::size_t horizontalPassFixedAvx2(const std::uint16_t* in, const FixedTaps& fixed,
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
            const __m256i m0 = _mm256_madd_epi16(_mm256_shuffle_epi8(v0, interleave), _mm256_permutevar8x32_epi32(w, spread0));
            const __m256i m1 = _mm256_madd_epi16(_mm256_shuffle_epi8(v1, interleave), _mm256_permutevar8x32_epi32(w, spread1));
            const __m256i m2 = _mm256_madd_epi16(_mm256_shuffle_epi8(v2, interleave), _mm256_permutevar8x32_epi32(w, spread2));
            const __m256i m3 = _mm256_madd_epi16(_mm256_shuffle_epi8(v3, interleave), _mm256_permutevar8x32_epi32(w, spread3));
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
#endif

bool is32Bit(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return true;
    default:
        return false;
    }
}

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

    AxisTaps columns, rows;
    buildTaps(sw, dw, visible.left() - dstRect.left(), visible.right() + 1 - dstRect.left(), columns);
    buildTaps(sh, dh, visible.top() - dstRect.top(), visible.bottom() + 1 - dstRect.top(), rows);
#if defined(ORVANTA_HAVE_AVX2_PATH)
    FixedTaps fixedColumns;
    if (haveAvx2()) buildFixedTaps(columns, fixedColumns);
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
    // Spare pixels: the even-rounded windows read one pixel past their end,
    // the fixed 4-tap windows up to three.
    std::vector<std::uint16_t> intermediate(4 * (static_cast<std::size_t>(span) + 4), 0);
    std::vector<const std::uint8_t*> rowPointers;
    std::vector<const std::uint8_t*> aheadPointers;

    const int lastRow = src.height() - 1;
    const auto* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    auto* dstBits = dst.bits();
    const qsizetype dstStride = dst.bytesPerLine();

    for (std::size_t r = 0; r < rows.first.size(); ++r) {
        const int count = rows.count[r];
        rowPointers.resize(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) {
            const int y = std::clamp(srcRect.top() + rows.first[r] + k, 0, lastRow);
            rowPointers[static_cast<std::size_t>(k)] = srcBits + srcStride * y + 4 * static_cast<qsizetype>(inFrom);
        }
        aheadPointers.clear();
        if (r + 1 < rows.first.size()) {
            const int nextFirst = std::max(rows.first[r + 1], rows.first[r] + count);
            for (int i = nextFirst; i < rows.first[r + 1] + rows.count[r + 1]; ++i) {
                const int y = std::clamp(srcRect.top() + i, 0, lastRow);
                aheadPointers.push_back(srcBits + srcStride * y + 4 * static_cast<qsizetype>(inFrom));
            }
        }
        std::uint16_t* inside = intermediate.data() + 4 * static_cast<std::size_t>(inFrom - base);
        verticalPass(rowPointers.data(), rows.weights.data() + rows.start[r], count, 4 * (inTo - inFrom),
                     aheadPointers.data(), static_cast<int>(aheadPointers.size()), inside);
        // Columns outside the picture repeat its edge.
        for (int x = colFrom; x < inFrom; ++x)
            std::copy_n(inside, 4, intermediate.data() + 4 * (x - base));
        const std::uint16_t* edge = intermediate.data() + 4 * (inTo - 1 - base);
        for (int x = inTo; x < colTo; ++x)
            std::copy_n(edge, 4, intermediate.data() + 4 * (x - base));

        auto* out = reinterpret_cast<std::uint32_t*>(dstBits + dstStride * (visible.top() + static_cast<int>(r))) +
                    visible.left();
        const std::uint16_t* in = intermediate.data() + 4 * (colFrom - base);
        std::size_t done = 0;
#if defined(ORVANTA_HAVE_AVX2_PATH)
        if (fixedColumns.taps != 0) done = horizontalPassFixedAvx2(in, fixedColumns, out);
#endif
        horizontalPass(in, columns, columns.lowest, done, columns.first.size(), out);
    }
}

}  // namespace orvanta
