// The file-level loader: decoder choice, Exif orientation (the public
// examples must all come out upright), rotation and mirroring, palette
// displays, and the per-picture flags.
#include "show/decoders/picturefile.h"
#include "show/decoders/rotatebitmap.h"
#include "show/pixels/cquantizer.h"
#include "tests/core/support/testenv.h"

#include <QImage>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvanta {
namespace {

TEST(PictureFile, DecoderChoiceByExtension) {
    const struct {
        const char* path;
        PictureDecoder decoder;
    } cases[] = {
        {"/p/PHOTO.JPG", PictureDecoder::Jpeg}, {"a.Jpeg", PictureDecoder::Jpeg},
        {"b.jpe", PictureDecoder::Jpeg},        {"c.jif", PictureDecoder::Jpeg},
        {"d.PNG", PictureDecoder::Png},         {"e.gif", PictureDecoder::Gif},
        {"f.bmp", PictureDecoder::Bmp},         {"/x.jpg/noext", PictureDecoder::Bmp},
        {"g.jpg.bak", PictureDecoder::Bmp},     {"h.jpgx", PictureDecoder::Bmp},
        {"/p/.png", PictureDecoder::Bmp},  // a hidden name, no extension: as the picture list reads it
        {"i.HEIC", PictureDecoder::Heif},       {"j.avif", PictureDecoder::Heif},
        {"k.WebP", PictureDecoder::WebP},       {"l.tif", PictureDecoder::Tiff},
        {"m.TIFF", PictureDecoder::Tiff},       {"n.jxl", PictureDecoder::Jxl},
        {"o.CR2", PictureDecoder::Raw},         {"p.dng", PictureDecoder::Raw},
    };
    for (const auto& c : cases) EXPECT_EQ(decoderForPath(c.path), c.decoder) << c.path;
}

// The first bytes decide over the name; bytes that say nothing leave it to
// the name.
TEST(PictureFile, DecoderChoiceByContents) {
    using namespace std::string_literals;
    const struct {
        std::string head;
        const char* path;
        PictureDecoder decoder;
    } cases[] = {
        {"\xFF\xD8\xFF\xE0"s, "a.png", PictureDecoder::Jpeg},
        {"\x89PNG\r\n\x1A\n"s, "a.jpg", PictureDecoder::Png},
        {"BM\x36\0\0\0"s, "a.jpg", PictureDecoder::Bmp},
        {"\0\0\0\x18"
         "ftypheic\0\0\0\0mif1heic"s,
         "IMG_0001.JPG", PictureDecoder::Heif},
        {"\0\0\0\x1C"
         "ftypmif1\0\0\0\0mif1miafMA1B"s,
         "a.jpg", PictureDecoder::Heif},
        {"\0\0\0\x20"
         "ftypavif\0\0\0\0avifmif1miafMA1B"s,
         "a.png", PictureDecoder::Heif},
        {"\0\0\0\x18"
         "ftypcrx \0\0\0\x01"
         "crx isom"s,
         "a.cr3", PictureDecoder::Raw},
        {"\0\0\0\x18"
         "ftypisom\0\0\0\0isommp41"s,
         "a.jpg", PictureDecoder::Jpeg},  // a video
        {"RIFF\x10\0\0\0WEBPVP8 "s, "a.jpg", PictureDecoder::WebP},
        {"RIFF\x10\0\0\0WAVEfmt "s, "a.webp", PictureDecoder::WebP},  // not WebP: the name decides
        {"II*\0\x08\0\0\0"s, "scan.jpg", PictureDecoder::Tiff},
        {"MM\0*\0\0\0\x08"s, "scan.TIF", PictureDecoder::Tiff},
        {"II*\0\x08\0\0\0"s, "IMG_0001.CR2", PictureDecoder::Raw},
        {"MM\0*\0\0\0\x08"s, "DSC_0001.nef", PictureDecoder::Raw},
        {"IIRO\x08\0\0\0"s, "P1.tif", PictureDecoder::Raw},
        {"IIU\0\x08\0\0\0"s, "P1.jpg", PictureDecoder::Raw},
        {"FUJIFILMCCD-RAW 0201"s, "a.jpg", PictureDecoder::Raw},
        {"GIF87a\x01\0"s, "a.png", PictureDecoder::Gif},
        {"GIF89a\x01\0"s, "a.bmp", PictureDecoder::Gif},
        {"\xFF\x0A\xFA"s, "a.jpg", PictureDecoder::Jxl},
        {"\0\0\0\x0CJXL \r\n\x87\n"s, "a.png", PictureDecoder::Jxl},
        {"plain text"s, "a.tiff", PictureDecoder::Tiff},
        {""s, "a.png", PictureDecoder::Png},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decoderForContents(reinterpret_cast<const std::uint8_t*>(c.head.data()), c.head.size(), c.path),
                  c.decoder)
            << c.path;
    // A FIFO is never opened: the name decides.
    test::TempDir dir;
    const std::string fifo = dir.str() + "/pipe.webp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(decoderForFile(fifo), PictureDecoder::WebP);
}

// A small 24-bit picture whose every pixel is distinct.
WBitmap numbered(int w, int h) {
    WBitmap b;
    b.create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y), p[2] = 7;
        }
    return b;
}

// Turns and flips are exact pixel moves: each case gives where the source
// pixel (x, y) of a w x h picture lands.
TEST(RotateBitmap, QuarterTurnsAndFlipsMovePixelsExactly) {
    const int w = 5, h = 3;
    const WBitmap src = numbered(w, h);
    struct Case {
        const char* what;
        WBitmap result;
        int width, height;
        int (*toX)(int x, int y);
        int (*toY)(int x, int y);
    };
    const Case cases[] = {
        {"pi/2 anticlockwise", rotateBitmap(src, 1.5707960f, {}), h, w, [](int, int y) { return y; },
         [](int x, int) { return 5 - 1 - x; }},
        {"pi", rotateBitmap(src, 3.1415930f, {}), w, h, [](int x, int) { return 5 - 1 - x; },
         [](int, int y) { return 3 - 1 - y; }},
        {"3pi/2 clockwise", rotateBitmap(src, 4.7123890f, {}), h, w, [](int, int y) { return 3 - 1 - y; },
         [](int x, int) { return x; }},
        {"-pi/2", rotateBitmap(src, -std::numbers::pi / 2, {}), h, w, [](int, int y) { return 3 - 1 - y; },
         [](int x, int) { return x; }},
        {"2pi", rotateBitmap(src, 2 * std::numbers::pi, {}), w, h, [](int x, int) { return x; },
         [](int, int y) { return y; }},
        {"mirror left-right", mirrorBitmap(src, true), w, h, [](int x, int) { return 5 - 1 - x; },
         [](int, int y) { return y; }},
        {"mirror top-bottom", mirrorBitmap(src, false), w, h, [](int x, int) { return x; },
         [](int, int y) { return 3 - 1 - y; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.result.width(), c.width);
        ASSERT_EQ(c.result.height(), c.height);
        ASSERT_EQ(c.result.bitCount(), 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) EXPECT_EQ(c.result.pixel(c.toX(x, y), c.toY(x, y)), src.pixel(x, y));
    }
}

TEST(RotateBitmap, IndexedPicturesKeepTheirColours) {
    WBitmap four;
    ASSERT_TRUE(four.create(3, 2, 4));
    for (int i = 0; i < 16; ++i) four.colorTable()[i] = RgbQuad{static_cast<std::uint8_t>(i * 16), 1, 2, 0};
    four.row(0)[0] = 0x12, four.row(0)[1] = 0x30;
    four.row(1)[0] = 0x45, four.row(1)[1] = 0x60;
    const WBitmap turned = rotateBitmap(four, 4.7123890f, {});
    ASSERT_EQ(turned.bitCount(), 8);
    ASSERT_EQ(turned.width(), 2);
    ASSERT_EQ(turned.height(), 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(turned.pixel(1 - y, x), four.pixel(x, y));
}

// Other angles: the box spans the truncated corners, the uncovered corners
// get the fill colour and the centre keeps the picture.
TEST(RotateBitmap, OtherAnglesUseTheCornerBoxAndFill) {
    const WBitmap src = numbered(100, 50);
    const RgbQuad fill{1, 2, 3, 0};
    const double angle = std::numbers::pi / 4;
    const WBitmap turned = rotateBitmap(src, angle, fill);
    const double s = std::sin(angle), c = std::cos(angle);
    EXPECT_EQ(turned.width(), static_cast<int>(std::trunc(100 * c + 50 * s)));
    EXPECT_EQ(turned.height(), static_cast<int>(std::trunc(50 * c)) - static_cast<int>(std::trunc(-100 * s)));
    EXPECT_EQ(turned.pixel(0, 0), fill);
    EXPECT_EQ(turned.pixel(turned.width() - 1, turned.height() - 1), fill);
    const RgbQuad centre = turned.pixel(turned.width() / 2, turned.height() / 2);
    EXPECT_NEAR(centre.blue, 50, 2);
    EXPECT_NEAR(centre.green, 25, 2);
    EXPECT_TRUE(rotateBitmap(WBitmap{}, angle, fill).isNull());
}

double meanDifference(const WBitmap& a, const WBitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const RgbQuad p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue);
        }
    return sum / (3.0 * a.width() * a.height());
}

// Every example, whatever its stored orientation, is shown like the upright
// *_1 file: same shape, nearly the same pixels (each file was compressed on
// its own, so they differ slightly), and much nearer to it than to its
// mirror image or its upside-down form.
TEST(PictureFile, ExifExamplesComeOutUpright) {
    ORVANTA_REQUIRE_CORPORA();
    const std::string dir = test::corporaDir() + "/exif-orientation/";
    LoadContext context;
    for (const std::string shape : {"Landscape", "Portrait"}) {
        LoadedPicture upright;
        ASSERT_EQ(loadPictureFile(dir + shape + "_1.jpg", context, upright), LoadResult::Loaded);
        const WBitmap wrong[2] = {mirrorBitmap(upright.bitmap, true), mirrorBitmap(upright.bitmap, false)};
        for (int n = 0; n <= 8; ++n) {
            SCOPED_TRACE(shape + "_" + std::to_string(n));
            LoadedPicture picture;
            ASSERT_EQ(loadPictureFile(dir + shape + "_" + std::to_string(n) + ".jpg", context, picture),
                      LoadResult::Loaded);
            ASSERT_EQ(picture.bitmap.width(), upright.bitmap.width());
            ASSERT_EQ(picture.bitmap.height(), upright.bitmap.height());
            const double difference = meanDifference(picture.bitmap, upright.bitmap);
            EXPECT_LT(difference, 5.0);
            for (const WBitmap& w : wrong) EXPECT_LT(difference * 4, meanDifference(picture.bitmap, w));
        }
    }
    // A system of the Windows 95 family shows the file as stored.
    context.windows95Family = true;
    LoadedPicture stored;
    ASSERT_EQ(loadPictureFile(dir + "Landscape_6.jpg", context, stored), LoadResult::Loaded);
    EXPECT_LT(stored.bitmap.width(), stored.bitmap.height());
}

TEST(PictureFile, FlagsAndFailures) {
    ORVANTA_REQUIRE_CORPORA();
    test::TempDir dir;
    LoadContext context;
    context.decode.screenWidth = 320;
    context.decode.screenHeight = 240;
    LoadedPicture picture;
    // 1800 x 1200 on a 320 x 240 screen: 1/4 scale.
    ASSERT_EQ(loadPictureFile(test::corporaDir() + "/exif-orientation/Landscape_1.jpg", context, picture),
              LoadResult::Loaded);
    EXPECT_TRUE(picture.reducedOnDecode);
    EXPECT_EQ(picture.bitmap.width(), 450);
    // A PNG shown after a reduced JPEG does not count as reduced.
    ASSERT_EQ(loadPictureFile(test::corporaDir() + "/pngsuite/basn2c08.png", context, picture), LoadResult::Loaded);
    EXPECT_FALSE(picture.reducedOnDecode);
    EXPECT_TRUE(picture.displayPalette.empty());
    // A GIF without a frame is refused; the old picture is gone.
    EXPECT_EQ(loadPictureFile(dir.write("e.gif", "GIF89a\x01\x00\x01\x00\x00\x00\x00;"), context, picture),
              LoadResult::Failed);
    EXPECT_TRUE(picture.bitmap.isNull());
    EXPECT_EQ(loadPictureFile(dir.str() + "/absent.png", context, picture), LoadResult::Failed);
    // The end of the run during any decode abandons it.
    context.decode.pumpEvents = [] { return true; };
    for (const char* file : {"/exif-orientation/Landscape_6.jpg", "/pngsuite/basn2c08.png", "/bmpsuite/g/rgb24.bmp"}) {
        EXPECT_EQ(loadPictureFile(test::corporaDir() + file, context, picture), LoadResult::Abandoned) << file;
        EXPECT_TRUE(picture.bitmap.isNull());
    }
}

TEST(PictureFile, PaletteDisplays) {
    ORVANTA_REQUIRE_CORPORA();
    const std::string corpora = test::corporaDir();
    CQuantizer quantizer(236, 8);
    LoadContext context;
    context.paletteDisplay = true;
    context.quantizer = &quantizer;
    for (int i = 0; i < 256; ++i)
        context.systemPalette.push_back(
            PaletteEntry{static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i), 0});
    context.reservedColours = 20;

    LoadedPicture picture;
    // A palette PNG brings its own palette.
    ASSERT_EQ(loadPictureFile(corpora + "/pngsuite/basn3p02.png", context, picture), LoadResult::Loaded);
    ASSERT_EQ(picture.displayPalette.size(), 256u);
    EXPECT_EQ(picture.bitmap.bitCount(), 24);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(picture.displayPalette[i].flags, kPcNoCollapse);
    EXPECT_EQ(picture.displayPalette[4], PaletteEntry{});
    for (int y = 0; y < picture.bitmap.height(); ++y)
        for (int x = 0; x < picture.bitmap.width(); ++x) {
            const RgbQuad p = picture.bitmap.pixel(x, y);
            const PaletteEntry want{p.red, p.green, p.blue, kPcNoCollapse};
            ASSERT_NE(std::find(picture.displayPalette.begin(), picture.displayPalette.begin() + 4, want),
                      picture.displayPalette.begin() + 4);
        }
    // A grey PNG: the grey ramp.
    ASSERT_EQ(loadPictureFile(corpora + "/pngsuite/basn0g08.png", context, picture), LoadResult::Loaded);
    EXPECT_EQ(picture.displayPalette, greyRampPalette(kPcNoCollapse));
    // A colour PNG without a palette: the quantizer's colours between the
    // screen's reserved colours.
    ASSERT_EQ(loadPictureFile(corpora + "/pngsuite/basn2c08.png", context, picture), LoadResult::Loaded);
    ASSERT_EQ(picture.displayPalette.size(), 256u);
    EXPECT_GT(quantizer.leafCount(), 0u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(picture.displayPalette[i], context.systemPalette[i]);
        EXPECT_EQ(picture.displayPalette[255 - i], context.systemPalette[255 - i]);
    }
    for (int i = 10; i < 246; ++i) EXPECT_EQ(picture.displayPalette[i].flags, kPcNoCollapse);
    // A JPEG is quantized by the decoder: 8 bits, its colour map as palette.
    ASSERT_EQ(loadPictureFile(corpora + "/exif-orientation/Portrait_8.jpg", context, picture), LoadResult::Loaded);
    EXPECT_EQ(picture.bitmap.bitCount(), 8);
    EXPECT_LT(picture.bitmap.width(), picture.bitmap.height());
    EXPECT_EQ(picture.displayPalette, paletteFromColorTable(picture.bitmap.colorTable(), 0));
    // An 8-bit BMP shows through its own colour table; a 24-bit one through the quantizer.
    ASSERT_EQ(loadPictureFile(corpora + "/bmpsuite/g/pal8.bmp", context, picture), LoadResult::Loaded);
    EXPECT_EQ(picture.displayPalette, paletteFromColorTable(picture.bitmap.colorTable(), 0));
    ASSERT_EQ(loadPictureFile(corpora + "/bmpsuite/g/rgb24.bmp", context, picture), LoadResult::Loaded);
    EXPECT_EQ(picture.displayPalette[0], context.systemPalette[0]);
    EXPECT_EQ(picture.displayPalette[10].flags, kPcNoCollapse);
}

// The quantizer's table fills the middle of the palette: with no reserved
// colours all 256 entries are its own, with an odd count the extra entry
// goes to the picture.
TEST(DisplayPalette, ReservedColoursFrameTheQuantizerColours) {
    WBitmap two;
    ASSERT_TRUE(two.create(2, 1, 24));
    two.row(0)[0] = 10, two.row(0)[1] = 20, two.row(0)[2] = 30;  // B, G, R
    two.row(0)[3] = 200, two.row(0)[4] = 100, two.row(0)[5] = 50;
    const std::vector<PaletteEntry> system(256, PaletteEntry{9, 9, 9, 0});
    const struct { int reserved, firstOwn; } cases[] = {{20, 10}, {0, 0}, {21, 10}, {2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reserved);
        CQuantizer quantizer(236, 8);
        const auto palette = buildDisplayPalette(two, quantizer, system, c.reserved);
        ASSERT_EQ(palette.size(), 256u);
        for (int i = 0; i < c.firstOwn; ++i) {
            EXPECT_EQ(palette[i], system[i]);
            EXPECT_EQ(palette[255 - i], system[255 - i]);
        }
        // Depth-first order: the darker colour's leaf comes first.
        EXPECT_EQ(palette[c.firstOwn], (PaletteEntry{30, 20, 10, kPcNoCollapse}));
        EXPECT_EQ(palette[c.firstOwn + 1], (PaletteEntry{50, 100, 200, kPcNoCollapse}));
        EXPECT_EQ(palette[c.firstOwn + 2], (PaletteEntry{0, 0, 0, kPcNoCollapse}));
    }
}

}  // namespace
}  // namespace orvanta
