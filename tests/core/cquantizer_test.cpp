#include "show/pixels/cquantizer.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

namespace orvanta {
namespace {

using Rgb = std::tuple<int, int, int>;

std::vector<Rgb> tableOf(const CQuantizer& q, unsigned room = 256) {
    std::vector<RgbQuad> table(room, RgbQuad{7, 7, 7, 7});
    q.fillColorTable(table.data());
    std::vector<Rgb> out;
    for (unsigned i = 0; i < q.leafCount(); ++i) {
        EXPECT_EQ(table[i].reserved, 0);
        out.emplace_back(table[i].red, table[i].green, table[i].blue);
    }
    // Nothing is written past the leaves.
    for (unsigned i = q.leafCount(); i < room; ++i) EXPECT_EQ(table[i], (RgbQuad{7, 7, 7, 7}));
    return out;
}

std::set<Rgb> asSet(const std::vector<Rgb>& v) { return {v.begin(), v.end()}; }

const std::vector<Rgb> kTen = {{0, 0, 0},    {255, 255, 255}, {255, 0, 0}, {0, 255, 0},     {0, 0, 255},
                               {12, 34, 56}, {200, 100, 50},  {1, 2, 3},   {128, 128, 128}, {250, 5, 130}};

// The same ten colours written as a bitmap of each depth that can hold them.
WBitmap tenColours(int bits) {
    WBitmap bmp;
    EXPECT_TRUE(bmp.create(5, 2, bits));
    for (int i = 0; i < 10; ++i) {
        const auto [r, g, b] = kTen[static_cast<std::size_t>(i)];
        const int x = i % 5, y = i / 5;
        std::uint8_t* row = bmp.row(y);
        if (bits == 24) {
            row[3 * x] = static_cast<std::uint8_t>(b);
            row[3 * x + 1] = static_cast<std::uint8_t>(g);
            row[3 * x + 2] = static_cast<std::uint8_t>(r);
        } else if (bits == 32) {
            row[4 * x] = static_cast<std::uint8_t>(b);
            row[4 * x + 1] = static_cast<std::uint8_t>(g);
            row[4 * x + 2] = static_cast<std::uint8_t>(r);
            row[4 * x + 3] = 0xAB;  // the unused byte must not leak into a colour
        } else {
            bmp.colorTable()[static_cast<std::size_t>(i + 3)] = RgbQuad{static_cast<std::uint8_t>(b),
                                                                        static_cast<std::uint8_t>(g),
                                                                        static_cast<std::uint8_t>(r), 0};
            if (bits == 8) {
                row[x] = static_cast<std::uint8_t>(i + 3);
            } else {  // 4 bits: high nibble first
                row[x / 2] |= static_cast<std::uint8_t>((i + 3) << ((x & 1) ? 0 : 4));
            }
        }
    }
    return bmp;
}

class TenColours : public testing::TestWithParam<int> {};

TEST_P(TenColours, GiveTenExactEntries) {
    CQuantizer q(236, 8);
    ASSERT_TRUE(q.addBitmap(tenColours(GetParam())));
    EXPECT_EQ(q.leafCount(), 10u);
    const auto table = tableOf(q);
    EXPECT_EQ(asSet(table), asSet(kTen));
    // Depth first with children in index order sorts the colours by their
    // interleaved bits: black first, white last.
    EXPECT_EQ(table.front(), Rgb(0, 0, 0));
    EXPECT_EQ(table.back(), Rgb(255, 255, 255));
}

INSTANTIATE_TEST_SUITE_P(Depths, TenColours, testing::Values(4, 8, 24, 32));

TEST(CQuantizer, OneBitRowsAreReadMostSignificantBitFirst) {
    WBitmap bmp;
    ASSERT_TRUE(bmp.create(9, 1, 1));
    bmp.colorTable()[0] = RgbQuad{0, 0, 200, 0};
    bmp.colorTable()[1] = RgbQuad{0, 200, 0, 0};
    bmp.row(0)[0] = 0x80;  // only the first pixel is colour 1
    CQuantizer q(236, 8);
    ASSERT_TRUE(q.addBitmap(bmp));
    ASSERT_EQ(q.leafCount(), 2u);
    EXPECT_EQ(asSet(tableOf(q)), (std::set<Rgb>{{200, 0, 0}, {0, 200, 0}}));
}

TEST(CQuantizer, ThreeHundredColoursStayWithinTheLimitAfterEveryPixel) {
    CQuantizer q(236, 8);
    for (int i = 0; i < 300; ++i) {
        q.addColor(static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 91 / 7),
                   static_cast<std::uint8_t>(i % 256));
        ASSERT_LE(q.leafCount(), 236u) << "after pixel " << i;
    }
    EXPECT_GT(q.leafCount(), 100u);
    const auto table = tableOf(q);
    EXPECT_EQ(table.size(), q.leafCount());
}

TEST(CQuantizer, MergedLeafIsThePixelWeightedAverage) {
    // One leaf allowed: the tree folds all the way up to the root.
    CQuantizer q(1, 8);
    for (int i = 0; i < 3; ++i) q.addColor(0, 0, 0);
    q.addColor(40, 80, 8);
    q.addColor(0, 0, 0);
    q.addColor(200, 0, 0);  // lands in the root, now a leaf
    EXPECT_EQ(q.leafCount(), 1u);
    EXPECT_EQ(tableOf(q), (std::vector<Rgb>{{40, 13, 1}}));
}

TEST(CQuantizer, NewestInnerNodeOfTheDeepestLevelIsMergedFirst) {
    CQuantizer q(4, 8);
    q.addColor(0, 0, 0);  // level-7 node P
    q.addColor(0, 0, 1);
    q.addColor(2, 0, 0);  // level-7 node Q, newer than P
    q.addColor(3, 0, 0);
    ASSERT_EQ(q.leafCount(), 4u);
    // A fifth leaf under a third level-7 node R forces a reduction: R (one
    // child, no change in count) goes first, then Q, not the older P.
    q.addColor(4, 0, 0);
    EXPECT_EQ(q.leafCount(), 4u);
    EXPECT_EQ(tableOf(q), (std::vector<Rgb>{{0, 0, 0}, {0, 0, 1}, {2, 0, 0}, {4, 0, 0}}));
    // R is a leaf now: a neighbour that shares its prefix joins it.
    q.addColor(5, 0, 0);
    EXPECT_EQ(tableOf(q), (std::vector<Rgb>{{0, 0, 0}, {0, 0, 1}, {2, 0, 0}, {4, 0, 0}}));
}

// The palette is made for showing the picture: a 16-bit grey ramp gives the
// very greys the canvas shows for it, white included (not 248).
TEST(CQuantizer, SixteenBitGreysAreTheGreysTheCanvasShows) {
    WBitmap bmp;
    ASSERT_TRUE(bmp.create(32, 1, 16));
    for (int g = 0; g < 32; ++g) {
        const unsigned v = static_cast<unsigned>(g << 10 | g << 5 | g);
        bmp.row(0)[2 * g] = static_cast<std::uint8_t>(v);
        bmp.row(0)[2 * g + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    CQuantizer q(236, 8);
    ASSERT_TRUE(q.addBitmap(bmp));
    const auto table = tableOf(q);
    ASSERT_EQ(table.size(), 32u);
    const QImage canvas = bmp.toImage32();
    for (int g = 0; g < 32; ++g) {
        const QRgb shown = canvas.pixel(g, 0);
        EXPECT_EQ(table[static_cast<std::size_t>(g)], Rgb(qRed(shown), qGreen(shown), qBlue(shown))) << g;
    }
    EXPECT_EQ(table.back(), Rgb(255, 255, 255));
}

struct MaskCase {
    const char* name;
    int bits;
    std::uint32_t pixel;
    bool bitFields;
    std::uint32_t red, green, blue;
    Rgb expected;
};

class Masks : public testing::TestWithParam<MaskCase> {};

TEST_P(Masks, AreHonoured) {
    const MaskCase& c = GetParam();
    WBitmap bmp;
    ASSERT_TRUE(bmp.create(1, 1, c.bits));
    if (c.bitFields) bmp.setMasks(c.red, c.green, c.blue, true);
    for (int i = 0; i < c.bits / 8; ++i) bmp.row(0)[i] = static_cast<std::uint8_t>(c.pixel >> (8 * i));
    CQuantizer q(236, 8);
    ASSERT_TRUE(q.addBitmap(bmp));
    EXPECT_EQ(tableOf(q), std::vector<Rgb>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Masks,
    testing::Values(MaskCase{"rgb565_green", 16, 0x07E0, true, 0xF800, 0x07E0, 0x001F, {0, 255, 0}},
                    MaskCase{"rgb565_red", 16, 0xF800, true, 0xF800, 0x07E0, 0x001F, {255, 0, 0}},
                    // Without bit fields the same bits read as 5-5-5.
                    MaskCase{"default555", 16, 0x07E0, false, 0, 0, 0, {8, 255, 0}},
                    MaskCase{"default32", 32, 0xFF102030, false, 0, 0, 0, {0x10, 0x20, 0x30}},
                    MaskCase{"bgr32", 32, 0x00102030, true, 0x0000FF, 0x00FF00, 0xFF0000, {0x30, 0x20, 0x10}},
                    // A 10-bit field keeps its top eight bits.
                    MaskCase{"rgb10",
                             32,
                             0x3FF00000u | (0x200u << 10) | 0x0FF,
                             true,
                             0x3FF00000,
                             0x000FFC00,
                             0x000003FF,
                             {255, 128, 63}}),
    [](const testing::TestParamInfo<MaskCase>& p) { return std::string(p.param.name); });

TEST(CQuantizer, SecondPictureIsMergedIntoTheFirst) {
    CQuantizer q(236, 8);
    ASSERT_TRUE(q.addBitmap(tenColours(24)));
    WBitmap second;
    ASSERT_TRUE(second.create(2, 1, 24));
    second.row(0)[0] = 9;  // B,G,R = 9,99,199
    second.row(0)[1] = 99;
    second.row(0)[2] = 199;
    ASSERT_TRUE(q.addBitmap(second));  // the other pixel is black, already known
    auto expected = asSet(kTen);
    expected.insert({199, 99, 9});
    EXPECT_EQ(q.leafCount(), 11u);
    EXPECT_EQ(asSet(tableOf(q)), expected);
}

TEST(CQuantizer, ManyPicturesKeepEarlierColoursRepresented) {
    CQuantizer q(236, 8);
    WBitmap red;
    ASSERT_TRUE(red.create(4, 4, 24));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) red.row(y)[3 * x + 2] = 255;
    ASSERT_TRUE(q.addBitmap(red));
    WBitmap ramp;  // 4096 colours, far over the limit
    ASSERT_TRUE(ramp.create(64, 64, 24));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            ramp.row(y)[3 * x] = static_cast<std::uint8_t>(x * 4);
            ramp.row(y)[3 * x + 1] = static_cast<std::uint8_t>(y * 4);
            ramp.row(y)[3 * x + 2] = static_cast<std::uint8_t>((x + y) & 0x7F);
        }
    ASSERT_TRUE(q.addBitmap(ramp));
    EXPECT_LE(q.leafCount(), 236u);
    const auto table = tableOf(q);
    const bool hasRed = std::any_of(table.begin(), table.end(), [](const Rgb& c) {
        return std::get<0>(c) >= 192 && std::get<1>(c) < 64 && std::get<2>(c) < 64;
    });
    EXPECT_TRUE(hasRed);
}

TEST(CQuantizer, EmptyBitmapAddsNothing) {
    CQuantizer q(236, 8);
    ASSERT_TRUE(q.addBitmap(tenColours(8)));
    const auto before = tableOf(q);
    EXPECT_FALSE(q.addBitmap(WBitmap{}));
    EXPECT_EQ(q.leafCount(), 10u);
    EXPECT_EQ(tableOf(q), before);
}

TEST(CQuantizer, EmptyQuantizerWritesNothing) {
    CQuantizer q(236, 8);
    EXPECT_EQ(q.leafCount(), 0u);
    EXPECT_TRUE(tableOf(q).empty());
}

}  // namespace
}  // namespace orvanta
