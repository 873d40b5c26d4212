// Reducing as the rows arrive.
//
// A reduced picture is the source averaged over boxes of stepX x stepY
// pixels (the last column and row of boxes may be narrower). Rows come in
// file order, so one box row is summed at a time: each source row is first
// folded across into one sum per built column and channel, and that row sum
// is added to the box row as many times as the row repeats. A long run of
// equal rows (a bitmap's empty stretch, a sparse file's hole) therefore costs
// one row, whatever its length. Sums are 32-bit: a box holds at most
// kMaxStep^2 pixels of 255 at most.
//
// How far to reduce: the show draws a shrunk picture at w' x h' through an
// area-averaging stretch. Averaging first over k x k boxes, with the copy
// still at least 2 w' x 2 h', changes each screen pixel only where a box
// straddles the edge of the area the stretch gives it, so the screen shows
// what it would have shown from the whole picture.
#include "show/decodetarget.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvanta {

namespace {

constexpr std::int64_t kMaxStep = 256;

DecodePlan wholePlan(std::int64_t width, std::int64_t height) {
    return {DecodePlan::Kind::Whole, static_cast<int>(width), static_cast<int>(height), 1, 1};
}

DecodePlan reducedPlan(std::int64_t width, std::int64_t height, std::int64_t stepX, std::int64_t stepY) {
    stepX = std::clamp<std::int64_t>(stepX, 1, kMaxStep);
    stepY = std::clamp<std::int64_t>(stepY, 1, kMaxStep);
    return {DecodePlan::Kind::Reduced, static_cast<int>((width + stepX - 1) / stepX),
            static_cast<int>((height + stepY - 1) / stepY), static_cast<int>(stepX), static_cast<int>(stepY)};
}

bool defaultMasks32(const RowFormat& f) {
    return f.masks[0] == 0xFF0000 && f.masks[1] == 0x00FF00 && f.masks[2] == 0x0000FF;
}

// The ones among bits [from, to) of a row whose first pixel is the top bit
// of its first byte.
int countOnes(const std::uint8_t* row, int from, int to) {
    int ones = 0;
    while (from < to && (from & 7) != 0) {
        ones += (row[from >> 3] >> (7 - (from & 7))) & 1;
        ++from;
    }
    while (to - from >= 64) {
        std::uint64_t word;
        std::memcpy(&word, row + (from >> 3), 8);
        ones += std::popcount(word);
        from += 64;
    }
    while (to - from >= 8) {
        ones += std::popcount(static_cast<unsigned>(row[from >> 3]));
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

}  // namespace

ShowFitting ShowFitting::of(const Settings& settings) {
    return {settings.Stretch, settings.Proportional, settings.Shrink || settings.Tiled};
}

bool sourceSizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= WBitmap::kMaxSide && height <= WBitmap::kMaxSide &&
           width * height <= kMaxSourcePixels;
}

DecodePlan planDecode(std::int64_t width, std::int64_t height, const DecodeRequest& request) {
    if (!request.fitting || request.screenWidth <= 0 || request.screenHeight <= 0 || width <= 0 || height <= 0)
        return wholePlan(width, height);
    const std::int64_t W = std::max(request.screenWidth, request.largestScreenWidth);
    const std::int64_t H = std::max(request.screenHeight, request.largestScreenHeight);
    const ShowFitting& fitting = *request.fitting;

    if (fitting.stretch) {
        const std::int64_t stepX = width / (2 * W), stepY = height / (2 * H);
        if (stepX < 2 && stepY < 2) return wholePlan(width, height);
        return reducedPlan(width, height, stepX, stepY);
    }
    const bool fits = W >= width && H >= height;
    if (!fitting.proportional && !fitting.shrinkOnly) {
        // Drawn unscaled, from the top-left corner when larger than the screen.
        if (fits) return wholePlan(width, height);
        return {DecodePlan::Kind::Corner, static_cast<int>(std::min(width, W)), static_cast<int>(std::min(height, H)),
                1, 1};
    }
    if (!fitting.proportional && fits) return wholePlan(width, height);
    // Scaled by the smaller ratio, in single precision as the show does.
    const float vertical = static_cast<float>(H) / static_cast<float>(height);
    const float horizontal = static_cast<float>(W) / static_cast<float>(width);
    const float factor = horizontal < vertical ? horizontal : vertical;
    const std::int64_t drawnWidth = std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<float>(width) * factor));
    const std::int64_t drawnHeight =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<float>(height) * factor));
    const std::int64_t step = std::min(width / (2 * drawnWidth), height / (2 * drawnHeight));
    if (step < 2) return wholePlan(width, height);
    return reducedPlan(width, height, step, step);
}

PictureBuilder::PictureBuilder() = default;
PictureBuilder::~PictureBuilder() = default;

bool PictureBuilder::start(int sourceWidth, int sourceHeight, const RowFormat& format, const DecodePlan& plan,
                           bool bottomUp) {
    started_ = false;
    picture_.reset();
    rowSums_.clear();
    boxSums_.clear();
    allSums_.clear();
    lastRow_.clear();
    lastRowValid_ = false;
    colours16_.clear();
    box_ = -1;
    rowsInBox_ = 0;
    plan_ = plan;
    format_ = format;
    sourceWidth_ = sourceWidth;
    sourceHeight_ = sourceHeight;
    bottomUp_ = bottomUp;
    if (sourceWidth <= 0 || sourceHeight <= 0 || plan.width <= 0 || plan.height <= 0) return false;
    const int bits = format.bitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    try {
        if (plan.kind == DecodePlan::Kind::Reduced) {
            if (plan.stepX < 1 || plan.stepY < 1 || plan.stepX > kMaxStep || plan.stepY > kMaxStep ||
                (static_cast<std::int64_t>(plan.width) - 1) * plan.stepX >= sourceWidth ||
                (static_cast<std::int64_t>(plan.height) - 1) * plan.stepY >= sourceHeight)
                return false;
            if (!picture_.create(plan.width, plan.height, 24)) return false;
            rowSums_.assign(static_cast<std::size_t>(plan.width) * 3, 0);
            boxSums_.assign(static_cast<std::size_t>(plan.width) * 3, 0);
            // Indexed rows read through a full table: indexes past the file's
            // table are black.
            if (bits <= 8) format_.table.resize(std::size_t{1} << bits);
        } else {
            if (bits == 2 || plan.width > sourceWidth || plan.height > sourceHeight) return false;
            if (!picture_.create(plan.width, plan.height, bits)) return false;
            if (bits <= 8) {
                auto& table = picture_.colorTable();
                std::copy_n(format.table.begin(), std::min(format.table.size(), table.size()), table.begin());
            }
            if (bits == 16 || bits == 32) picture_.setMasks(format.masks[0], format.masks[1], format.masks[2], format.fileMasks);
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
    // Add the row sum to each box row the run covers, in the order the rows
    // travel, so that a box row is complete before the next one starts.
    const std::size_t n = rowSums_.size();
    int remaining = last - first;
    int at = bottomUp_ ? last - 1 : first;
    while (remaining > 0) {
        const int box = at / plan_.stepY;
        if (box != box_) {
            flushBox();
            box_ = box;
            rowsInBox_ = 0;
            std::fill(boxSums_.begin(), boxSums_.end(), 0u);
        }
        const int inBox = bottomUp_ ? std::min(remaining, at - box * plan_.stepY + 1)
                                    : std::min(remaining, (box + 1) * plan_.stepY - at);
        const auto times = static_cast<std::uint32_t>(inBox);
        for (std::size_t i = 0; i < n; ++i) boxSums_[i] += rowSums_[i] * times;
        rowsInBox_ += inBox;
        remaining -= inBox;
        at += bottomUp_ ? -inBox : inBox;
    }
}

void PictureBuilder::flushBox() {
    if (box_ < 0 || rowsInBox_ == 0 || box_ >= plan_.height) return;
    std::uint8_t* out = picture_.row(box_);
    for (int j = 0; j < plan_.width; ++j) {
        const int columns = std::min(plan_.stepX, sourceWidth_ - j * plan_.stepX);
        const std::uint32_t pixels = static_cast<std::uint32_t>(columns) * static_cast<std::uint32_t>(rowsInBox_);
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t sum = boxSums_[static_cast<std::size_t>(j) * 3 + c];
            out[3 * j + c] = static_cast<std::uint8_t>((sum + pixels / 2) / pixels);
        }
    }
    rowsInBox_ = 0;
}

// Folds one source row into rowSums_: per built column, the B, G, R sums of
// its stepX pixels.
void PictureBuilder::sumRow(const std::uint8_t* row) {
    const int bits = format_.bitCount;
    const std::size_t rowBytes = (static_cast<std::size_t>(sourceWidth_) * static_cast<std::size_t>(bits) + 7) / 8;
    if (lastRowValid_ && std::memcmp(row, lastRow_.data(), rowBytes) == 0) return;
    lastRow_.assign(row, row + rowBytes);
    lastRowValid_ = true;

    std::uint32_t* sums = rowSums_.data();
    const int step = plan_.stepX;
    const int width = sourceWidth_;
    const std::vector<RgbQuad>& table = format_.table;
    for (int j = 0, x0 = 0; j < plan_.width; ++j, x0 += step) {
        const int x1 = std::min(x0 + step, width);
        std::uint32_t b = 0, g = 0, r = 0;
        if (bits == 24 || (bits == 32 && defaultMasks32(format_))) {
            const int bytes = bits / 8;
            for (const std::uint8_t* p = row + static_cast<std::size_t>(x0) * bytes; p < row + static_cast<std::size_t>(x1) * bytes;
                 p += bytes) {
                b += p[0];
                g += p[1];
                r += p[2];
            }
        } else if (bits == 8) {
            for (int x = x0; x < x1; ++x) {
                const RgbQuad& c = table[row[x]];
                b += c.blue, g += c.green, r += c.red;
            }
        } else if (bits == 1) {
            const auto ones = static_cast<std::uint32_t>(countOnes(row, x0, x1));
            const auto zeros = static_cast<std::uint32_t>(x1 - x0) - ones;
            b = ones * table[1].blue + zeros * table[0].blue;
            g = ones * table[1].green + zeros * table[0].green;
            r = ones * table[1].red + zeros * table[0].red;
        } else if (bits == 2 || bits == 4) {
            for (int x = x0; x < x1; ++x) {
                const RgbQuad& c = table[indexAt(row, x, bits)];
                b += c.blue, g += c.green, r += c.red;
            }
        } else if (bits == 16) {
            if (colours16_.empty()) {
                colours16_.resize(65536);
                for (std::uint32_t v = 0; v < 65536; ++v)
                    colours16_[v] = {maskedComponent(v, format_.masks[2]), maskedComponent(v, format_.masks[1]),
                                     maskedComponent(v, format_.masks[0]), 0};
            }
            for (int x = x0; x < x1; ++x) {
                const RgbQuad& c = colours16_[row[2 * x] | (row[2 * x + 1] << 8)];
                b += c.blue, g += c.green, r += c.red;
            }
        } else {  // 32 bits through masks of the file's own
            for (int x = x0; x < x1; ++x) {
                const std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
                const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
                b += maskedComponent(v, format_.masks[2]);
                g += maskedComponent(v, format_.masks[1]);
                r += maskedComponent(v, format_.masks[0]);
            }
        }
        sums[3 * j] = b, sums[3 * j + 1] = g, sums[3 * j + 2] = r;
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
            std::memcpy(out + static_cast<std::size_t>(x) * bytes, pixels + static_cast<std::size_t>(i) * bytes, bytes);
        return;
    }
    if (allSums_.empty()) {
        try {
            allSums_.assign(static_cast<std::size_t>(plan_.width) * plan_.height * 3, 0);
        } catch (const std::bad_alloc&) {
            started_ = false;
            return;
        }
    }
    std::uint32_t* sums = allSums_.data() + static_cast<std::size_t>(y / plan_.stepY) * plan_.width * 3;
    for (int i = 0, x = x0; i < n && x < sourceWidth_; ++i, x += dx) {
        RgbQuad c;
        if (bits == 24) {
            c = {pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2], 0};
        } else if (bits <= 8) {
            c = format_.table[indexAt(pixels, i, bits)];
        } else if (bits == 16) {
            c = {maskedComponent(pixels[2 * i] | (pixels[2 * i + 1] << 8), format_.masks[2]),
                 maskedComponent(pixels[2 * i] | (pixels[2 * i + 1] << 8), format_.masks[1]),
                 maskedComponent(pixels[2 * i] | (pixels[2 * i + 1] << 8), format_.masks[0]), 0};
        } else {
            const std::uint8_t* p = pixels + 4 * static_cast<std::size_t>(i);
            const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
            c = {maskedComponent(v, format_.masks[2]), maskedComponent(v, format_.masks[1]),
                 maskedComponent(v, format_.masks[0]), 0};
        }
        std::uint32_t* s = sums + static_cast<std::size_t>(x / plan_.stepX) * 3;
        s[0] += c.blue, s[1] += c.green, s[2] += c.red;
    }
}

bool PictureBuilder::finish(WBitmap& out) {
    out.reset();
    if (!started_) return false;
    if (plan_.kind == DecodePlan::Kind::Reduced) {
        if (!allSums_.empty()) {
            // Every pixel of every box came in some pass.
            for (int i = 0; i < plan_.height; ++i) {
                const int rows = std::min(plan_.stepY, sourceHeight_ - i * plan_.stepY);
                std::uint8_t* row = picture_.row(i);
                const std::uint32_t* sums = allSums_.data() + static_cast<std::size_t>(i) * plan_.width * 3;
                for (int j = 0; j < plan_.width; ++j) {
                    const int columns = std::min(plan_.stepX, sourceWidth_ - j * plan_.stepX);
                    const auto pixels = static_cast<std::uint32_t>(rows * columns);
                    for (int c = 0; c < 3; ++c)
                        row[3 * j + c] = static_cast<std::uint8_t>((sums[3 * j + c] + pixels / 2) / pixels);
                }
            }
        } else {
            flushBox();
        }
    }
    out = std::move(picture_);
    picture_.reset();
    started_ = false;
    return true;
}

}  // namespace orvanta
