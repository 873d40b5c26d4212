#include "base/registrystore.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/WRegistryKey.h"
#include "base/lockedfile.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using test::IsolatedHome;
using test::readFile;
using test::TempDir;

const std::string kSettingsKey = "Software\\Quorrin\\Orvanta\\4.0";

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 01000000;
}

std::vector<std::string> temporaries(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) found.push_back(entry.path());
    return found;
}

// Another process of the same user that holds the store's lock until
// release() (or for a minute at most).
class LockHolder {
public:
    explicit LockHolder(const std::string& lockPath) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::alarm(60);
            const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT, 0600);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            if (::write(ready[1], &ok, 1) != 1) ::_exit(2);
            char byte;
            (void)!::read(release[0], &byte, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char ok = 'n';
        held_ = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
        ::close(ready[0]);
    }
    ~LockHolder() { release(); }
    bool held() const { return held_; }
    void release() {
        if (pid_ <= 0) return;
        (void)!::write(releaseFd_, "x", 1);
        ::close(releaseFd_);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool held_ = false;
};

std::vector<std::string> damagedCopies(const std::string& file) {
    std::vector<std::string> found;
    const std::string prefix = fs::path(file).filename().string() + ".damaged-";
    for (const auto& entry : fs::directory_iterator(fs::path(file).parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path().string());
    return found;
}

TEST(RegistryStoreFormat, WritesRegeditTextWithEscapesAndReadsItBack) {
    IsolatedHome home;
    const std::vector<std::pair<std::string, std::string>> values = {
        {"", "(value not set)"},
        {"Path", "C:\\Pictures\\\"quoted\""},
        {"Lines", "one\ntwo\r\nthree"},
        {"Unicode", "Fotos \xC3\xBC\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7"},
        {"Name with = and \"quotes\"", "tab\there; semicolon ] bracket"},
        {"Empty", ""},
    };
    {
        WRegistryKey key;
        ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
        for (const auto& [name, value] : values) ASSERT_TRUE(key.writeString(name, value)) << name;
    }
    const std::string text = readFile(home.registryFile());
    EXPECT_EQ(text.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n", 0), 0u) << text;
    EXPECT_NE(text.find("@=\"(value not set)\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\Pictures\\\\\\\"quoted\\\"\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Lines\"=\"one\\ntwo\\r\\nthree\"\n"), std::string::npos) << text;

    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKey));
    for (const auto& [name, value] : values) {
        EXPECT_TRUE(key.valueExists(name)) << name;
        EXPECT_EQ(key.readString(name), value) << name;
    }
    std::vector<std::string> names;
    for (const auto& v : values) names.push_back(v.first);
    EXPECT_EQ(key.valueNames(), names);
}

TEST(RegistryStoreRules, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    IsolatedHome home;
    WRegistryKey key;
    ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
    ASSERT_TRUE(key.writeString("Duration", "20"));
    ASSERT_TRUE(key.writeString("DURATION", "30"));
    EXPECT_EQ(key.readString("duration"), "30");
    EXPECT_EQ(key.valueNames(), std::vector<std::string>{"Duration"});

    WRegistryKey other;
    ASSERT_TRUE(other.create(RegistryRoot::CurrentUser, "SOFTWARE\\quorrin\\Other"));
    ASSERT_TRUE(other.open(RegistryRoot::CurrentUser, "software\\QUORRIN\\orvanta\\4.0"));
    EXPECT_EQ(other.readString("Duration"), "30");
    WRegistryKey parent;
    ASSERT_TRUE(parent.open(RegistryRoot::CurrentUser, "Software\\Quorrin"));
    EXPECT_EQ(parent.subKeyNames(), (std::vector<std::string>{"Orvanta", "Other"}));
    // The new key took the spelling of the parents that were already there.
    EXPECT_NE(readFile(home.registryFile()).find("[HKEY_CURRENT_USER\\Software\\Quorrin\\Other]"), std::string::npos);
}

TEST(RegistryStoreRules, UnnamedValueIsSeparateFromNamedOnes) {
    IsolatedHome home;
    WRegistryKey key;
    ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_FALSE(key.valueExists(""));
    EXPECT_EQ(key.readString(""), "");
    ASSERT_TRUE(key.writeString("@", "at sign"));
    EXPECT_FALSE(key.valueExists(""));
    ASSERT_TRUE(key.writeString("", "(value not set)"));
    EXPECT_EQ(key.readString(""), "(value not set)");
    EXPECT_EQ(key.readString("@"), "at sign");
    EXPECT_NE(readFile(home.registryFile()).find("\n@=\"(value not set)\"\n"), std::string::npos);
}

TEST(RegistryStoreRules, OpenFailsForMissingKeyAndCreateMakesParents) {
    IsolatedHome home;
    WRegistryKey key;
    EXPECT_FALSE(key.open(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_FALSE(key.isOpen());
    EXPECT_FALSE(fs::exists(home.registryFile()));  // opening writes nothing
    ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_TRUE(key.valueNames().empty());
    for (const std::string path : {"Software", "Software\\Quorrin", "Software\\Quorrin\\Orvanta", kSettingsKey.c_str()})
        EXPECT_TRUE(WRegistryKey().open(RegistryRoot::CurrentUser, path)) << path;
    EXPECT_FALSE(WRegistryKey().open(RegistryRoot::CurrentUser, "Software\\Quorrin\\Orvanta\\4"));
    EXPECT_FALSE(WRegistryKey().open(RegistryRoot::CurrentUser, "Software\\\\Quorrin"));
    // An empty key is written, so it still exists for a new store.
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    EXPECT_TRUE(store.keyExists(kSettingsKey));
}

TEST(RegistryStoreRules, DeleteSubKeyNeedsNoSubkeysAndDeleteTreeRemovesAll) {
    IsolatedHome home;
    {
        WRegistryKey key;
        ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
        ASSERT_TRUE(key.writeString("Duration", "20"));
        ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, "Software\\Quorrin\\Orvanta\\3.0\\Deep"));
        ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, "Software\\Quorrin\\Keep"));
    }
    WRegistryKey quorrin;
    ASSERT_TRUE(quorrin.open(RegistryRoot::CurrentUser, "Software\\Quorrin"));
    EXPECT_FALSE(quorrin.deleteSubKey("Orvanta"));
    EXPECT_FALSE(quorrin.deleteSubKey("Missing"));
    EXPECT_FALSE(quorrin.deleteSubKeyTree("Missing"));
    EXPECT_TRUE(WRegistryKey().open(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_TRUE(quorrin.deleteSubKeyTree("ORVANTA"));
    EXPECT_EQ(quorrin.subKeyNames(), std::vector<std::string>{"Keep"});
    EXPECT_FALSE(WRegistryKey().open(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_FALSE(WRegistryKey().open(RegistryRoot::CurrentUser, "Software\\Quorrin\\Orvanta\\3.0\\Deep"));
    // Deleting the last subkey keeps its parent, which existed only through it.
    EXPECT_TRUE(quorrin.deleteSubKey("Keep"));
    EXPECT_TRUE(WRegistryKey().open(RegistryRoot::CurrentUser, "Software\\Quorrin"));
    EXPECT_TRUE(quorrin.subKeyNames().empty());
    const std::string text = readFile(home.registryFile());
    EXPECT_EQ(text.find("Orvanta"), std::string::npos) << text;
}

TEST(RegistryStoreFile, ValuesPersistAndMergeAcrossStoreObjects) {
    IsolatedHome home;
    RegistryStore a(home.registryFile(), "HKEY_CURRENT_USER");
    RegistryStore b(home.registryFile(), "HKEY_CURRENT_USER");
    ASSERT_TRUE(a.setValue(kSettingsKey, "Duration", "20"));
    ASSERT_TRUE(b.setValue(kSettingsKey, "Count", "3"));
    // a's snapshot predates b's write; its next change is applied to the file as it is now.
    EXPECT_FALSE(a.value(kSettingsKey, "Count"));
    ASSERT_TRUE(a.setValue(kSettingsKey, "Delay", "10"));
    EXPECT_EQ(a.value(kSettingsKey, "Count"), "3");
    RegistryStore c(home.registryFile(), "HKEY_CURRENT_USER");
    EXPECT_EQ(c.valueNames(kSettingsKey), (std::vector<std::string>{"Duration", "Count", "Delay"}));
    // refresh() brings b up to date without a change.
    EXPECT_FALSE(b.value(kSettingsKey, "Delay"));
    b.refresh();
    EXPECT_EQ(b.value(kSettingsKey, "Delay"), "10");
}

TEST(RegistryStoreFile, BatchWritesOnceAndAllOrNothing) {
    IsolatedHome home;
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    ASSERT_TRUE(store.createKey(kSettingsKey));
    const std::string before = readFile(home.registryFile());

    store.beginBatch();
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(store.setValue(kSettingsKey, "V" + std::to_string(i), std::to_string(i)));
    EXPECT_EQ(store.value(kSettingsKey, "V39"), "39");  // visible to this store at once
    EXPECT_EQ(readFile(home.registryFile()), before);   // not yet in the file
    ASSERT_TRUE(store.commitBatch());
    RegistryStore other(home.registryFile(), "HKEY_CURRENT_USER");
    EXPECT_EQ(other.valueNames(kSettingsKey).size(), 40u);

    // A change that no longer applies on commit sinks the whole batch.
    store.beginBatch();
    ASSERT_TRUE(store.setValue(kSettingsKey, "Late", "x"));
    ASSERT_TRUE(store.createKey("Software\\Gone"));
    ASSERT_TRUE(store.deleteKey("Software\\Gone", false));
    ASSERT_TRUE(other.createKey("Software\\Gone\\Child"));  // another writer adds a subkey meanwhile
    EXPECT_FALSE(store.commitBatch());
    EXPECT_FALSE(store.value(kSettingsKey, "Late"));
    EXPECT_TRUE(store.keyExists("Software\\Gone\\Child"));
}

TEST(RegistryStoreFile, ClosingAKeyCommitsItsBatch) {
    IsolatedHome home;
    {
        WRegistryKey key;
        ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
        key.beginBatch();
        ASSERT_TRUE(key.writeString("Duration", "20"));
        ASSERT_TRUE(key.writeString("Count", "0"));
    }
    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_EQ(key.readString("Count"), "0");
    EXPECT_EQ(key.readString("Duration"), "20");
}

TEST(RegistryStoreFile, AFileWithNothingOfARegistryFileIsKeptAsideAndTheStoreStartsEmpty) {
    IsolatedHome home;
    const std::string garbage = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg", garbage);
    WRegistryKey key;
    EXPECT_FALSE(key.open(RegistryRoot::CurrentUser, "K"));
    auto copies = damagedCopies(home.registryFile());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(readFile(copies[0]), garbage);
    EXPECT_FALSE(fs::exists(home.registryFile()));

    // A second damaged file in the same second gets its own name.
    home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg", "not a registry file");
    ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
    ASSERT_TRUE(key.writeString("Duration", "20"));
    copies = damagedCopies(home.registryFile());
    ASSERT_EQ(copies.size(), 2u);
    const std::set<std::string> contents = {readFile(copies[0]), readFile(copies[1])};
    EXPECT_EQ(contents, (std::set<std::string>{garbage, "not a registry file"}));
    EXPECT_TRUE(parseRegistryFile(readFile(home.registryFile()), "HKEY_CURRENT_USER").recognised);
}

TEST(RegistryStoreFile, UnwritableDirectoryMakesChangesFailCleanly) {
    TempDir dir;
    const std::string blocker = dir.write("blocker", "a regular file where a folder should be");
    RegistryStore store(blocker + "/orvanta/HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER");
    EXPECT_FALSE(store.createKey(kSettingsKey));
    EXPECT_FALSE(store.setValue(kSettingsKey, "Duration", "20"));
    EXPECT_FALSE(store.deleteKey(kSettingsKey, true));
    EXPECT_FALSE(store.keyExists(kSettingsKey));
    store.beginBatch();
    EXPECT_TRUE(store.setValue(kSettingsKey, "Duration", "20"));
    EXPECT_FALSE(store.commitBatch());
    EXPECT_FALSE(store.value(kSettingsKey, "Duration"));
}

TEST(RegistryStoreFile, ReadOnlyDirectoryMakesChangesFail) {
    if (::geteuid() == 0) GTEST_SKIP() << "running as root, where a read-only folder does not stop writes";
    TempDir dir;
    const std::string readOnly = dir.str() + "/readonly";
    fs::create_directories(readOnly);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    RegistryStore locked(readOnly + "/HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER");
    EXPECT_FALSE(locked.setValue(kSettingsKey, "Duration", "20"));
}

// What a change and a batch commit said in a child process, where the file
// size limit (a disk that takes no more) cannot disturb the test itself.
struct ChildChange {
    bool setOk = true, batchOk = true;
    std::string error, batchError;
};

ChildChange changeInChild(const std::string& file, rlim_t fileSizeLimit) {
    int out[2];
    if (::pipe(out) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        if (fileSizeLimit != RLIM_INFINITY) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        }
        RegistryStore store(file, "HKEY_CURRENT_USER");
        std::string report = store.setValue(kSettingsKey, "Duration", "77") ? "1" : "0";
        report += store.lastError() + '\n';
        store.beginBatch();
        store.setValue(kSettingsKey, "Count", "3");
        report += store.commitBatch() ? "1" : "0";
        report += store.lastError();
        (void)!::write(out[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    ChildChange result;
    const std::size_t cut = report.find('\n');
    if (report.size() < 2 || cut == std::string::npos || cut + 1 >= report.size()) return result;
    result.setOk = report[0] == '1';
    result.error = report.substr(1, cut - 1);
    result.batchOk = report[cut + 1] == '1';
    result.batchError = report.substr(cut + 2);
    return result;
}

// Changes that cannot reach the file fail, say which file and why (the
// system's text of the error), and leave the file and its folder as they were.
TEST(RegistryStoreFailure, AChangeThatCannotBeWrittenSaysWhyAndLeavesTheFile) {
    struct Row {
        const char* what;
        bool folderIsAFile;
        rlim_t fileSizeLimit;
        bool holdLock;
        std::string reason;
    };
    const Row rows[] = {
        {"the folder is a file", true, RLIM_INFINITY, false, std::strerror(ENOTDIR)},
        {"the disk takes no more", false, 64, false, std::strerror(EFBIG)},
        {"the lock is held for the whole wait", false, RLIM_INFINITY, true, "held its lock"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        IsolatedHome home;
        std::string file = home.registryFile();
        if (row.folderIsAFile) file = home.dir().write("blocker", "a file") + "/orvanta/HKEY_CURRENT_USER.reg";
        else ASSERT_TRUE(RegistryStore(file, "HKEY_CURRENT_USER").setValue(kSettingsKey, "Duration", "20"));
        const std::string before = row.folderIsAFile ? std::string() : readFile(file);
        ChildChange result;
        if (row.holdLock) {
            LockHolder other(file + ".lock");
            ASSERT_TRUE(other.held());
            result = changeInChild(file, row.fileSizeLimit);
        } else {
            result = changeInChild(file, row.fileSizeLimit);
        }
        EXPECT_FALSE(result.setOk);
        EXPECT_FALSE(result.batchOk);
        for (const std::string& error : {result.error, result.batchError}) {
            EXPECT_EQ(error.rfind(file + ": ", 0), 0u) << error;
            EXPECT_NE(error.find(row.reason), std::string::npos) << error;
        }
        if (!row.folderIsAFile) {
            EXPECT_EQ(readFile(file), before);
            EXPECT_TRUE(temporaries(fs::path(file).parent_path()).empty());
        }
    }
    // A change that reaches the file clears the error.
    IsolatedHome home;
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    EXPECT_TRUE(store.setValue(kSettingsKey, "Duration", "20"));
    EXPECT_EQ(store.lastError(), "");
}

// Another program that does not know our lock (a synchronisation tool, say)
// adds its own values by replacing the file with a rename, and does so at the
// worst moment: while the store is writing (its temporary file exists), that
// is between the store's read and its rename. Neither side's values may go.
TEST(RegistryStoreConcurrency, AProgramRenamingItsVersionsInPlaceMidWriteLosesNothingAndNeitherDoWe) {
    IsolatedHome home;
    const std::string file = home.registryFile();
    const fs::path dir = fs::path(file).parent_path();
    RegistryStore store(file, "HKEY_CURRENT_USER");
    ASSERT_TRUE(store.setValue(kSettingsKey, "Start", "1"));
    constexpr int kRounds = 60;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(120);
        const auto waitFor = [](const auto& condition) {
            while (!condition()) ::usleep(100);
        };
        const auto storeIsWriting = [&] { return !temporaries(dir).empty(); };
        // Reads the text, adds a line at the end (the key's section is the
        // last one), writes a file of its own and swaps it in; a version it
        // did not read, swapped out, is put back and it tries again.
        const std::string temp = (dir / "tool-copy.tmp").string();
        for (int i = 0; i < kRounds; ++i) {
            waitFor(storeIsWriting);
            FileIdentity mine;
            for (;;) {
                std::string text;
                FileIdentity read;
                if (readWholeFile(file, std::size_t{1} << 24, text, &read) != FileRead::Ok) ::_exit(4);
                text += "\"F" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\n";
                const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) ::_exit(5);
                ::close(fd);
                mine = identityOf(temp);
                if (identityOf(file) != read) continue;
                if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, file.c_str(), RENAME_EXCHANGE) != 0) ::_exit(6);
                if (identityOf(temp) == read) break;
                (void)!::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, file.c_str(), RENAME_EXCHANGE);
            }
            ::unlink(temp.c_str());
            waitFor([&] { return identityOf(file) != mine; });  // the store has written again
        }
        ::_exit(0);
    }
    int writes = 0, failures = 0, status = 0;
    for (; writes < 10000 && ::waitpid(child, &status, WNOHANG) == 0; ++writes)
        if (!store.setValue(kSettingsKey, "S" + std::to_string(writes), std::to_string(writes))) ++failures;
    if (writes == 10000) ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(failures, 0) << store.lastError();
    RegistryStore after(file, "HKEY_CURRENT_USER");
    std::vector<std::string> lost;
    for (int i = 0; i < kRounds; ++i)
        if (after.value(kSettingsKey, "F" + std::to_string(i)) != std::to_string(i)) lost.push_back("F" + std::to_string(i));
    for (int i = 0; i < writes; ++i)
        if (after.value(kSettingsKey, "S" + std::to_string(i)) != std::to_string(i)) lost.push_back("S" + std::to_string(i));
    EXPECT_EQ(lost, std::vector<std::string>{}) << writes << " writes of ours";
}

// Each child writes its own values, one change at a time, while the other does the same.
TEST(RegistryStoreConcurrency, TwoProcessesWritingAtOnceLoseNothing) {
    IsolatedHome home;
    constexpr int kWrites = 150;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
            int failures = 0;
            for (int i = 0; i < kWrites; ++i)
                if (!store.setValue(kSettingsKey, "P" + std::to_string(c) + "_" + std::to_string(i), std::to_string(i)))
                    ++failures;
            ::_exit(failures == 0 ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    EXPECT_EQ(store.valueNames(kSettingsKey).size(), 2u * kWrites);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(store.value(kSettingsKey, "P" + std::to_string(c) + "_" + std::to_string(i)), std::to_string(i));
}

TEST(RegistryStoreConcurrency, KilledWriterLeavesCompleteFile) {
    IsolatedHome home;
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
        const std::string padding(2000, 'p');  // larger file, longer writes: more chances to die inside one
        for (int i = 0; i < 100000; ++i) {
            if (!store.setValue(kSettingsKey, "V" + std::to_string(i), std::to_string(i) + padding)) ::_exit(1);
            if (::write(pipeFds[1], &i, sizeof i) != static_cast<ssize_t>(sizeof i)) ::_exit(2);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    int completed = -1, got = 0;
    while (got < 60 && ::read(pipeFds[0], &completed, sizeof completed) == static_cast<ssize_t>(sizeof completed))
        ++got;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    // Drain what the child reported before it died.
    int index = 0;
    while (::read(pipeFds[0], &index, sizeof index) == static_cast<ssize_t>(sizeof index)) completed = index;
    ::close(pipeFds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child finished before it was killed";
    ASSERT_GE(completed, 59);

    const ParsedRegistryFile parsed = parseRegistryFile(readFile(home.registryFile()), "HKEY_CURRENT_USER");
    ASSERT_TRUE(parsed.recognised && parsed.problems.empty()) << "the file is damaged after the kill";
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    for (int i = 0; i <= completed; ++i)
        ASSERT_TRUE(store.value(kSettingsKey, "V" + std::to_string(i))) << "completed value " << i << " lost";
    // The temporary file the killed writer may have left is removed by the next change.
    ASSERT_TRUE(store.setValue(kSettingsKey, "After", "1"));
    for (const auto& entry : fs::directory_iterator(fs::path(home.registryFile()).parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

// --- files as users really have them ---

TEST(RegistryStoreFile, LinesNotUnderstoodSurviveEveryRewriteAndAreReportedOnce) {
    IsolatedHome home;
    home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg",
                     "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n\"Duration\"=\"30\"\n"
                     "\"Future\"=unknown-form:1\n\"Count\"=\"0\"\n");
    ::testing::internal::CaptureStderr();
    {
        WRegistryKey key;
        ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKey));
        EXPECT_EQ(key.readString("Duration"), "30");
        EXPECT_EQ(key.readString("Count"), "0");
        EXPECT_FALSE(key.valueExists("Future"));
        ASSERT_TRUE(key.writeString("LastImage", "/p/a.jpg"));
        ASSERT_TRUE(key.writeString("Duration", "40"));
        WRegistryKey again;
        ASSERT_TRUE(again.open(RegistryRoot::CurrentUser, kSettingsKey));
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(err, "line 5: not understood, kept as it is: \"Future\"=unknown-form:1\n"), 1u) << err;
    EXPECT_EQ(occurrences(err, "not understood"), 1u) << err;
    EXPECT_NE(err.find(home.registryFile()), std::string::npos) << err;
    EXPECT_EQ(readFile(home.registryFile()),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n\"Duration\"=\"40\"\n"
              "\"Future\"=unknown-form:1\n\"Count\"=\"0\"\n\"LastImage\"=\"/p/a.jpg\"\n\n");
}

TEST(RegistryStoreFile, ADwordKeepsItsFormUntilItsValueChanges) {
    IsolatedHome home;
    home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg",
                     "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n\"Duration\"=dword:0000002d\n");
    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_EQ(key.readString("Duration"), "45");
    ASSERT_TRUE(key.writeString("Duration", "45"));
    ASSERT_TRUE(key.writeString("Delay", "10"));
    EXPECT_NE(readFile(home.registryFile()).find("\n\"Duration\"=dword:0000002d\n"), std::string::npos);
    ASSERT_TRUE(key.writeString("duration", "50"));
    EXPECT_NE(readFile(home.registryFile()).find("\n\"Duration\"=\"50\"\n"), std::string::npos)
        << readFile(home.registryFile());
}

TEST(RegistryStoreFile, ASymbolicLinkIsWrittenThroughAndStaysALink) {
    IsolatedHome home;
    // A dotfile manager's layout: the settings file is a relative link into a repository.
    const std::string target = home.dir().write("dotfiles/orvanta/settings.reg",
                                                "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n"
                                                "\"Duration\"=\"30\"\n");
    ::chmod(target.c_str(), 0640);
    fs::create_directories(fs::path(home.registryFile()).parent_path());
    fs::create_symlink("../../dotfiles/orvanta/settings.reg", home.registryFile());
    {
        WRegistryKey key;
        ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKey));
        EXPECT_EQ(key.readString("Duration"), "30");
        ASSERT_TRUE(key.writeString("LastImage", "/p/a.jpg"));
    }
    EXPECT_TRUE(fs::is_symlink(home.registryFile()));
    EXPECT_EQ(fs::read_symlink(home.registryFile()), "../../dotfiles/orvanta/settings.reg");
    EXPECT_NE(readFile(target).find("\"LastImage\"=\"/p/a.jpg\""), std::string::npos);
    EXPECT_NE(readFile(target).find("\"Duration\"=\"30\""), std::string::npos);
    EXPECT_EQ(modeOf(target), 0640u);
    EXPECT_TRUE(temporaries(fs::path(target).parent_path()).empty());
    EXPECT_TRUE(temporaries(fs::path(home.registryFile()).parent_path()).empty());

    // A chain of links, the last one dangling: the file is made where it points.
    fs::remove(home.registryFile());
    const std::string second = home.dir().str() + "/dotfiles/link-to-new.reg";
    fs::create_symlink(home.dir().str() + "/dotfiles/orvanta/new.reg", second);
    fs::create_symlink(second, home.registryFile());
    WRegistryKey key;
    ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
    ASSERT_TRUE(key.writeString("Duration", "5"));
    EXPECT_TRUE(fs::is_symlink(home.registryFile()));
    EXPECT_TRUE(fs::is_symlink(second));
    EXPECT_NE(readFile(home.dir().str() + "/dotfiles/orvanta/new.reg").find("\"Duration\"=\"5\""), std::string::npos);
}

TEST(RegistryStoreFile, AFifoInPlaceOfTheFileIsNeverWaitedOnNorReplaced) {
    IsolatedHome home;
    fs::create_directories(fs::path(home.registryFile()).parent_path());
    ASSERT_EQ(::mkfifo(home.registryFile().c_str(), 0600), 0);
    ::alarm(60);  // a regression that waits on the FIFO ends the test run instead of hanging it
    WRegistryKey key;
    EXPECT_FALSE(key.open(RegistryRoot::CurrentUser, kSettingsKey));
    EXPECT_FALSE(key.create(RegistryRoot::CurrentUser, kSettingsKey));
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    EXPECT_FALSE(store.setValue(kSettingsKey, "Duration", "20"));
    store.beginBatch();
    EXPECT_TRUE(store.setValue(kSettingsKey, "Duration", "20"));
    EXPECT_FALSE(store.commitBatch());
    ::alarm(0);
    EXPECT_TRUE(fs::is_fifo(home.registryFile()));
    EXPECT_TRUE(damagedCopies(home.registryFile()).empty());
}

// --- the lock ---

TEST(RegistryStoreLock, ALockHeldElsewhereMakesChangesGiveUpAndKeepTheFile) {
    IsolatedHome home;
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    ASSERT_TRUE(store.setValue(kSettingsKey, "Duration", "20"));
    const std::string before = readFile(home.registryFile());
    {
        LockHolder other(store.lockPath());
        ASSERT_TRUE(other.held());
        EXPECT_FALSE(store.setValue(kSettingsKey, "LastImage", "/p/a.jpg"));
        store.beginBatch();
        EXPECT_TRUE(store.setValue(kSettingsKey, "Count", "3"));
        EXPECT_FALSE(store.commitBatch());
        EXPECT_FALSE(store.value(kSettingsKey, "Count"));
        EXPECT_EQ(readFile(home.registryFile()), before);
        // An unrecognisable file is not moved aside while the lock cannot be had.
        home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg", "junk");
        RegistryStore reader(home.registryFile(), "HKEY_CURRENT_USER");
        EXPECT_FALSE(reader.keyExists(kSettingsKey));
        EXPECT_EQ(readFile(home.registryFile()), "junk");
        home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg", before);
    }
    EXPECT_TRUE(store.setValue(kSettingsKey, "LastImage", "/p/a.jpg"));
    EXPECT_EQ(store.value(kSettingsKey, "Duration"), "20");
}

TEST(RegistryStoreLock, TheLockIsPrivateToTheUser) {
    IsolatedHome home;
    const std::string dir = fs::path(home.registryFile()).parent_path();
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    ASSERT_TRUE(store.setValue(kSettingsKey, "Duration", "20"));
    EXPECT_EQ(modeOf(store.lockPath()), 0600u);
    EXPECT_EQ(modeOf(dir), 0700u);
    EXPECT_EQ(modeOf(home.registryFile()), 0600u);

    // A folder and lock left open by an earlier version are closed again.
    ::chmod(dir.c_str(), 0755);
    ::chmod(store.lockPath().c_str(), 0644);
    ASSERT_TRUE(store.setValue(kSettingsKey, "Duration", "21"));
    EXPECT_EQ(modeOf(store.lockPath()), 0600u);
    EXPECT_EQ(modeOf(dir), 0700u);

    // A lock planted as a link is not followed: the change fails, the link's target is untouched.
    TempDir elsewhere;
    const std::string bait = elsewhere.write("bait", "not a lock");
    ::chmod(bait.c_str(), 0644);
    fs::remove(store.lockPath());
    fs::create_symlink(bait, store.lockPath());
    EXPECT_FALSE(store.setValue(kSettingsKey, "Duration", "22"));
    EXPECT_EQ(readFile(bait), "not a lock");
    EXPECT_EQ(modeOf(bait), 0644u);
    EXPECT_NE(readFile(home.registryFile()).find("\"Duration\"=\"21\""), std::string::npos);

    // A lock file that belongs to another user is not used.
    if (::geteuid() == 0) {
        fs::remove(store.lockPath());
        const int fd = ::open(store.lockPath().c_str(), O_CREAT | O_WRONLY, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fchown(fd, 65534, 65534), 0);
        ::close(fd);
        EXPECT_FALSE(store.setValue(kSettingsKey, "Duration", "23"));
        EXPECT_NE(readFile(home.registryFile()).find("\"Duration\"=\"21\""), std::string::npos);
    }
}

}  // namespace
}  // namespace orvanta
