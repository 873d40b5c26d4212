#include "settings/registrystore.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "framework/WRegistryKey.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using test::IsolatedHome;
using test::readFile;
using test::TempDir;

const std::string kSettingsKey = "Software\\Quorrin\\Orvanta\\4.0";

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

TEST(RegistryStoreFormat, ParseAcceptsWhatPeopleAndOtherToolsWrite) {
    const std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n\r\n; a comment\r\n[hkey_current_user\\A]\r\n\"X\"=\"1\"  \r\n"
        "\"x\"=\"2\"\r\n[HKEY_CURRENT_USER\\a]\r\n@=\"d\"\r\n[HKEY_CURRENT_USER]\r\n\"top\"=\"t\"\r\n";
    const auto hive = RegistryStore::parse(text, "HKEY_CURRENT_USER");
    ASSERT_TRUE(hive);
    ASSERT_EQ(hive->keys.size(), 2u);  // the two spellings of A are one key
    EXPECT_EQ(hive->keys[0].name, "A");
    const std::vector<std::pair<std::string, std::string>> expected = {{"X", "2"}, {"", "d"}};
    EXPECT_EQ(hive->keys[0].values, expected);
    EXPECT_EQ(hive->keys[1].name, "");
    const std::string again = RegistryStore::serialize(*hive, "HKEY_CURRENT_USER");
    EXPECT_EQ(again, "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"X\"=\"2\"\n@=\"d\"\n\n[HKEY_CURRENT_USER]\n\"top\"=\"t\"\n\n");
    const auto reparsed = RegistryStore::parse(again, "HKEY_CURRENT_USER");
    ASSERT_TRUE(reparsed);
    EXPECT_EQ(RegistryStore::serialize(*reparsed, "HKEY_CURRENT_USER"), again);
}

class RegistryStoreRefuses : public ::testing::TestWithParam<std::pair<const char*, std::string>> {};

TEST_P(RegistryStoreRefuses, DamagedText) {
    EXPECT_FALSE(RegistryStore::parse(GetParam().second, "HKEY_CURRENT_USER"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryStoreRefuses,
    ::testing::Values(
        std::pair<const char*, std::string>{"empty", ""},
        std::pair<const char*, std::string>{"other_header", "Windows Registry Editor Version 5.00\n"},
        std::pair<const char*, std::string>{"value_outside_key", "REGEDIT4\n\n\"A\"=\"1\"\n"},
        std::pair<const char*, std::string>{"bad_escape", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"\\q\"\n"},
        std::pair<const char*, std::string>{"unterminated", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"abc\n"},
        std::pair<const char*, std::string>{"escape_at_end", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"abc\\"},
        std::pair<const char*, std::string>{"dword", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:00000001\n"},
        std::pair<const char*, std::string>{"trailing", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"x\n"},
        std::pair<const char*, std::string>{"no_equals", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\" \"1\"\n"},
        std::pair<const char*, std::string>{"other_root", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n"},
        std::pair<const char*, std::string>{"root_prefix_only", "REGEDIT4\n[HKEY_CURRENT_USERX\\K]\n"},
        std::pair<const char*, std::string>{"empty_component", "REGEDIT4\n[HKEY_CURRENT_USER\\A\\\\B]\n"},
        std::pair<const char*, std::string>{"trailing_separator", "REGEDIT4\n[HKEY_CURRENT_USER\\]\n"},
        std::pair<const char*, std::string>{"unclosed_section", "REGEDIT4\n[HKEY_CURRENT_USER\\K\n"},
        std::pair<const char*, std::string>{"control_in_key", std::string("REGEDIT4\n[HKEY_CURRENT_USER\\K\x01]\n")},
        std::pair<const char*, std::string>{"indented", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n \"A\"=\"1\"\n"},
        std::pair<const char*, std::string>{"huge_line", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"" +
                                                             std::string(std::size_t{1} << 21, 'x') + "\"\n"}),
    [](const auto& testInfo) { return std::string(testInfo.param.first); });

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
    EXPECT_EQ(store.value(kSettingsKey, "V39"), "39");       // visible to this store at once
    EXPECT_EQ(readFile(home.registryFile()), before);         // not yet in the file
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

TEST(RegistryStoreFile, DamagedFileIsKeptAsideAndStoreStartsEmpty) {
    IsolatedHome home;
    const std::string garbage = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"unterminated\n";
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
    EXPECT_TRUE(RegistryStore::parse(readFile(home.registryFile()), "HKEY_CURRENT_USER"));
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
    while (got < 60 && ::read(pipeFds[0], &completed, sizeof completed) == static_cast<ssize_t>(sizeof completed)) ++got;
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    // Drain what the child reported before it died.
    int index = 0;
    while (::read(pipeFds[0], &index, sizeof index) == static_cast<ssize_t>(sizeof index)) completed = index;
    ::close(pipeFds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child finished before it was killed";
    ASSERT_GE(completed, 59);

    const auto hive = RegistryStore::parse(readFile(home.registryFile()), "HKEY_CURRENT_USER");
    ASSERT_TRUE(hive) << "the file does not parse after the kill";
    RegistryStore store(home.registryFile(), "HKEY_CURRENT_USER");
    for (int i = 0; i <= completed; ++i)
        ASSERT_TRUE(store.value(kSettingsKey, "V" + std::to_string(i))) << "completed value " << i << " lost";
    // The temporary file the killed writer may have left is removed by the next change.
    ASSERT_TRUE(store.setValue(kSettingsKey, "After", "1"));
    for (const auto& entry : fs::directory_iterator(fs::path(home.registryFile()).parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace orvanta
