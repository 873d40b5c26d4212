#include <gtest/gtest.h>

#include <QImage>

#include <vector>

#include "show/pixels/blend.h"
#include "show/pixels/pixelwork.h"
#include "show/pixels/resample.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/imagetransitiontarget.h"
#include "show/transitions/transitionplayer.h"
#include "show/transitions/transitiontable.h"

namespace orvanta {
namespace {

// Records what the player asks for; the exit request is seen at the Nth dispatch.
class RecordingTarget : public TransitionTarget {
public:
    int exitAt = -1;
    int pieces = 0, stretches = 0, blends = 0, copies = 0, dispatches = 0, sleeps = 0, slept = 0;
    void copyPiece(const QRect&) override { ++pieces; }
    void stretchToScreen(const QRect&, const QRect&) override { ++stretches; }
    void blendFrame(int) override { ++blends; }
    void copyAll() override { ++copies; }
    void fill(QRgb) override {}
    bool pumpAndCheckExit() override { return ++dispatches == exitAt; }
    void sleep(int ms) override {
        ++sleeps;
        slept += ms;
    }
};

bool play(int effect, int w, int h, int delay, TransitionTarget& target) {
    static std::vector<int> blocks;
    blocks.assign(static_cast<std::size_t>(blockCountFor(w, h)), 0);
    Mt19937 mt;
    mt.seed(1);
    CRandom cr(1);
    TransitionRandom random{mt, cr};
    return playTransition(effect, TransitionGeometry{w, h, blockSizeFor(w), delay, blocks}, random, target);
}

TEST(TransitionPlayer, ExitRequestStopsRightAfterTheStep) {
    struct Case {
        int effect, exitAt, pieces, stretches, blends, sleeps;
    };
    // 64 x 48, Delay 10. Wipe 1: one column a step, pauses at 0 and 8 only.
    // Effect 5: two columns a step, i = 31 down to 25, a pause at 28. Zoom: a stretch a step. Blend: one frame, one
    // pause each.
    for (const Case c : {Case{1, 1, 1, 0, 0, 0}, Case{1, 10, 10, 0, 0, 2}, Case{5, 7, 14, 0, 0, 1},
                         Case{33, 25, 0, 25, 0, 0}, Case{35, 4, 0, 0, 4, 3}}) {
        RecordingTarget t;
        t.exitAt = c.exitAt;
        EXPECT_FALSE(play(c.effect, 64, 48, 10, t));
        EXPECT_EQ(t.dispatches, c.exitAt);
        EXPECT_EQ(t.pieces, c.pieces) << c.effect;
        EXPECT_EQ(t.stretches, c.stretches);
        EXPECT_EQ(t.blends, c.blends);
        EXPECT_EQ(t.sleeps, c.sleeps) << c.effect;
        EXPECT_EQ(t.copies, 0);
    }
}

TEST(TransitionPlayer, RunsToTheEndWithoutExit) {
    RecordingTarget t;
    EXPECT_TRUE(play(35, 64, 48, 10, t));
    EXPECT_EQ(t.blends, 101);
    EXPECT_EQ(t.copies, 1);
    EXPECT_EQ(t.dispatches, 99);
    EXPECT_EQ(t.slept, 99 * 30);
    RecordingTarget off;
    EXPECT_TRUE(play(0, 64, 48, 10, off));
    EXPECT_EQ(off.copies, 1);
    EXPECT_EQ(off.dispatches, 0);
}

QImage pattern(int w, int h, std::uint32_t salt) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* p = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) p[x] = 0xFF000000U | ((x * 2654435761U + y * 40503U + salt) & 0xFFFFFFU);
    }
    return img;
}

class PixelsTest : public ::testing::TestWithParam<std::tuple<int, QSize>> {};

// Played on real pixels, every effect but Zoom In leaves exactly the new picture.
TEST_P(PixelsTest, EndsOnTheExactPicture) {
    const auto [effect, size] = GetParam();
    QImage back = pattern(size.width(), size.height(), 1);
    QImage previous = pattern(size.width(), size.height(), 2);
    QImage screen = previous.copy();
    ImageTransitionTarget target(back, previous, screen, screen.rect());
    EXPECT_TRUE(play(effect, size.width(), size.height(), 0, target));
    EXPECT_TRUE(screen == back) << "effect " << effect;
}

INSTANTIATE_TEST_SUITE_P(AllButZoomIn, PixelsTest,
                         ::testing::Combine(::testing::Values(1, 2, 5, 9, 12, 13, 14, 15, 18, 19, 20, 21, 22, 23, 24,
                                                              25, 26, 27, 28, 29, 30, 31, 32, 34, 35),
                                            ::testing::Values(QSize(64, 48), QSize(97, 61))));

TEST(ImageTarget, ZoomInEndsOnTheEnlargedFrame) {
    const int w = 97, h = 61;
    QImage back = pattern(w, h, 1), previous = pattern(w, h, 2), screen = previous.copy();
    ImageTransitionTarget target(back, previous, screen, screen.rect());
    EXPECT_TRUE(play(kZoomIn, w, h, 0, target));
    CRandom cr(1);
    const int corner = 4 * cr.next() / 32768;
    QImage expected = previous.copy();
    const QRect last((corner % 2) ? -(399 * w / 2000) : 0, corner >= 2 ? -(399 * h / 2000) : 0, w * 2399 / 2000,
                     h * 2399 / 2000);
    stretchBox(back, back.rect(), expected, last);
    EXPECT_TRUE(screen == expected);
}

TEST(ImageTarget, A1366ScreenIsOnlyDrawnInsideItsClip) {
    const int w = 1366, h = 24;
    QImage back = pattern(w, h, 1), previous = pattern(w, h, 2);
    QImage screen(w, h, QImage::Format_RGB32);
    for (int effect : {1, kZoomIn, kImageBlending}) {
        screen.fill(0xFF000000U);
        ImageTransitionTarget target(back, previous, screen, showClipRect(w, h));
        play(effect, showWidthFor(w), h, 0, target);
        for (int y = 0; y < h; ++y)
            for (int x : {0, 1, 2, 1363, 1364, 1365}) ASSERT_EQ(screen.pixel(x, y), 0xFF000000U) << effect;
    }
    screen.fill(0xFF000000U);
    ImageTransitionTarget target(back, previous, screen, showClipRect(w, h));
    target.fill(0x123456);
    EXPECT_EQ(screen.pixel(2, 5), 0xFF000000U);
    EXPECT_EQ(screen.pixel(3, 5), 0xFF123456U);
    EXPECT_EQ(screen.pixel(1362, 5), 0xFF123456U);
    EXPECT_EQ(screen.pixel(1363, 5), 0xFF000000U);
}

// Every alpha, every pair of channel values, against the formula, with the
// kernels of every vector level.
TEST(Blend, ExactlyTheFormulaForEveryAlphaAndValue) {
    std::vector<std::uint32_t> src(65536), dst(65536), out(65536);
    for (int k = 0; k < 65536; ++k) {
        const std::uint32_t n = k >> 8, o = k & 0xFF;
        src[k] = (n << 24) | (n << 16) | (o << 8) | n;  // mix channel roles between the lanes
        dst[k] = (o << 24) | (o << 16) | (n << 8) | o;
    }
    for (VectorLevel level : {VectorLevel::Scalar, VectorLevel::Sse2, VectorLevel::Avx2, VectorLevel::Avx512}) {
        if (setVectorLevel(level) != level) continue;
        for (int a = 0; a <= 255; ++a) {
            out = dst;
            blendRow(src.data(), out.data(), 65535, a);  // an odd count exercises the tail
            for (int k = 0; k < 65535; ++k) {
                for (int shift = 0; shift < 32; shift += 8) {
                    const std::uint32_t n = (src[k] >> shift) & 0xFF, o = (dst[k] >> shift) & 0xFF;
                    const std::uint32_t want = (a * n + (255 - a) * o) / 255;
                    ASSERT_EQ((out[k] >> shift) & 0xFF, want)
                        << "level " << static_cast<int>(level) << " a=" << a << " n=" << n << " o=" << o;
                }
            }
            ASSERT_EQ(out[65535], dst[65535]);
        }
    }
    setVectorLevel(bestVectorLevel());
}

}  // namespace
}  // namespace orvanta
