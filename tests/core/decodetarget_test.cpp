// What the decoders build from their rows: the plan for each way the show
// fits pictures, area averages that match a pixel-by-pixel reference for
// every row layout and order, corners that keep the file's layout, and a
// reduced picture that the show's stretch turns into the same screen.
#include "show/decoders/decodetarget.h"
#include "show/pixels/fitting.h"
#include "show/pixels/resample.h"
#include "tests/core/support/testenv.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace orvanta {
namespace {

using Kind = DecodePlan::Kind;

DecodeRequest fitted(int screenWidth, int screenHeight, std::optional<ShowFitting> fitting) {
    DecodeRequest request;
    request.screenWidth = screenWidth;
    request.screenHeight = screenHeight;
    request.fitting = fitting;
    return request;
}

const ShowFitting kProportional{false, true, false};
const ShowFitting kStretch{true, false, false};
const ShowFitting kShrinkOnly{false, false, true};
const ShowFitting kUnscaled{false, false, false};

TEST(DecodePlan, FollowsHowTheShowFitsThePicture) {
    const struct {
        const char* what;
        std::optional<ShowFitting> fitting;
        int width, height, screenWidth, screenHeight;
        Kind kind;
        int builtWidth, builtHeight;
    } cases[] = {
        {"no fitting known", std::nullopt, 16384, 16384, 1920, 1080, Kind::Whole, 16384, 16384},
        {"no screen", kProportional, 16384, 16384, 0, 0, Kind::Whole, 16384, 16384},
        // Built at the size the show draws it.
        {"proportional, huge", kProportional, 16384, 16384, 1920, 1080, Kind::Reduced, 1080, 1080},
        {"proportional, wide", kProportional, 16384, 4000, 1920, 1080, Kind::Reduced, 1920, 468},
        {"proportional, under twice", kProportional, 3000, 2000, 1920, 1080, Kind::Whole, 3000, 2000},
        {"proportional, enlarged", kProportional, 320, 240, 1920, 1080, Kind::Whole, 320, 240},
        {"shrink only, fits", kShrinkOnly, 640, 480, 1920, 1080, Kind::Whole, 640, 480},
        {"shrink only, wide", kShrinkOnly, 16384, 1000, 1920, 1080, Kind::Reduced, 1920, 117},
        {"stretch, both sides", kStretch, 16384, 16384, 1920, 1080, Kind::Reduced, 1920, 1080},
        {"stretch, one side", kStretch, 5000, 1000, 1920, 1080, Kind::Reduced, 1920, 1000},
        {"stretch, under twice", kStretch, 3000, 2000, 1920, 1080, Kind::Whole, 3000, 2000},
        {"unscaled, huge", kUnscaled, 16384, 16384, 1920, 1080, Kind::Corner, 1920, 1080},
        {"unscaled, tall", kUnscaled, 1000, 5000, 1920, 1080, Kind::Corner, 1000, 1080},
        {"unscaled, fits", kUnscaled, 800, 600, 1920, 1080, Kind::Whole, 800, 600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodePlan plan = planDecode(c.width, c.height, fitted(c.screenWidth, c.screenHeight, c.fitting));
        EXPECT_EQ(plan.kind, c.kind);
        EXPECT_EQ(plan.width, c.builtWidth);
        EXPECT_EQ(plan.height, c.builtHeight);
    }
    // A larger monitor elsewhere widens what is kept.
    DecodeRequest twoMonitors = fitted(1920, 1080, kUnscaled);
    twoMonitors.largestScreenWidth = 2560;
    twoMonitors.largestScreenHeight = 1440;
    const DecodePlan corner = planDecode(16384, 16384, twoMonitors);
    EXPECT_EQ(corner.width, 2560);
    EXPECT_EQ(corner.height, 1440);
}

// Pixel (x, y) of a row in any of the builder's layouts, as the show reads it.
RgbQuad colourAt(const RowFormat& f, const std::uint8_t* row, int x) {
    switch (f.bitCount) {
    case 24: return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    case 16: {
        const std::uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
        return {maskedComponent(v, f.masks[2]), maskedComponent(v, f.masks[1]), maskedComponent(v, f.masks[0]), 0};
    }
    case 32: {
        const std::uint32_t v = row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) |
                                (static_cast<std::uint32_t>(row[4 * x + 3]) << 24);
        return {maskedComponent(v, f.masks[2]), maskedComponent(v, f.masks[1]), maskedComponent(v, f.masks[0]), 0};
    }
    default: {
        const int perByte = 8 / f.bitCount;
        const unsigned index = (row[x / perByte] >> ((perByte - 1 - x % perByte) * f.bitCount)) &
                               ((1u << f.bitCount) - 1);
        return index < f.table.size() ? f.table[index] : RgbQuad{};
    }
    }
}

struct Source {
    RowFormat format;
    int width, height;
    std::size_t stride;
    std::vector<std::uint8_t> bytes;
    const std::uint8_t* row(int y) const { return bytes.data() + stride * static_cast<std::size_t>(y); }
};

// A random picture in the given layout whose rows come in runs of equal
// rows, as in bitmaps with empty stretches.
Source randomSource(int bitCount, int width, int height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Source s{};
    s.format.bitCount = bitCount;
    if (bitCount <= 8)
        for (int i = 0; i < (1 << bitCount) - 1; ++i)  // the last index is past the table: black
            s.format.table.push_back({static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                      static_cast<std::uint8_t>(random()), 0});
    if (bitCount == 16) s.format.masks[0] = 0xF800, s.format.masks[1] = 0x07E0, s.format.masks[2] = 0x001F;
    if (bitCount == 32) s.format.masks[0] = 0x3FF00000, s.format.masks[1] = 0x000FFC00, s.format.masks[2] = 0x000003FF;
    s.width = width;
    s.height = height;
    s.stride = (static_cast<std::size_t>(width) * bitCount + 7) / 8;
    s.bytes.resize(s.stride * height);
    for (int y = 0; y < height; ++y) {
        if (y > 0 && random() % 3 == 0) {
            std::copy_n(s.row(y - 1), s.stride, s.bytes.begin() + static_cast<std::ptrdiff_t>(s.stride * y));
            continue;
        }
        for (std::size_t i = 0; i < s.stride; ++i) s.bytes[s.stride * y + i] = static_cast<std::uint8_t>(random());
    }
    return s;
}

// The area average of every built pixel, straight from the definition: each
// source pixel weighted by the part of it inside the built pixel's area.
std::vector<RgbQuad> expectedAverages(const Source& s, const DecodePlan& plan) {
    std::vector<RgbQuad> out;
    const double sx = static_cast<double>(s.width) / plan.width, sy = static_cast<double>(s.height) / plan.height;
    for (int by = 0; by < plan.height; ++by)
        for (int bx = 0; bx < plan.width; ++bx) {
            double sum[3] = {}, total = 0;
            for (int y = static_cast<int>(by * sy); y < std::min(s.height, static_cast<int>(std::ceil((by + 1) * sy)));
                 ++y)
                for (int x = static_cast<int>(bx * sx);
                     x < std::min(s.width, static_cast<int>(std::ceil((bx + 1) * sx))); ++x) {
                    const double wy = std::min<double>(y + 1, (by + 1) * sy) - std::max<double>(y, by * sy);
                    const double wx = std::min<double>(x + 1, (bx + 1) * sx) - std::max<double>(x, bx * sx);
                    if (wx <= 0 || wy <= 0) continue;
                    const RgbQuad c = colourAt(s.format, s.row(y), x);
                    sum[0] += wx * wy * c.blue, sum[1] += wx * wy * c.green, sum[2] += wx * wy * c.red;
                    total += wx * wy;
                }
            out.push_back({static_cast<std::uint8_t>(std::lround(sum[0] / total)),
                           static_cast<std::uint8_t>(std::lround(sum[1] / total)),
                           static_cast<std::uint8_t>(std::lround(sum[2] / total)), 0});
        }
    return out;
}

// Largest difference of any channel between two equally long pixel lists.
int worstDifference(const std::vector<RgbQuad>& a, const std::vector<RgbQuad>& b) {
    int worst = a.size() == b.size() ? 0 : 256;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(
            {worst, std::abs(a[i].blue - b[i].blue), std::abs(a[i].green - b[i].green), std::abs(a[i].red - b[i].red)});
    return worst;
}

std::vector<RgbQuad> pixelsOf(const WBitmap& b) {
    std::vector<RgbQuad> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) out.push_back(b.pixel(x, y));
    return out;
}

// Equal rows are handed over as runs, in file order, as the decoders do.
void handOver(PictureBuilder& builder, const Source& s, bool bottomUp) {
    for (int i = 0; i < s.height;) {
        const int y = bottomUp ? s.height - 1 - i : i;
        int run = 1;
        while (i + run < s.height) {
            const int next = bottomUp ? y - run : y + run;
            if (!std::equal(s.row(y), s.row(y) + s.stride, s.row(next))) break;
            ++run;
        }
        builder.putRows(bottomUp ? y - run + 1 : y, run, s.row(y));
        i += run;
    }
}

// Sizes that divide evenly and sizes that do not; rounding of the exact
// average may differ by one level.
TEST(PictureBuilder, ReducedPicturesAreAreaAveragesOfEveryLayout) {
    for (int bits : {1, 2, 4, 8, 16, 24, 32}) {
        for (bool bottomUp : {false, true}) {
            for (const DecodePlan plan : {DecodePlan{Kind::Reduced, 29, 19}, DecodePlan{Kind::Reduced, 23, 97},
                                          DecodePlan{Kind::Reduced, 1, 1}}) {
                SCOPED_TRACE(testing::Message() << bits << " bits" << (bottomUp ? ", bottom-up " : " ") << plan.width
                                                << "x" << plan.height);
                const Source s = randomSource(bits, 203, 97, static_cast<std::uint32_t>(bits * 2 + bottomUp));
                PictureBuilder builder;
                ASSERT_TRUE(builder.start(s.width, s.height, s.format, plan, bottomUp));
                handOver(builder, s, bottomUp);
                WBitmap built;
                ASSERT_TRUE(builder.finish(built));
                ASSERT_EQ(built.bitCount(), 24);
                ASSERT_EQ(built.width(), plan.width);
                ASSERT_EQ(built.height(), plan.height);
                EXPECT_LE(worstDifference(pixelsOf(built), expectedAverages(s, plan)), 1);
            }
        }
    }
}

// Interlaced files hand over their pixels pass by pass; the result is the
// same as from whole rows.
TEST(PictureBuilder, PixelsInAnyOrderAverageLikeRows) {
    const Source s = randomSource(24, 61, 45, 3);
    const DecodePlan plan{Kind::Reduced, 17, 13};
    PictureBuilder rows, pixels;
    ASSERT_TRUE(rows.start(s.width, s.height, s.format, plan, false));
    ASSERT_TRUE(pixels.start(s.width, s.height, s.format, plan, false));
    handOver(rows, s, false);
    // Adam7: seven passes, each a lattice of pixels.
    const int startX[7] = {0, 4, 0, 2, 0, 1, 0}, startY[7] = {0, 0, 4, 0, 2, 0, 1};
    const int stepX[7] = {8, 8, 4, 4, 2, 2, 1}, stepY[7] = {8, 8, 8, 4, 4, 2, 2};
    for (int pass = 0; pass < 7; ++pass)
        for (int y = startY[pass]; y < s.height; y += stepY[pass]) {
            std::vector<std::uint8_t> lattice;
            for (int x = startX[pass]; x < s.width; x += stepX[pass])
                lattice.insert(lattice.end(), s.row(y) + 3 * x, s.row(y) + 3 * x + 3);
            pixels.putPixels(y, startX[pass], stepX[pass], lattice.data(), static_cast<int>(lattice.size() / 3));
        }
    WBitmap a, b;
    ASSERT_TRUE(rows.finish(a));
    ASSERT_TRUE(pixels.finish(b));
    EXPECT_LE(worstDifference(pixelsOf(a), pixelsOf(b)), 1);
}

// A corner keeps the rows' own layout (colour table and masks included) and
// exactly the top-left pixels; rows below it are not wanted.
TEST(PictureBuilder, CornersKeepTheTopLeftInTheFileLayout) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const Source s = randomSource(bits, 77, 40, static_cast<std::uint32_t>(bits));
        const DecodePlan plan{Kind::Corner, 50, 23};
        PictureBuilder builder;
        ASSERT_TRUE(builder.start(s.width, s.height, s.format, plan, true));
        EXPECT_TRUE(builder.wantsRow(22));
        EXPECT_FALSE(builder.wantsRow(23));
        handOver(builder, s, true);
        WBitmap built;
        ASSERT_TRUE(builder.finish(built));
        ASSERT_EQ(built.bitCount(), bits);
        ASSERT_EQ(built.width(), 50);
        ASSERT_EQ(built.height(), 23);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 50; ++x) ASSERT_EQ(built.pixel(x, y), colourAt(s.format, s.row(y), x)) << x << "," << y;
    }
    // Two-bit rows have no such layout to keep.
    PictureBuilder builder;
    const Source two = randomSource(2, 8, 8, 1);
    EXPECT_FALSE(builder.start(8, 8, two.format, DecodePlan{Kind::Corner, 4, 4}, false));
}

// What the show puts on the screen from a reduced picture is what it would
// have put there from the whole one: the same destination, and the same
// colours to within rounding, sharp edges and grain included.
TEST(PictureBuilder, TheShowDrawsAReducedPictureAsTheWholeOne) {
    const int width = 4100, height = 3001;
    Source s{};
    s.format.bitCount = 24;
    s.width = width, s.height = height;
    s.stride = static_cast<std::size_t>(width) * 3;
    s.bytes.resize(s.stride * height);
    std::mt19937 random(5);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = s.bytes.data() + s.stride * y + 3 * x;
            const int grain = static_cast<int>(random() % 41) - 20;
            p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / width + grain, 0, 255));
            p[1] = static_cast<std::uint8_t>(((x / 37 + y / 23) % 2) * 200 + 20);  // sharp-edged checks
            p[2] = static_cast<std::uint8_t>(std::clamp(y * 255 / height + grain, 0, 255));
        }
    QImage whole(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = s.row(y) + 3 * x;
            whole.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    Settings settings;
    settings.Proportional = true;
    settings.propLimitFactor = 5000.0f;
    const QSize screen(1024, 768);
    const DecodePlan plan = planDecode(width, height,
                                       fitted(screen.width(), screen.height(), ShowFitting::of(settings)));
    ASSERT_EQ(plan.kind, Kind::Reduced);
    PictureBuilder builder;
    ASSERT_TRUE(builder.start(width, height, s.format, plan, false));
    for (int y = 0; y < height; ++y) builder.putRows(y, 1, s.row(y));
    WBitmap reduced;
    ASSERT_TRUE(builder.finish(reduced));

    CRandom r1(1), r2(1);
    const Fitting fitWhole = fitPicture(FittingRules::of(settings), screen, whole.size(), false, r1);
    const Fitting fitReduced = fitPicture(FittingRules::of(settings), screen, QSize(reduced.width(), reduced.height()),
                                          true, r2);
    ASSERT_EQ(fitReduced.destination, fitWhole.destination);
    QImage a(screen, QImage::Format_RGB32), b(screen, QImage::Format_RGB32);
    a.fill(Qt::black);
    b.fill(Qt::black);
    stretchBox(whole, whole.rect(), a, fitWhole.destination);
    const QImage small = reduced.toImage32();
    stretchBox(small, small.rect(), b, fitReduced.destination);
    int worst = 0;
    double total = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max(
                {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            worst = std::max(worst, d);
            total += d;
        }
    RecordProperty("worst", worst);
    RecordProperty("mean x 1000", static_cast<int>(1000 * total / (screen.width() * screen.height())));
    EXPECT_LT(total / (screen.width() * screen.height()), 0.1);
    EXPECT_LE(worst, 2);
}

TEST(PictureBuilder, RefusesWhatItCannotBuild) {
    RowFormat format;
    PictureBuilder builder;
    EXPECT_FALSE(builder.start(0, 10, format, DecodePlan{Kind::Whole, 0, 10}, false));
    // Held whole, a picture may not pass WBitmap's limit.
    EXPECT_FALSE(builder.start(16384, 16384, format, DecodePlan{Kind::Whole, 16384, 16384}, false));
    // Nothing is built larger than its source.
    EXPECT_FALSE(builder.start(100, 100, format, DecodePlan{Kind::Reduced, 101, 10}, false));
    format.bitCount = 12;
    EXPECT_FALSE(builder.start(10, 10, format, DecodePlan{Kind::Whole, 10, 10}, false));
    WBitmap out;
    EXPECT_FALSE(builder.finish(out));
    EXPECT_TRUE(out.isNull());
}

}  // namespace
}  // namespace orvanta
