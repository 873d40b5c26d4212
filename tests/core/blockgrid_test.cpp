#include <gtest/gtest.h>

#include "show/transitions/blockgrid.h"

namespace orvanta {
namespace {

struct GridCase {
    int screenWidth, screenHeight;
    int showWidth, block;
    std::int64_t blocks;
};

class BlockGridTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(BlockGridTest, WidthRuleBlockSizeAndCount) {
    const GridCase c = GetParam();
    const int w = showWidthFor(c.screenWidth);
    EXPECT_EQ(w, c.showWidth);
    EXPECT_EQ(blockSizeFor(w), c.block);
    EXPECT_EQ(blockCountFor(w, c.screenHeight), c.blocks);
}

INSTANTIATE_TEST_SUITE_P(Screens, BlockGridTest,
                         ::testing::Values(GridCase{640, 480, 640, 8, 4800}, GridCase{720, 576, 720, 8, 6480},
                                           GridCase{800, 600, 800, 10, 4800}, GridCase{1024, 768, 1024, 16, 3072},
                                           GridCase{1280, 1024, 1280, 16, 5120}, GridCase{1366, 768, 1360, 16, 4080},
                                           GridCase{1360, 768, 1360, 16, 4080}, GridCase{1400, 1050, 1400, 20, 3675},
                                           GridCase{1440, 900, 1440, 20, 3240}, GridCase{1680, 1050, 1680, 21, 4000},
                                           GridCase{1920, 1080, 1920, 24, 3600}, GridCase{2560, 1440, 2560, 32, 3600},
                                           GridCase{1600, 900, 1600, 16, 5625}, GridCase{97, 61, 97, 16, 23},
                                           GridCase{0, 768, 0, 16, 0}, GridCase{1024, -5, 1024, 16, 0}));

TEST(BlockGrid, OnlyA1366ScreenIsClippedToTheCentred1360) {
    EXPECT_EQ(showClipRect(1366, 768), QRect(3, 0, 1360, 768));
    EXPECT_EQ(showClipRect(1360, 768), QRect(0, 0, 1360, 768));
    EXPECT_EQ(showClipRect(1920, 1080), QRect(0, 0, 1920, 1080));
}

TEST(BlockGrid, BlocksAreLaidRowAfterRow) {
    EXPECT_EQ(blockCorner(70, 16, 1024), QPoint(96, 16));
    EXPECT_EQ(blockCorner(0, 16, 1024), QPoint(0, 0));
    EXPECT_EQ(blockCorner(63, 16, 1024), QPoint(1008, 0));
    EXPECT_EQ(blockCorner(64, 16, 1024), QPoint(0, 16));
    // 1400 x 1050 with blocks of 20: 70 blocks a row, the last (53rd) row holds 35.
    EXPECT_EQ(blockCorner(3674, 20, 1400), QPoint(680, 1040));
    EXPECT_EQ(blockCorner(3640, 20, 1400), QPoint(0, 1040));
    // A width that is no multiple of the block: x = j * B - q * W.
    EXPECT_EQ(blockCorner(7, 16, 97), QPoint(15, 16));
}

}  // namespace
}  // namespace orvanta
