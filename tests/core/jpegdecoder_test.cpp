// The JPEG decoder: the scale rule, the output layouts, the event pump and
// abandoning, the guards against hostile files, and the public JPEG corpora.
#include "show/decoders/jpegdecoder.h"
#include "show/decoders/jpegwriter.h"
#include "tests/core/support/testenv.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <jpeglib.h>

namespace orvanta {
namespace {

namespace fs = std::filesystem;

// Writes a JPEG of a smooth test pattern; scans, when given, is a progressive
// scan script. Empty when the file could not be written.
std::string writeJpeg(const std::string& path, int width, int height, int components, int quality = 85,
                      const std::vector<jpeg_scan_info>* scans = nullptr) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * components);
    std::uint8_t* p = pixels.data();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                *p++ = static_cast<std::uint8_t>(
                    (x * (c + 1) * 255 / std::max(1, width - 1) + y * 255 / std::max(1, height - 1) * (2 - c)) & 0xFF);
    JpegWriteOptions options;
    options.quality = quality;
    options.scans = scans;
    return writeJpegFile(path, pixels.data(), width, height, components, options) ? path : std::string();
}

// A progressive script for a greyscale file: DC and each AC coefficient sent
// alone with `refinements` successive-approximation refinement scans each,
// giving 64 * (refinements + 1) scans.
std::vector<jpeg_scan_info> manyScans(int refinements) {
    std::vector<jpeg_scan_info> scans;
    for (int k = 0; k < 64; ++k) {
        jpeg_scan_info s{};
        s.comps_in_scan = 1;
        s.component_index[0] = 0;
        s.Ss = k;
        s.Se = k;
        s.Ah = 0;
        s.Al = refinements;
        scans.push_back(s);
    }
    for (int al = refinements - 1; al >= 0; --al)
        for (int k = 0; k < 64; ++k) {
            jpeg_scan_info s{};
            s.comps_in_scan = 1;
            s.Ss = k;
            s.Se = k;
            s.Ah = al + 1;
            s.Al = al;
            scans.push_back(s);
        }
    return scans;
}

TEST(JpegDecoder, ScaleRule) {
    const struct {
        int width, height, screenWidth, screenHeight, denominator;
    } cases[] = {
        {4000, 3000, 1024, 768, 2},   {2047, 1535, 1024, 768, 1}, {2048, 100, 1024, 768, 2},  {100, 1536, 1024, 768, 2},
        {4095, 3071, 1024, 768, 2},   {4096, 10, 1024, 768, 4},   {8191, 6143, 1024, 768, 4}, {100, 6144, 1024, 768, 8},
        {60000, 60000, 1024, 768, 8}, {4000, 3000, 0, 0, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jpegScaleDenominator(c.width, c.height, c.screenWidth, c.screenHeight), c.denominator)
            << c.width << "x" << c.height << " on " << c.screenWidth << "x" << c.screenHeight;
}

TEST(JpegDecoder, LargePicturesAreReducedOnDecode) {
    test::TempDir dir;
    DecodeRequest request;
    request.screenWidth = 1024;
    request.screenHeight = 768;
    WBitmap bitmap;
    bool reduced = true;
    ASSERT_EQ(decodeJpeg(writeJpeg(dir.str() + "/big.jpg", 4000, 3000, 3, 60), request, bitmap, reduced),
              DecodeStatus::Decoded);
    EXPECT_EQ(bitmap.width(), 2000);
    EXPECT_EQ(bitmap.height(), 1500);
    EXPECT_TRUE(reduced);
    ASSERT_EQ(decodeJpeg(writeJpeg(dir.str() + "/edge.jpg", 2047, 1535, 3, 60), request, bitmap, reduced),
              DecodeStatus::Decoded);
    EXPECT_EQ(bitmap.width(), 2047);
    EXPECT_EQ(bitmap.height(), 1535);
    EXPECT_FALSE(reduced);
}

// Colour files become 24-bit B,G,R; greyscale files 8-bit with the grey
// ramp; quantized files 8-bit with the decoder's colour map. Each must look
// like the pattern that was encoded.
TEST(JpegDecoder, OutputLayouts) {
    test::TempDir dir;
    const std::string colour = writeJpeg(dir.str() + "/colour.jpg", 97, 61, 3, 95);
    const std::string grey = writeJpeg(dir.str() + "/grey.jpg", 97, 61, 1, 95);
    const QImage colourRef(QString::fromStdString(colour)), greyRef(QString::fromStdString(grey));
    ASSERT_FALSE(colourRef.isNull());
    const struct {
        const std::string& path;
        bool quantize;
        int bitCount;
        const QImage& reference;
        double tolerance;
    } cases[] = {
        {colour, false, 24, colourRef, 0.5},
        {grey, false, 8, greyRef, 0.5},
        {colour, true, 8, colourRef, 12.0},  // 256 dithered colours
        {grey, true, 8, greyRef, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + (c.quantize ? " quantized" : ""));
        DecodeRequest request;
        request.quantize = c.quantize;
        WBitmap bitmap;
        bool reduced = true;
        ASSERT_EQ(decodeJpeg(c.path, request, bitmap, reduced), DecodeStatus::Decoded);
        EXPECT_FALSE(reduced);
        ASSERT_EQ(bitmap.bitCount(), c.bitCount);
        ASSERT_EQ(bitmap.width(), 97);
        if (&c.path == &grey && !c.quantize)
            for (int i = 0; i < 256; ++i) {
                const auto v = static_cast<std::uint8_t>(i);
                ASSERT_EQ(bitmap.colorTable()[i], (RgbQuad{v, v, v, 0}));
            }
        double sum = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) {
                const RgbQuad p = bitmap.pixel(x, y);
                const QRgb q = c.reference.pixel(x, y);
                sum += std::abs(p.red - qRed(q)) + std::abs(p.green - qGreen(q)) + std::abs(p.blue - qBlue(q));
            }
        EXPECT_LT(sum / (3.0 * bitmap.width() * bitmap.height()), c.tolerance);
    }
}

TEST(JpegDecoder, PumpsEventsAndAbandonsWhenTheRunEnds) {
    test::TempDir dir;
    const std::string path = writeJpeg(dir.str() + "/rows.jpg", 64, 1000, 3);
    int calls = 0;
    DecodeRequest request;
    request.pumpInterval = std::chrono::milliseconds(0);  // pump at every chance
    request.pumpEvents = [&calls] {
        ++calls;
        return false;
    };
    WBitmap bitmap;
    bool reduced = false;
    ASSERT_EQ(decodeJpeg(path, request, bitmap, reduced), DecodeStatus::Decoded);
    // One before opening, after the header, after starting, and one for each
    // call for rows (16 at a time).
    EXPECT_GE(calls, 3 + 1000 / 16);
    const int total = calls;
    for (int stopAt : {1, 2, 3, total / 2, total}) {
        SCOPED_TRACE(stopAt);
        calls = 0;
        request.pumpEvents = [&calls, stopAt] { return ++calls >= stopAt; };
        EXPECT_EQ(decodeJpeg(path, request, bitmap, reduced), DecodeStatus::Abandoned);
        EXPECT_TRUE(bitmap.isNull());
        EXPECT_EQ(calls, stopAt);
    }
}

TEST(JpegDecoder, RefusesFilesWithTooManyScans) {
    test::TempDir dir;
    const std::vector<jpeg_scan_info> accepted = manyScans(6);  // 448 scans
    const std::vector<jpeg_scan_info> refused = manyScans(10);  // 704 scans
    ASSERT_LE(accepted.size(), static_cast<std::size_t>(kMaxJpegScans));
    ASSERT_GT(refused.size(), static_cast<std::size_t>(kMaxJpegScans));
    DecodeRequest request;
    WBitmap bitmap;
    bool reduced = false;
    EXPECT_EQ(decodeJpeg(writeJpeg(dir.str() + "/ok.jpg", 64, 64, 1, 90, &accepted), request, bitmap, reduced),
              DecodeStatus::Decoded);
    EXPECT_EQ(decodeJpeg(writeJpeg(dir.str() + "/many.jpg", 64, 64, 1, 90, &refused), request, bitmap, reduced),
              DecodeStatus::Failed);
    EXPECT_TRUE(bitmap.isNull());
    // The accepted file with its last scan repeated 10,000 times: the
    // library only warns about such a progression, the scan count stops it.
    const std::string ok = test::readFile(dir.str() + "/ok.jpg");
    const std::size_t last = ok.rfind("\xFF\xDA");
    ASSERT_NE(last, std::string::npos);
    std::string repeated = ok.substr(0, ok.size() - 2);
    for (int i = 0; i < 10000; ++i) repeated += ok.substr(last, ok.size() - 2 - last);
    repeated += "\xFF\xD9";
    EXPECT_EQ(decodeJpeg(dir.write("repeated.jpg", repeated), request, bitmap, reduced), DecodeStatus::Failed);
}

// A header claiming a huge picture is refused before any pixel memory is
// taken; at full scale (no screen) the limit is the bitmap's.
TEST(JpegDecoder, RefusesPicturesOverTheSizeLimit) {
    test::TempDir dir;
    std::string bytes = test::readFile(writeJpeg(dir.str() + "/small.jpg", 16, 16, 3));
    const std::size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    DecodeRequest request;
    WBitmap bitmap;
    bool reduced = false;
    const struct { int width, height; } sizes[] = {{60000, 60000}, {20000, 20000}};
    for (const auto& s : sizes) {
        bytes[sof + 5] = static_cast<char>(s.height >> 8), bytes[sof + 6] = static_cast<char>(s.height & 0xFF);
        bytes[sof + 7] = static_cast<char>(s.width >> 8), bytes[sof + 8] = static_cast<char>(s.width & 0xFF);
        EXPECT_EQ(decodeJpeg(dir.write("huge.jpg", bytes), request, bitmap, reduced), DecodeStatus::Failed);
        EXPECT_TRUE(bitmap.isNull());
    }
}

TEST(JpegDecoder, UnreadableFilesFail) {
    test::TempDir dir;
    DecodeRequest request;
    WBitmap bitmap;
    bool reduced = false;
    EXPECT_EQ(decodeJpeg(dir.str() + "/absent.jpg", request, bitmap, reduced), DecodeStatus::Failed);
    EXPECT_EQ(decodeJpeg(dir.write("empty.jpg", ""), request, bitmap, reduced), DecodeStatus::Failed);
    EXPECT_EQ(decodeJpeg(dir.write("text.jpg", "not a picture"), request, bitmap, reduced), DecodeStatus::Failed);
    // Cut in the middle of the image data: the library fills in the rest.
    const std::string whole = test::readFile(writeJpeg(dir.str() + "/whole.jpg", 200, 200, 3));
    EXPECT_EQ(decodeJpeg(dir.write("cut.jpg", whole.substr(0, whole.size() / 2)), request, bitmap, reduced),
              DecodeStatus::Decoded);
    EXPECT_EQ(decodeJpeg(dir.write("header.jpg", whole.substr(0, 200)), request, bitmap, reduced),
              DecodeStatus::Failed);
}

// Unusual but valid files decode like their reference pictures, or are
// refused cleanly (CMYK and YCCK files, which the show cannot represent).
TEST(JpegDecoder, ReferenceFilesDecodeLikeTheirReferences) {
    ORVANTA_REQUIRE_CORPORA();
    const std::string dir = test::corporaDir() + "/jpeg/reftest";
    int compared = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().extension() != ".jpg") continue;
        SCOPED_TRACE(e.path().filename().string());
        DecodeRequest request;
        WBitmap bitmap;
        bool reduced = false;
        const DecodeStatus status = decodeJpeg(e.path().string(), request, bitmap, reduced);
        const std::string stem = e.path().stem().string();
        if (stem == "ycck") {
            EXPECT_EQ(status, DecodeStatus::Failed);
            continue;
        }
        ASSERT_EQ(status, DecodeStatus::Decoded);
        fs::path png = e.path();
        png.replace_extension(".png");
        const QImage reference = QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(reference.isNull());
        ASSERT_EQ(bitmap.width(), reference.width());
        ASSERT_EQ(bitmap.height(), reference.height());
        double sum = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) {
                const RgbQuad p = bitmap.pixel(x, y);
                const QRgb q = reference.pixel(x, y);
                sum += std::abs(p.red - qRed(q)) + std::abs(p.green - qGreen(q)) + std::abs(p.blue - qBlue(q));
            }
        const double mean = sum / (3.0 * bitmap.width() * bitmap.height());
        EXPECT_LT(mean, 1.0);
        ++compared;
    }
    EXPECT_GE(compared, 15);
}

// Files that crashed decoders: each is decoded or refused, and the run ends.
TEST(JpegDecoder, CrashFilesAreDecodedOrRefused) {
    ORVANTA_REQUIRE_CORPORA();
    int files = 0, refused = 0;
    for (const auto& e : fs::recursive_directory_iterator(test::corporaDir() + "/jpeg/crashtest")) {
        if (e.path().extension() != ".jpg") continue;
        SCOPED_TRACE(e.path().string());
        DecodeRequest request;
        request.screenWidth = 1920;
        request.screenHeight = 1080;
        WBitmap bitmap;
        bool reduced = false;
        const DecodeStatus status = decodeJpeg(e.path().string(), request, bitmap, reduced);
        ASSERT_NE(status, DecodeStatus::Abandoned);
        EXPECT_EQ(bitmap.isNull(), status == DecodeStatus::Failed);
        ++files;
        refused += status == DecodeStatus::Failed;
    }
    EXPECT_GE(files, 100);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace orvanta
