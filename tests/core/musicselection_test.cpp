// The Music Selection page's logic: music files of a folder, the breadth-first
// subdirectory walk, and the CD track list over a scripted drive.
#include "music/musicselection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "tests/core/support/testenv.h"

using namespace orvanta;
using orvanta::test::TempDir;
namespace fs = std::filesystem;

namespace {

std::size_t depthBelow(const std::string& top, const std::string& path) {
    const std::string rest = path.substr(top.size());
    return static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '/'));
}

class ScriptedDrive : public CdDrive {
public:
    std::map<std::string, std::optional<int>> audioDiscs;  // drive -> its track count
    bool holdsAudioCd(const std::string& drive) override { return audioDiscs.count(drive) > 0; }
    std::optional<int> trackCount(const std::string& drive) override {
        const auto it = audioDiscs.find(drive);
        return it == audioDiscs.end() ? std::nullopt : it->second;
    }
};

}  // namespace

TEST(MusicSelection, MusicFilesOfAFolderInAnyLetterCase) {
    TempDir dir;
    for (const char* name : {"a.MP3", "b.wav", "c.txt", "d.Midi", "e.rmi", "f.WMA", "g.mid", "h.mp3.lnk", "noext"})
        dir.write(std::string("music/") + name, "x");
    fs::create_directories(dir.path() / "music/sub");
    dir.write("music/sub/deeper.mp3", "x");
    std::vector<std::string> names = musicFileNames(dir.str() + "/music");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.MP3", "b.wav", "d.Midi", "e.rmi", "f.WMA", "g.mid"}));
    EXPECT_EQ(musicFileCount(dir.str() + "/music"), 6);
    EXPECT_EQ(musicFileCount("  " + dir.str() + "/music/  "), 6);  // the stored text may carry blanks
    EXPECT_EQ(musicFileCount(dir.str() + "/missing"), 0);
    EXPECT_TRUE(musicFileNames(dir.str() + "/missing").empty());
    EXPECT_EQ(musicFilePath(" /music/calm ", "a.mp3"), "/music/calm/a.mp3");
    EXPECT_EQ(musicFilePath("/", "a.mp3"), "/a.mp3");
    EXPECT_EQ(musicFileCountText(6), "Selected directory has 6 music files.");
    EXPECT_EQ(musicFileCountText(0), "Selected directory has 0 music files.");
}

TEST(MusicSelection, SubdirectoriesComeBreadthFirstOnceEachWithTrashAndLinks) {
    TempDir dir;
    const std::string top = dir.str() + "/top";
    for (const char* d : {"a/a1/deep", "a/a2", "b/b1", "c", ".Trash-1000/files", "$RECYCLE.BIN"})
        fs::create_directories(top + "/" + d);
    dir.write("top/a/file.mp3", "x");
    fs::create_directory_symlink(top, top + "/b/loop");        // back to the top: never entered
    fs::create_directory_symlink(top + "/a", top + "/c/toA");  // a seen already: not listed again
    fs::create_directory_symlink(top + "/missing", top + "/c/dangling");
    const SubdirectoryWalk walk = musicSubdirectories(top, {});
    EXPECT_FALSE(walk.ended);
    const std::set<std::string> got(walk.directories.begin(), walk.directories.end());
    EXPECT_EQ(got.size(), walk.directories.size());
    const std::set<std::string> expected{top + "/a",           top + "/b",           top + "/c",
                                         top + "/a/a1",        top + "/a/a2",        top + "/b/b1",
                                         top + "/a/a1/deep",   top + "/.Trash-1000", top + "/.Trash-1000/files",
                                         top + "/$RECYCLE.BIN"};
    EXPECT_EQ(got, expected);
    for (std::size_t i = 1; i < walk.directories.size(); ++i)
        EXPECT_LE(depthBelow(top, walk.directories[i - 1]), depthBelow(top, walk.directories[i]))
            << walk.directories[i - 1] << " before " << walk.directories[i];
    // A start path with a trailing slash gives the same paths, without doubled slashes.
    const SubdirectoryWalk again = musicSubdirectories(top + "/", {});
    EXPECT_EQ(std::set<std::string>(again.directories.begin(), again.directories.end()), expected);
    EXPECT_TRUE(musicSubdirectories(dir.str() + "/missing", {}).directories.empty());
    EXPECT_TRUE(musicSubdirectories(dir.write("plain.mp3", "x"), {}).directories.empty());
}

TEST(MusicSelection, MoreThanFiveThousandSubdirectoriesAreAllAdded) {
    // Thousands of folders are made and removed in memory where the machine
    // has a memory file system: removing them from some disks takes seconds.
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string saved = savedTmp ? savedTmp : "";
    if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
    TempDir dir;
    if (savedTmp) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
    const std::string top = dir.str() + "/many";
    for (int i = 0; i < 5200; ++i) fs::create_directories(top + "/d" + std::to_string(i));
    fs::create_directories(top + "/d5199/inner");
    const SubdirectoryWalk walk = musicSubdirectories(top, {});
    ASSERT_EQ(walk.directories.size(), 5201u);
    EXPECT_EQ(walk.directories.back(), top + "/d5199/inner");
}

TEST(MusicSelection, TheWalkStopsWhenThePumpReportsTheEnd) {
    TempDir dir;
    const std::string top = dir.str() + "/top";
    for (const char* d : {"a/x/y", "b/z"}) fs::create_directories(top + "/" + d);
    int pumps = 0;
    const SubdirectoryWalk walk = musicSubdirectories(top, [&] { return ++pumps == 2; });
    EXPECT_TRUE(walk.ended);
    EXPECT_EQ(pumps, 2);
    // The top's listing and one more were taken: a and b, and the child of the first.
    EXPECT_EQ(walk.directories.size(), 3u);
}

TEST(MusicSelection, CdTrackListFromTheDrive) {
    ScriptedDrive drive;
    drive.audioDiscs["/dev/sr0"] = 3;
    drive.audioDiscs["/dev/sr1"] = std::nullopt;  // audio, but its contents cannot be read
    const CdTrackList three = readCdTrackList(drive, "/dev/sr0");
    EXPECT_TRUE(three.usable);
    EXPECT_EQ(three.trackCount, 3);
    EXPECT_EQ(three.items, (std::vector<std::string>{"Track 1", "Track 2", "Track 3"}));
    EXPECT_EQ(three.status, "Selected CD has 3 audio tracks.");
    for (const char* unusable : {"/dev/sr1", "/dev/sr9", ""}) {
        const CdTrackList none = readCdTrackList(drive, unusable);
        EXPECT_FALSE(none.usable);
        EXPECT_EQ(none.trackCount, 0);
        EXPECT_TRUE(none.items.empty());
        EXPECT_EQ(none.status, "No CD in drive or no audio tracks.");
    }
}
