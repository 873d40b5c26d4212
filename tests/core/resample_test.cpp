// The area-averaging stretch: exact on flat areas, true averages when
// shrinking, smooth when enlarging, and correct on clipped rectangles.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "show/pixels/resample.h"

namespace orvanta {
namespace {

QImage solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage noise(int w, int h, unsigned seed) {
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 gen(seed);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) row[x] = 0xFF000000u | (gen() & 0xFFFFFFu);
    }
    return image;
}

// Mean of one channel (0 blue, 1 green, 2 red) over a rectangle.
double channelMean(const QImage& image, QRect r, int channel) {
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) sum += (image.pixel(x, y) >> (8 * channel)) & 0xFF;
    return sum / (static_cast<double>(r.width()) * r.height());
}

struct SizeCase {
    int sw, sh, dw, dh;
};

class ConstantStaysConstant : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ConstantStaysConstant, EveryPixelExactly) {
    const SizeCase c = GetParam();
    for (QRgb colour : {0xFF000000u, 0xFFFFFFFFu, 0xFF0180FEu, 0xFF7F3A11u}) {
        const QImage src = solid(c.sw, c.sh, colour);
        QImage dst = solid(c.dw, c.dh, 0xFF123456u);
        stretchBox(src, src.rect(), dst, dst.rect());
        for (int y = 0; y < c.dh; ++y)
            for (int x = 0; x < c.dw; ++x) ASSERT_EQ(dst.pixel(x, y), colour) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ConstantStaysConstant,
                         ::testing::Values(SizeCase{1, 1, 1, 1}, SizeCase{7, 5, 3, 2}, SizeCase{3, 2, 17, 11},
                                           SizeCase{600, 400, 162, 108}, SizeCase{100, 1, 1, 1}, SizeCase{13, 1, 5, 40},
                                           SizeCase{37, 29, 37, 29}));

TEST(StretchBox, CheckerDownToOnePixelIsTheMean) {
    QImage src(2, 2, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(200, 100, 40));
    src.setPixel(0, 1, qRgb(200, 100, 40));
    src.setPixel(1, 1, qRgb(0, 0, 0));
    QImage dst = solid(1, 1, 0xFFFFFFFFu);
    stretchBox(src, src.rect(), dst, dst.rect());
    EXPECT_EQ(dst.pixel(0, 0), qRgb(100, 50, 20));
}

TEST(StretchBox, ShrinkAveragesExactlyTheCoveredArea) {
    // 3 -> 2: the middle source pixel is shared half and half.
    QImage src(3, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(30, 30, 30));
    src.setPixel(1, 0, qRgb(90, 90, 90));
    src.setPixel(2, 0, qRgb(210, 210, 210));
    QImage dst = solid(2, 1, 0xFF000000u);
    stretchBox(src, src.rect(), dst, dst.rect());
    EXPECT_EQ(qRed(dst.pixel(0, 0)), 50);   // (30 + 90/2) / 1.5
    EXPECT_EQ(qRed(dst.pixel(1, 0)), 170);  // (90/2 + 210) / 1.5
}

TEST(StretchBox, EnlargedGradientIsMonotoneAndNotBlocky) {
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(255, 255, 255));
    QImage dst = solid(20, 3, 0xFF000000u);
    stretchBox(src, src.rect(), dst, dst.rect());
    int distinct = 1;
    for (int x = 1; x < 20; ++x) {
        const int prev = qGreen(dst.pixel(x - 1, 1)), here = qGreen(dst.pixel(x, 1));
        EXPECT_LE(prev, here) << x;
        distinct += here != prev;
    }
    EXPECT_EQ(qGreen(dst.pixel(0, 1)), 0);
    EXPECT_EQ(qGreen(dst.pixel(19, 1)), 255);
    // Nearest neighbour gives two runs of ten; blending gives a ramp.
    EXPECT_GE(distinct, 8);
    // Rows agree: the source has one row.
    for (int x = 0; x < 20; ++x) EXPECT_EQ(dst.pixel(x, 0), dst.pixel(x, 2));
}

TEST(StretchBox, ShrinkPreservesTheMeanOfRandomData) {
    const QImage src = noise(300, 200, 7);
    for (const QSize size : {QSize(100, 100), QSize(37, 23), QSize(1, 1), QSize(299, 199)}) {
        QImage dst(size, QImage::Format_RGB32);
        stretchBox(src, src.rect(), dst, dst.rect());
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(channelMean(dst, dst.rect(), ch), channelMean(src, src.rect(), ch), 0.6)
                << size.width() << "x" << size.height() << " channel " << ch;
    }
}

// Straightforward floating-point version of the same filter: a window of
// max(s/d, 1) source pixels centred on the destination pixel, cut at the
// source edges, each source pixel weighted by its covered length.
std::vector<std::vector<double>> referenceWeights(int s, int d) {
    std::vector<std::vector<double>> weights(d, std::vector<double>(s, 0.0));
    const double scale = static_cast<double>(s) / d;
    for (int j = 0; j < d; ++j) {
        const double centre = (j + 0.5) * scale, half = std::max(scale, 1.0) / 2;
        const double lo = std::max(centre - half, 0.0), hi = std::min(centre + half, static_cast<double>(s));
        for (int i = 0; i < s; ++i)
            weights[j][i] = std::max(0.0, std::min(hi, i + 1.0) - std::max(lo, static_cast<double>(i))) / (hi - lo);
    }
    return weights;
}

TEST(StretchBox, AgreesWithAFloatingPointReference) {
    const QImage src = noise(29, 23, 5);
    for (const QSize size : {QSize(11, 7), QSize(29, 50), QSize(64, 9), QSize(5, 23)}) {
        QImage dst(size, QImage::Format_RGB32);
        stretchBox(src, src.rect(), dst, dst.rect());
        const auto wx = referenceWeights(29, size.width()), wy = referenceWeights(23, size.height());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    double sum = 0;
                    for (int sy = 0; sy < 23; ++sy)
                        for (int sx = 0; sx < 29; ++sx)
                            sum += wy[y][sy] * wx[x][sx] * ((src.pixel(sx, sy) >> (8 * ch)) & 0xFF);
                    ASSERT_NEAR((dst.pixel(x, y) >> (8 * ch)) & 0xFF, sum, 1.0)
                        << size.width() << "x" << size.height() << " at " << x << "," << y;
                }
    }
}

// The zoom transitions' range: factors between 0.8 and 1.2 per axis, the
// destination sticking out of the image on the left and top, the source
// rectangle reaching past the picture's edge. Widths are not multiples of
// four, so partial groups of pixels are covered too.
TEST(StretchBox, MildScalesAgreeWithAFloatingPointReference) {
    std::mt19937 gen(2026);
    const auto between = [&gen](int lo, int hi) {
        return lo + static_cast<int>(gen() % static_cast<unsigned>(hi - lo + 1));
    };
    for (int trial = 0; trial < 60; ++trial) {
        const int sw = between(16, 90), sh = between(8, 40);
        const int dw = sw * between(800, 1200) / 1000, dh = sh * between(800, 1200) / 1000;
        const QImage src = noise(sw, sh, static_cast<unsigned>(trial));
        const QRect from(between(-2, 2), between(-2, 2), sw, sh);
        const int cutLeft = between(0, dw / 4), cutTop = between(0, dh / 4);
        QImage dst(dw - cutLeft - between(0, dw / 4), dh - cutTop - between(0, dh / 4), QImage::Format_RGB32);
        stretchBox(src, from, dst, QRect(-cutLeft, -cutTop, dw, dh));

        const auto wx = referenceWeights(sw, dw), wy = referenceWeights(sh, dh);
        const auto at = [&](int x, int y) {
            return src.pixel(std::clamp(from.left() + x, 0, sw - 1), std::clamp(from.top() + y, 0, sh - 1));
        };
        for (int ch = 0; ch < 3; ++ch) {
            // Rows first, then columns: the same filter, computed separably.
            std::vector<std::vector<double>> across(sh, std::vector<double>(dst.width(), 0.0));
            for (int sy = 0; sy < sh; ++sy)
                for (int x = 0; x < dst.width(); ++x)
                    for (int sx = 0; sx < sw; ++sx)
                        across[sy][x] += wx[x + cutLeft][sx] * ((at(sx, sy) >> (8 * ch)) & 0xFF);
            for (int y = 0; y < dst.height(); ++y)
                for (int x = 0; x < dst.width(); ++x) {
                    double sum = 0;
                    for (int sy = 0; sy < sh; ++sy) sum += wy[y + cutTop][sy] * across[sy][x];
                    ASSERT_NEAR((dst.pixel(x, y) >> (8 * ch)) & 0xFF, sum, 1.0)
                        << sw << "x" << sh << " -> " << dw << "x" << dh << " at " << x << "," << y << " channel " << ch;
                }
        }
    }
}

TEST(StretchBox, SameSizeIsACopy) {
    const QImage src = noise(41, 17, 3);
    QImage dst(41, 17, QImage::Format_RGB32);
    stretchBox(src, src.rect(), dst, dst.rect());
    EXPECT_EQ(dst, src);
}

TEST(StretchBox, SubRectanglesMapOnlyTheirPixels) {
    // Source: left half red, right half blue; stretch only the right half.
    QImage src = solid(40, 20, qRgb(255, 0, 0));
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x) src.setPixel(x, y, qRgb(0, 0, 255));
    QImage dst = solid(50, 50, qRgb(0, 255, 0));
    stretchBox(src, QRect(20, 0, 20, 20), dst, QRect(10, 5, 30, 7));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) {
            const bool inside = QRect(10, 5, 30, 7).contains(x, y);
            ASSERT_EQ(dst.pixel(x, y), inside ? qRgb(0, 0, 255) : qRgb(0, 255, 0)) << x << "," << y;
        }
}

TEST(StretchBox, DestinationOutsideTheImageKeepsTheMapping) {
    // A zoom frame: the destination rectangle is larger than the image and
    // starts left of and above it. The visible part must equal the same part
    // of the full stretch.
    const QImage src = noise(64, 48, 11);
    const QRect frame(-50, -30, 300, 200);
    QImage full(300, 200, QImage::Format_RGB32);
    stretchBox(src, src.rect(), full, QRect(0, 0, 300, 200));
    QImage clipped = solid(120, 90, qRgb(1, 2, 3));
    stretchBox(src, src.rect(), clipped, frame);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) ASSERT_EQ(clipped.pixel(x, y), full.pixel(x + 50, y + 30)) << x << "," << y;

    // Entirely outside: nothing is touched.
    QImage untouched = solid(10, 10, qRgb(1, 2, 3));
    stretchBox(src, src.rect(), untouched, QRect(20, 20, 30, 30));
    stretchBox(src, src.rect(), untouched, QRect(-40, 0, 30, 30));
    EXPECT_EQ(untouched, solid(10, 10, qRgb(1, 2, 3)));
}

TEST(StretchBox, SourceRectangleBeyondThePictureRepeatsTheEdge) {
    QImage src = solid(4, 4, qRgb(10, 20, 30));
    QImage dst = solid(8, 8, 0xFF000000u);
    stretchBox(src, QRect(2, 2, 8, 8), dst, dst.rect());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(dst.pixel(x, y), qRgb(10, 20, 30));
    // Wholly to the right of the picture: its last column.
    QImage strip(4, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x) strip.setPixel(x, 0, qRgb(x * 50, 0, 0));
    QImage out = solid(3, 1, 0xFF000000u);
    stretchBox(strip, QRect(-2, 0, 12, 1), out, QRect(0, 0, 3, 1));
    EXPECT_EQ(qRed(out.pixel(0, 0)), 13);   // source -2..2: 0, 0, 0, 50 -> 12.5, rounded up
    EXPECT_EQ(qRed(out.pixel(2, 0)), 150);  // source 6..10: all beyond the edge
}

TEST(StretchBox, RefusesWhatItCannotDraw) {
    const QImage src = solid(4, 4, qRgb(10, 20, 30));
    QImage dst = solid(4, 4, qRgb(1, 1, 1));
    const QImage before = dst;
    stretchBox(src, QRect(0, 0, 0, 4), dst, dst.rect());
    stretchBox(src, src.rect(), dst, QRect(0, 0, 4, 0));
    stretchBox(src, QRect(10, 10, 4, 4), dst, dst.rect());
    stretchBox(src.convertToFormat(QImage::Format_RGB888), src.rect(), dst, dst.rect());
    stretchBox(QImage(), src.rect(), dst, dst.rect());
    EXPECT_EQ(dst, before);
}

TEST(StretchBox, WideWindowsOfExtremeShrinks) {
    // 20000 source pixels into one: every weight rounds to almost nothing,
    // yet the result is still the average.
    QImage src(20000, 1, QImage::Format_RGB32);
    for (int x = 0; x < 20000; ++x) src.setPixel(x, 0, x % 2 ? qRgb(200, 200, 200) : qRgb(100, 100, 100));
    QImage dst = solid(1, 1, 0xFF000000u);
    stretchBox(src, src.rect(), dst, dst.rect());
    EXPECT_NEAR(qRed(dst.pixel(0, 0)), 150, 1);
}

}  // namespace
}  // namespace orvanta
