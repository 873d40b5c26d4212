#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <new>
#include <random>
#include <set>

#include "catalogue/picturecatalogue.h"
#include "catalogue/pictureorder.h"
#include "catalogue/shortcutresolver.h"
#include "desktop/shelllink.h"
#include "settings/settingsstore.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

void setTime(const std::string& path, std::int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                               {static_cast<time_t>(seconds), nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class Catalogue : public ::testing::Test {
protected:
    Catalogue() {
        settings.Randomize = false;
        settings.Splash = true;
        rng.seed(4357);
    }

    std::string dir(const std::string& relative) const {
        fs::create_directories(tmp.path() / relative);
        return (tmp.path() / relative).string();
    }
    std::string file(const std::string& relative) const { return tmp.write(relative, ""); }

    // Chooses directories, in use, as the settings load leaves them in the record.
    void choose(const std::vector<std::string>& dirs) {
        for (const std::string& d : dirs) chosen.push_back({d, true});
    }

    // A build as at the start of a show, from freshly loaded entries (a build
    // replaces the record's entries with the directories it used).
    BuildResult build() {
        settings.imageDirs = chosen;
        settings.Count = static_cast<int>(chosen.size());
        return catalogue.buildPictureList(settings, hooks);
    }

    // The picture list relative to the temporary folder.
    std::vector<std::string> list() const {
        std::vector<std::string> out;
        const std::string root = tmp.str() + "/";
        for (const WFilePath& p : catalogue.pictures())
            out.push_back(p.path().rfind(root, 0) == 0 ? p.path().substr(root.size()) : p.path());
        return out;
    }
    std::vector<std::string> sortedList() const {
        std::vector<std::string> out = list();
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<std::string> directoriesRelative() const {
        std::vector<std::string> out;
        for (const std::string& d : catalogue.directories()) out.push_back(d.substr(tmp.str().size()));
        return out;
    }

    TempDir tmp;
    Mt19937 rng;
    PictureCatalogue catalogue{rng};
    Settings settings;
    std::vector<DirectoryEntry> chosen;
    BuildHooks hooks;
};

// A settings key in memory.
class MemoryKey : public SettingsKey {
public:
    std::map<std::string, std::string> values;
    bool valueExists(const std::string& name) const override { return values.count(name) != 0; }
    std::string readString(const std::string& name) const override {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    void writeString(const std::string& name, const std::string& value) override { values[name] = value; }
};

using Strings = std::vector<std::string>;

// ---------------------------------------------------------------- naming and order

TEST(PictureOrder, PathComparisonFoldsOnlyCapitalsAndComparesUnsignedBytes) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"_c.bmp", "A.png", -1},  // '_' (95) before any letter
        {"A.png", "b.jpg", -1},   // A folds to a
        {"ABC", "abc", 0},
        {"[x", "Zz", -1},               // '[' (91) before 'z' once Z is folded
        {"z.jpg", "~.jpg", -1},         // 126 after the letters
        {"z.jpg", "\xc3\xa9.jpg", -1},  // UTF-8 bytes above 127 after the letters
        {"/p/a", "/p/a.jpg", -1},       // a prefix first
        {"", "a", -1},
        // The separator sorts as a backslash: after the digits and capitals,
        // before '_' and the lower-case letters, just after a real backslash.
        {"/d/2003/img.bmp", "/d/20031225.bmp", 1},
        {"/d/2003/img.bmp", "/d/2003.jpg", 1},
        {"/d/2003/img.bmp", "/d/2003_b.jpg", -1},
        {"/d/2003/img.bmp", "/d/2003a.jpg", -1},
        {"/d/2003/img.bmp", "/d/2003Z.jpg", -1},
        {"/d/a/x", "/d/a[x", 1},   // '[' (91) before the separator
        {"/d/a/x", "/d/a\\x", 1},  // a backslash in a name stays apart from the separator
    };
    for (const Case& c : cases) {
        const int r = comparePicturePaths(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
        const int back = comparePicturePaths(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
    }
}

// The keyed sort of the picture list gives exactly the order of the path
// comparison (equal paths by their bytes), on paths that share long leading
// parts, differ in case only, are prefixes of one another, end within or
// after the key, and hold separators, backslashes and bytes above 127.
TEST(PictureOrder, KeyedSortOfTheListFollowsThePathComparison) {
    std::mt19937 gen(2024);
    const std::string alphabet = "aAbB019_/.\\~[z\xc3\xa9-";
    for (int round = 0; round < 42; ++round) {
        // The last rounds are long enough for the radix sort of long runs.
        const int n = round < 40 ? 1 + static_cast<int>(gen() % 300) : 5000 + static_cast<int>(gen() % 15000);
        const std::string common = round % 3 == 0 ? "" : "/photos/2003/summer/";
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i) {
            std::string p = common;
            if (i > 0 && gen() % 4 == 0) p = paths[gen() % paths.size()];  // a prefix or a copy of another
            const int extra = static_cast<int>(gen() % 14);
            for (int k = 0; k < extra; ++k) p += alphabet[gen() % alphabet.size()];
            paths.push_back(p);
        }
        WSortableVector<WFilePath> list;
        list.reserve(paths.size());
        for (const std::string& p : paths) list.append(WFilePath(p));
        sortPicturePaths(list);
        std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
            const int c = comparePicturePaths(a, b);
            return c != 0 ? c < 0 : a < b;
        });
        ASSERT_EQ(list.size(), paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i)
            ASSERT_EQ(list[i].path(), paths[i]) << "round " << round << ", " << i;
    }
}

TEST(PictureOrder, ExtensionsDecideWhatIsAPicture) {
    struct Case {
        const char* name;
        EntryKind kind;
    };
    const Case cases[] = {
        {"a.jpg", EntryKind::Picture},   {"a.JPEG", EntryKind::Picture},    {"a.Jpe", EntryKind::Picture},
        {"a.jif", EntryKind::Picture},   {"a.BMP", EntryKind::Picture},     {"a.png", EntryKind::Picture},
        {"a.b.png", EntryKind::Picture}, {"a.LNK", EntryKind::Shortcut},    {"a.gif", EntryKind::Picture},
        {"a.jpg.txt", EntryKind::Other}, {"jpg", EntryKind::Other},         {".jpg", EntryKind::Other},
        {"a.jpegs", EntryKind::Other},   {"/d.jpg/name", EntryKind::Other}, {"/d/x.jpg", EntryKind::Picture},
        {"a.HEIC", EntryKind::Picture},  {"a.heif", EntryKind::Picture},    {"a.Avif", EntryKind::Picture},
        {"a.WebP", EntryKind::Picture},  {"a.tif", EntryKind::Picture},     {"a.TIFF", EntryKind::Picture},
        {"a.jxl", EntryKind::Picture},   {"a.CR2", EntryKind::Picture},     {"a.cr3", EntryKind::Picture},
        {"a.NEF", EntryKind::Picture},   {"a.arw", EntryKind::Picture},     {"a.ORF", EntryKind::Picture},
        {"a.Rw2", EntryKind::Picture},   {"a.dng", EntryKind::Picture},     {"a.RAF", EntryKind::Picture},
        {"a.tiffs", EntryKind::Other},   {"a.heics", EntryKind::Other},     {"a.raw", EntryKind::Other},
    };
    for (const Case& c : cases) EXPECT_EQ(entryKind(c.name), c.kind) << c.name;
    EXPECT_EQ(lowerExtension("/A.B/Photo.JpEg"), ".jpeg");
    EXPECT_EQ(lowerExtension("/A.B/Photo"), "");
}

TEST_F(Catalogue, AlphaSortOrdersByFoldedBytes) {
    const std::string d = dir("pics");
    for (const char* n : {"b.jpg", "A.png", "_c.bmp", "~t.JPE", "notes.txt", "noext", "x.xcf"})
        file("pics/" + std::string(n));
    choose({d});
    settings.AlphaSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list(), (Strings{"pics/_c.bmp", "pics/A.png", "pics/b.jpg", "pics/~t.JPE"}));
    EXPECT_EQ(catalogue.pictures().capacity(), 4u);  // allocated once at the counted size
    EXPECT_TRUE(catalogue.order().empty());          // no order array in list order
}

// Dated files beside dated subfolders keep their long-standing order: a
// folder sorts after the files whose names continue its name with a digit or
// a dot, before those that continue it with "_" or a letter.
TEST_F(Catalogue, AlphaSortPutsASubfolderAfterTheDatedFilesItPrefixes) {
    for (const char* n :
         {"2003/img.bmp", "20031225.bmp", "2003.jpg", "2003_b.jpg", "2003A.jpg", "2003/sub/z.png", "2004.jpg"})
        file("dated/" + std::string(n));
    choose({tmp.str() + "/dated"});
    settings.AutoSubDir = true;
    settings.AlphaSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list(), (Strings{"dated/2003.jpg", "dated/20031225.bmp", "dated/2003/img.bmp", "dated/2003/sub/z.png",
                               "dated/2003_b.jpg", "dated/2003A.jpg", "dated/2004.jpg"}));
    EXPECT_EQ(directoriesRelative(), (Strings{"/dated", "/dated/2003", "/dated/2003/sub"}));
}

struct DateCase {
    bool alpha, reverse;
    Strings expected;
};

class DateOrder : public Catalogue, public ::testing::WithParamInterface<DateCase> {};

// The names sort the other way round from the times, and two files differ in
// their nanoseconds only.
TEST_P(DateOrder, LastWriteTimeDecidesAndReplacesTheNameOrder) {
    const std::string d = dir("d");
    setTime(file("d/a.jpg"), 1700000000, 900);
    setTime(file("d/b.jpg"), 1700000000, 100);
    setTime(file("d/c.jpg"), 1600000000, 0);
    choose({d});
    settings.DateSort = true;
    settings.AlphaSort = GetParam().alpha;
    settings.DateRevSort = GetParam().reverse;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DateOrder,
                         ::testing::Values(DateCase{false, false, {"d/c.jpg", "d/b.jpg", "d/a.jpg"}},
                                           DateCase{false, true, {"d/a.jpg", "d/b.jpg", "d/c.jpg"}},
                                           DateCase{true, false, {"d/c.jpg", "d/b.jpg", "d/a.jpg"}},
                                           DateCase{true, true, {"d/a.jpg", "d/b.jpg", "d/c.jpg"}}));

// ---------------------------------------------------------------- resume

struct ResumeCase {
    const char* lastImage;  // relative to the folder, or absolute when it starts with '/'
    bool randomize, alphaMemory;
    int firstIndex;
};

class Resume : public Catalogue, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(Resume, ShowStartsAfterThePictureShownLast) {
    const std::string d = dir("r");
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) file("r/" + std::string(n));
    choose({d});
    settings.AlphaSort = true;
    settings.Randomize = GetParam().randomize;
    settings.AlphaMemory = GetParam().alphaMemory;
    const std::string last = GetParam().lastImage;
    settings.LastImage = last.empty() || last[0] == '/' ? last : tmp.str() + "/" + last;
    ASSERT_EQ(build(), BuildResult::Ready);
    if (GetParam().randomize) {
        EXPECT_EQ(catalogue.position(), 0);
        return;
    }
    EXPECT_EQ(catalogue.nextPicturePosition(), GetParam().firstIndex);
}

INSTANTIATE_TEST_SUITE_P(Cases, Resume,
                         ::testing::Values(ResumeCase{"r/a.jpg", false, true, 1},
                                           ResumeCase{"r/c.jpg", false, true, 0},  // last entry wraps to the first
                                           ResumeCase{"r/zz.jpg", false, true, 0},
                                           ResumeCase{"r/B.JPG", false, true, 0},  // another file on this system
                                           ResumeCase{"", false, true, 0}, ResumeCase{"r/a.jpg", false, false, 0},
                                           ResumeCase{"r/a.jpg", true, true, -1}));

// ---------------------------------------------------------------- directories

// The directory entries as the settings file stores them, read by the settings
// load and used by the build, as at the start of a show.
TEST_F(Catalogue, DirectoryEntriesNeedAPathThatExistsAndAnInUseFlag) {
    const std::string a = dir("a"), b = dir("b"), c = dir("c"), e = dir("e"), f = dir("f");
    file("a/1.jpg");
    file("b/2.jpg");
    file("c/3.jpg");
    file("e/5.jpg");
    file("f/6.jpg");
    MemoryKey key;
    key.values = {{"Count", "6"},
                  {"Randomize", "0"},
                  {"AlphaSort", "1"},
                  {"ImageDir0", a},
                  {"DirSet0", "1"},
                  {"ImageDir1", b},  // DirSet1 absent: reads 0
                  {"DirSet2", "1"},  // ImageDir2 absent
                  {"ImageDir3", tmp.str() + "/gone"},
                  {"DirSet3", "1"},
                  {"ImageDir4", c},
                  {"DirSet4", " 7x"},
                  {"ImageDir5", f},
                  {"DirSet5", "0"},
                  {"ImageDir6", e},
                  {"DirSet6", "1"}};  // beyond Count
    LoadSettingsContext context;
    context.favouritesDefault = tmp.str() + "/favourites";
    Settings loaded;
    loadSettingsFromKey(loaded, key, context);
    ASSERT_EQ(catalogue.buildPictureList(loaded, hooks), BuildResult::Ready);
    EXPECT_EQ(catalogue.directories().size(), 2u);
    EXPECT_EQ(list(), (Strings{"a/1.jpg", "c/3.jpg"}));
    ASSERT_EQ(catalogue.directories().size(), 2u);
    EXPECT_EQ(catalogue.directories()[1], c);
}

TEST_F(Catalogue, NothingToShowIsAnEmptyUnshuffledList) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"no directory", [] {}},
        {"a directory that vanished", [&] { choose({tmp.str() + "/vanished"}); }},
        {"only files that are not pictures",
         [&] {
             file("t/readme.txt");
             choose({tmp.str() + "/t"});
         }},
        {"an empty folder", [&] { choose({dir("empty")}); }},
    };
    for (const Case& c : cases) {
        settings = Settings();
        chosen.clear();
        settings.Splash = settings.Randomize = true;
        c.arrange();
        EXPECT_EQ(build(), BuildResult::NoPictures) << c.what;
        EXPECT_TRUE(catalogue.noPictures()) << c.what;
        EXPECT_FALSE(catalogue.randomized()) << c.what;
        EXPECT_EQ(catalogue.nextPicturePosition(), -1) << c.what;
    }
}

TEST_F(Catalogue, ADirectoryNamedLikeAPictureCounts) {
    dir("p/folder.jpg");
    file("p/real.png");
    choose({tmp.str() + "/p"});
    settings.AlphaSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list(), (Strings{"p/folder.jpg", "p/real.png"}));
}

// A camera's RAW file beside its own JPEG is listed once, as the JPEG; a RAW
// alone, or beside a picture of another name, is listed.
TEST_F(Catalogue, RawBesideAPictureOfTheSameNameIsLeftOut) {
    for (const char* n : {"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.nef", "IMG_0003.DNG", "img_0003.heic",
                          "IMG_0004.ARW", "IMG_0004.txt", "IMG_0005.RAF", "IMG_0005.cr2"})
        file("p/" + std::string(n));
    choose({dir("p")});
    settings.AlphaSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list(), (Strings{"p/IMG_0001.JPG", "p/IMG_0002.nef", "p/img_0003.heic", "p/IMG_0004.ARW",
                               "p/IMG_0005.cr2", "p/IMG_0005.RAF"}));
    // A JPEG written beside a RAW later is seen by the next build.
    file("p/IMG_0002.jpeg");
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list().size(), 6u);
    EXPECT_EQ(list()[1], "p/IMG_0002.jpeg");
}

struct DuplicateCase {
    bool autoSubDir;
    bool sameTwice;  // else "Pics" and "pics"
    Strings expected;
};

class Duplicates : public Catalogue, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(Duplicates, SameDirectoryTwice) {
    file("Pics/x.jpg");
    file("pics/y.jpg");
    const std::string upper = tmp.str() + "/Pics", lower = tmp.str() + "/pics";
    choose(GetParam().sameTwice ? Strings{upper, upper} : Strings{upper, lower});
    settings.AutoSubDir = GetParam().autoSubDir;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(sortedList(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Duplicates,
                         ::testing::Values(DuplicateCase{true, true, {"Pics/x.jpg"}},
                                           DuplicateCase{false, true, {"Pics/x.jpg", "Pics/x.jpg"}},
                                           DuplicateCase{true, false, {"Pics/x.jpg", "pics/y.jpg"}},
                                           DuplicateCase{false, false, {"Pics/x.jpg", "pics/y.jpg"}}));

// ---------------------------------------------------------------- subdirectories

TEST_F(Catalogue, SubdirectoriesAreAddedSortedAndOnce) {
    file("one/A/B/deep.jpg");
    file("one/A/a.jpg");
    file("one/top.jpg");
    file("two/t.png");
    dir("one/C");
    choose({tmp.str() + "/one", tmp.str() + "/two", tmp.str() + "/one/A"});
    settings.AutoSubDir = true;
    settings.AlphaSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(directoriesRelative(), (Strings{"/one", "/one/A", "/one/A/B", "/one/C", "/two"}));
    EXPECT_EQ(catalogue.directories().size(), 5u);
    EXPECT_EQ(list(), (Strings{"one/A/a.jpg", "one/A/B/deep.jpg", "one/top.jpg", "two/t.png"}));
}

TEST_F(Catalogue, ExpansionIsDepthFirstEachDirectoryBeforeItsChildren) {
    dir("r/x/x1/x11");
    dir("r/x/x2");
    dir("r/y/y1");
    dir("s");
    const Strings got = expandSubdirectories({tmp.str() + "/r", tmp.str() + "/s"});
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got.front(), tmp.str() + "/r");
    EXPECT_EQ(got.back(), tmp.str() + "/s");
    // Every directory's subtree follows it without a gap.
    for (std::size_t i = 0; i < got.size(); ++i) {
        std::size_t j = i + 1;
        while (j < got.size() && got[j].rfind(got[i] + "/", 0) == 0) ++j;
        for (std::size_t k = j; k < got.size(); ++k)
            EXPECT_NE(got[k].rfind(got[i] + "/", 0), 0u) << got[k] << " is apart from its parent " << got[i];
    }
}

TEST_F(Catalogue, ExpansionStopsAtTheCap) {
    for (int i = 0; i < 8; ++i) dir("cap/d" + std::to_string(i) + "/sub");
    const Strings got = expandSubdirectories({tmp.str() + "/cap", tmp.str() + "/cap/d0"}, 5);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got.front(), tmp.str() + "/cap");

    choose({tmp.str() + "/cap"});
    settings.AutoSubDir = true;
    file("cap/p.jpg");
    hooks.maxExpandedDirectories = 3;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(catalogue.directories().size(), 3u);
}

// Ten thousand directories are made and removed in memory: on a journalled
// disk the removal alone can take most of a minute.
TEST(CatalogueCap, TenThousandDirectoriesAtMost) {
    std::string pattern = "/dev/shm/orvanta-cap-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) GTEST_SKIP() << "no writable /dev/shm for the full-size tree, skipped";
    const std::string root = pattern;
    for (int i = 0; i < kMaxPictureDirs + 20; ++i) ASSERT_EQ(mkdir((root + "/" + std::to_string(i)).c_str(), 0755), 0);
    const std::size_t got = expandSubdirectories({root}).size();
    std::error_code ec;
    fs::remove_all(root, ec);
    EXPECT_EQ(got, static_cast<std::size_t>(kMaxPictureDirs));
}

TEST_F(Catalogue, RecycleAndTrashFoldersAreNotEnteredButUsedWhenChosen) {
    for (const char* d : {"$RECYCLE.BIN", "$Recycle.Bin", ".Trash", ".Trash-1000", ".Trash-abc", ".trash", "keep"})
        file("root/" + std::string(d) + "/x.jpg");
    choose({tmp.str() + "/root"});
    settings.AutoSubDir = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(sortedList(), (Strings{"root/.Trash-abc/x.jpg", "root/.trash/x.jpg", "root/keep/x.jpg"}));

    chosen.clear();
    choose({tmp.str() + "/root/$Recycle.Bin", tmp.str() + "/root/.Trash-1000"});
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(sortedList(), (Strings{"root/$Recycle.Bin/x.jpg", "root/.Trash-1000/x.jpg"}));
}

TEST_F(Catalogue, LinkedDirectoriesAreFollowedButALoopAddsNothing) {
    file("loop/a.jpg");
    file("loop/sub/b.jpg");
    file("elsewhere/c.jpg");
    ASSERT_EQ(symlink("..", (tmp.str() + "/loop/sub/up").c_str()), 0);
    ASSERT_EQ(symlink(".", (tmp.str() + "/loop/self").c_str()), 0);
    ASSERT_EQ(symlink((tmp.str() + "/elsewhere").c_str(), (tmp.str() + "/loop/out").c_str()), 0);
    ASSERT_EQ(symlink((tmp.str() + "/nowhere").c_str(), (tmp.str() + "/loop/dangling").c_str()), 0);
    choose({tmp.str() + "/loop"});
    settings.AutoSubDir = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(directoriesRelative(), (Strings{"/loop", "/loop/out", "/loop/sub"}));
    EXPECT_EQ(sortedList(), (Strings{"loop/a.jpg", "loop/out/c.jpg", "loop/sub/b.jpg"}));
}

// ---------------------------------------------------------------- shortcuts

TEST_F(Catalogue, ShortcutsContributeTheirPictureTargets) {
    const std::string target = file("other/far.png");
    const std::string text = file("other/readme.txt");
    const std::string d = dir("s");
    setTime(file("s/a.jpg"), 2000, 0);
    setTime(file("s/z.jpg"), 1000, 0);
    setTime(file("s/to-picture.lnk"), 1500, 0);  // far.png itself is the newest file
    file("s/to-text.lnk");
    file("s/broken.lnk");
    const std::map<std::string, std::string> links = {{d + "/to-picture.lnk", target}, {d + "/to-text.lnk", text}};
    hooks.resolveShortcut = [&](const std::string& link) {
        const auto it = links.find(link);
        return it == links.end() ? std::string() : it->second;
    };
    choose({d});
    settings.DateSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list(), (Strings{"s/z.jpg", "other/far.png", "s/a.jpg"}));
}

TEST_F(Catalogue, RealShortcutFilesResolveThroughTheLinkReader) {
    const std::string picture = file("far/away.JPG");
    const std::string text = file("far/notes.txt");
    const std::string d = dir("links");
    ASSERT_EQ(createShortcut(picture, d + "/pic.lnk", "a picture"), 0);
    ASSERT_EQ(createShortcut(text, d + "/text.LNK", "a text"), 0);
    tmp.write("links/garbage.lnk", "not a shell link at all");
    file("links/own.png");
    hooks.resolveShortcut = shellShortcutResolver();
    choose({d});
    settings.AlphaSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(list(), (Strings{"far/away.JPG", "links/own.png"}));
}

// ---------------------------------------------------------------- build stops

TEST_F(Catalogue, PumpEndingTheShowStopsTheBuild) {
    for (int i = 0; i < 6; ++i) file("a/" + std::to_string(i) + ".jpg");
    file("a/sub/x.jpg");
    file("b/y.jpg");
    choose({tmp.str() + "/a", tmp.str() + "/b"});
    settings.AutoSubDir = true;
    int calls = 0;
    hooks.pumpEvents = [&] { return ++calls > 1000000; };
    ASSERT_EQ(build(), BuildResult::Ready);
    const int total = calls;
    ASSERT_GT(total, 9);  // between entries, per directory and per picture
    for (int endAt = 1; endAt <= total; ++endAt) {
        calls = 0;
        hooks.pumpEvents = [&] { return ++calls >= endAt; };
        EXPECT_EQ(build(), BuildResult::Ended) << "ended at call " << endAt;
        EXPECT_EQ(calls, endAt) << "the build went on after the show ended";
        EXPECT_TRUE(catalogue.pictures().empty());
        EXPECT_EQ(catalogue.nextPicturePosition(), -1);
    }
}

// The show's pump for the build: the event loop at most once per interval,
// the ended flag on every call.
TEST(ThrottledPump, RunsEventsOncePerIntervalAndSeesTheEndAlways) {
    int pumps = 0;
    bool endedFlag = false;
    PumpEvents everyHour = throttledPump([&] { return ++pumps, endedFlag; }, [&] { return endedFlag; },
                                         std::chrono::hours(1));
    EXPECT_FALSE(everyHour());
    for (int i = 0; i < 1000; ++i) EXPECT_FALSE(everyHour());
    EXPECT_EQ(pumps, 1);
    endedFlag = true;
    EXPECT_TRUE(everyHour());
    EXPECT_EQ(pumps, 1);

    pumps = 0;
    endedFlag = false;
    PumpEvents always = throttledPump([&] { return ++pumps, endedFlag; }, [&] { return endedFlag; },
                                      std::chrono::microseconds(0));
    for (int i = 0; i < 10; ++i) always();
    EXPECT_EQ(pumps, 10);
}

TEST_F(Catalogue, PicturesAddedAfterTheCountAreLeftOut) {
    file("a/1.jpg");
    file("a/2.jpg");
    file("b/3.jpg");
    choose({tmp.str() + "/a", tmp.str() + "/b"});
    int calls = 0;
    hooks.pumpEvents = [&] {
        if (++calls == 3) file("a/new.jpg");  // the count is in b by now
        return false;
    };
    ASSERT_EQ(build(), BuildResult::Ready);
    EXPECT_EQ(catalogue.length(), 3);
    EXPECT_EQ(catalogue.pictures().capacity(), 3u);
    const Strings got = list();
    EXPECT_EQ(std::count(got.begin(), got.end(), "b/3.jpg"), 0);
}

TEST_F(Catalogue, PicturesRemovedAfterTheCountShortenTheList) {
    const std::string only = file("a/1.jpg");
    choose({tmp.str() + "/a"});
    settings.Randomize = true;
    hooks.pumpEvents = [&] {
        fs::remove(only);
        return false;
    };
    EXPECT_EQ(build(), BuildResult::NoPictures);
    EXPECT_EQ(catalogue.nextPicturePosition(), -1);
}

TEST_F(Catalogue, AllocationFailureIsReportedNotThrown) {
    file("m/a.lnk");
    file("m/b.jpg");
    choose({tmp.str() + "/m"});
    hooks.resolveShortcut = [](const std::string&) -> std::string { throw std::bad_alloc(); };
    EXPECT_EQ(build(), BuildResult::MemoryError);
    EXPECT_TRUE(catalogue.pictures().empty());
    EXPECT_EQ(std::string(kMemoryErrorText), "Unable to allocate sufficient memory.  Probably too many pictures.");
}

// ---------------------------------------------------------------- show order

TEST_F(Catalogue, ListOrderWrapsAndStepsBack) {
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) file("o/" + std::string(n));
    choose({tmp.str() + "/o"});
    settings.AlphaSort = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    std::vector<int> shown;
    for (int i = 0; i < 7; ++i) {
        shown.push_back(catalogue.nextPicturePosition());
        catalogue.advance();
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    struct Back {
        int from, to;
    };
    for (const Back b : {Back{1, 2}, Back{0, 1}, Back{2, 0}, Back{3, 1}}) {
        catalogue.setPosition(b.from);
        catalogue.stepBack();
        EXPECT_EQ(catalogue.position(), b.to) << "from " << b.from;
    }
}

TEST_F(Catalogue, StepBackWithOnePictureStaysOnIt) {
    file("one/a.jpg");
    choose({tmp.str() + "/one"});
    ASSERT_EQ(build(), BuildResult::Ready);
    for (int from : {0, 1}) {
        catalogue.setPosition(from);
        catalogue.stepBack();
        EXPECT_EQ(catalogue.position(), 0);
        EXPECT_EQ(catalogue.nextPicturePosition(), 0);
    }
}

TEST_F(Catalogue, PreviewAlwaysShowsItsOnePicture) {
    catalogue.usePreview("/some/last.jpg");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(catalogue.nextPicturePosition(), 0);
        catalogue.advance();
    }
    EXPECT_EQ(catalogue.pictures()[0].path(), "/some/last.jpg");
}

class RandomCycles : public Catalogue, public ::testing::WithParamInterface<int> {};

// Over many cycles: each shuffle is a permutation, a cycle never opens with
// the picture that closed the previous one, and when the shuffle put it
// first, the last slot's picture is shown there instead.
TEST_P(RandomCycles, NoPictureRepeatsAcrossACycleBoundary) {
    const int n = GetParam();
    for (int i = 0; i < n; ++i) file("rnd/" + std::to_string(i) + ".jpg");
    choose({tmp.str() + "/rnd"});
    settings.Randomize = true;
    ASSERT_EQ(build(), BuildResult::Ready);
    ASSERT_EQ(catalogue.order().size(), static_cast<std::size_t>(n));
    int previousLast = -1, collisions = 0;
    for (int cycle = 0; cycle < 200; ++cycle) {
        std::vector<int> shown;
        for (int p = 0; p < n; ++p) {
            shown.push_back(catalogue.nextPicturePosition());
            catalogue.advance();
        }
        const std::vector<int>& order = catalogue.order();
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        for (int k = 0; k < n; ++k) ASSERT_EQ(sorted[static_cast<std::size_t>(k)], k);
        const bool collided = cycle > 0 && order[0] == previousLast;
        if (n > 1) {
            ASSERT_NE(shown[0], previousLast) << "cycle " << cycle;
        }
        if (collided) {
            ++collisions;
            ASSERT_EQ(shown[0], order[static_cast<std::size_t>(n - 1)]);
            ASSERT_EQ(order[0], previousLast);  // the array is not changed
        }
        for (int p = 1; p < n; ++p) ASSERT_EQ(shown[static_cast<std::size_t>(p)], order[static_cast<std::size_t>(p)]);
        if (n == 1) {
            ASSERT_EQ(shown, std::vector<int>{0});
        }
        previousLast = shown.back();
        ASSERT_EQ(catalogue.lastOfPreviousCycle(), previousLast);
    }
    if (n == 2) {
        // Two swap passes around a reversal leave two entries always as [1, 0]
        // (unless a draw is exactly 1.0): the show alternates, never repeating.
        EXPECT_EQ(catalogue.order(), (std::vector<int>{1, 0}));
        EXPECT_EQ(collisions, 0);
    }
    if (n >= 3) {
        EXPECT_GT(collisions, 0);  // the repeat rule was exercised
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RandomCycles, ::testing::Values(1, 2, 3, 5));

}  // namespace
}  // namespace orvanta
