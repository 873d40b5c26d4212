// The formats read through their own libraries, one table: each file is made
// here by the format's own encoder from one source picture, loaded as the
// show loads it, and compared with what the format's reference decoder makes
// of the same file, at full size, reduced for a small screen (against the
// reference picture area-averaged to the same size, as the show's stretch
// shrinks) and in every orientation the format records. A row whose tools
// are missing is skipped, saying which.
#include "show/decoders/decodetarget.h"
#include "show/decoders/picturefile.h"
#include "tests/core/support/testenv.h"

#include <QImage>

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <libheif/heif.h>

namespace orvanta {
namespace {

// A program on the PATH, or (a path) a file that a command needs.
bool haveTool(const std::string& tool) {
    if (tool.front() == '/') return ::access(tool.c_str(), R_OK) == 0;
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}
bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string withFiles(std::string command, const std::string& in, const std::string& out) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{in}", in}, {"{out}", out}})
        for (std::size_t at; (at = command.find(key)) != std::string::npos;) command.replace(at, key.size(), value);
    return command;
}

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// 400 x 300: smooth ramps across and down, and a checkerboard of hard edges.
WBitmap sourcePicture() {
    WBitmap b;
    b.create(400, 300, 24);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = ((x / 25 + y / 25) % 2) != 0 ? 200 : 40;
            p[1] = static_cast<std::uint8_t>(y * 255 / 299);
            p[2] = static_cast<std::uint8_t>(x * 255 / 399);
        }
    return b;
}

bool savePng(const WBitmap& b, const std::string& path) {
    return b.toImage32().save(QString::fromStdString(path), "PNG");
}

WBitmap loadReference(const std::string& path) {
    const QImage image = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    WBitmap b;
    if (image.isNull() || !b.create(image.width(), image.height(), 24)) return b;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(qBlue(c)), p[1] = static_cast<std::uint8_t>(qGreen(c));
            p[2] = static_cast<std::uint8_t>(qRed(c));
        }
    return b;
}

struct Difference {
    int max = 0;
    double mean = 0;
};

Difference compare(const WBitmap& a, const WBitmap& b) {
    Difference d;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const RgbQuad p = a.pixel(x, y), q = b.pixel(x, y);
            for (int e : {p.red - q.red, p.green - q.green, p.blue - q.blue}) {
                d.max = std::max(d.max, std::abs(e));
                sum += std::abs(e);
            }
        }
    d.mean = sum / (3.0 * a.width() * a.height());
    return d;
}

// The whole picture area-averaged down to width x height.
WBitmap reducedTo(const WBitmap& whole, int width, int height) {
    PictureBuilder builder;
    WBitmap out;
    if (!builder.start(whole.width(), whole.height(), RowFormat{}, {DecodePlan::Kind::Reduced, width, height}, false))
        return out;
    for (int y = 0; y < whole.height(); ++y) builder.putRows(y, 1, whole.row(y));
    builder.finish(out);
    return out;
}

// The stored picture as Exif orientation n says it is to be seen: pixel
// (x, y) of the result is the stored pixel given here.
WBitmap oriented(const WBitmap& stored, int n) {
    const int w = stored.width(), h = stored.height();
    const bool turned = n >= 5;
    WBitmap out;
    out.create(turned ? h : w, turned ? w : h, 24);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            int sx = x, sy = y;
            switch (n) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x, sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = h - 1 - x; break;
            case 7: sx = w - 1 - y, sy = h - 1 - x; break;
            case 8: sx = w - 1 - y, sy = x; break;
            default: break;
            }
            std::memcpy(out.row(y) + 3 * x, stored.row(sy) + 3 * sx, 3);
        }
    return out;
}

// A TIFF block holding only the orientation.
std::string exifBlock(int orientation) {
    return std::string("II*\0", 4) + le32(8) + le16(1) + le16(0x0112) + le16(3) + le32(1) +
           le16(static_cast<unsigned>(orientation)) + le16(0) + le32(0);
}

// A JPEG file with an Exif segment holding the orientation right after its start.
std::string withExif(const std::string& jpeg, int orientation) {
    const std::string payload = std::string("Exif\0\0", 6) + exifBlock(orientation);
    const auto length = static_cast<unsigned>(payload.size() + 2);
    return jpeg.substr(0, 2) + "\xFF\xE1" + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) +
           payload + jpeg.substr(2);
}

// A TIFF directory: values longer than 4 bytes follow its entries.
struct TiffEntry {
    unsigned tag, type;
    std::uint32_t count;
    std::string value;
};

std::size_t directorySize(const std::vector<TiffEntry>& entries) {
    std::size_t size = 2 + 12 * entries.size() + 4;
    for (const TiffEntry& e : entries)
        if (e.value.size() > 4) size += (e.value.size() + 1) / 2 * 2;
    return size;
}

std::string directory(const std::vector<TiffEntry>& entries, std::uint32_t at, std::uint32_t next) {
    std::string head = le16(static_cast<unsigned>(entries.size())), tail;
    std::uint32_t outside = at + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
    for (const TiffEntry& e : entries) {
        head += le16(e.tag) + le16(e.type) + le32(e.count);
        if (e.value.size() <= 4) {
            head += e.value + std::string(4 - e.value.size(), '\0');
        } else {
            head += le32(outside + static_cast<std::uint32_t>(tail.size()));
            tail += e.value + std::string(e.value.size() % 2, '\0');
        }
    }
    return head + le32(next) + tail;
}

// A camera RAW file as a digital negative: the picture's samples through an
// R,G / G,B colour filter, 16 bits each, uncompressed, with a neutral white
// balance and an identity colour matrix. With a preview, the first
// directory holds it (8-bit R,G,B) and the sensor data is its sub-directory.
std::string negative(const WBitmap& picture, int orientation, const WBitmap* preview = nullptr) {
    const auto w = static_cast<std::uint32_t>(picture.width()), h = static_cast<std::uint32_t>(picture.height());
    std::string data, previewData;
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            const RgbQuad c = picture.pixel(static_cast<int>(x), static_cast<int>(y));
            const unsigned v = (y % 2 == 0 && x % 2 == 0) ? c.red : (y % 2 == 1 && x % 2 == 1) ? c.blue : c.green;
            data += le16(v * 257);
        }
    if (preview != nullptr)
        for (int y = 0; y < preview->height(); ++y)
            for (int x = 0; x < preview->width(); ++x) {
                const RgbQuad c = preview->pixel(x, y);
                previewData += {static_cast<char>(c.red), static_cast<char>(c.green), static_cast<char>(c.blue)};
            }
    std::string matrix, neutral;
    for (int i = 0; i < 9; ++i) matrix += le32(i % 4 == 0 ? 1 : 0) + le32(1);
    for (int i = 0; i < 3; ++i) neutral += le32(1) + le32(1);
    const auto s16 = [](unsigned v) { return le16(v); };
    const auto camera = [&](std::vector<TiffEntry> e) {
        e.insert(e.end(), {{271, 2, 8, std::string("Orvanta\0", 8)},
                           {274, 3, 1, s16(static_cast<unsigned>(orientation))},
                           {50706, 1, 4, std::string("\1\4\0\0", 4)},
                           {50708, 2, 13, std::string("Orvanta test\0", 13)},
                           {50721, 10, 9, matrix},
                           {50728, 5, 3, neutral}});
        std::sort(e.begin(), e.end(), [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
        return e;
    };
    const auto sensor = [&](std::uint32_t dataAt, bool sub) {
        std::vector<TiffEntry> e = {{254, 4, 1, le32(0)},
                                    {256, 4, 1, le32(w)},
                                    {257, 4, 1, le32(h)},
                                    {258, 3, 1, s16(16)},
                                    {259, 3, 1, s16(1)},
                                    {262, 3, 1, s16(32803)},
                                    {273, 4, 1, le32(dataAt)},
                                    {277, 3, 1, s16(1)},
                                    {278, 4, 1, le32(h)},
                                    {279, 4, 1, le32(static_cast<std::uint32_t>(data.size()))},
                                    {284, 3, 1, s16(1)},
                                    {33421, 3, 2, le16(2) + le16(2)},
                                    {33422, 1, 4, std::string("\0\1\1\2", 4)}};
        return sub ? e : camera(e);
    };
    if (preview == nullptr) {
        const std::size_t size = directorySize(sensor(0, false));
        return std::string("II*\0", 4) + le32(8) +
               directory(sensor(8 + static_cast<std::uint32_t>(size), false), 8, 0) + data;
    }
    const auto pw = static_cast<std::uint32_t>(preview->width()), ph = static_cast<std::uint32_t>(preview->height());
    const auto first = [&](std::uint32_t subAt, std::uint32_t dataAt) {
        return camera({{254, 4, 1, le32(1)},
                       {256, 4, 1, le32(pw)},
                       {257, 4, 1, le32(ph)},
                       {258, 3, 3, le16(8) + le16(8) + le16(8)},
                       {259, 3, 1, s16(1)},
                       {262, 3, 1, s16(2)},
                       {273, 4, 1, le32(dataAt)},
                       {277, 3, 1, s16(3)},
                       {278, 4, 1, le32(ph)},
                       {279, 4, 1, le32(static_cast<std::uint32_t>(previewData.size()))},
                       {284, 3, 1, s16(1)},
                       {330, 4, 1, le32(subAt)}});
    };
    const auto subAt = static_cast<std::uint32_t>(8 + directorySize(first(0, 0)));
    const auto previewAt = static_cast<std::uint32_t>(subAt + directorySize(sensor(0, true)));
    const auto dataAt = static_cast<std::uint32_t>(previewAt + previewData.size());
    return std::string("II*\0", 4) + le32(8) + directory(first(subAt, previewAt), 8, 0) +
           directory(sensor(dataAt, true), subAt, 0) + previewData + data;
}

// How a row's files carry an orientation.
enum class Orienting { None, TiffTag, WebPExif, JxlFromJpeg, NegativeTag };

struct Format {
    const char* name;
    const char* extension;
    std::vector<std::string> tools;
    std::string encode;         // {in}: the source PNG; empty: the digital negative written here
    std::string decode;         // the reference decoder: {in} the file, {out} its picture
    std::string decodeReduced;  // for the reduced comparison, when it differs
    const char* referenceExtension;
    int fullMax;         // largest channel difference at full size
    int reducedMax;      // and reduced
    double reducedMean;  // mean channel difference reduced
    Orienting orienting;
};

void PrintTo(const Format& f, std::ostream* os) { *os << f.name; }

class PictureFormats : public ::testing::TestWithParam<Format> {};

LoadContext screen(int width, int height) {
    LoadContext context;
    context.decode.screenWidth = width;
    context.decode.screenHeight = height;
    context.decode.fitting = ShowFitting{false, true, false};
    return context;
}

TEST_P(PictureFormats, DecodeAsTheReferenceDecoderDoes) {
    const Format& f = GetParam();
    for (const std::string& tool : f.tools)
        if (!haveTool(tool)) GTEST_SKIP() << tool << " is not installed, " << f.name << " skipped";
    test::TempDir dir;
    const WBitmap source = sourcePicture();
    const std::string png = dir.str() + "/source.png";
    ASSERT_TRUE(savePng(source, png));
    const std::string file = dir.str() + "/picture." + f.extension;
    auto make = [&](const std::string& out, int orientation) {
        if (f.encode.empty()) return dir.write(out.substr(dir.str().size() + 1), negative(source, orientation)) == out;
        return run(withFiles(f.encode, png, out));
    };
    ASSERT_TRUE(make(file, 1)) << f.encode;
    const std::string reference = dir.str() + "/reference" + f.referenceExtension;
    ASSERT_TRUE(run(withFiles(f.decode, file, reference))) << f.decode;
    const WBitmap expected = loadReference(reference);
    ASSERT_FALSE(expected.isNull());

    LoadedPicture whole;
    ASSERT_EQ(loadPictureFile(file, LoadContext{}, whole), LoadResult::Loaded);
    ASSERT_EQ(whole.bitmap.width(), expected.width());
    ASSERT_EQ(whole.bitmap.height(), expected.height());
    EXPECT_FALSE(whole.reducedOnDecode);
    const Difference full = compare(whole.bitmap, expected);
    EXPECT_LE(full.max, f.fullMax);

    // 400 x 300 shown proportionally on 100 x 75: built at that size.
    LoadedPicture small;
    ASSERT_EQ(loadPictureFile(file, screen(100, 75), small), LoadResult::Loaded);
    EXPECT_TRUE(small.reducedOnDecode);
    ASSERT_EQ(small.bitmap.width(), 100);
    ASSERT_EQ(small.bitmap.height(), 75);
    WBitmap expectedSmall = expected;
    if (!f.decodeReduced.empty()) {
        ASSERT_TRUE(run(withFiles(f.decodeReduced, file, reference))) << f.decodeReduced;
        expectedSmall = loadReference(reference);
    }
    const Difference reduced = compare(small.bitmap, reducedTo(expectedSmall, 100, 75));
    EXPECT_LE(reduced.max, f.reducedMax);
    EXPECT_LE(reduced.mean, f.reducedMean);
    std::printf("%s: full size max %d mean %.3f, reduced max %d mean %.3f\n", f.name, full.max, full.mean, reduced.max,
                reduced.mean);

    // Events run between the decode's steps; the end of the run, whenever it
    // comes, abandons the decode and leaves nothing behind.
    LoadContext pumped = screen(100, 75);
    pumped.decode.pumpInterval = std::chrono::milliseconds(0);
    int calls = 0;
    pumped.decode.pumpEvents = [&calls] { return ++calls < 0; };
    ASSERT_EQ(loadPictureFile(file, pumped, small), LoadResult::Loaded);
    const int total = calls;
    EXPECT_GE(total, 75);
    // (Not at the last call: decoders that wait for a library on a thread of
    // their own pump as often as the wait lasts, which varies.)
    for (int stopAt : {1, 2, total / 2}) {
        SCOPED_TRACE(stopAt);
        calls = 0;
        pumped.decode.pumpEvents = [&calls, stopAt] { return ++calls >= stopAt; };
        EXPECT_EQ(loadPictureFile(file, pumped, small), LoadResult::Abandoned);
        EXPECT_TRUE(small.bitmap.isNull());
        EXPECT_EQ(calls, stopAt);
    }

    if (f.orienting == Orienting::None) return;
    std::string jpeg;
    if (f.orienting == Orienting::JxlFromJpeg) {
        ASSERT_TRUE(run("convert " + png + " -quality 95 " + dir.str() + "/source.jpg"));
        jpeg = test::readFile(dir.str() + "/source.jpg");
    }
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE("orientation " + std::to_string(n));
        const std::string turned = dir.str() + "/turned" + std::to_string(n) + "." + f.extension;
        WBitmap want = oriented(expected, n);
        switch (f.orienting) {
        case Orienting::TiffTag:
            ASSERT_TRUE(run("cp " + file + " " + turned + " && tiffset -s 274 " + std::to_string(n) + " " + turned));
            break;
        case Orienting::WebPExif:
            dir.write("exif.bin", exifBlock(n));
            ASSERT_TRUE(run("webpmux -set exif " + dir.str() + "/exif.bin " + file + " -o " + turned));
            break;
        case Orienting::NegativeTag: ASSERT_TRUE(make(turned, n)); break;
        case Orienting::JxlFromJpeg:
            // The reference decoder applies the codestream's orientation itself.
            dir.write("turned.jpg", withExif(jpeg, n));
            ASSERT_TRUE(run("cjxl " + dir.str() + "/turned.jpg " + turned));
            ASSERT_TRUE(run(withFiles(f.decode, turned, reference)));
            want = loadReference(reference);
            break;
        case Orienting::None: break;
        }
        LoadedPicture picture;
        ASSERT_EQ(loadPictureFile(turned, LoadContext{}, picture), LoadResult::Loaded);
        ASSERT_EQ(picture.bitmap.width(), want.width());
        ASSERT_EQ(picture.bitmap.height(), want.height());
        EXPECT_LE(compare(picture.bitmap, want).max, f.fullMax);
        // Reduced, a quarter-turned picture is built at the size it is shown at.
        ASSERT_EQ(loadPictureFile(turned, screen(100, 75), picture), LoadResult::Loaded);
        EXPECT_EQ(picture.bitmap.width(), n >= 5 ? 56 : 100);
        EXPECT_EQ(picture.bitmap.height(), 75);
    }
}

const std::string kDcraw = "dcraw_emu -w -Z {out} {in}";

INSTANTIATE_TEST_SUITE_P(
    Table, PictureFormats,
    // clang-format off
    ::testing::Values(
        Format{"HEIC", "heic", {"heif-enc", "heif-convert"}, "heif-enc -q 90 -o {out} {in}", "heif-convert {in} {out}", "", ".png", 2, 2, 0.5, Orienting::None},
        Format{"AVIF", "avif", {"avifenc", "avifdec"}, "avifenc -s 8 {in} {out}", "avifdec {in} {out}", "", ".png", 2, 2, 0.5, Orienting::None},
        Format{"WebP", "webp", {"cwebp", "dwebp", "webpmux"}, "cwebp -q 90 {in} -o {out}", "dwebp {in} -ppm -o {out}", "", ".ppm", 0, 24, 2.0, Orienting::WebPExif},
        Format{"WebP lossless", "webp", {"cwebp", "dwebp"}, "cwebp -lossless {in} -o {out}", "dwebp {in} -ppm -o {out}", "", ".ppm", 0, 24, 2.0, Orienting::None},
        Format{"TIFF", "tif", {"convert", "tiffset"}, "convert {in} -compress lzw {out}", "convert {in} -depth 8 {out}", "", ".ppm", 0, 1, 0.5, Orienting::TiffTag},
        Format{"TIFF tiled 16-bit", "tiff", {"convert"}, "convert {in} -depth 16 -define tiff:tile-geometry=64x64 -compress zip {out}", "convert {in} -depth 8 {out}", "", ".ppm", 1, 1, 0.5, Orienting::None},
        Format{"GIF", "gif", {"convert"}, "convert {in} {out}", "convert {in} {out}", "", ".ppm", 0, 1, 0.5, Orienting::None},
        Format{"JPEG XL", "jxl", {"cjxl", "djxl", "convert"}, "cjxl {in} {out} -d 1", "djxl {in} {out}", "", ".ppm", 2, 2, 0.5, Orienting::JxlFromJpeg},
        // Stored lossily from a wide-gamut picture (colord-data's profiles):
        // shown converted to sRGB, as a colour-managed conversion of djxl's
        // linear output gives it; the two colour engines differ a little on
        // colours clipped to sRGB.
        Format{"JPEG XL wide gamut", "jxl", {"cjxl", "djxl", "convert", "/usr/share/color/icc/colord/ProPhotoRGB.icc", "/usr/share/color/icc/colord/sRGB.icc"}, "convert {in} -profile /usr/share/color/icc/colord/ProPhotoRGB.icc {in}.wide.png && cjxl {in}.wide.png {out} -d 1", "djxl {in} {out}.png && convert {out}.png -profile /usr/share/color/icc/colord/sRGB.icc {out}", "", ".ppm", 8, 5, 0.5, Orienting::None},
        Format{"JPEG XL lossless", "jxl", {"cjxl", "djxl"}, "cjxl {in} {out} -d 0", "djxl {in} {out}", "", ".ppm", 0, 1, 0.5, Orienting::None},
        Format{"DNG", "dng", {"dcraw_emu"}, "", kDcraw, "dcraw_emu -w -h -Z {out} {in}", ".ppm", 0, 1, 0.5, Orienting::NegativeTag}
    ),
    // clang-format on
    [](const ::testing::TestParamInfo<Format>& row) {
        std::string name;
        for (const char* c = row.param.name; *c != '\0'; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
        return name;
    });

// A scanner's page in one strip, larger than libtiff may hold at once, and a
// grey picture with alpha (whose 16-bit alpha libtiff's own conversion
// drops): read row by row, composed over the background as ImageMagick does.
TEST(PictureFormatsTiff, LargeStripsAndGreyAlphaAsTheReferenceShowsThem) {
    if (!haveTool("convert")) GTEST_SKIP() << "convert is not installed, skipped";
    const char* const greyAlpha = "-colorspace gray -alpha set -channel A -evaluate set 60% +channel";
    const struct {
        std::string what, options;
        int rowsPerStrip;
    } rows[] = {
        {"RGB, 16 bits, LZW, one strip", "-depth 16 -compress lzw", 4000},
        {"grey and alpha, 16 bits, deflate, one strip", std::string(greyAlpha) + " -depth 16 -compress zip", 4000},
        {"grey and alpha, 8 bits, small strips", std::string(greyAlpha) + " -depth 8 -compress lzw", 16},
    };
    test::TempDir dir;
    // 24 megapixels varying both ways; a 16-bit strip of it is past 64 MB.
    const std::string base = dir.str() + "/base.miff";
    ASSERT_TRUE(
        run("convert -size 4000x6000 gradient:orange-navy -rotate 90 \\( -size 6000x4000 gradient:white-gray20 "
            "\\) -compose multiply -composite " +
            base));
    for (const auto& row : rows) {
        const std::string file = dir.str() + "/page.tif", reference = dir.str() + "/page.ppm";
        ASSERT_TRUE(run("convert " + base + " " + row.options +
                        " -define tiff:rows-per-strip=" + std::to_string(row.rowsPerStrip) + " " + file))
            << row.what;
        ASSERT_TRUE(run("convert " + file + " -background black -flatten -depth 8 " + reference)) << row.what;
        LoadedPicture shown;
        ASSERT_EQ(loadPictureFile(file, screen(1920, 1080), shown), LoadResult::Loaded) << row.what;
        const WBitmap expected = reducedTo(loadReference(reference), shown.bitmap.width(), shown.bitmap.height());
        const Difference d = compare(shown.bitmap, expected);
        EXPECT_LE(d.max, 2) << row.what;
        EXPECT_LE(d.mean, 0.5) << row.what;
    }
}

// Alpha is composed over the background colour: files made losslessly from a
// picture whose alpha ramps from 0 at the left to 255 at the right.
TEST(PictureFormatsAlpha, ComposedOverTheBackground) {
    const WBitmap source = sourcePicture();
    QImage image(source.width(), source.height(), QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const RgbQuad c = source.pixel(x, y);
            image.setPixel(x, y, qRgba(c.red, c.green, c.blue, x * 255 / (source.width() - 1)));
        }
    test::TempDir dir;
    const std::string png = dir.str() + "/alpha.png";
    ASSERT_TRUE(image.save(QString::fromStdString(png), "PNG"));
    const struct {
        const char* name;
        const char* tool;
        std::string encode;
    } rows[] = {
        {"alpha.webp", "cwebp", "cwebp -lossless -exact {in} -o {out}"},
        {"alpha.tif", "convert", "convert {in} -compress zip {out}"},
        {"alpha.jxl", "cjxl", "cjxl {in} {out} -d 0"},
    };
    LoadContext context;
    context.decode.background = RgbQuad{10, 20, 200, 0};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!haveTool(row.tool)) {
            std::printf("%s is not installed: %s left out\n", row.tool, row.name);
            continue;
        }
        const std::string file = dir.str() + "/" + row.name;
        ASSERT_TRUE(run(withFiles(row.encode, png, file)));
        LoadedPicture picture;
        ASSERT_EQ(loadPictureFile(file, context, picture), LoadResult::Loaded);
        ASSERT_EQ(picture.bitmap.width(), source.width());
        int worst = 0;
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const RgbQuad c = source.pixel(x, y), got = picture.bitmap.pixel(x, y);
                const double a = (x * 255 / (source.width() - 1)) / 255.0;
                const double want[3] = {c.blue * a + 10 * (1 - a), c.green * a + 20 * (1 - a),
                                        c.red * a + 200 * (1 - a)};
                const int have[3] = {got.blue, got.green, got.red};
                for (int k = 0; k < 3; ++k)
                    worst = std::max(worst, static_cast<int>(std::abs(have[k] - want[k]) + 0.5));
            }
        EXPECT_LE(worst, 2);
    }
}

// A camera's preview is shown where it is as large as the show needs; the
// sensor data otherwise. Here the preview is a plain grey, unlike the photo.
TEST(PictureFormatsRaw, PreviewWhenLargeEnough) {
    test::TempDir dir;
    const WBitmap source = sourcePicture();
    WBitmap grey;
    ASSERT_TRUE(grey.create(200, 150, 24));
    std::memset(grey.bits(), 99, grey.byteSize());
    const std::string path = dir.write("IMG_0001.DNG", negative(source, 1, &grey));
    LoadedPicture picture;
    ASSERT_EQ(loadPictureFile(path, screen(100, 75), picture), LoadResult::Loaded);
    ASSERT_EQ(picture.bitmap.width(), 100);
    EXPECT_EQ(picture.bitmap.pixel(10, 10), (RgbQuad{99, 99, 99, 0}));
    EXPECT_EQ(picture.bitmap.pixel(90, 70), (RgbQuad{99, 99, 99, 0}));
    // 1600 x 1200 needs the sensor: the photo, red growing from left to right.
    ASSERT_EQ(loadPictureFile(path, screen(1600, 1200), picture), LoadResult::Loaded);
    ASSERT_EQ(picture.bitmap.width(), 400);
    EXPECT_GT(picture.bitmap.pixel(397, 150).red, picture.bitmap.pixel(2, 150).red + 100);
}

// A real camera's file: a Canon EOS 30D CR2 (3522 x 2348 seen, a 1728 x 1152
// JPEG preview), shipped as a sample by Debian's rawtran-doc (GPL-3+). Each
// path of the RAW decoder gives exactly what the reference tools give.
TEST(PictureFormatsRaw, ACameraFileAsTheReferenceShowsIt) {
    const std::string cr2 = "/usr/share/doc/rawtran/IMG_5952.CR2";
    for (const std::string& tool : {cr2, std::string("dcraw_emu"), std::string("dcraw"), std::string("djpeg")})
        if (!haveTool(tool))
            GTEST_SKIP() << tool << " is missing (rawtran-doc, libraw-bin, dcraw, libjpeg-turbo-progs)";
    const struct {
        const char* what;
        LoadContext context;
        std::string reference;  // {in} the CR2, {out} the picture
        int width, height;
    } rows[] = {
        {"the whole sensor, demosaiced", LoadContext{}, "dcraw_emu -w -Z {out} {in}", 3522, 2348},
        {"half the sensor, larger than the preview", screen(1761, 1174), "dcraw_emu -w -h -Z {out} {in}", 1761, 1174},
        // A JPEG is reduced on decode by halving, as every JPEG file is.
        {"the camera's preview, halved", screen(800, 600), "dcraw -e -c {in} | djpeg -scale 1/2 -pnm -outfile {out}",
         864, 576},
    };
    test::TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string reference = dir.str() + "/reference.ppm";
        ASSERT_TRUE(run(withFiles(row.reference, cr2, reference)));
        const WBitmap expected = loadReference(reference);
        LoadedPicture shown;
        ASSERT_EQ(loadPictureFile(cr2, row.context, shown), LoadResult::Loaded);
        ASSERT_EQ(shown.bitmap.width(), row.width);
        ASSERT_EQ(shown.bitmap.height(), row.height);
        ASSERT_EQ(expected.width(), row.width);
        ASSERT_EQ(expected.height(), row.height);
        EXPECT_EQ(compare(shown.bitmap, expected).max, 0);
    }
}

// A phone's HEIC named .jpg is shown; one whose own turn (irot) and Exif
// block both say a quarter turn clockwise is turned once, as the reference
// decoder turns it.
TEST(PictureFormatsHeif, ContentsDecideAndTheTurnIsAppliedOnce) {
    for (const char* tool : {"heif-convert"})
        if (!haveTool(tool)) GTEST_SKIP() << tool << " is not installed, skipped";
    test::TempDir dir;
    const WBitmap source = sourcePicture();
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code, heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image* image = nullptr;
    ASSERT_EQ(heif_image_create(source.width(), source.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                                &image)
                  .code,
              heif_error_Ok);
    heif_image_add_plane(image, heif_channel_interleaved, source.width(), source.height(), 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const RgbQuad c = source.pixel(x, y);
            std::uint8_t* p = plane + y * stride + 3 * x;
            p[0] = c.red, p[1] = c.green, p[2] = c.blue;
        }
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation_rotate_90_cw;
    heif_image_handle* handle = nullptr;
    ASSERT_EQ(heif_context_encode_image(context, image, encoder, options, &handle).code, heif_error_Ok);
    const std::string exif = std::string("\0\0\0\0", 4) + exifBlock(6);
    ASSERT_EQ(heif_context_add_exif_metadata(context, handle, exif.data(), static_cast<int>(exif.size())).code,
              heif_error_Ok);
    const std::string path = dir.str() + "/IMG_0001.JPG";
    ASSERT_EQ(heif_context_write_to_file(context, path.c_str()).code, heif_error_Ok);
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);

    ASSERT_TRUE(run("heif-convert " + path + " " + dir.str() + "/reference.png"));
    const WBitmap expected = loadReference(dir.str() + "/reference.png");
    ASSERT_EQ(expected.width(), 300);  // the reference turns it once
    LoadedPicture picture;
    ASSERT_EQ(loadPictureFile(path, LoadContext{}, picture), LoadResult::Loaded);
    ASSERT_EQ(picture.bitmap.width(), 300);
    ASSERT_EQ(picture.bitmap.height(), 400);
    EXPECT_LE(compare(picture.bitmap, expected).max, 2);
    // The top-left corner shows the source's bottom-left: red 0, blue 40.
    EXPECT_LT(picture.bitmap.pixel(2, 2).red, 16);
    EXPECT_GT(picture.bitmap.pixel(2, 2).green, 230);
}

}  // namespace
}  // namespace orvanta
