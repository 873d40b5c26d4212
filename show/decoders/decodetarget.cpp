// Reducing as the rows arrive.
//
// A reduced picture is the area average of the source: built pixel (j, i)
// of a W x H picture from a w x h source is the mean of the source area
// [j w/W, (j+1) w/W) x [i h/H, (i+1) h/H), each source pixel counted with
// the part of it inside. That is exactly what the show's stretch computes
// when it shrinks, so stretching the reduced picture (a plain copy at the
// same size) shows what stretching the whole one would have shown, to
// within rounding.
//
// All weights are integers. Across, a source pixel is W units wide and each
// built column W x w/W = w units: a column sums its first and last pixels
// with the part of them it covers and the pixels between with weight W.
// Down, likewise with H and h. Rows come in file order, so one built row is
// filled at a time: each source row is first folded across into one weighted
// sum per built column and channel, and that row sum is added, weighted by
// the part of the row inside, to the built row it falls in (or to two). A
// run of equal rows (a bitmap's empty stretch, a sparse file's hole) is
// folded across once and added once per built row it covers, whatever its
// length. Row sums are at most 255 w and fit 32 bits; built rows need 64.
//
// Interlaced files hand over pixels in any order of rows; for them every
// built pixel keeps its running average, weighted in floating point.
#include "show/decoders/decodetarget.h"

#include "show/pixels/fitting.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvanta {

namespace {

DecodePlan wholePlan(std::int64_t width, std::int64_t height) {
    return {DecodePlan::Kind::Whole, static_cast<int>(width), static_cast<int>(height)};
}

bool defaultMasks32(const RowFormat& f) {
    return f.masks[0] == 0xFF0000 && f.masks[1] == 0x00FF00 && f.masks[2] == 0x0000FF;
}

// The ones among bits [from, to) of a row whose first pixel is the top bit
// of its first byte.
std::uint32_t countOnes(const std::uint8_t* row, int from, int to) {
    std::uint32_t ones = 0;
    while (from < to && (from & 7) != 0) {
        ones += (row[from >> 3] >> (7 - (from & 7))) & 1;
        ++from;
    }
    while (to - from >= 64) {
        std::uint64_t word;
        std::memcpy(&word, row + (from >> 3), 8);
        ones += static_cast<std::uint32_t>(std::popcount(word));
        from += 64;
    }
    while (to - from >= 8) {
        ones += static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(row[from >> 3])));
        from += 8;
    }
    while (from < to) {
        ones += (row[from >> 3] >> (7 - (from & 7))) & 1;
        ++from;
    }
    return ones;
}

unsigned indexAt(const std::uint8_t* row, int x, int bits) {
    const int perByte = 8 / bits;
    const int shift = (perByte - 1 - x % perByte) * bits;
    return (row[x / perByte] >> shift) & ((1u << bits) - 1);
}

// The size the show draws a width x height picture at, as its fitting does
// (with the enlargement limit the settings start with).
QSize drawnSize(const ShowFitting& fitting, QSize screen, QSize picture, bool reducedOnDecode) {
    return fittedSize(FittingRules{fitting}, screen, picture, reducedOnDecode);
}

}  // namespace

bool sourceSizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= WBitmap::kMaxSide && height <= WBitmap::kMaxSide &&
           width * height <= kMaxSourcePixels;
}

DecodePlan planDecode(std::int64_t width, std::int64_t height, const DecodeRequest& request) {
    if (!request.fitting || request.screenWidth <= 0 || request.screenHeight <= 0 || width <= 0 || height <= 0 ||
        width > WBitmap::kMaxSide || height > WBitmap::kMaxSide)
        return wholePlan(width, height);
    const QSize screen(std::max(request.screenWidth, request.largestScreenWidth),
                       std::max(request.screenHeight, request.largestScreenHeight));
    const QSize picture(static_cast<int>(width), static_cast<int>(height));
    const ShowFitting& fitting = *request.fitting;

    if (fitting.stretch) {
        // Each side on its own: a side at least twice the screen's is built
        // at the screen's size, the other is left as it is.
        const int builtWidth = width >= 2 * std::int64_t{screen.width()} ? screen.width() : picture.width();
        const int builtHeight = height >= 2 * std::int64_t{screen.height()} ? screen.height() : picture.height();
        if (builtWidth == width && builtHeight == height) return wholePlan(width, height);
        return {DecodePlan::Kind::Reduced, builtWidth, builtHeight};
    }
    const bool fits = screen.width() >= width && screen.height() >= height;
    if (!fitting.proportional && !fitting.shrinkOnly) {
        // Drawn unscaled, from the top-left corner when larger than the screen.
        if (fits) return wholePlan(width, height);
        return {DecodePlan::Kind::Corner, std::min(picture.width(), screen.width()),
                std::min(picture.height(), screen.height())};
    }
    if (!fitting.proportional && fits) return wholePlan(width, height);
    const QSize drawn = drawnSize(fitting, screen, picture, false);
    if (drawn.isEmpty() || (2 * std::int64_t{drawn.width()} > width && 2 * std::int64_t{drawn.height()} > height))
        return wholePlan(width, height);
    // The reduced picture must be drawn at that same size (then the stretch
    // is a copy); the show's single-precision factor can miss by one pixel,
    // which a built size one larger makes up.
    for (const QSize built : {drawn, drawn + QSize(1, 0), drawn + QSize(0, 1), drawn + QSize(1, 1)})
        if (built.width() <= width && built.height() <= height && drawnSize(fitting, screen, built, true) == drawn)
            return {DecodePlan::Kind::Reduced, built.width(), built.height()};
    return wholePlan(width, height);
}

PictureBuilder::PictureBuilder() = default;
PictureBuilder::~PictureBuilder() = default;

bool PictureBuilder::start(int sourceWidth, int sourceHeight, const RowFormat& format, const DecodePlan& plan,
                           bool bottomUp) {
    started_ = false;
    picture_.reset();
    windows_.clear();
    rowSums_.clear();
    rowAccumulator_.clear();
    openRow_ = -1;
    openWeight_ = 0;
    pendingWeight_ = 0;
    lastRow_.clear();
    lastRowValid_ = false;
    colours16_.clear();
    pixelSums_.clear();
    plan_ = plan;
    format_ = format;
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    bottomUp_ = bottomUp;
    if (sourceWidth <= 0 || sourceHeight <= 0 || plan.width <= 0 || plan.height <= 0 || plan.width > sourceWidth ||
        plan.height > sourceHeight)
        return false;
    const int bits = format.bitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    try {
        if (plan.kind == DecodePlan::Kind::Reduced) {
            if (!picture_.create(plan.width, plan.height, 24)) return false;
            const std::int64_t w = sourceWidth, W = plan.width;
            for (std::int64_t j = 0; j < W; ++j) {
                const std::int64_t left = j * w, right = (j + 1) * w;  // in units of 1/W pixel
                const std::int64_t x0 = left / W, x1 = (right - 1) / W;
                windows_.push_back({static_cast<int>(x0), static_cast<int>(x1),
                                    static_cast<std::uint32_t>(std::min((x0 + 1) * W, right) - left),
                                    static_cast<std::uint32_t>(x1 > x0 ? right - x1 * W : 0)});
            }
            rowSums_.assign(static_cast<std::size_t>(plan.width) * 3, 0);
            rowAccumulator_.assign(static_cast<std::size_t>(plan.width) * 3, 0);
            // Indexed rows read through a full table: indexes past the file's
            // table are black.
            if (bits <= 8) format_.table.resize(std::size_t{1} << bits);
        } else {
            if (bits == 2) return false;
            if (!picture_.create(plan.width, plan.height, bits)) return false;
            if (bits <= 8) {
                auto& table = picture_.colorTable();
                std::copy_n(format.table.begin(), std::min(format.table.size(), table.size()), table.begin());
            }
            if (bits == 16 || bits == 32)
                picture_.setMasks(format.masks[0], format.masks[1], format.masks[2], format.fileMasks);
            copyBytes_ = (static_cast<std::size_t>(plan.width) * static_cast<std::size_t>(bits) + 7) / 8;
        }
    } catch (const std::bad_alloc&) {
        picture_.reset();
        return false;
    }
    started_ = true;
    return true;
}

bool PictureBuilder::wantsRow(int y) const {
    if (!started_ || y < 0 || y >= sourceHeight_) return false;
    return plan_.kind != DecodePlan::Kind::Corner || y < plan_.height;
}

RgbQuad PictureBuilder::colourAt(const std::uint8_t* row, int x) const {
    switch (format_.bitCount) {
    case 24: return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    case 16: {
        const std::uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
        if (!colours16_.empty()) return colours16_[v];
        return {maskedComponent(v, format_.masks[2]), maskedComponent(v, format_.masks[1]),
                maskedComponent(v, format_.masks[0]), 0};
    }
    case 32: {
        const std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
        const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        return {maskedComponent(v, format_.masks[2]), maskedComponent(v, format_.masks[1]),
                maskedComponent(v, format_.masks[0]), 0};
    }
    default: return format_.table[indexAt(row, x, format_.bitCount)];
    }
}

void PictureBuilder::putRows(int y, int count, const std::uint8_t* row) {
    if (!started_ || row == nullptr) return;
    const int first = std::max(y, 0);
    const int last = std::min(y + count, sourceHeight_);  // one past
    if (first >= last) return;
    if (plan_.kind != DecodePlan::Kind::Reduced) {
        for (int r = first; r < std::min(last, plan_.height); ++r) std::memcpy(picture_.row(r), row, copyBytes_);
        return;
    }
    sumRow(row);
    // The run covers [first H, last H) in units of 1/H row; built row i
    // covers [i h, (i + 1) h). Visit the built rows it touches in the order
    // the rows travel, adding the row sum weighted by the overlap.
    const std::int64_t h = sourceHeight_, H = plan_.height;
    const std::int64_t lo = first * H, hi = last * H;
    const std::int64_t top = lo / h, bottom = (hi - 1) / h;
    for (std::int64_t k = 0; k <= bottom - top; ++k) {
        const std::int64_t i = bottomUp_ ? bottom - k : top + k;
        const std::int64_t weight = std::min(hi, (i + 1) * h) - std::max(lo, i * h);
        if (i != openRow_) {
            closeRow();
            openRow_ = static_cast<int>(i);
        }
        pendingWeight_ += static_cast<std::uint64_t>(weight);
        openWeight_ += static_cast<std::uint64_t>(weight);
        // Complete once the rows have passed its far edge.
        if (openWeight_ == static_cast<std::uint64_t>(h)) closeRow();
    }
}

// Adds the row sum, times the weight gathered for it, to the open built row.
// Equal rows one after the other thus cost one addition together.
void PictureBuilder::applyPending() {
    if (pendingWeight_ == 0) return;
    for (std::size_t c = 0; c < rowSums_.size(); ++c) rowAccumulator_[c] += pendingWeight_ * rowSums_[c];
    pendingWeight_ = 0;
}

void PictureBuilder::closeRow() {
    applyPending();
    if (openRow_ < 0) return;
    if (openWeight_ > 0) {
        std::uint8_t* out = picture_.row(openRow_);
        const std::uint64_t total = openWeight_ * static_cast<std::uint64_t>(sourceWidth_);
        for (std::size_t c = 0; c < rowAccumulator_.size(); ++c)
            out[c] = static_cast<std::uint8_t>((rowAccumulator_[c] + total / 2) / total);
    }
    std::fill(rowAccumulator_.begin(), rowAccumulator_.end(), 0);
    openRow_ = -1;
    openWeight_ = 0;
}

// Folds one source row into rowSums_: per built column, the weighted B, G, R
// sums of the pixels it covers (weights add up to the source width).
void PictureBuilder::sumRow(const std::uint8_t* row) {
    const int bits = format_.bitCount;
    const std::size_t rowBytes = (static_cast<std::size_t>(sourceWidth_) * static_cast<std::size_t>(bits) + 7) / 8;
    if (lastRowValid_ && std::memcmp(row, lastRow_.data(), rowBytes) == 0) return;
    applyPending();
    lastRow_.assign(row, row + rowBytes);
    lastRowValid_ = true;
    if (bits == 16 && colours16_.empty()) {
        colours16_.resize(65536);
        for (std::uint32_t v = 0; v < 65536; ++v)
            colours16_[v] = {maskedComponent(v, format_.masks[2]), maskedComponent(v, format_.masks[1]),
                             maskedComponent(v, format_.masks[0]), 0};
    }

    const auto whole = static_cast<std::uint32_t>(plan_.width);  // weight of a pixel wholly inside
    const std::vector<RgbQuad>& table = format_.table;
    const bool bytesBGR = bits == 24 || (bits == 32 && defaultMasks32(format_));
    std::uint32_t* sums = rowSums_.data();
    if (bits == 24) {
        // The common case, every photo: B,G,R bytes read in place.
        for (const Window& win : windows_) {
            const std::uint8_t* first = row + std::size_t{3} * static_cast<std::size_t>(win.x0);
            const std::uint8_t* last = row + std::size_t{3} * static_cast<std::size_t>(win.x1);
            std::uint32_t sb = 0, sg = 0, sr = 0;
            for (const std::uint8_t* p = first + 3; p < last; p += 3) sb += p[0], sg += p[1], sr += p[2];
            sums[0] = sb * whole + win.w0 * first[0] + win.w1 * last[0];
            sums[1] = sg * whole + win.w0 * first[1] + win.w1 * last[1];
            sums[2] = sr * whole + win.w0 * first[2] + win.w1 * last[2];
            sums += 3;
        }
        return;
    }
    for (const Window& win : windows_) {
        // The pixels wholly inside: [a, b).
        const int a = win.x0 + 1, b = win.x1;
        std::uint32_t sb = 0, sg = 0, sr = 0;
        if (bytesBGR) {
            const int bytes = bits / 8;
            for (const std::uint8_t* p = row + static_cast<std::size_t>(a) * bytes;
                 p < row + static_cast<std::size_t>(std::max(a, b)) * bytes; p += bytes)
                sb += p[0], sg += p[1], sr += p[2];
        } else if (bits == 1) {
            const std::uint32_t ones = a < b ? countOnes(row, a, b) : 0;
            const std::uint32_t zeros = static_cast<std::uint32_t>(std::max(b - a, 0)) - ones;
            sb = ones * table[1].blue + zeros * table[0].blue;
            sg = ones * table[1].green + zeros * table[0].green;
            sr = ones * table[1].red + zeros * table[0].red;
        } else if (bits == 8) {
            for (int x = a; x < b; ++x) {
                const RgbQuad& c = table[row[x]];
                sb += c.blue, sg += c.green, sr += c.red;
            }
        } else {
            for (int x = a; x < b; ++x) {
                const RgbQuad c = colourAt(row, x);
                sb += c.blue, sg += c.green, sr += c.red;
            }
        }
        const RgbQuad c0 = colourAt(row, win.x0);
        std::uint32_t b0 = sb * whole + win.w0 * c0.blue, g0 = sg * whole + win.w0 * c0.green,
                      r0 = sr * whole + win.w0 * c0.red;
        if (win.w1 > 0) {
            const RgbQuad c1 = colourAt(row, win.x1);
            b0 += win.w1 * c1.blue, g0 += win.w1 * c1.green, r0 += win.w1 * c1.red;
        }
        sums[0] = b0, sums[1] = g0, sums[2] = r0;
        sums += 3;
    }
}

void PictureBuilder::putPixels(int y, int x0, int dx, const std::uint8_t* pixels, int n) {
    if (!started_ || pixels == nullptr || y < 0 || y >= sourceHeight_ || dx <= 0) return;
    const int bits = format_.bitCount;
    if (plan_.kind != DecodePlan::Kind::Reduced) {
        // Byte-aligned layouts only: the interlaced sources hand over 24 bits.
        if (bits < 8 || y >= plan_.height) return;
        const int bytes = bits / 8;
        std::uint8_t* out = picture_.row(y);
        for (int i = 0, x = x0; i < n && x < plan_.width; ++i, x += dx)
            std::memcpy(out + static_cast<std::size_t>(x) * bytes, pixels + static_cast<std::size_t>(i) * bytes,
                        static_cast<std::size_t>(bytes));
        return;
    }
    if (pixelSums_.empty()) {
        try {
            pixelSums_.assign(static_cast<std::size_t>(plan_.width) * plan_.height * 3, 0.0f);
        } catch (const std::bad_alloc&) {
            started_ = false;
            return;
        }
    }
    // The built rows and columns a source pixel covers, with the share of
    // each built pixel's area it makes up.
    const std::int64_t w = sourceWidth_, W = plan_.width, h = sourceHeight_, H = plan_.height;
    const std::int64_t rowLo = y * H, rowHi = rowLo + H;
    for (std::int64_t i = rowLo / h; i <= (rowHi - 1) / h; ++i) {
        const float rowShare = static_cast<float>(std::min(rowHi, (i + 1) * h) - std::max(rowLo, i * h)) /
                               static_cast<float>(h) / static_cast<float>(w);
        float* sums = pixelSums_.data() + static_cast<std::size_t>(i) * plan_.width * 3;
        for (int k = 0, x = x0; k < n && x < sourceWidth_; ++k, x += dx) {
            RgbQuad c;
            if (bits == 24) c = {pixels[3 * k], pixels[3 * k + 1], pixels[3 * k + 2], 0};
            else c = colourAt(pixels, k);
            const std::int64_t lo = x * W, hi = lo + W;
            for (std::int64_t j = lo / w; j <= (hi - 1) / w; ++j) {
                const float share = rowShare * static_cast<float>(std::min(hi, (j + 1) * w) - std::max(lo, j * w));
                float* s = sums + 3 * j;
                s[0] += share * c.blue, s[1] += share * c.green, s[2] += share * c.red;
            }
        }
    }
}

bool PictureBuilder::finish(WBitmap& out) {
    out.reset();
    if (!started_) return false;
    if (plan_.kind == DecodePlan::Kind::Reduced) {
        if (!pixelSums_.empty()) {
            for (int i = 0; i < plan_.height; ++i) {
                std::uint8_t* row = picture_.row(i);
                const float* sums = pixelSums_.data() + static_cast<std::size_t>(i) * plan_.width * 3;
                for (int c = 0; c < plan_.width * 3; ++c)
                    row[c] = static_cast<std::uint8_t>(std::clamp(sums[c] + 0.5f, 0.0f, 255.0f));
            }
        } else {
            closeRow();
        }
    }
    out = std::move(picture_);
    picture_.reset();
    started_ = false;
    return true;
}

}  // namespace orvanta
