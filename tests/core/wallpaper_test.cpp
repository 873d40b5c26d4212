// Wallpaper files: the exact bytes of both bitmap forms, the end-of-show file
// against the composed back buffer, when nothing is written, one file per
// user, the Wallpaper button's file, TileWallpaper, and the root background.
#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "desktop/bitmapfile.h"
#include "desktop/desktopkey.h"
#include "desktop/rootbackground.h"
#include "desktop/wallpaper.h"
#include "show/decoders/bmpreader.h"
#include "show/pixels/composition.h"
#include "show/pixels/palettemode.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using test::readFile;

std::uint32_t le32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}
std::uint16_t le16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      (static_cast<unsigned char>(bytes.at(at + 1)) << 8));
}

// A gradient with many colours: every pixel differs from its neighbours.
QImage gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255));
    return image;
}

QImage readBack(const std::string& path) {
    WBitmap bitmap;
    if (!loadBmp(path, bitmap)) return {};
    return bitmap.toImage32();
}

::testing::AssertionResult samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << ": " << std::hex << a.pixel(x, y) << " vs " << b.pixel(x, y);
    return ::testing::AssertionSuccess();
}

TEST(BitmapFile, FormAHeaderTableAndRowsAreExact) {
    test::TempDir dir;
    QImage screen = gradient(640, 480);
    const std::vector<PaletteEntry> palette = halftonePalette();
    realizePalette(screen, palette);
    const std::string path = dir.str() + "/a.bmp";
    ASSERT_TRUE(writeBitmapFormA(path, screen, palette));
    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 640u * 480u + 1078u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(le32(bytes, 2), 640u * 480u + 1078u);  // file size
    EXPECT_EQ(le32(bytes, 6), 0u);                   // both reserved words
    EXPECT_EQ(le32(bytes, 10), 1078u);               // pixel data offset
    EXPECT_EQ(le32(bytes, 14), 40u);
    EXPECT_EQ(le32(bytes, 18), 640u);
    EXPECT_EQ(le32(bytes, 22), 480u);  // positive: bottom row first
    EXPECT_EQ(le16(bytes, 26), 1);
    EXPECT_EQ(le16(bytes, 28), 8);
    EXPECT_EQ(le32(bytes, 30), 0u);  // no compression
    EXPECT_EQ(le32(bytes, 34), 640u * 480u);
    for (std::size_t at : {38u, 42u, 46u, 50u}) EXPECT_EQ(le32(bytes, at), 0u) << at;
    for (std::size_t i = 0; i < 256; ++i) {
        const std::size_t at = 54 + 4 * i;
        EXPECT_EQ(static_cast<unsigned char>(bytes[at]), palette[i].blue);
        EXPECT_EQ(static_cast<unsigned char>(bytes[at + 1]), palette[i].green);
        EXPECT_EQ(static_cast<unsigned char>(bytes[at + 2]), palette[i].red);
        EXPECT_EQ(bytes[at + 3], 0);
    }
    // The first row of the file is the bottom row of the picture.
    const QRgb bottomLeft = screen.pixel(0, 479);
    const auto index = static_cast<unsigned char>(bytes[1078]);
    EXPECT_EQ(qRgb(palette[index].red, palette[index].green, palette[index].blue), bottomLeft);
    EXPECT_TRUE(samePixels(readBack(path), screen));
}

TEST(BitmapFile, RowsArePaddedToFourBytes) {
    test::TempDir dir;
    EXPECT_EQ(bitmapRowSize(641, 8), 644u);
    EXPECT_EQ(bitmapRowSize(641, 24), 1924u);
    EXPECT_EQ(bitmapRowSize(1, 1), 4u);
    QImage screen = gradient(641, 3);
    realizePalette(screen, halftonePalette());
    ASSERT_TRUE(writeBitmapFormA(dir.str() + "/a.bmp", screen, halftonePalette()));
    const std::string a = readFile(dir.str() + "/a.bmp");
    EXPECT_EQ(a.size(), 644u * 3u + 1078u);
    EXPECT_EQ(le32(a, 34), 644u * 3u);
    for (int row = 0; row < 3; ++row)  // the padding bytes are zero
        for (int pad = 641; pad < 644; ++pad) EXPECT_EQ(a[1078 + 644 * row + pad], 0);
    EXPECT_TRUE(samePixels(readBack(dir.str() + "/a.bmp"), screen));

    ASSERT_TRUE(writeBitmapFormB(dir.str() + "/b.bmp", gradient(641, 3)));
    const std::string b = readFile(dir.str() + "/b.bmp");
    EXPECT_EQ(b.size(), 1924u * 3u + 54u);
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le16(b, 28), 24);
    EXPECT_EQ(le32(b, 34), 1924u * 3u);
    EXPECT_TRUE(samePixels(readBack(dir.str() + "/b.bmp"), gradient(641, 3)));
}

TEST(BitmapFile, FormAMapsMissingColoursToTheNearestEntry) {
    test::TempDir dir;
    const std::vector<PaletteEntry> palette = {{0, 0, 0, 0}, {255, 255, 255, 0}, {200, 0, 0, 0}};
    QImage image(4, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(10, 10, 10));
    image.setPixel(1, 0, qRgb(250, 240, 250));
    image.setPixel(2, 0, qRgb(190, 20, 0));
    image.setPixel(3, 0, qRgb(200, 0, 0));
    ASSERT_TRUE(writeBitmapFormA(dir.str() + "/a.bmp", image, palette));
    const std::string bytes = readFile(dir.str() + "/a.bmp");
    EXPECT_EQ(bytes.substr(1078, 4), std::string("\x00\x01\x02\x02", 4));
    EXPECT_FALSE(writeBitmapFormA(dir.str() + "/none.bmp", image, {}));
    EXPECT_FALSE(fs::exists(dir.str() + "/none.bmp"));
}

TEST(BitmapFile, FormBKeepsAnIndexedImageAtEightBits) {
    test::TempDir dir;
    QImage indexed(5, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.fill(1);
    indexed.setPixel(0, 0, 0);
    ASSERT_TRUE(writeBitmapFormB(dir.str() + "/b.bmp", indexed));
    const std::string bytes = readFile(dir.str() + "/b.bmp");
    EXPECT_EQ(le16(bytes, 28), 8);
    EXPECT_EQ(le32(bytes, 10), 1078u);
    EXPECT_EQ(bytes.size(), 1078u + 8u * 2u);
    EXPECT_EQ(bytes.substr(54 + 4, 4), std::string("\x32\x64\xC8\x00", 4));
    EXPECT_TRUE(samePixels(readBack(dir.str() + "/b.bmp"), indexed.convertToFormat(QImage::Format_RGB32)));
}

TEST(BitmapFile, AFailedWriteLeavesNoFile) {
    test::TempDir dir;
    EXPECT_FALSE(writeBitmapFormB(dir.str() + "/missing/b.bmp", gradient(4, 4)));
    EXPECT_FALSE(writeBitmapFormB(dir.str() + "/null.bmp", QImage()));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// A write cut short (the writer killed before its rename) leaves
// "<target>.XXXXXX" behind; the next write to that target removes such files
// when they are old and unlocked, and nothing else.
TEST(BitmapFile, AWriteRemovesTheLeftoversOfWritesCutShortAndNothingElse) {
    struct Row {
        const char* name;
        int ageSeconds;
        bool locked;
        bool removed;
    };
    const Row rows[] = {
        {"OrvantaWallpaper.bmp.Ab12Cd", 120, false, true},       // a killed writer's file
        {"OrvantaWallpaper.bmp.zz90QQ", 3600, false, true},      //
        {"OrvantaWallpaper.bmp.Ef34Gh", 5, false, false},        // young: a writer may have just made it
        {"OrvantaWallpaper.bmp.Ij56Kl", 120, true, false},       // locked: a live writer, stopped
        {"OrvantaWallpaper.bmp.Mn78O", 120, false, false},       // not mkstemp's name
        {"OrvantaWallpaper.bmp.Mn78Op.bak", 120, false, false},  //
        {"OrvantaWallpaper.bmp.Mn-8Op", 120, false, false},      //
        {"ann_OrvantaWall.bmp.Qr90St", 120, false, false},       // another target's
        {"OrvantaWallpaper.bmpXUv12Wx", 120, false, false},      //
    };
    test::TempDir dir;
    std::vector<int> locks;
    for (const Row& row : rows) {
        const std::string path = dir.write(row.name, std::string(1000, 'x'));
        const auto when = fs::file_time_type::clock::now() - std::chrono::seconds(row.ageSeconds);
        fs::last_write_time(path, when);
        if (row.locked) {
            const int fd = ::open(path.c_str(), O_RDONLY);
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another open file description, as another process's
            locks.push_back(fd);
        }
    }
    // Neither a folder nor a link of that name is touched.
    fs::create_directory(dir.path() / "OrvantaWallpaper.bmp.Dir123");
    fs::last_write_time(dir.path() / "OrvantaWallpaper.bmp.Dir123",
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    fs::create_symlink(dir.path() / "OrvantaWallpaper.bmp.Mn78O", dir.path() / "OrvantaWallpaper.bmp.Lnk123");

    ASSERT_TRUE(writeBitmapFormB(dir.str() + "/OrvantaWallpaper.bmp", gradient(8, 8)));
    for (const Row& row : rows) EXPECT_EQ(!fs::exists(dir.path() / row.name), row.removed) << row.name;
    EXPECT_TRUE(fs::is_directory(dir.path() / "OrvantaWallpaper.bmp.Dir123"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "OrvantaWallpaper.bmp.Lnk123"));
    EXPECT_TRUE(samePixels(readBack(dir.str() + "/OrvantaWallpaper.bmp"), gradient(8, 8)));
    for (const int fd : locks) ::close(fd);
}

Settings centredOn(Rgb back) {
    Settings s;
    s.Proportional = false;
    s.centred = true;
    s.BackColor = back;
    return s;
}

WBitmap picture(int w, int h) {
    WBitmap b;
    EXPECT_TRUE(b.create(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 3);
            p[1] = static_cast<std::uint8_t>(y * 4);
            p[2] = 90;
        }
    return b;
}

TEST(EndOfShowWallpaper, TheFileIsTheComposedBackBuffer) {
    test::TempDir dir;
    CRandom random;
    EndOfShowPicture shown;
    shown.wallpaperLast = true;
    shown.pictureComposed = true;
    shown.backBuffer = QImage(320, 200, QImage::Format_RGB32);
    ASSERT_TRUE(composePicture(picture(60, 40), false, centredOn({0, 128, 255}), random, shown.backBuffer));
    const std::string path = saveEndOfShowWallpaper(shown, dir.str() + "/data/orvanta", "ann");
    EXPECT_EQ(path, dir.str() + "/data/orvanta/ann_OrvantaWall.bmp");
    const QImage file = readBack(path);
    EXPECT_TRUE(samePixels(file, shown.backBuffer));
    EXPECT_EQ(file.pixel(0, 0) & 0xFFFFFF, 0x0080FFu);  // the background colour is part of it
    EXPECT_EQ(le16(readFile(path), 28), 24);

    // A palette display writes form A, through the palette the picture was shown with.
    shown.paletteDisplay = true;
    shown.palette = halftonePalette();
    realizePalette(shown.backBuffer, shown.palette);
    saveEndOfShowWallpaper(shown, dir.str() + "/data/orvanta/", "ann");
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.size(), 320u * 200u + 1078u);
    EXPECT_EQ(le32(bytes, 10), 1078u);
    EXPECT_TRUE(samePixels(readBack(path), shown.backBuffer));
}

TEST(EndOfShowWallpaper, NothingIsWrittenWithoutTheSettingOrAPicture) {
    test::TempDir dir;
    EndOfShowPicture shown;
    shown.backBuffer = gradient(8, 8);
    shown.pictureComposed = true;
    EXPECT_EQ(saveEndOfShowWallpaper(shown, dir.str(), "ann"), "");  // WallpaperLast off
    shown.wallpaperLast = true;
    shown.pictureComposed = false;
    EXPECT_EQ(saveEndOfShowWallpaper(shown, dir.str(), "ann"), "");  // no picture shown
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(EndOfShowWallpaper, EachUserHasAFileAndOnlyOurOwnFileIsReplaced) {
    test::TempDir dir;
    EndOfShowPicture shown;
    shown.wallpaperLast = shown.pictureComposed = true;
    shown.backBuffer = gradient(16, 8);
    const std::string ann = saveEndOfShowWallpaper(shown, dir.str(), "ann");
    shown.backBuffer = gradient(8, 16);
    const std::string bob = saveEndOfShowWallpaper(shown, dir.str(), "bob");
    EXPECT_NE(ann, bob);
    EXPECT_EQ(readBack(ann).size(), QSize(16, 8));
    EXPECT_EQ(readBack(bob).size(), QSize(8, 16));
    EXPECT_EQ(endOfShowWallpaperPath("/d", ""), "/d/_OrvantaWall.bmp");

    // An old file of that name that is a link: the link goes, its target stays.
    const std::string keep = dir.write("keep.txt", "mine");
    fs::remove(ann);
    fs::create_symlink(keep, ann);
    saveEndOfShowWallpaper(shown, dir.str(), "ann");
    EXPECT_FALSE(fs::is_symlink(ann));
    EXPECT_EQ(readFile(keep), "mine");
    EXPECT_EQ(readBack(ann).size(), QSize(8, 16));
    // Only the two wallpapers and the kept file: no temporary left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(EndOfShowWallpaper, PaletteOfTheScreenImage) {
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(1, 1, 1));
    image.setPixel(1, 0, qRgb(2, 2, 2));
    image.setPixel(2, 0, qRgb(1, 1, 1));
    const std::vector<PaletteEntry> shown = {{9, 9, 9, 0}, {1, 1, 1, 0}, {2, 2, 2, 0}};
    EXPECT_EQ(wallpaperPalette(image, shown), shown);  // every colour in it
    const std::vector<PaletteEntry> own = {{1, 1, 1, 0}, {2, 2, 2, 0}};
    EXPECT_EQ(wallpaperPalette(image, {{9, 9, 9, 0}}), own);               // its own colours
    EXPECT_EQ(wallpaperPalette(gradient(64, 64), {}), halftonePalette());  // too many of them
}

TEST(ButtonWallpaper, WritesFormBUnderItsOwnName) {
    test::TempDir dir;
    dir.write("OrvantaWallpaper.bmp", "old");
    const std::string path = saveButtonWallpaper(gradient(30, 20), dir.str());
    EXPECT_EQ(path, dir.str() + "/OrvantaWallpaper.bmp");
    EXPECT_TRUE(samePixels(readBack(path), gradient(30, 20)));
}

TEST(WallpaperDirectory, FollowsTheDataHome) {
    test::IsolatedHome home;
    EXPECT_EQ(wallpaperDirectory(), home.dir().str() + "/data/orvanta/");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(wallpaperDirectory(), home.home() + "/.local/share/orvanta/");
    EXPECT_TRUE(makeWallpaperDirectory(wallpaperDirectory()));
    EXPECT_TRUE(fs::is_directory(home.home() + "/.local/share/orvanta"));
    EXPECT_FALSE(currentUserName().empty());
}

TEST(TileWallpaper, StoredUnderTheDesktopKey) {
    test::IsolatedHome home;
    EXPECT_FALSE(tileWallpaper());  // no key yet
    setTileWallpaper(true);
    EXPECT_TRUE(tileWallpaper());
    EXPECT_NE(
        readFile(home.registryFile()).find("[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"TileWallpaper\"=\"1\""),
        std::string::npos);
    setTileWallpaper(false);
    EXPECT_FALSE(tileWallpaper());
}

TEST(RootBackground, TiledFromTheCornerOrCentredOnBlack) {
    QImage tile(3, 2, QImage::Format_RGB32);
    tile.fill(qRgb(10, 20, 30));
    tile.setPixel(0, 0, qRgb(255, 0, 0));
    const QImage tiled = rootBackground(tile, QSize(7, 5), true);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(tiled.pixel(x, y), tile.pixel(x % 3, y % 2)) << x << "," << y;
    const QImage centred = rootBackground(tile, QSize(7, 5), false);
    EXPECT_EQ(centred.pixel(2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(centred.pixel(4, 2), qRgb(10, 20, 30));
    EXPECT_EQ(centred.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(centred.pixel(2, 3), qRgb(0, 0, 0));
    // Larger than the root: cut evenly.
    const QImage cut = rootBackground(gradient(10, 10), QSize(4, 4), false);
    EXPECT_EQ(cut.pixel(0, 0), gradient(10, 10).pixel(3, 3));
    EXPECT_TRUE(rootBackground(QImage(), QSize(4, 4), true).isNull());
}

}  // namespace
}  // namespace orvanta
