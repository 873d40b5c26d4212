// Composition of the back buffer: background, picture placement, tiles,
// stretch, and the secondary-monitor variant.
#include <gtest/gtest.h>

#include <QImage>

#include "settings/encodings.h"
#include "show/pixels/composition.h"
#include "show/pixels/fitting.h"

namespace orvanta {
namespace {

WBitmap solidBitmap(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    WBitmap bitmap;
    EXPECT_TRUE(bitmap.create(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = bitmap.row(y) + 3 * x;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return bitmap;
}

// Every pixel of image is `inside` within rect and `outside` elsewhere.
::testing::AssertionResult paintedExactly(const QImage& image, QRect rect, QRgb inside, QRgb outside) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = rect.contains(x, y) ? inside : outside;
            if (image.pixel(x, y) != want)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << image.pixel(x, y) << ", want " << want;
        }
    return ::testing::AssertionSuccess();
}

Settings base() {
    Settings s;
    s.Proportional = false;
    s.BackColor = readColour("  0128255");
    return s;
}

TEST(ComposePicture, ShrinkOnlyCentresAPictureThatFits) {
    Settings s = base();
    s.Shrink = true;
    QImage back(1024, 768, QImage::Format_RGB32);
    CRandom random(1);
    ASSERT_TRUE(composePicture(solidBitmap(640, 480, 200, 10, 20), false, s, random, back));
    EXPECT_TRUE(paintedExactly(back, QRect(192, 144, 640, 480), qRgb(200, 10, 20), qRgb(0, 128, 255)));
}

TEST(ComposePicture, BackgroundColourWithZeroPaddedFields) {
    Settings s = base();
    s.BackColor = readColour("000128255");
    s.Shrink = true;
    QImage back(64, 48, QImage::Format_RGB32);
    CRandom random(1);
    ASSERT_TRUE(composePicture(solidBitmap(10, 8, 1, 2, 3), false, s, random, back));
    EXPECT_TRUE(paintedExactly(back, QRect(27, 20, 10, 8), qRgb(1, 2, 3), qRgb(0, 128, 255)));
}

TEST(ComposePicture, ScaledPictureIsStretchedIntoItsRectangle) {
    Settings s = base();
    s.Shrink = true;
    QImage back(1024, 768, QImage::Format_RGB32);
    CRandom random(1);
    ASSERT_TRUE(composePicture(solidBitmap(2048, 768, 9, 99, 199), false, s, random, back));
    EXPECT_TRUE(paintedExactly(back, QRect(0, 192, 1024, 384), qRgb(9, 99, 199), qRgb(0, 128, 255)));
}

TEST(ComposePicture, FullScreenStretchCoversEverything) {
    Settings s = base();
    s.Stretch = true;
    QImage back(300, 200, QImage::Format_RGB32);
    CRandom random(1);
    ASSERT_TRUE(composePicture(solidBitmap(7, 3, 50, 60, 70), false, s, random, back));
    EXPECT_TRUE(paintedExactly(back, back.rect(), qRgb(50, 60, 70), 0));
}

TEST(ComposePicture, TilesRepeatFromTheOriginAndAreClipped) {
    Settings s = base();
    s.Tiled = true;
    // A tile with a distinct corner pixel, so that each tile's origin shows.
    WBitmap tile = solidBitmap(300, 200, 10, 20, 30);
    std::uint8_t* corner = tile.row(0);
    corner[0] = 3, corner[1] = 2, corner[2] = 1;
    QImage back(1024, 768, QImage::Format_RGB32);
    back.fill(qRgb(255, 255, 255));
    CRandom random(1);
    ASSERT_TRUE(composePicture(tile, false, s, random, back));
    int corners = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const bool isCorner = x % 300 == 0 && y % 200 == 0;
            corners += isCorner;
            ASSERT_EQ(back.pixel(x, y), isCorner ? qRgb(1, 2, 3) : qRgb(10, 20, 30)) << x << "," << y;
        }
    EXPECT_EQ(corners, 16);  // 4 columns x 4 rows
}

TEST(ComposePicture, TiledPictureTooLargeIsScaledInstead) {
    Settings s = base();
    s.Tiled = true;
    QImage back(1024, 768, QImage::Format_RGB32);
    CRandom random(1);
    ASSERT_TRUE(composePicture(solidBitmap(1280, 1024, 5, 5, 5), false, s, random, back));
    EXPECT_TRUE(paintedExactly(back, QRect(32, 0, 960, 768), qRgb(5, 5, 5), qRgb(0, 128, 255)));
}

TEST(ComposePicture, PlainCopyOfALargerPictureIsClipped) {
    Settings s = base();  // neither scaled nor tiled
    WBitmap picture = solidBitmap(100, 60, 0, 0, 0);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) picture.row(y)[3 * x + 2] = static_cast<std::uint8_t>(x);
    QImage back(40, 30, QImage::Format_RGB32);
    CRandom random(1);
    ASSERT_TRUE(composePicture(picture, false, s, random, back));
    for (int x = 0; x < 40; ++x) EXPECT_EQ(qRed(back.pixel(x, 10)), x);  // the picture's left part at (0, 0)
}

TEST(ComposePicture, EightBitPictureGoesThroughItsColourTable) {
    Settings s = base();
    s.Shrink = true;
    WBitmap picture;
    ASSERT_TRUE(picture.create(4, 4, 8));
    picture.colorTable()[0] = RgbQuad{30, 20, 10, 0};
    QImage back(8, 8, QImage::Format_RGB32);
    CRandom random(1);
    ASSERT_TRUE(composePicture(picture, false, s, random, back));
    EXPECT_TRUE(paintedExactly(back, QRect(2, 2, 4, 4), qRgb(10, 20, 30), qRgb(0, 128, 255)));
}

TEST(ComposePicture, EmptyPictureFailsTheBlitAndLeavesTheBackground) {
    Settings s = base();
    QImage back(16, 16, QImage::Format_RGB32);
    back.fill(qRgb(9, 9, 9));
    CRandom random(1);
    EXPECT_FALSE(composePicture(WBitmap(), false, s, random, back));
    EXPECT_TRUE(paintedExactly(back, QRect(), 0, qRgb(0, 128, 255)));
    QImage wrongFormat(16, 16, QImage::Format_RGB888);
    EXPECT_FALSE(composePicture(solidBitmap(4, 4, 1, 1, 1), false, s, random, wrongFormat));
}

TEST(ComposePictureInto, SecondaryMonitorUsesItsOwnSizeAndOrigin) {
    // Two monitors side by side in one image: 200x100 at (0,0) and 100x80 at (200,10).
    QImage desk(300, 100, QImage::Format_RGB32);
    desk.fill(qRgb(255, 255, 255));
    Settings s = base();
    s.Shrink = true;
    WBitmap picture = solidBitmap(50, 20, 7, 8, 9);
    const QImage canvas = picture.toImage32();
    CRandom random(1);
    ASSERT_TRUE(composePictureInto(canvas, false, s, random, desk, QRect(200, 10, 100, 80)));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x) {
            QRgb want = qRgb(255, 255, 255);
            if (QRect(200, 10, 100, 80).contains(x, y)) want = qRgb(0, 128, 255);
            if (QRect(225, 40, 50, 20).contains(x, y)) want = qRgb(7, 8, 9);
            ASSERT_EQ(desk.pixel(x, y), want) << x << "," << y;
        }
}

TEST(ComposePictureInto, TilesStartAtTheMonitorOriginAndStayInside) {
    QImage desk(300, 100, QImage::Format_RGB32);
    desk.fill(qRgb(255, 255, 255));
    Settings s = base();
    s.Tiled = true;
    WBitmap tile = solidBitmap(30, 30, 10, 10, 10);
    tile.row(0)[0] = 1;  // blue 1 at each tile's origin
    CRandom random(1);
    ASSERT_TRUE(composePictureInto(tile.toImage32(), false, s, random, desk, QRect(200, 10, 100, 80)));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x) {
            QRgb want = qRgb(255, 255, 255);
            if (QRect(200, 10, 100, 80).contains(x, y))
                want = (x - 200) % 30 == 0 && (y - 10) % 30 == 0 ? qRgb(10, 10, 1) : qRgb(10, 10, 10);
            ASSERT_EQ(desk.pixel(x, y), want) << x << "," << y;
        }
}

TEST(ComposePictureInto, RandomPlacementWithinTheMonitor) {
    QImage desk(400, 300, QImage::Format_RGB32);
    Settings s = base();
    s.Shrink = true;
    s.RanLocDisp = true;
    const QImage canvas = solidBitmap(40, 30, 1, 1, 1).toImage32();
    CRandom random(99), mirror(99);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(composePictureInto(canvas, false, s, random, desk, QRect(100, 50, 200, 150)));
        const int x = 100 + 160 * mirror.next() / 32767, y = 50 + 120 * mirror.next() / 32767;
        EXPECT_EQ(desk.pixel(x, y), qRgb(1, 1, 1));
        EXPECT_EQ(desk.pixel(x + 39, y + 29), qRgb(1, 1, 1));
        if (x > 100) {
            EXPECT_EQ(desk.pixel(x - 1, y), qRgb(0, 128, 255));
        }
        if (y + 30 < 200) {
            EXPECT_EQ(desk.pixel(x, y + 30), qRgb(0, 128, 255));
        }
    }
}

}  // namespace
}  // namespace orvanta
