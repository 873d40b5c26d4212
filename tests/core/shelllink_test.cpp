#include "desktop/shelllink.h"

#include "tests/core/support/testenv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::vector<std::uint8_t> bytesOf(const std::string& path) {
    const std::string s = test::readFile(path);
    return {s.begin(), s.end()};
}

std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::string descriptionOf(const std::string& link) {
    const auto bytes = bytesOf(link);
    std::string d;
    EXPECT_TRUE(shortcutDescription(bytes.data(), bytes.size(), d));
    return d;
}

TEST(ShellLink, RoundTripKeepsTargetAttributesAndDescription) {
    TempDir dir;
    const std::string picture = dir.write("Photos/beach.jpg", "not really a jpeg");
    const std::string link = dir.str() + "/beach-200312251430.jpg.lnk";
    ASSERT_EQ(createShortcut(picture, link, "Shortcut to " + picture), 0);

    std::string target = "stale";
    EXPECT_EQ(resolveShortcut(link, target), 0x20u);
    EXPECT_EQ(target, picture);
    EXPECT_EQ(descriptionOf(link), "Shortcut to " + picture);

    // The header a Windows reader relies on.
    const auto b = bytesOf(link);
    ASSERT_GE(b.size(), 0x4Cu);
    EXPECT_EQ(u32At(b, 0), 0x4Cu);
    EXPECT_EQ(u32At(b, 4), 0x00021401u);
    EXPECT_EQ(u32At(b, 0x14), 0x86u);  // link info, name, Unicode
    EXPECT_EQ(u32At(b, 0x34), 17u);    // file size
    EXPECT_EQ(u32At(b, 0x3C), 1u);     // shown normally
    struct stat st {};
    ASSERT_EQ(::stat(picture.c_str(), &st), 0);
    const std::uint64_t written = u32At(b, 0x2C) | static_cast<std::uint64_t>(u32At(b, 0x30)) << 32;
    EXPECT_EQ(written, (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + 11644473600u) * 10000000u +
                           static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100u);
    EXPECT_EQ(u32At(b, b.size() - 4), 0u);  // terminal block
}

TEST(ShellLink, SecondSaveReplacesTheFirstAndLeavesNothingBehind) {
    TempDir dir;
    const std::string a = dir.write("a.png", "a");
    const std::string b = dir.write("b.png", "b");
    const std::string link = dir.str() + "/fav.lnk";
    ASSERT_EQ(createShortcut(a, link, "first"), 0);
    ASSERT_EQ(createShortcut(b, link, "second"), 0);
    std::string target;
    EXPECT_NE(resolveShortcut(link, target), 0u);
    EXPECT_EQ(target, b);
    EXPECT_EQ(descriptionOf(link), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 3);
}

struct TargetCase {
    const char* name;
    const char* relative;  // "" for the folder itself
    bool directory;
    bool readOnly;
    std::uint32_t attributes;
    std::uint32_t linkInfoHeader;
};

class Targets : public testing::TestWithParam<TargetCase> {};

TEST_P(Targets, RoundTrip) {
    const TargetCase& c = GetParam();
    TempDir dir;
    std::string target = dir.str() + "/" + c.relative;
    if (c.directory) fs::create_directories(target);
    else dir.write(c.relative, "x");
    if (c.readOnly)
        fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    const std::string link = dir.str() + "/t.lnk";
    ASSERT_EQ(createShortcut(target, link, "é"), 0);
    std::string back;
    EXPECT_EQ(resolveShortcut(link, back), c.attributes);
    EXPECT_EQ(back, target);
    const auto b = bytesOf(link);
    EXPECT_EQ(u32At(b, 0x4C + 4), c.linkInfoHeader);
    EXPECT_EQ(descriptionOf(link), "é");
}

INSTANTIATE_TEST_SUITE_P(Kinds, Targets,
                         testing::Values(TargetCase{"file", "x.jpg", false, false, 0x20, 0x1C},
                                         TargetCase{"folder", "Favorite Pictures", true, false, 0x10, 0x1C},
                                         TargetCase{"readOnly", "ro.bmp", false, true, 0x21, 0x1C},
                                         // Non-ASCII paths are stored in UTF-16 too, with the longer link-info header.
                                         TargetCase{"unicode", "Été/plage \xF0\x9F\x8C\x9E.jpg", false, false, 0x20,
                                                    0x24},
                                         // Bytes that are not UTF-8 still come back unchanged.
                                         TargetCase{"rawBytes", "caf\xE9.png", false, false, 0x20, 0x1C}),
                         [](const testing::TestParamInfo<TargetCase>& p) { return std::string(p.param.name); });

TEST(ShellLink, RelativeTargetIsStoredAbsolute) {
    TempDir dir;
    dir.write("p.jpg", "x");
    const fs::path old = fs::current_path();
    fs::current_path(dir.path());
    const int result = createShortcut("./sub/../p.jpg", "q.lnk", "");
    fs::current_path(old);
    ASSERT_EQ(result, 0);
    std::string target;
    EXPECT_NE(resolveShortcut(dir.str() + "/q.lnk", target), 0u);
    EXPECT_EQ(fs::path(target), fs::canonical(dir.path() / "p.jpg"));
}

TEST(ShellLink, FailuresReportAnErrorAndWriteNothing) {
    TempDir dir;
    const std::string picture = dir.write("p.jpg", "x");
    EXPECT_EQ(createShortcut(dir.str() + "/gone.jpg", dir.str() + "/a.lnk", ""), ENOENT);
    EXPECT_NE(createShortcut(picture, dir.str() + "/missing/a.lnk", ""), 0);
    EXPECT_NE(createShortcut("", dir.str() + "/a.lnk", ""), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);
}

TEST(ShellLink, UnreadableLinksGiveNothing) {
    TempDir dir;
    std::string target = "stale";
    EXPECT_EQ(resolveShortcut(dir.str() + "/none.lnk", target), 0u);
    EXPECT_EQ(target, "");
    const std::string text = dir.write("text.lnk", "this is not a shortcut at all, just some text in a file");
    target = "stale";
    EXPECT_EQ(resolveShortcut(text, target), 0u);
    EXPECT_EQ(target, "");
    fs::create_directory(dir.path() / "folder.lnk");
    EXPECT_EQ(resolveShortcut(dir.str() + "/folder.lnk", target), 0u);
    ASSERT_EQ(::mkfifo((dir.str() + "/fifo.lnk").c_str(), 0600), 0);
    EXPECT_EQ(resolveShortcut(dir.str() + "/fifo.lnk", target), 0u);  // returns at once
}

struct KnownLink {
    const char* file;
    const char* target;
    std::uint32_t attributes;
    const char* description;
};

class RealLinks : public testing::TestWithParam<KnownLink> {};

TEST_P(RealLinks, GiveTheirTarget) {
    ORVANTA_REQUIRE_CORPORA();
    const KnownLink& k = GetParam();
    std::string target;
    EXPECT_EQ(resolveShortcut(test::corporaDir() + "/lnk/" + k.file, target), k.attributes);
    EXPECT_EQ(target, k.target);
    if (k.description) {
        EXPECT_EQ(descriptionOf(test::corporaDir() + "/lnk/" + k.file), k.description);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, RealLinks,
    testing::Values(
        // Link info, local base path.
        KnownLink{"win10/$R3OUUAG.lnk", "C:\\xwf\\manual.pdf", 0x20, "X-Ways Forensics Manual"},
        KnownLink{"win10/01D1586A9BEF1399.png.lnk.test", "C:\\XWCases\\SO123456\\_log\\01D1586A9BEF1399.png", 0x20,
                  nullptr},
        KnownLink{"win10/5-188.doc.lnk.test", "C:\\Users\\e\\Desktop\\xw report\\Report_files\\5-188.doc", 0x01,
                  nullptr},
        KnownLink{"misc/local.directory.xp.test", "C:\\WINDOWS\\system32", 0x2010, nullptr},
        // Network share plus path suffix.
        KnownLink{"misc/remote.file.aidlist.test", "\\\\FATALITY\\K$\\Encoding\\@Films\\AAA AAA AAAAA 1", 0x10,
                  nullptr},
        // Only an item-ID list: drive item, then file entries with long names.
        KnownLink{"misc/local.file.darwin.test",
                  "C:\\Windows\\Installer\\{AC76BA86-7AD7-1036-7B44-A93000000001}\\SC_Reader.ico", 0x80, nullptr},
        // Unicode description.
        KnownLink{"misc/native.seven.08.test",
                  "C:\\Windows\\Installer\\{90140000-0011-0000-0000-0000000FF1CE}\\cagicon.exe", 0x80,
                  "Importez et organisez des photos, des images clip art, des fichiers sons et animation à l'aide "
                  "de la Bibliothèque multimédia Microsoft."}));

std::vector<fs::path> corpusFiles(const char* folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(test::corporaDir() + "/lnk/" + folder))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ShellLink, MostRealLinksHaveATarget) {
    ORVANTA_REQUIRE_CORPORA();
    int withTarget = 0, total = 0;
    for (const auto& file : corpusFiles("win10")) {
        std::string target;
        const std::uint32_t attributes = resolveShortcut(file.string(), target);
        EXPECT_EQ(attributes != 0, !target.empty()) << file;
        withTarget += attributes != 0;
        ++total;
    }
    // The others name virtual folders (Documents, Network, ...) with no path.
    EXPECT_GE(total, 50);
    EXPECT_GE(withTarget, total * 2 / 3);
}

TEST(ShellLink, BrokenLinksAreRefused) {
    ORVANTA_REQUIRE_CORPORA();
    for (const auto& file : corpusFiles("bad")) {
        std::string target = "stale";
        EXPECT_EQ(resolveShortcut(file.string(), target), 0u) << file;
        EXPECT_EQ(target, "");
    }
}

// Every prefix and many single-byte corruptions of real links: the parser
// must stay inside the buffer (the sanitizer build checks every read) and
// never report a target without attributes or the other way round.
TEST(ShellLink, TruncatedAndCorruptedLinksStayInBounds) {
    ORVANTA_REQUIRE_CORPORA();
    std::vector<fs::path> files = corpusFiles("misc");
    for (const auto& f : corpusFiles("bad")) files.push_back(f);
    for (const auto& file : files) {
        const auto whole = bytesOf(file.string());
        for (std::size_t n = 0; n <= whole.size(); ++n) {
            const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
            std::string target;
            const std::uint32_t a = parseShortcut(prefix.data(), prefix.size(), target);
            ASSERT_EQ(a != 0, !target.empty()) << file << " cut at " << n;
        }
        for (std::size_t at = 0x4C; at < whole.size(); at += 3) {
            for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0x7F}, std::uint8_t{0xFF}}) {
                std::vector<std::uint8_t> bad = whole;
                bad[at] = value;
                std::string target;
                const std::uint32_t a = parseShortcut(bad.data(), bad.size(), target);
                ASSERT_EQ(a != 0, !target.empty()) << file << " byte " << at;
            }
        }
    }
}

}  // namespace
}  // namespace orvanta
