// Every decoder keeps the show's events flowing: with a pump due at every
// chance, each pumps at least once per row (JPEG: per call for rows and per
// row of blocks of each scan), and a run that ends at any of those pumps
// abandons the decode with nothing left behind.
#include "show/decoders/jpegwriter.h"
#include "show/decoders/picturefile.h"
#include "tests/core/support/testenv.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {
namespace {

constexpr int kWidth = 64, kHeight = 1000;

std::vector<std::uint8_t> pattern(int components) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * components);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 193);
    return pixels;
}

std::string jpeg(const test::TempDir& dir, bool progressive) {
    std::vector<jpeg_scan_info> scans(2);
    scans[0].comps_in_scan = 1, scans[0].Ss = 0, scans[0].Se = 0;
    scans[1].comps_in_scan = 1, scans[1].Ss = 1, scans[1].Se = 63;
    JpegWriteOptions options;
    if (progressive) options.scans = &scans;
    const std::string path = dir.str() + (progressive ? "/progressive.jpg" : "/baseline.jpg");
    EXPECT_TRUE(writeJpegFile(path, pattern(1).data(), kWidth, kHeight, 1, options));
    return path;
}

std::string png(const test::TempDir& dir) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) image.setPixel(x, y, qRgb(x * 4, y % 256, (x + y) % 256));
    const std::string path = dir.str() + "/rows.png";
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
}

std::string bmp(const test::TempDir& dir) {
    WBitmap b;
    EXPECT_TRUE(b.create(kWidth, kHeight, 24));
    const std::vector<std::uint8_t> pixels = pattern(3);
    for (int y = 0; y < kHeight; ++y) std::copy_n(pixels.data() + y * kWidth * 3, kWidth * 3, b.row(y));
    const std::string path = dir.str() + "/rows.bmp";
    EXPECT_TRUE(b.saveBmp(path));
    return path;
}

// RLE8: each row one run of its own index, then the end of the line.
std::string rleBmp(const test::TempDir& dir) {
    auto le = [](std::uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string palette;
    for (int i = 0; i < 256; ++i) palette += std::string{static_cast<char>(i), static_cast<char>(255 - i), 0, 0};
    std::string data;
    for (int y = 0; y < kHeight; ++y) data += std::string{static_cast<char>(kWidth), static_cast<char>(y % 256), 0, 0};
    data += std::string("\x00\x01", 2);
    const std::uint32_t offset = 14 + 40 + 1024;
    const std::string bytes = "BM" + le(offset + static_cast<std::uint32_t>(data.size()), 4) + le(0, 4) +
                              le(offset, 4) + le(40, 4) + le(kWidth, 4) + le(kHeight, 4) + le(1, 2) + le(8, 2) +
                              le(1, 4) + le(static_cast<std::uint32_t>(data.size()), 4) + std::string(16, '\0') +
                              palette + data;
    return dir.write("rle.bmp", bytes);
}

struct Case {
    std::string name, path;
    bool reduced;
};

TEST(DecodePump, EveryDecoderPumpsAndAbandons) {
    test::TempDir dir;
    std::vector<Case> cases;
    for (bool reduced : {false, true}) {
        cases.push_back({"baseline JPEG", jpeg(dir, false), reduced});
        cases.push_back({"progressive JPEG", jpeg(dir, true), reduced});
        cases.push_back({"PNG", png(dir), reduced});
        cases.push_back({"BMP", bmp(dir), reduced});
        cases.push_back({"RLE BMP", rleBmp(dir), reduced});
    }
    if (!test::corporaDir().empty())
        for (bool reduced : {false, true})
            cases.push_back({"interlaced PNG", test::corporaDir() + "/pngsuite/basi2c08.png", reduced});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + (c.reduced ? ", reduced" : ""));
        const bool interlaced = c.path.find("basi") != std::string::npos;  // 32 x 32
        LoadContext context;
        context.decode.pumpInterval = std::chrono::milliseconds(0);
        if (c.reduced) {
            // A screen small enough that every picture is built smaller.
            context.decode.screenWidth = context.decode.screenHeight = interlaced ? 8 : 32;
            context.decode.fitting = ShowFitting{false, true, false};
        }
        int calls = 0;
        context.decode.pumpEvents = [&calls] {
            ++calls;
            return false;
        };
        LoadedPicture picture;
        ASSERT_EQ(loadPictureFile(c.path, context, picture), LoadResult::Loaded);
        EXPECT_EQ(picture.reducedOnDecode, c.reduced);
        const int rows = interlaced ? 32 : kHeight;
        EXPECT_GE(calls, rows / 16);
        if (c.path.find(".jpg") == std::string::npos) {
            EXPECT_GE(calls, rows);
        }
        const int total = calls;
        for (int stopAt : {1, 2, total / 3, total / 2, total}) {
            SCOPED_TRACE(stopAt);
            calls = 0;
            context.decode.pumpEvents = [&calls, stopAt] { return ++calls >= stopAt; };
            EXPECT_EQ(loadPictureFile(c.path, context, picture), LoadResult::Abandoned);
            EXPECT_TRUE(picture.bitmap.isNull());
            EXPECT_EQ(calls, stopAt);
        }
    }
}

}  // namespace
}  // namespace orvanta
