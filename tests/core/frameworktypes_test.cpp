#include <gtest/gtest.h>

#include "base/WBitmap.h"
#include "base/WFilePath.h"
#include "base/WSortableVector.h"
#include "base/WString.h"
#include "show/decoders/bmpreader.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

TEST(WFilePath, SplitsIntoDirectoryNameAndExtension) {
    struct Case {
        const char* path;
        const char* directory;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"/photos/Beach.2003.jpg", "/photos/", "Beach.2003", ".jpg"},
        {"/photos/beach", "/photos/", "beach", ""},
        {"/photos/.hidden", "/photos/", ".hidden", ""},
        {"/a.b/c", "/a.b/", "c", ""},
        {"name.PNG", "", "name", ".PNG"},
        {"/dir/", "/dir/", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        const WFilePath p(c.path);
        EXPECT_EQ(p.directory(), c.directory) << c.path;
        EXPECT_EQ(p.name(), c.name) << c.path;
        EXPECT_EQ(p.extension(), c.extension) << c.path;
        EXPECT_EQ(p.drive(), "");
        EXPECT_EQ(p.directory() + p.name() + p.extension(), c.path);  // the parts join back
    }
    WFilePath joined;
    joined.set("", "/photos", "beach", ".jpg");
    EXPECT_EQ(joined.path(), "/photos/beach.jpg");
    EXPECT_EQ(joined.fileName(), "beach.jpg");
}

// The one extension rule of the program: the picture list, the picture
// loader and the music list all ask lowerExtension.
TEST(WFilePath, LowerExtensionFoldsOnlyAsciiLetters) {
    const std::pair<const char*, const char*> cases[] = {
        {"/p/PHOTO.JPG", ".jpg"}, {"a.Jpeg", ".jpeg"},  {"/x.jpg/noext", ""}, {"/p/.png", ""}, {".lnk", ""},
        {"g.jpg.bak", ".bak"},    {"song.MP3", ".mp3"}, {"dir.d/Song", ""},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(lowerExtension(path), expected) << path;
    // Bytes of UTF-8 sequences keep their value: only A-Z are folded.
    EXPECT_EQ(lowerExtension("/\xC3\x89t\xC3\xA9.J\xC3\x89G"), ".j\xC3\x89g");
    EXPECT_EQ(withTrailingSlash("/photos"), "/photos/");
    EXPECT_EQ(withTrailingSlash("/photos/"), "/photos/");
    EXPECT_EQ(withTrailingSlash(""), "/");
}

TEST(WSortableVector, SortsWithTheCallersOrder) {
    WSortableVector<WFilePath> v;
    ASSERT_TRUE(v.reserve(3));
    for (const char* p : {"/b", "/c", "/a"}) v.append(WFilePath(p));
    v.sort([](const WFilePath& a, const WFilePath& b) { return a.path() > b.path(); });
    EXPECT_EQ(v[0].path(), "/c");
    EXPECT_EQ(v[2].path(), "/a");
    EXPECT_EQ(v.capacity(), 3u);  // no growth beyond the reserved block
    WSortableVector<int> huge;
    EXPECT_FALSE(huge.reserve(static_cast<std::size_t>(-1) / 2));  // a failed allocation is reported
}

TEST(WString, TrimsAndComparesWithoutCase) {
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\ta\t"), "\ta\t");
    EXPECT_EQ(trimWhiteSpace("\t a \t"), "a");
    EXPECT_TRUE(equalsNoCase("$Recycle.Bin", "$RECYCLE.BIN"));
    EXPECT_FALSE(equalsNoCase("abc", "abd"));
    EXPECT_FALSE(equalsNoCase("ab", "abc"));
    EXPECT_FALSE(equalsNoCase("\xC3\xA9", "\xC3\x89"));  // é and É: no folding beyond ASCII
    EXPECT_TRUE(startsWithNoCase("DWORD:00000001", "dword:"));
    EXPECT_FALSE(startsWithNoCase("dwor", "dword:"));
    EXPECT_EQ(asciiLowered("Software\\Quorrin @[Z]"), "software\\quorrin @[z]");  // '@' and '[' border A-Z
    for (const auto& [c, v] : {std::pair{'0', 0}, {'9', 9}, {'a', 10}, {'F', 15}, {'g', -1}, {'G', -1}, {' ', -1}})
        EXPECT_EQ(hexDigitValue(c), v) << c;
}

TEST(WBitmap, RefusesSizesBeyondTheLimits) {
    WBitmap b;
    EXPECT_FALSE(b.create(65536, 1, 24));
    EXPECT_FALSE(b.create(20000, 20000, 24));  // 4e8 pixels
    // A picture held whole may have 2^27 pixels: its 32-bit canvas and its
    // 24-bit self then take 940 MB. Larger pictures are only ever decoded
    // into a reduced or cropped copy.
    EXPECT_FALSE(b.create(16384, 16384, 8));
    EXPECT_FALSE(b.create(16384, 8193, 1));
    EXPECT_FALSE(b.create(0, 10, 24));
    EXPECT_FALSE(b.create(10, 10, 2));  // no such depth
    EXPECT_TRUE(b.isNull());
    EXPECT_TRUE(b.create(16384, 8192, 1));  // exactly 2^27
    EXPECT_EQ(b.stride(), 2048u);
    EXPECT_EQ(WBitmap::strideFor(3, 24), 12u);
    EXPECT_EQ(WBitmap::strideFor(33, 1), 8u);
    EXPECT_EQ(WBitmap::strideFor(5, 16), 12u);
}

TEST(WBitmap, SavedFilesReadBackWithTheSamePixels) {
    test::TempDir dir;
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        WBitmap b;
        ASSERT_TRUE(b.create(7, 5, depth));
        if (depth <= 8)
            for (std::size_t i = 0; i < b.colorTable().size(); ++i)
                b.colorTable()[i] = {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                                     static_cast<std::uint8_t>(i * 3), 0};
        for (int y = 0; y < 5; ++y)
            for (std::size_t i = 0; i < b.stride(); ++i) b.row(y)[i] = static_cast<std::uint8_t>(y * 31 + i * 17);
        const std::string path = dir.str() + "/b" + std::to_string(depth) + ".bmp";
        ASSERT_TRUE(b.saveBmp(path));
        WBitmap back;
        ASSERT_TRUE(loadBmp(path, back)) << depth;
        ASSERT_EQ(back.width(), 7);
        ASSERT_EQ(back.height(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(back.pixel(x, y), b.pixel(x, y)) << depth << " " << x << "," << y;
        const QImage canvas = b.toImage32();
        const RgbQuad c = b.pixel(6, 4);
        EXPECT_EQ(canvas.pixel(6, 4), qRgb(c.red, c.green, c.blue)) << depth;
    }
    WBitmap empty;
    EXPECT_FALSE(empty.saveBmp(dir.str() + "/empty.bmp"));
    WBitmap small;
    ASSERT_TRUE(small.create(1, 1, 24));
    EXPECT_FALSE(small.saveBmp(dir.str() + "/no/such/folder/x.bmp"));
}

TEST(WBitmap, SixteenBitComponentsReachFullScale) {
    WBitmap b;
    ASSERT_TRUE(b.create(2, 1, 16));
    b.row(0)[0] = 0xFF;
    b.row(0)[1] = 0x7F;  // 0x7FFF: white in 5-5-5
    EXPECT_EQ(b.pixel(0, 0), (RgbQuad{255, 255, 255, 0}));
    EXPECT_EQ(b.pixel(1, 0), (RgbQuad{0, 0, 0, 0}));
}

// Narrow fields repeat their bits downwards (full scale stays full scale,
// zero stays zero, each step of the field a step of the result); wide fields
// keep their top eight bits.
TEST(WBitmap, MaskedComponentsWidenToEightBits) {
    const struct {
        std::uint32_t pixel, mask;
        int expected;
    } cases[] = {
        {0x001F, 0x001F, 255},         {0x0010, 0x001F, 132},          {0x0001, 0x001F, 8},
        {0x0000, 0x001F, 0},           {0x07E0, 0x07E0, 255},          {0x0020, 0x07E0, 4},
        {0x8000, 0x8000, 255},         {0x0002, 0x0006, 85},           {0x00AB0000, 0x00FF0000, 0xAB},
        {0x3FF00000, 0x3FF00000, 255}, {0x00800000, 0x3FF00000, 0x02}, {0xFFFFFFFF, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(maskedComponent(c.pixel, c.mask), c.expected) << std::hex << c.pixel << " & " << c.mask;
    // Monotonic over every 1- to 7-bit field: a larger field value is never darker.
    for (int width = 1; width < 8; ++width) {
        const std::uint32_t mask = ((1u << width) - 1) << 3;
        int previous = -1;
        for (std::uint32_t v = 0; v < (1u << width); ++v) {
            const int c = maskedComponent(v << 3, mask);
            EXPECT_GT(c, previous) << width << " " << v;
            previous = c;
        }
        EXPECT_EQ(previous, 255);
    }
}

}  // namespace
}  // namespace orvanta
