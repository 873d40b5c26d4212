#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/atomicfile.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

// What is in the target's place before the write.
enum class Before { Nothing, File0600, LinkToFile, Fifo, Folder, MissingFolder };

struct Row {
    const char* name;
    Before before;
    ReplaceOptions options;
    int error;       // what replaceFile returns
    mode_t mode;     // the new file's permissions, when written
    bool stillLink;  // the link at the path is still a link
};

const ReplaceOptions kExact{0640, ModeRule::Exact, false, TemporaryNames::Hidden};
const ReplaceOptions kKeep{0644, ModeRule::KeepExisting, true, TemporaryNames::Hidden};
const ReplaceOptions kUmask{0666, ModeRule::LessUmask, false, TemporaryNames::Suffixed};

const Row kRows[] = {
    {"new file, exact mode", Before::Nothing, kExact, 0, 0640, false},
    {"new file, mode less umask 022", Before::Nothing, kUmask, 0, 0644, false},
    {"new file, keep: no file to keep from", Before::Nothing, kKeep, 0, 0644, false},
    {"existing file, exact mode", Before::File0600, kExact, 0, 0640, false},
    {"existing file keeps its mode", Before::File0600, kKeep, 0, 0600, false},
    {"link replaced itself", Before::LinkToFile, kExact, 0, 0640, false},
    {"link kept, its file replaced", Before::LinkToFile, kKeep, 0, 0600, true},
    {"FIFO replaced, never opened", Before::Fifo, kExact, 0, 0640, false},
    {"FIFO through links, never opened", Before::Fifo, kKeep, 0, 0600, false},
    {"folder in the target's place", Before::Folder, kExact, EISDIR, 0, false},
    {"folder, through links", Before::Folder, kKeep, EISDIR, 0, false},
    {"missing folder", Before::MissingFolder, kUmask, ENOENT, 0, false},
};

// Every file in dir but the ones named.
int othersIn(const fs::path& dir, std::initializer_list<const char*> known) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        bool isKnown = false;
        for (const char* k : known) isKnown = isKnown || entry.path().filename() == k;
        n += isKnown ? 0 : 1;
    }
    return n;
}

TEST(AtomicFile, ReplacesWhatIsThereAsEachWriterAsks) {
    const mode_t savedMask = ::umask(022);
    const std::string contents(100000, 'n');  // more than the sink's buffer
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const std::string real = dir.write("real", "old");
        ::chmod(real.c_str(), 0600);
        std::string path = dir.str() + "/target";
        switch (row.before) {
        case Before::Nothing: break;
        case Before::File0600: fs::rename(real, path); break;
        case Before::LinkToFile: fs::create_symlink("real", path); break;
        case Before::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); break;
        case Before::Folder: fs::create_directory(path); break;
        case Before::MissingFolder: path = dir.str() + "/missing/target"; break;
        }

        EXPECT_EQ(replaceFile(path, contents, row.options), row.error);

        EXPECT_EQ(othersIn(dir.path(), {"real", "target"}), 0) << "a temporary file was left";
        if (row.error != 0) {
            if (row.before == Before::Folder) {
                EXPECT_TRUE(fs::is_empty(path));
            }
            EXPECT_EQ(test::readFile(real), "old");
            continue;
        }
        EXPECT_EQ(fs::is_symlink(path), row.stillLink);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        ASSERT_TRUE(S_ISREG(st.st_mode));  // before reading: a FIFO left in place would block the read
        EXPECT_EQ(st.st_mode & 07777, row.mode);
        EXPECT_EQ(test::readFile(path), contents);
        if (row.before == Before::LinkToFile && !row.stillLink) {
            EXPECT_EQ(test::readFile(real), "old");  // the link's old file is left alone
        }
    }
    ::umask(savedMask);
}

// A folder nobody may create files in. Root creates files anywhere a mode
// forbids it, but not in sysfs.
TEST(AtomicFile, AnUnwritableFolderFailsWithItsErrorAndLeavesNothing) {
    test::TempDir dir;
    const std::string old = dir.write("target", "old");
    const bool root = ::geteuid() == 0;
    ASSERT_EQ(::chmod(dir.str().c_str(), 0555), 0);
    const std::string path = root ? "/sys/orvanta-atomicfile-test" : old;
    EXPECT_EQ(replaceFile(path, "new", ReplaceOptions{}), EACCES);
    ::chmod(dir.str().c_str(), 0755);
    EXPECT_EQ(test::readFile(old), "old");
    EXPECT_EQ(othersIn(dir.path(), {"target"}), 0);
}

TEST(AtomicFile, NothingIsLeftWhenTheContentsCannotBeMadeOrAreNotCommitted) {
    test::TempDir dir;
    const std::string path = dir.write("target", "old");
    const auto throwing = [](FileSink& sink) {
        sink.write("half");
        throw std::runtime_error("out of memory");
    };
    EXPECT_THROW(replaceFile(path, throwing, ReplaceOptions{}), std::runtime_error);
    {  // a write refused halfway, as on a full disk
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 40000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        EXPECT_EQ(replaceFile(path, std::string(100000, 'n'), ReplaceOptions{}), EFBIG);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedSignal);
    }
    {
        StagedFile staged;
        ASSERT_EQ(staged.stage(path, "new", ReplaceOptions{}), 0);
        EXPECT_TRUE(fs::exists(staged.temporary()));
    }  // dropped without commit
    EXPECT_EQ(test::readFile(path), "old");
    EXPECT_EQ(othersIn(dir.path(), {"target"}), 0);
}

// The temporary file is locked while it is written, so a cleaner in another
// process keeps a live writer's file however old it looks.
TEST(AtomicFile, ALiveWritersTemporaryIsNotCleanedAway) {
    test::TempDir dir;
    const std::string path = dir.str() + "/target";
    for (const TemporaryNames names : {TemporaryNames::Hidden, TemporaryNames::Suffixed}) {
        int removed = -1;
        const auto fill = [&](FileSink& sink) {
            sink.write("x");
            removed = removeStaleTemporaries(dir.str(), temporaryPrefix(path, names), std::chrono::seconds(0));
        };
        EXPECT_EQ(replaceFile(path, fill, ReplaceOptions{0644, ModeRule::Exact, false, names}), 0);
        EXPECT_EQ(removed, 0);
        EXPECT_EQ(test::readFile(path), "x");
    }
    EXPECT_EQ(temporaryPrefix("/a/b.reg", TemporaryNames::Hidden), ".b.reg.tmp-");
    EXPECT_EQ(temporaryPrefix("b.bmp", TemporaryNames::Suffixed), "b.bmp.");
}

}  // namespace
}  // namespace orvanta
