// The support report: the system part from given facts and from the system's
// own files, and the saved-settings part read from a real settings store.
#include "settings/supportreport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "base/WRegistryKey.h"
#include "settings/settingskey.h"
#include "settings/settingsstore.h"
#include "settings/settingstable.h"
#include "tests/core/support/testenv.h"

using namespace orvanta;
using orvanta::test::IsolatedHome;
using orvanta::test::TempDir;

namespace {

SystemFacts sampleFacts() {
    SystemFacts f;
    f.kernel = KernelFacts{"Linux", "6.1.0-18-amd64", "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)", "x86_64"};
    f.os.prettyName = "Debian GNU/Linux 12 (bookworm)";
    f.os.name = "Debian GNU/Linux";
    f.memory.totalBytes = 16318704.0 * 1024;
    f.memory.commitLimitBytes = 9207964.0 * 1024;
    f.display.monitorCount = 1;
    f.display.virtualScreen = {0, 0, 1920, 1080};
    f.display.primaryWidth = 1920;
    f.display.primaryHeight = 1080;
    f.display.bitsPerPixel = 24;
    f.display.dpiX = f.display.dpiY = 96;
    f.display.screenSaverActive = true;
    f.display.screenSaverTimeout = 600;
    f.programDirectory = "/usr/bin/";
    f.volume = {"/home", "ext4"};
    return f;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(SystemReport, OneMonitorGivesEveryLineInOrderAndNoVirtualScreen) {
    EXPECT_EQ(systemReportText(sampleFacts()),
              "  Orvanta 4.9 (September 1, 2018)\r\n"
              "  Kernel Version: Linux 6.1.0-18-amd64, Machine: x86_64\r\n"
              "  Product Name: Debian GNU/Linux 12 (bookworm)\r\n"
              "  Build ID: #1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)\r\n"
              "  Physical Memory: 15936 MB\r\n"
              "  Committed Memory Limit: 8992 MB\r\n"
              "  Number of Monitors: 1\r\n"
              "  Primary Monitor Size: 1920 x 1080\r\n"
              "  Color Capability: 24-Bit\r\n"
              "  Number of Colors: 16777216\r\n"
              "  Palette Device: No\r\n"
              "  AlphaBlend Hardware: Yes\r\n"
              "  Pixel Resolution: 96 x 96\r\n"
              "  Screen Saver State: Enabled\r\n"
              "  Screen Saver Timeout: 600\r\n"
              "  Orvanta Location: /usr/bin/\r\n"
              "  File System of Volume /home: ext4");
}

TEST(SystemReport, DisplayVariants) {
    SystemFacts f = sampleFacts();
    f.display.monitorCount = 2;
    f.display.virtualScreen = {-1280, 0, 3200, 1080};
    f.display.bitsPerPixel = 32;
    f.display.paletteDevice = true;
    f.display.constantAlphaBlend = false;
    f.display.dpiX = 120;
    f.display.dpiY = 144;
    f.display.screenSaverActive = false;
    f.display.screenSaverTimeout = 0;
    const std::string r = systemReportText(f);
    EXPECT_TRUE(contains(r, "  Number of Monitors: 2\r\n  Virtual Screen: (-1280, 0, 3200, 1080)\r\n  Primary"));
    EXPECT_TRUE(contains(r, "  Color Capability: 32-Bit\r\n  Number of Colors: 4294967296\r\n"));
    EXPECT_TRUE(contains(r, "  Palette device: Yes\r\n  AlphaBlend Hardware: No\r\n  Pixel Resolution: 120 x 144\r\n"));
    EXPECT_TRUE(contains(r, "  Screen Saver State: Disabled\r\n  Screen Saver Timeout: 0\r\n"));
    // Eight bits in two planes are 65536 colours.
    f.display.bitsPerPixel = 8;
    f.display.planes = 2;
    EXPECT_TRUE(contains(systemReportText(f), "  Number of Colors: 65536\r\n"));
}

TEST(SystemReport, MissingFactsLeaveTheirLinesOut) {
    SystemFacts f = sampleFacts();
    f.kernel.reset();
    f.os = {};
    f.memory = {};
    const std::string r = systemReportText(f);
    for (const char* absent : {"Kernel Version", "Product Name", "Edition", "Build ID", "Memory"})
        EXPECT_FALSE(contains(r, absent)) << absent;
    EXPECT_TRUE(contains(r, "  Orvanta 4.9 (September 1, 2018)\r\n  Number of Monitors: 1\r\n"));

    // The distribution's own build and variant win over the kernel's build; a
    // plain NAME stands in for a missing PRETTY_NAME.
    f = sampleFacts();
    f.os.prettyName.reset();
    f.os.variant = "Workstation Edition";
    f.os.buildId = "rolling";
    EXPECT_TRUE(contains(systemReportText(f),
                         "  Product Name: Debian GNU/Linux\r\n  Edition: Workstation Edition\r\n"
                         "  Build ID: rolling\r\n  Physical"));
}

TEST(SystemReport, VolumeNamesAreCutAtThirtyTwoCharactersNotInsideOne) {
    SystemFacts f = sampleFacts();
    f.volume = {"/media/ü" + std::string(40, 'x'), "fuseblk-with-a-long-file-system-name"};
    const std::string r = systemReportText(f);
    EXPECT_TRUE(contains(r, "Volume /media/ü" + std::string(24, 'x') + ": fuseblk-with-a-long-file-system-"));
    EXPECT_EQ(r.substr(r.size() - 32), "fuseblk-with-a-long-file-system-");  // no line end after the last line
}

TEST(SystemFiles, OsReleaseValuesAreUnquotedAndUnescaped) {
    TempDir dir;
    const std::string path = dir.write("os-release",
                                       "# comment\n"
                                       "NAME=\"Fedora Linux\"\n"
                                       "PRETTY_NAME=\"Fedora Linux 39 (Workstation \\\"Edition\\\")\"\n"
                                       "VARIANT='Workstation Edition'\n"
                                       "BUILD_ID=rolling\r\n"
                                       "broken line\n");
    const OsRelease os = readOsRelease(path);
    EXPECT_EQ(os.name, "Fedora Linux");
    EXPECT_EQ(os.prettyName, "Fedora Linux 39 (Workstation \"Edition\")");
    EXPECT_EQ(os.variant, "Workstation Edition");
    EXPECT_EQ(os.buildId, "rolling");
    const OsRelease none = readOsRelease(dir.str() + "/missing");
    EXPECT_FALSE(none.prettyName || none.name || none.variant || none.buildId);
}

TEST(SystemFiles, MemInfoTakesTotalAndCommitLimit) {
    TempDir dir;
    const MemoryFacts m = readMemInfo(dir.write("meminfo",
                                                "MemTotal:       16318704 kB\n"
                                                "MemFree:         1000000 kB\n"
                                                "CommitLimit:     9207964 kB\n"
                                                "Committed_AS:   garbage kB\n"));
    EXPECT_EQ(m.totalBytes, 16318704.0 * 1024);
    EXPECT_EQ(m.commitLimitBytes, 9207964.0 * 1024);
    const MemoryFacts none = readMemInfo(dir.str() + "/missing");
    EXPECT_FALSE(none.totalBytes || none.commitLimitBytes);
    // The machine's own file has both.
    const MemoryFacts real = readMemInfo("/proc/meminfo");
    ASSERT_TRUE(real.totalBytes && real.commitLimitBytes);
    EXPECT_GT(*real.totalBytes, 64.0 * 1024 * 1024);
}

TEST(SystemFiles, TheVolumeIsTheLongestMountHoldingTheDirectory) {
    TempDir dir;
    const std::string base = dir.str();  // a real, canonical folder
    std::filesystem::create_directories(base + "/a b/c");
    std::filesystem::create_directories(base + "/ab");
    const std::string table = dir.write("mountinfo",
                                        "22 1 0:21 / / rw,relatime - overlay overlay rw\n"
                                        "30 22 0:30 / " +
                                            base +
                                            " rw shared:1 - tmpfs tmpfs rw\n"
                                            "31 30 0:31 / " +
                                            base +
                                            "/a\\040b rw - ext4 /dev/sda1 rw\n"
                                            "32 30 0:32 / " +
                                            base +
                                            "/a rw - btrfs /dev/sdb1 rw\n"
                                            "33 30 0:33 / " +
                                            base +
                                            "/ab rw - xfs /dev/sdc1 rw\n"
                                            "34 30 0:34 / " +
                                            base +
                                            "/ab rw - vfat /dev/sdd1 rw\n"
                                            "short line\n");
    EXPECT_EQ(volumeOf(base + "/a b/c", table).mountPoint, base + "/a b");
    EXPECT_EQ(volumeOf(base + "/a b/c", table).fileSystem, "ext4");
    EXPECT_EQ(volumeOf(base + "/ab", table).fileSystem, "vfat");  // the later mount hides the earlier
    EXPECT_EQ(volumeOf(base, table).fileSystem, "tmpfs");
    EXPECT_EQ(volumeOf("/", table).fileSystem, "overlay");

    // Without a table: the file system's type from the kernel, named.
    const VolumeFacts fallback = volumeOf(base, dir.str() + "/no-table");
    EXPECT_EQ(fallback.mountPoint, base);
    EXPECT_FALSE(fallback.fileSystem.empty());
    // The machine's own table names the volume of the root.
    EXPECT_EQ(volumeOf("/", "/proc/self/mountinfo").mountPoint, "/");
}

TEST(SystemFiles, GatheredFactsDescribeThisProcess) {
    const SystemFacts f = gatherSystemFacts(DisplayFacts{});
    ASSERT_TRUE(f.kernel);
    EXPECT_EQ(f.kernel->sysname, "Linux");
    EXPECT_EQ(f.programDirectory.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(f.programDirectory + "supportreport_test"));
    EXPECT_FALSE(f.volume.fileSystem.empty());
}

namespace {

// A settings key in a real store in a throwaway home.
class SavedSettingsTest : public ::testing::Test {
protected:
    IsolatedHome home;
    WRegistryKey key;

    void SetUp() override { ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKeyPath)); }
    void set(std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& [name, value] : values) key.writeString(name, value);
    }
    std::string report() { return lastSavedSettingsText(&key); }
};

}  // namespace

TEST_F(SavedSettingsTest, StoredDefaultsGiveTheLinesInOrder) {
    RegistrySettingsKey settingsKey(key);
    writeDefaultSettings(settingsKey, kTransitionCount);
    EXPECT_EQ(report(),
              "\r\n---- Last Saved Settings ----"
              "\r\n  Picture Disply Duration: 20"
              "\r\n  Picture Sequence: Random"
              "\r\n  Picture Stretch: Proportional"
              "\r\n  Messages: Off"
              "\r\n  Captions: Off"
              "\r\n  Ignore Mouse: No"
              "\r\n  Wallpaper Last Picture: No"
              "\r\n  Transition Effects: On"
              "\r\n  Transition Delay: 10"
              "\r\n  Directories In List: 0"
              "\r\n  Directories Selected: 0"
              "\r\n  Auto-add Subdirectories: No"
              "\r\n  Music Option: No Music");
}

TEST_F(SavedSettingsTest, DirectoriesSelectedSumsTheFlagsBelowTheCount) {
    set({{"Count", "3"},
         {"DirSet0", "1"},
         {"dirset1", "0"},
         {"DIRSET2", "1"},
         {"DirSet3", "1"},
         {"DirSet01", "1"},
         {"AutoSubDir", "1"}});
    const std::string r = report();
    EXPECT_TRUE(
        contains(r, "\r\n  Directories In List: 3\r\n  Directories Selected: 2\r\n  Auto-add Subdirectories: Yes"))
        << r;
    // A count far beyond what is stored neither hangs nor invents anything.
    set({{"Count", "2147483647"}});
    EXPECT_TRUE(contains(report(), "Directories Selected: 3"));
    set({{"Count", "-4"}});
    EXPECT_TRUE(contains(report(), "Directories In List: -4\r\n  Directories Selected: 0"));
}

TEST_F(SavedSettingsTest, CaptionsOffShowNeitherDateNorPath) {
    set({{"Captions", "0"}, {"CaptionDate", "1"}, {"CaptionFullPath", "1"}});
    EXPECT_TRUE(contains(report(), "Captions: Off"));
    EXPECT_FALSE(contains(report(), "Caption Date"));
    EXPECT_FALSE(contains(report(), "Caption Full Path"));
    set({{"Captions", "1"}, {"CaptionFullPath", "0"}});
    EXPECT_TRUE(contains(report(), "\r\n  Captions: On\r\n  Caption Date: Yes\r\n  Caption Full Path: No"));
}

TEST_F(SavedSettingsTest, StretchOrderAndTileLines) {
    set({{"Stretch", "0"}, {"Proportional", "0"}, {"Shrink", "1"}, {"Tiled", "1"}});
    std::string r = report();
    EXPECT_TRUE(contains(r, "\r\n  Picture Stretch: Shrink Only\r\n  Tile Pictures: Yes"));
    EXPECT_FALSE(contains(r, "None"));
    set({{"Shrink", "0"}, {"Tiled", "0"}});
    EXPECT_TRUE(contains(report(), "\r\n  Picture Stretch: None\r\n  Tile Pictures: No"));
    // Values that read as numbers other than 0 and 1 are set; text reads as 0.
    set({{"Stretch", " 7x"}, {"Proportional", "yes"}});
    r = report();
    EXPECT_TRUE(contains(r, "Picture Stretch: Full Screen"));
    EXPECT_FALSE(contains(r, "Proportional"));
    EXPECT_FALSE(contains(r, "Tile Pictures"));  // the tile line belongs to shrink-only and none
}

TEST_F(SavedSettingsTest, SequenceLines) {
    set({{"Randomize", "0"}, {"AlphaSort", "1"}, {"DateSort", "1"}, {"AlphaMemory", "1"}, {"DateRevSort", "0"}});
    EXPECT_TRUE(contains(report(),
                         "\r\n  Picture Sequence: Alphabetical\r\n  Remember Last Picture: Yes"
                         "\r\n  Picture Sequence: By Date\r\n  Remember Last Picture: Yes"
                         "\r\n  Newest Date First: No"));
    EXPECT_FALSE(contains(report(), "Random"));
}

TEST_F(SavedSettingsTest, EffectsOffHideTheDelay) {
    set({{"Effects", "0"}, {"Delay", "3"}});
    EXPECT_TRUE(contains(report(), "Transition Effects: Off"));
    EXPECT_FALSE(contains(report(), "Transition Delay"));
}

TEST_F(SavedSettingsTest, MusicOptions) {
    set({{"MusicOption", "1"},
         {"NumMusicDirs", "2"},
         {"MusicDirSet0", "1"},
         {"MusicDirSet1", "1"},
         {"MusicDirSet2", "1"}});
    EXPECT_TRUE(contains(report(),
                         "\r\n  Music Option: Music Directories\r\n  Music Directories In List: 2"
                         "\r\n  Music Directories Selected: 2"));
    set({{"MusicOption", "2"}});
    EXPECT_TRUE(contains(report(), "\r\n  Music Option: Music CD"));
    set({{"MusicOption", "5"}});
    EXPECT_TRUE(contains(report(), "\r\n  Music Option: No Music"));
}

TEST_F(SavedSettingsTest, AnEmptyKeyGivesOnlyTheNoStretchLine) {
    // Nothing stored reads as zero: only the "none" stretch line has no condition of existence.
    EXPECT_EQ(report(), "\r\n---- Last Saved Settings ----\r\n  Picture Stretch: None");
}

TEST(SupportReport, WithoutASettingsKeyOnlyTheHeadingFollows) {
    IsolatedHome home;
    EXPECT_EQ(lastSavedSettingsText(nullptr), "\r\n---- Last Saved Settings ----");
    EXPECT_EQ(supportReportText("  system"), "  system\r\n---- Last Saved Settings ----");
    // What is saved later shows on the next report.
    WRegistryKey key;
    ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kSettingsKeyPath));
    key.writeString("Duration", "35");
    EXPECT_TRUE(contains(supportReportText("  system"),
                         "  system\r\n---- Last Saved Settings ----\r\n  Picture Disply Duration: 35"));
}

TEST(SystemFiles, XscreensaverPreferences) {
    TempDir dir;
    XscreensaverPrefs p = readXscreensaverPrefs(dir.write("a", "# comment\ntimeout:\t1:02:03\nmode:\t\trandom\n"));
    EXPECT_EQ(p.timeoutSeconds, 3723);
    EXPECT_FALSE(p.off);
    p = readXscreensaverPrefs(dir.write("b", "timeout: 7:30\nmode: off\n"));
    EXPECT_EQ(p.timeoutSeconds, 450);
    EXPECT_TRUE(p.off);
    EXPECT_EQ(readXscreensaverPrefs(dir.write("c", "timeout: 12\n")).timeoutSeconds, 720);  // minutes
    for (const char* bad : {"timeout: soon\n", "timeout: 1:2:3:4\n", "timeout:\n", "timeout: 99999999999999\n"})
        EXPECT_FALSE(readXscreensaverPrefs(dir.write("d", bad)).timeoutSeconds) << bad;
    EXPECT_FALSE(readXscreensaverPrefs(dir.str() + "/missing").timeoutSeconds);
}
