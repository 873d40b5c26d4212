#include "show/pixels/palettemode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

namespace orvanta {
namespace {

using Rgb = std::tuple<int, int, int>;

Rgb rgbOf(const PaletteEntry& e) { return {e.red, e.green, e.blue}; }
Rgb rgbOf(QRgb c) { return {qRed(c), qGreen(c), qBlue(c)}; }

std::set<Rgb> coloursOf(const std::vector<PaletteEntry>& palette) {
    std::set<Rgb> out;
    for (const PaletteEntry& e : palette) out.insert(rgbOf(e));
    return out;
}

// Brute-force reference: least squared distance, first entry on ties.
Rgb nearestByHand(const std::vector<PaletteEntry>& palette, Rgb c) {
    const auto [r, g, b] = c;
    int best = -1, bestD = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = r - palette[i].red, dg = g - palette[i].green, db = b - palette[i].blue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestD) bestD = d, best = static_cast<int>(i);
    }
    return rgbOf(palette[static_cast<std::size_t>(best)]);
}

QImage onePixel(int r, int g, int b) {
    QImage img(1, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(r, g, b));
    return img;
}

TEST(HalftonePalette, LayoutOfStaticColoursCubeAndGreys) {
    const auto p = halftonePalette();
    ASSERT_EQ(p.size(), 256u);
    const std::vector<Rgb> low = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                                  {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
    const std::vector<Rgb> high = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                                   {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(rgbOf(p[static_cast<std::size_t>(i)]), low[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(rgbOf(p[static_cast<std::size_t>(246 + i)]), high[static_cast<std::size_t>(i)]) << 246 + i;
    }
    const auto colours = coloursOf(p);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) EXPECT_TRUE(colours.count({r * 51, g * 51, b * 51})) << r << g << b;
    // 20 static + 216 cube + 20 greys; the cube repeats only the eight
    // static corners (black, white, red, green, blue, yellow, magenta, cyan).
    EXPECT_EQ(colours.size(), 248u);
    for (std::size_t i = 226; i < 246; ++i) {
        EXPECT_EQ(p[i].red, p[i].green);
        EXPECT_EQ(p[i].red, p[i].blue);
        if (i > 226) {
            EXPECT_GT(p[i].red, p[i - 1].red);
        }
    }
}

TEST(SelectPalette, ChoosesDisplayThenOwnTableThenHalftone) {
    WBitmap indexed;
    ASSERT_TRUE(indexed.create(2, 2, 8));
    for (std::size_t i = 0; i < indexed.colorTable().size(); ++i)
        indexed.colorTable()[i] = RgbQuad{.blue = static_cast<std::uint8_t>(i),
                                          .green = 7,
                                          .red = static_cast<std::uint8_t>(255 - i),
                                          .reserved = 0};
    WBitmap trueColour;
    ASSERT_TRUE(trueColour.create(2, 2, 24));
    const std::vector<PaletteEntry> display(256, PaletteEntry{1, 2, 3, kPcNoCollapse});

    EXPECT_EQ(selectPalette(display, indexed), display);

    const auto own = selectPalette({}, indexed);
    ASSERT_EQ(own.size(), 256u);
    EXPECT_EQ(own[5], (PaletteEntry{250, 7, 5, 0}));  // red, green, blue from the B,G,R table

    WBitmap twoColour;  // a 1-bit picture's palette is its two entries, not 256
    ASSERT_TRUE(twoColour.create(8, 1, 1));
    twoColour.colorTable()[1] = RgbQuad{.blue = 9, .green = 8, .red = 7, .reserved = 0};
    EXPECT_EQ(selectPalette({}, twoColour), (std::vector<PaletteEntry>{{0, 0, 0, 0}, {7, 8, 9, 0}}));

    EXPECT_EQ(selectPalette({}, trueColour), halftonePalette());
    EXPECT_EQ(selectPalette({}, WBitmap{}), halftonePalette());
}

TEST(RealizePalette, NearestColourOnHandWorkedCases) {
    const std::vector<PaletteEntry> p = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}, {100, 100, 100, 0}};
    struct Case {
        Rgb in, out;
    };
    const Case cases[] = {
        {{200, 40, 40}, {255, 0, 0}},     // 55²+40²+40² beats grey's 100²+60²+60²
        {{60, 60, 60}, {100, 100, 100}},  // 3·40² < 3·60²
        {{50, 50, 50}, {0, 0, 0}},        // tie 3·50² each: black comes first
        {{0, 0, 128}, {0, 0, 255}},       // 127² < 128²
        {{0, 0, 127}, {0, 0, 0}},         // 127² < 128²
        {{255, 0, 0}, {255, 0, 0}},       // already in the palette
    };
    for (const Case& c : cases) {
        QImage img = onePixel(std::get<0>(c.in), std::get<1>(c.in), std::get<2>(c.in));
        realizePalette(img, p);
        EXPECT_EQ(rgbOf(img.pixel(0, 0)), c.out);
    }
    // The same tie with the order reversed goes to the other entry.
    QImage img = onePixel(50, 50, 50);
    realizePalette(img, {{100, 100, 100, 0}, {0, 0, 0, 0}});
    EXPECT_EQ(rgbOf(img.pixel(0, 0)), (Rgb{100, 100, 100}));
}

TEST(RealizePalette, EveryPixelBecomesTheExactNearestPaletteColour) {
    // Every 24-bit colour on a stride-3 grid, through the halftone palette and
    // through a small irregular one, against the brute-force search.
    QImage ramp(86 * 86, 86, QImage::Format_RGB32);
    for (int y = 0; y < 86; ++y)
        for (int x = 0; x < 86 * 86; ++x) ramp.setPixel(x, y, qRgb(y * 3, (x / 86) * 3, (x % 86) * 3));
    const std::vector<PaletteEntry> irregular = {
        {13, 200, 7, 0}, {250, 250, 3, 0}, {90, 17, 160, 0}, {13, 200, 7, 0}, {128, 128, 128, 0}};
    for (const auto& palette : {halftonePalette(), irregular}) {
        QImage img = ramp;
        realizePalette(img, palette);
        const auto allowed = coloursOf(palette);
        int wrong = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const Rgb got = rgbOf(img.pixel(x, y));
                if (!allowed.count(got) || got != nearestByHand(palette, rgbOf(ramp.pixel(x, y)))) ++wrong;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(RealizePalette, PaletteColoursAreUnchanged) {
    const auto p = halftonePalette();
    QImage img(static_cast<int>(p.size()), 1, QImage::Format_RGB32);
    for (int x = 0; x < img.width(); ++x)
        img.setPixel(x, 0,
                     qRgb(p[static_cast<std::size_t>(x)].red, p[static_cast<std::size_t>(x)].green,
                          p[static_cast<std::size_t>(x)].blue));
    const QImage before = img;
    realizePalette(img, p);
    EXPECT_EQ(img, before);
}

TEST(RealizePalette, AreaLimitsTheChangeAndEmptyPaletteChangesNothing) {
    QImage img(10, 8, QImage::Format_RGB32);
    img.fill(qRgb(30, 140, 220));
    const QImage before = img;
    realizePalette(img, {});
    EXPECT_EQ(img, before);

    realizePalette(img, {{0, 0, 0, 0}, {0, 128, 255, 0}}, QRect(2, 3, 4, 2));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
            EXPECT_EQ(rgbOf(img.pixel(x, y)), (inside ? Rgb{0, 128, 255} : Rgb{30, 140, 220})) << x << "," << y;
        }

    // An area reaching past the canvas is clipped to it; one wholly outside changes nothing.
    QImage other = before;
    realizePalette(other, {{0, 0, 0, 0}}, QRect(8, -5, 50, 7));
    EXPECT_EQ(rgbOf(other.pixel(9, 1)), (Rgb{0, 0, 0}));
    EXPECT_EQ(rgbOf(other.pixel(7, 1)), (Rgb{30, 140, 220}));
    EXPECT_EQ(rgbOf(other.pixel(9, 2)), (Rgb{30, 140, 220}));
    QImage outside = before;
    realizePalette(outside, {{0, 0, 0, 0}}, QRect(20, 20, 5, 5));
    EXPECT_EQ(outside, before);
}

}  // namespace
}  // namespace orvanta
