// The JPEG writer: pixels survive a round trip through the show's decoder in
// every row layout, the APP1 segment follows JFIF, and every failure is
// reported instead of ending the process.
#include "show/decoders/jpegwriter.h"
#include "show/decoders/jpegdecoder.h"
#include "tests/core/support/testenv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace orvanta {
namespace {

struct Layout {
    const char* name;
    int components;
    bool bgr;
    std::size_t padding;  // bytes after each row
};

class JpegWriterRoundTrip : public ::testing::TestWithParam<Layout> {};

TEST_P(JpegWriterRoundTrip, DecodesToTheWrittenPixels) {
    const Layout layout = GetParam();
    const int width = 37, height = 23, n = layout.components;
    const std::size_t stride = static_cast<std::size_t>(width) * n + layout.padding;
    std::vector<std::uint8_t> pixels(stride * height, 0xEE);
    // Each channel its own smooth ramp, so swapped or shifted channels show.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < n; ++c)
                pixels[stride * y + x * n + c] = static_cast<std::uint8_t>(10 + 2 * x + 2 * y + 60 * c);
    test::TempDir dir;
    const std::string path = dir.str() + "/out.jpg";
    JpegWriteOptions options;
    options.quality = 98;
    options.stride = layout.padding == 0 ? 0 : stride;
    options.bgr = layout.bgr;
    ASSERT_TRUE(writeJpegFile(path, pixels.data(), width, height, n, options));

    WBitmap bitmap;
    bool reduced = false;
    ASSERT_EQ(decodeJpeg(path, DecodeRequest{}, bitmap, reduced), DecodeStatus::Decoded);
    ASSERT_EQ(bitmap.width(), width);
    ASSERT_EQ(bitmap.height(), height);
    ASSERT_EQ(bitmap.bitCount(), n == 1 ? 8 : 24);
    int worst = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < n; ++c) {
                // The decoder gives B,G,R; written channel c sits at 2 - c unless the rows were B,G,R too.
                const int decodedChannel = n == 1 || layout.bgr ? c : 2 - c;
                worst = std::max(worst,
                                 std::abs(bitmap.row(y)[x * n + decodedChannel] - pixels[stride * y + x * n + c]));
            }
    EXPECT_LE(worst, 6) << layout.name;
}

INSTANTIATE_TEST_SUITE_P(Layouts, JpegWriterRoundTrip,
                         ::testing::Values(Layout{"grey", 1, false, 0}, Layout{"rgb", 3, false, 0},
                                           Layout{"bgr padded", 3, true, 5}, Layout{"grey padded", 1, false, 3}),
                         [](const auto& p) {
                             std::string name = p.param.name;
                             for (char& ch : name) ch = ch == ' ' ? '_' : ch;
                             return name;
                         });

TEST(JpegWriter, App1FollowsJfif) {
    test::TempDir dir;
    const std::vector<std::uint8_t> pixels(8 * 8, 128);
    const std::vector<std::uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
    JpegWriteOptions options;
    options.app1 = &app1;
    const std::string path = dir.str() + "/exif.jpg";
    ASSERT_TRUE(writeJpegFile(path, pixels.data(), 8, 8, 1, options));
    const std::string bytes = test::readFile(path);
    ASSERT_GT(bytes.size(), 4u);
    ASSERT_EQ(bytes.substr(0, 4), std::string("\xFF\xD8\xFF\xE0", 4));
    const std::size_t app1At = 4 + (static_cast<std::uint8_t>(bytes[4]) << 8 | static_cast<std::uint8_t>(bytes[5]));
    ASSERT_GT(bytes.size(), app1At + 4 + app1.size());
    EXPECT_EQ(bytes.substr(app1At, 4), std::string("\xFF\xE1\x00\x0C", 4));
    EXPECT_EQ(bytes.substr(app1At + 4, app1.size()), std::string(app1.begin(), app1.end()));
}

TEST(JpegWriter, FailuresAreReportedNotFatal) {
    test::TempDir dir;
    const std::string path = dir.str() + "/out.jpg";
    const std::vector<std::uint8_t> pixels(16 * 16 * 3, 90);
    JpegWriteOptions narrow;
    narrow.stride = 16 * 3 - 1;
    const std::vector<std::uint8_t> huge(70000, 0);
    JpegWriteOptions hugeApp1;
    hugeApp1.app1 = &huge;
    // A scan naming a component the file does not have: libjpeg's own error path.
    jpeg_scan_info bad{};
    bad.comps_in_scan = 1;
    bad.component_index[0] = 2;
    bad.Se = 63;
    const std::vector<jpeg_scan_info> badScript = {bad};
    JpegWriteOptions badScans;
    badScans.scans = &badScript;

    EXPECT_FALSE(writeJpegFile(dir.str() + "/missing/out.jpg", pixels.data(), 16, 16, 3));
    EXPECT_FALSE(writeJpegFile(path, pixels.data(), 16, 16, 2));
    EXPECT_FALSE(writeJpegFile(path, pixels.data(), 0, 16, 3));
    EXPECT_FALSE(writeJpegFile(path, pixels.data(), 16, 16, 3, narrow));
    EXPECT_FALSE(writeJpegFile(path, pixels.data(), 16, 16, 3, hugeApp1));
    EXPECT_FALSE(writeJpegFile(path, pixels.data(), 16, 16, 1, badScans));
    EXPECT_TRUE(writeJpegFile(path, pixels.data(), 16, 16, 3));
}

}  // namespace
}  // namespace orvanta
