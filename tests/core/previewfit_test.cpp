// The preview's fitting of the last picture: scaled once, then centred or
// stretched over the whole preview.
#include <gtest/gtest.h>

#include "show/pixels/previewfit.h"

namespace orvanta {
namespace {

TEST(PreviewFit, ScaledOnceThenCentredOrStretched) {
    // 800 x 600 in 152 x 112: scale 0.1867, 149 x 112, which fills the preview
    // within 15 % both ways and is stretched over all of it.
    EXPECT_EQ(previewPictureSize(QSize(800, 600), QSize(152, 112)), QSize(149, 112));
    EXPECT_EQ(previewDestination(QSize(149, 112), QSize(152, 112)), QRect(0, 0, 152, 112));
    // 600 x 1200: 56 x 112, centred at x = 48 without stretching.
    EXPECT_EQ(previewPictureSize(QSize(600, 1200), QSize(152, 112)), QSize(56, 112));
    EXPECT_EQ(previewDestination(QSize(56, 112), QSize(152, 112)), QRect(48, 0, 56, 112));
    // Small pictures are enlarged.
    EXPECT_EQ(previewPictureSize(QSize(38, 28), QSize(152, 112)), QSize(152, 112));
    // Larger than the preview both ways: both ratios are below 1.15, so it is
    // shrunk over the whole preview; larger one way only, it sits at 0 that way.
    EXPECT_EQ(previewDestination(QSize(152, 112), QSize(100, 50)), QRect(0, 0, 100, 50));
    EXPECT_EQ(previewDestination(QSize(20, 112), QSize(100, 50)), QRect(40, 0, 20, 112));
    // A hair-thin picture keeps one pixel (and single precision truncates
    // 20000 x (112 / 20000) to 111); empty sizes give nothing.
    EXPECT_EQ(previewPictureSize(QSize(1, 20000), QSize(152, 112)), QSize(1, 111));
    EXPECT_TRUE(previewPictureSize(QSize(), QSize(152, 112)).isEmpty());
    EXPECT_TRUE(previewDestination(QSize(10, 10), QSize()).isEmpty());
}

}  // namespace
}  // namespace orvanta
