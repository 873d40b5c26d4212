// Picture bombs: small (or sparse) files that claim huge pictures. Each is
// made here as the benchmark makes it, and loaded as the show loads it on a
// 1920 x 1080 screen; each must be refused, or shown from a picture no
// larger than the screen, and the files that can be judged by their header
// are judged without reading the rest.
#include "show/decoders/jpegdecoder.h"
#include "show/decoders/picturefile.h"
#include "tests/core/support/testenv.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>
#include <zlib.h>

namespace orvanta {
namespace {

const ShowFitting kProportional{false, true, false};
const ShowFitting kUnscaled{false, false, false};

LoadContext screen(std::optional<ShowFitting> fitting) {
    LoadContext context;
    context.decode.screenWidth = 1920;
    context.decode.screenHeight = 1080;
    context.decode.fitting = fitting;
    return context;
}

// Bytes this process has read from files so far.
long long bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

// The process's resident memory now ("VmRSS") or at its peak ("VmHWM"), in
// bytes; forgetPeak() makes the peak the present.
long long residentBytes(const std::string& which) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(which + ":", 0) == 0) return std::stoll(line.substr(which.size() + 1)) * 1024;
    return -1;
}
void forgetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::string be16(unsigned v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string be32(std::uint32_t v) { return be16(v >> 16) + be16(v & 0xFFFF); }
std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// --- JPEG segments ---------------------------------------------------------

std::string segment(int marker, const std::string& payload) {
    return std::string{'\xFF', static_cast<char>(marker)} + be16(static_cast<unsigned>(payload.size() + 2)) + payload;
}

std::string jpegHead(int sof, int width, int height, bool colour) {
    std::string out = "\xFF\xD8";
    out += segment(0xDB, std::string(1, '\0') + std::string(64, '\x01'));
    std::string frame = std::string(1, '\x08') + be16(static_cast<unsigned>(height)) +
                        be16(static_cast<unsigned>(width));
    if (colour) frame += std::string("\x03\x01\x22\x00\x02\x11\x00\x03\x11\x00", 10);
    else frame += std::string("\x01\x01\x11\x00", 4);
    out += segment(sof, frame);
    // DC and AC tables with the single symbol 0 coded as the bit 0.
    const std::string counts = std::string(1, '\x01') + std::string(15, '\0');
    out += segment(0xC4, std::string(1, '\x00') + counts + std::string(1, '\0') + std::string(1, '\x10') + counts +
                             std::string(1, '\0'));
    return out;
}

std::string scanHeader(bool colour, int ss, int se) {
    const std::string components = colour ? std::string("\x03\x01\x00\x02\x00\x03\x00", 7)
                                          : std::string("\x01\x01\x00", 3);
    return segment(0xDA, components + static_cast<char>(ss) + static_cast<char>(se) + '\0');
}

// A progressive file of the given number of DC scans without data.
std::string emptyScans(int width, int height, bool colour, int scans) {
    std::string out = jpegHead(0xC2, width, height, colour);
    for (int i = 0; i < scans; ++i) out += scanHeader(colour, 0, 0);
    return out + "\xFF\xD9";
}

// A baseline colour file padded with zero data to exactly size bytes.
std::string paddedBaseline(int width, int height, std::size_t size) {
    std::string out = jpegHead(0xC0, width, height, true) + scanHeader(true, 0, 63);
    out += std::string(size - out.size() - 2, '\0');
    return out + "\xFF\xD9";
}

// --- PNG and BMP -----------------------------------------------------------

std::string chunk(const char* type, const std::string& data) {
    const std::string body = std::string(type, 4) + data;
    return be32(static_cast<std::uint32_t>(data.size())) + body +
           be32(static_cast<std::uint32_t>(
               crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

// A one-bit greyscale PNG whose every row is row (filter byte included).
std::string oneBitPng(std::uint32_t width, std::uint32_t height, const std::string& row) {
    z_stream z{};
    deflateInit(&z, 9);
    std::string idat;
    std::vector<unsigned char> out(1 << 16);
    for (std::uint32_t y = 0; y <= height; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        z.avail_in = y < height ? static_cast<uInt>(row.size()) : 0;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            deflate(&z, y < height ? Z_NO_FLUSH : Z_FINISH);
            idat.append(reinterpret_cast<char*>(out.data()), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", be32(width) + be32(height) + std::string("\x01\x00\x00\x00\x00", 5)) +
           chunk("IDAT", idat) + chunk("IEND", "");
}

std::string bmpHeader(int width, int height, int bitCount, int compression, const std::string& palette,
                      std::uint32_t dataSize) {
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + 40 + palette.size());
    return "BM" + le32(offset + dataSize) + le32(0) + le32(offset) + le32(40) +
           le32(static_cast<std::uint32_t>(width)) + le32(static_cast<std::uint32_t>(height)) + le16(1) +
           le16(static_cast<unsigned>(bitCount)) + le32(static_cast<std::uint32_t>(compression)) + le32(dataSize) +
           le32(2835) + le32(2835) + le32(static_cast<std::uint32_t>(palette.size() / 4)) + le32(0) + palette;
}

// A file of size bytes that holds head and then a hole.
std::string sparseFile(const test::TempDir& dir, const std::string& name, const std::string& head, off_t size) {
    const std::string path = dir.write(name, head);
    EXPECT_EQ(truncate(path.c_str(), size), 0);
    return path;
}

bool allPixels(const WBitmap& b, RgbQuad colour) {
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (b.pixel(x, y) != colour) return false;
    return true;
}

// --- JPEG ------------------------------------------------------------------

TEST(PictureBombs, JpegFilesClaimingHugePicturesInFewBytesAreRefused) {
    test::TempDir dir;
    std::string exif = paddedBaseline(65500, 65500, 250);
    // Exif orientation 6 right after the start of image.
    const std::string tiff = std::string("II*\0", 4) + le32(8) + le16(1) + le16(0x0112) + le16(3) + le32(1) + le16(6) +
                             le16(0) + le32(0);
    exif.insert(2, segment(0xE1, std::string("Exif\0\0", 6) + tiff));
    const struct {
        const char* name;
        std::string bytes;
    } bombs[] = {
        {"dc-scans.jpg", emptyScans(16384, 16384, true, 499)},
        {"grey.jpg", emptyScans(23000, 23000, false, 480)},
        {"exif6.jpg", exif},
    };
    for (const auto& bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        EXPECT_LT(bomb.bytes.size(), 8000u);
        for (bool palette : {false, true}) {
            LoadContext context = screen(kProportional);
            context.paletteDisplay = palette;
            LoadedPicture picture;
            EXPECT_EQ(loadPictureFile(dir.write(bomb.name, bomb.bytes), context, picture), LoadResult::Failed);
            EXPECT_TRUE(picture.bitmap.isNull());
        }
    }
}

// The rule is blocks per byte: an 8192 x 8192 colour file (1,572,864 blocks)
// needs 49,152 bytes. One byte less is refused; at that size the file is
// decoded, its missing data grey as the library fills it.
TEST(PictureBombs, JpegBlocksAreWeighedAgainstTheFileSize) {
    test::TempDir dir;
    const std::size_t needed = 1572864 / kJpegBlocksPerFileByte;
    LoadedPicture picture;
    EXPECT_EQ(loadPictureFile(dir.write("short.jpg", paddedBaseline(8192, 8192, needed - 1)), screen(kProportional),
                              picture),
              LoadResult::Failed);
    ASSERT_EQ(loadPictureFile(dir.write("enough.jpg", paddedBaseline(8192, 8192, needed)), screen(kProportional),
                              picture),
              LoadResult::Loaded);
    EXPECT_EQ(picture.bitmap.width(), 8192 / 4);  // 1/4 scale on 1920 x 1080
    EXPECT_TRUE(picture.reducedOnDecode);
    EXPECT_EQ(picture.bitmap.pixel(1000, 1000), (RgbQuad{128, 128, 128, 0}));
}

// Scans are charged the blocks they visit: a 4096 x 4096 grey file (262,144
// blocks, within what any file may claim) may repeat an empty scan 256
// times, not 257.
TEST(PictureBombs, JpegScanWorkIsBounded) {
    test::TempDir dir;
    const int allowed = static_cast<int>(kFreeJpegScanBlocks / 262144);
    ASSERT_EQ(allowed, 256);
    LoadedPicture picture;
    EXPECT_EQ(loadPictureFile(dir.write("allowed.jpg", emptyScans(4096, 4096, false, allowed)), screen(kProportional),
                              picture),
              LoadResult::Loaded);
    EXPECT_EQ(loadPictureFile(dir.write("over.jpg", emptyScans(4096, 4096, false, allowed + 1)), screen(kProportional),
                              picture),
              LoadResult::Failed);
}

// --- PNG -------------------------------------------------------------------

// 16384 x 16384, one bit, white on its left half: 80 KB that claim 268
// million pixels. Shown proportionally it is built at 1080 x 1080; drawn
// unscaled only the 1920 x 1080 corner is kept; with no fitting known it
// would have to be held whole and is refused.
TEST(PictureBombs, OneBitPngIsBuiltAtTheSizeTheShowNeeds) {
    test::TempDir dir;
    std::string row(1 + 16384 / 8, '\0');
    std::fill(row.begin() + 1, row.begin() + 1 + 1024, '\xFF');
    const std::string bytes = oneBitPng(16384, 16384, row);
    EXPECT_LT(bytes.size(), 100000u);
    const std::string path = dir.write("bomb.png", bytes);
    const RgbQuad white{255, 255, 255, 0}, black{};

    LoadedPicture picture;
    ASSERT_EQ(loadPictureFile(path, screen(kProportional), picture), LoadResult::Loaded);
    EXPECT_TRUE(picture.reducedOnDecode);
    ASSERT_EQ(picture.bitmap.width(), 1080);
    ASSERT_EQ(picture.bitmap.height(), 1080);
    for (int y : {0, 539, 1079}) {
        EXPECT_EQ(picture.bitmap.pixel(0, y), white);
        EXPECT_EQ(picture.bitmap.pixel(538, y), white);
        EXPECT_EQ(picture.bitmap.pixel(541, y), black);
        EXPECT_EQ(picture.bitmap.pixel(1079, y), black);
    }

    ASSERT_EQ(loadPictureFile(path, screen(kUnscaled), picture), LoadResult::Loaded);
    EXPECT_FALSE(picture.reducedOnDecode);
    ASSERT_EQ(picture.bitmap.width(), 1920);
    ASSERT_EQ(picture.bitmap.height(), 1080);
    EXPECT_TRUE(allPixels(picture.bitmap, white));

    EXPECT_EQ(loadPictureFile(path, screen(std::nullopt), picture), LoadResult::Failed);
}

// --- BMP -------------------------------------------------------------------

// 16384 x 16384 RLE8 holding only the end-of-bitmap code: every pixel is
// index 0.
TEST(PictureBombs, RleBmpWithOnlyTheEndCodeIsOneColour) {
    test::TempDir dir;
    const std::string palette("\x28\x50\x78\x00\xFF\xFF\xFF\x00", 8);
    const std::string bytes = bmpHeader(16384, 16384, 8, 1, palette, 2) + std::string("\x00\x01", 2);
    ASSERT_EQ(bytes.size(), 64u);
    const std::string path = dir.write("rle.bmp", bytes);
    const RgbQuad first{0x28, 0x50, 0x78, 0};

    LoadedPicture picture;
    ASSERT_EQ(loadPictureFile(path, screen(kProportional), picture), LoadResult::Loaded);
    EXPECT_EQ(picture.bitmap.width(), 1080);
    EXPECT_TRUE(allPixels(picture.bitmap, first));

    ASSERT_EQ(loadPictureFile(path, screen(kUnscaled), picture), LoadResult::Loaded);
    EXPECT_EQ(picture.bitmap.bitCount(), 8);
    EXPECT_EQ(picture.bitmap.width(), 1920);
    EXPECT_EQ(picture.bitmap.height(), 1080);
    EXPECT_TRUE(allPixels(picture.bitmap, first));

    EXPECT_EQ(loadPictureFile(path, screen(std::nullopt), picture), LoadResult::Failed);
}

// A thousand megabytes of nothing named .bmp is refused from its first
// bytes.
TEST(PictureBombs, JunkBmpIsRefusedWithoutReadingIt) {
    test::TempDir dir;
    const std::string path = sparseFile(dir, "junk.bmp", "", 1000LL * 1000 * 1000);
    const long long before = bytesRead();
    LoadedPicture picture;
    EXPECT_EQ(loadPictureFile(path, screen(kProportional), picture), LoadResult::Failed);
    EXPECT_LT(bytesRead() - before, 1 << 16);
}

// A valid 16384 x 16384 32-bit BMP whose pixels are a hole: the hole is known
// to be black without reading it. A band of red pixels written into the hole
// is read and lands where it belongs.
TEST(PictureBombs, SparseBmpHolesAreNotRead) {
    test::TempDir dir;
    const std::uint32_t data = 16384u * 16384u * 4u;
    const std::string head = bmpHeader(16384, 16384, 32, 0, "", data);
    const std::string path = sparseFile(dir, "sparse.bmp", head, static_cast<off_t>(head.size() + data));

    long long before = bytesRead();
    LoadedPicture picture;
    ASSERT_EQ(loadPictureFile(path, screen(kProportional), picture), LoadResult::Loaded);
    EXPECT_LT(bytesRead() - before, 1 << 20);
    EXPECT_EQ(picture.bitmap.width(), 1080);
    EXPECT_TRUE(allPixels(picture.bitmap, RgbQuad{}));

    ASSERT_EQ(loadPictureFile(path, screen(kUnscaled), picture), LoadResult::Loaded);
    EXPECT_EQ(picture.bitmap.bitCount(), 32);
    EXPECT_EQ(picture.bitmap.width(), 1920);
    EXPECT_TRUE(allPixels(picture.bitmap, RgbQuad{}));
    EXPECT_EQ(loadPictureFile(path, screen(std::nullopt), picture), LoadResult::Failed);

    // File rows 8000 to 8099 red: picture rows 8284 to 8383 from the top,
    // which the 1080-row picture holds in its rows 546 to 552.
    {
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        const std::string red = std::string("\x00\x00\xFF\x00", 4);
        std::string rows;
        for (int i = 0; i < 100 * 16384; ++i) rows += red;
        std::fseek(f, static_cast<long>(head.size() + 8000ull * 16384 * 4), SEEK_SET);
        std::fwrite(rows.data(), 1, rows.size(), f);
        std::fclose(f);
    }
    before = bytesRead();
    ASSERT_EQ(loadPictureFile(path, screen(kProportional), picture), LoadResult::Loaded);
    EXPECT_LT(bytesRead() - before, 16 << 20);
    EXPECT_EQ(picture.bitmap.pixel(500, 549), (RgbQuad{0, 0, 255, 0}));
    EXPECT_EQ(picture.bitmap.pixel(500, 545), RgbQuad{});
    EXPECT_EQ(picture.bitmap.pixel(500, 554), RgbQuad{});
    EXPECT_GT(picture.bitmap.pixel(500, 546).red, 0);
}

// --- The formats read through their own libraries --------------------------

// Each made by the benchmark's own maker (bench/bombfiles.py) and loaded on a
// 1920 x 1080 screen: refused, or shown no larger than the screen, within a
// second, having read little of the file and held no more than 300 MB.
TEST(PictureBombs, OtherFormatsClaimingHugePicturesAreRefusedOrShownSmall) {
    test::TempDir dir;
    const struct {
        const char* name;
        bool shown;
    } bombs[] = {
        {"tiff-65535", false}, {"tiff-strips", false}, {"dng-65535", false},  {"gif-65535", false},
        {"gif-16000", true},   {"webp-canvas", false}, {"webp-16384", false}, {"jxl-65535", false},
        {"jxl-cut", false},    {"heif-65535", false},
    };
    std::string names;
    for (const auto& bomb : bombs) names += std::string(" ") + bomb.name;
    ASSERT_EQ(std::system(("python3 " ORVANTA_SOURCE_DIR "/bench/bombfiles.py " + dir.str() + names + " >" + dir.str() +
                           "/made.txt")
                              .c_str()),
              0);
    const std::string made = test::readFile(dir.str() + "/made.txt");
    for (const auto& bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        const std::size_t at = made.find(std::string(bomb.name) + " ");
        if (at == std::string::npos) {
            // Only these need an encoder.
            EXPECT_TRUE(std::string(bomb.name) == "heif-65535" || std::string(bomb.name) == "jxl-cut");
            continue;
        }
        const std::size_t slash = made.find('/', at);
        const std::string path = made.substr(slash, made.find('\n', at) - slash);
        const long long before = bytesRead();
        forgetPeak();
        const long long resident = residentBytes("VmRSS");
        const auto start = std::chrono::steady_clock::now();
        LoadedPicture picture;
        const LoadResult result = loadPictureFile(path, screen(kProportional), picture);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_LT(bytesRead() - before, 1 << 20);
        EXPECT_LT(residentBytes("VmHWM") - resident, 300 << 20);
        EXPECT_EQ(result, bomb.shown ? LoadResult::Loaded : LoadResult::Failed);
        EXPECT_LE(picture.bitmap.width(), 1920);
        EXPECT_LE(picture.bitmap.height(), 1080);
    }
}

}  // namespace
}  // namespace orvanta
