#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "base/regularfile.h"
#include "desktop/shelllink.h"
#include "show/decoders/exiforientation.h"
#include "show/decoders/picturefile.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

// A FIFO without a writer blocks a plain open() forever; if any of these
// readers opened it that way the test would hang here.
TEST(RegularFile, SpecialFilesAreRefusedAtOnceByEveryReader) {
    test::TempDir dir;
    for (const char* name : {"x.jpg", "x.png", "x.bmp", "x.lnk"}) {
        const std::string path = dir.str() + "/" + name;
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
        EXPECT_EQ(openRegularFile(path), -1) << path;
        EXPECT_EQ(errno, EINVAL) << path;
        EXPECT_EQ(fopenRegularFile(path), nullptr) << path;

        LoadContext context;
        context.decode.screenWidth = 640;
        context.decode.screenHeight = 480;
        LoadedPicture picture;
        EXPECT_EQ(loadPictureFile(path, context, picture), LoadResult::Failed) << path;
        EXPECT_EQ(readExifOrientation(path), 0) << path;
        std::string target;
        EXPECT_EQ(resolveShortcut(path, target), 0u) << path;
    }
    EXPECT_EQ(openRegularFile(dir.str()), -1);  // a directory
    EXPECT_EQ(openRegularFile("/dev/null"), -1);
    EXPECT_EQ(openRegularFile(dir.str() + "/missing.jpg"), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST(RegularFile, ReadsRegularFilesAndSymbolicLinksToThem) {
    test::TempDir dir;
    const std::string path = dir.write("a.txt", "hello");
    const std::string link = dir.str() + "/link.txt";
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    for (const std::string& p : {path, link}) {
        std::FILE* file = fopenRegularFile(p);
        ASSERT_NE(file, nullptr) << p;
        char buffer[16] = {};
        EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, file), 5u);
        EXPECT_STREQ(buffer, "hello");
        std::fclose(file);
    }
}

}  // namespace
}  // namespace orvanta
