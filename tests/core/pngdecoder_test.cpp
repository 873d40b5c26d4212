// The PNG decoder against PngSuite: every valid file gives the colour values
// an independent reader gives (alpha ignored, 16-bit samples within one
// level), every corrupt (x*) file is refused.
#include "show/decoders/pngdecoder.h"
#include "tests/core/support/testenv.h"

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <zlib.h>

namespace orvanta {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> suite() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(test::corporaDir() + "/pngsuite"))
        if (e.path().extension() == ".png") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The file without its tRNS chunk. Qt's reader forgets the colour of pixels
// that tRNS makes transparent (it stores transparent black) and misplaces the
// channels of 16-bit RGB with tRNS; as the show drops transparency anyway,
// the reference is read from the file without it.
QByteArray withoutTransparency(const std::string& bytes) {
    QByteArray out(bytes.data(), 8);
    std::size_t pos = 8;
    while (pos + 12 <= bytes.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + pos);
        const std::size_t length = (std::size_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        const std::size_t total = std::min(bytes.size() - pos, length + 12);
        if (bytes.compare(pos + 4, 4, "tRNS") != 0) out.append(bytes.data() + pos, static_cast<qsizetype>(total));
        pos += total;
    }
    return out;
}

TEST(PngDecoder, ValidFilesMatchAnIndependentReader) {
    ORVANTA_REQUIRE_CORPORA();
    int checked = 0;
    for (const fs::path& path : suite()) {
        const std::string name = path.filename().string();
        if (name[0] == 'x') continue;
        SCOPED_TRACE(name);
        WBitmap bitmap;
        ASSERT_TRUE(decodePng(path.string(), bitmap));
        ASSERT_EQ(bitmap.bitCount(), 24);
        const std::string bytes = test::readFile(path.string());
        QImage reference = QImage::fromData(withoutTransparency(bytes));
        ASSERT_FALSE(reference.isNull());
        // Raw colour values with the alpha dropped: a non-premultiplied
        // format keeps them whatever the alpha says.
        const bool sixteen = bytes[24] == 16;
        const bool deep = reference.depth() == 64;
        reference = reference.convertToFormat(deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
        ASSERT_EQ(bitmap.width(), reference.width());
        ASSERT_EQ(bitmap.height(), reference.height());
        int worst = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) {
                const RgbQuad p = bitmap.pixel(x, y);
                int r, g, b;
                if (deep) {
                    const QRgba64 q = reinterpret_cast<const QRgba64*>(reference.constScanLine(y))[x];
                    r = q.red() >> 8, g = q.green() >> 8, b = q.blue() >> 8;
                } else {
                    const QRgb q = reference.pixel(x, y);
                    r = qRed(q), g = qGreen(q), b = qBlue(q);
                }
                worst = std::max({worst, std::abs(p.red - r), std::abs(p.green - g), std::abs(p.blue - b)});
            }
        EXPECT_LE(worst, sixteen ? 1 : 0);
        ++checked;
    }
    EXPECT_GE(checked, 150);
}

TEST(PngDecoder, CorruptFilesAreRefused) {
    ORVANTA_REQUIRE_CORPORA();
    int refused = 0;
    for (const fs::path& path : suite()) {
        if (path.filename().string()[0] != 'x') continue;
        SCOPED_TRACE(path.filename().string());
        WBitmap bitmap;
        EXPECT_FALSE(decodePng(path.string(), bitmap));
        EXPECT_TRUE(bitmap.isNull());
        ++refused;
    }
    EXPECT_GE(refused, 10);
}

TEST(PngDecoder, ColourInformationForPaletteDisplays) {
    ORVANTA_REQUIRE_CORPORA();
    const std::string dir = test::corporaDir() + "/pngsuite/";
    const struct {
        const char* name;
        bool grey;
        std::size_t paletteSize;
    } cases[] = {
        {"basn3p08.png", false, 256}, {"basn3p02.png", false, 4}, {"basn0g16.png", true, 0},
        {"basn4a08.png", true, 0},    {"basn2c08.png", false, 0}, {"basn6a16.png", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WBitmap bitmap;
        PngColours colours;
        ASSERT_TRUE(decodePng(dir + c.name, bitmap, &colours));
        EXPECT_EQ(colours.grey, c.grey);
        EXPECT_EQ(colours.palette.size(), c.paletteSize);
    }
    // A 16-bit grey picture becomes 24 bits with equal red, green and blue.
    WBitmap grey;
    ASSERT_TRUE(decodePng(dir + "basn0g16.png", grey));
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) {
            const RgbQuad p = grey.pixel(x, y);
            ASSERT_TRUE(p.red == p.green && p.green == p.blue);
        }
}

void appendChunk(std::string& out, const char* type, const std::string& data) {
    auto put32 = [&out](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
    };
    put32(static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    put32(static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

// A header for a picture over the size limits is refused before the pixel
// block is allocated, whether or not libpng's own limits allow it.
TEST(PngDecoder, RefusesPicturesOverTheSizeLimit) {
    test::TempDir dir;
    const struct {
        std::uint32_t width, height;
    } sizes[] = {{20000, 20000}, {65535, 65535}, {70000, 10}, {1u << 31, 1}};
    for (const auto& s : sizes) {
        std::string png = "\x89PNG\r\n\x1a\n";
        std::string ihdr;
        for (std::uint32_t v : {s.width, s.height})
            for (int sh = 24; sh >= 0; sh -= 8) ihdr += static_cast<char>((v >> sh) & 0xFF);
        ihdr += std::string("\x08\x02\x00\x00\x00", 5);
        appendChunk(png, "IHDR", ihdr);
        appendChunk(png, "IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
        appendChunk(png, "IEND", "");
        WBitmap bitmap;
        EXPECT_FALSE(decodePng(dir.write("huge.png", png), bitmap)) << s.width << "x" << s.height;
        EXPECT_TRUE(bitmap.isNull());
    }
    WBitmap bitmap;
    EXPECT_FALSE(decodePng(dir.str() + "/absent.png", bitmap));
}

// A reduced decode reads the file's samples in their own layout (packed
// indexes and greys, no expansion): for every valid file of the suite it
// must give the area average of the whole decode, interlaced files included.
// A corner is the top-left of the whole decode.
TEST(PngDecoder, ReducedAndCornerDecodesAgreeWithTheWholePicture) {
    ORVANTA_REQUIRE_CORPORA();
    int checked = 0;
    for (const fs::path& path : suite()) {
        const std::string name = path.filename().string();
        if (name[0] == 'x') continue;
        SCOPED_TRACE(name);
        WBitmap whole;
        ASSERT_TRUE(decodePng(path.string(), whole));
        if (whole.width() < 16 || whole.height() < 16) continue;
        DecodeRequest request;
        request.screenWidth = whole.width() / 4;
        request.screenHeight = whole.height() / 4;
        request.fitting = ShowFitting{false, true, false};
        const DecodePlan plan = planDecode(whole.width(), whole.height(), request);
        ASSERT_EQ(plan.kind, DecodePlan::Kind::Reduced);
        WBitmap reduced, expected;
        bool isReduced = false;
        ASSERT_EQ(decodePng(path.string(), request, reduced, isReduced), DecodeStatus::Decoded);
        EXPECT_TRUE(isReduced);
        PictureBuilder averager;
        RowFormat rows;
        ASSERT_TRUE(averager.start(whole.width(), whole.height(), rows, plan, false));
        for (int y = 0; y < whole.height(); ++y) averager.putRows(y, 1, whole.row(y));
        ASSERT_TRUE(averager.finish(expected));
        ASSERT_EQ(reduced.width(), expected.width());
        ASSERT_EQ(reduced.height(), expected.height());
        int worst = 0;
        for (int y = 0; y < reduced.height(); ++y)
            for (int x = 0; x < reduced.width(); ++x) {
                const RgbQuad a = reduced.pixel(x, y), b = expected.pixel(x, y);
                worst = std::max(
                    {worst, std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
            }
        EXPECT_LE(worst, 1);

        request.fitting = ShowFitting{false, false, false};
        request.screenWidth = whole.width() / 2 + 1;
        request.screenHeight = whole.height() / 3;
        WBitmap corner;
        ASSERT_EQ(decodePng(path.string(), request, corner, isReduced), DecodeStatus::Decoded);
        ASSERT_EQ(corner.width(), whole.width() / 2 + 1);
        ASSERT_EQ(corner.height(), whole.height() / 3);
        for (int y = 0; y < corner.height(); ++y)
            for (int x = 0; x < corner.width(); ++x) ASSERT_EQ(corner.pixel(x, y), whole.pixel(x, y)) << x << "," << y;
        ++checked;
    }
    EXPECT_GE(checked, 130);
}

}  // namespace
}  // namespace orvanta
