#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "settings/settingsstore.h"
#include "settings/settingstable.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

// A key in memory that records every operation, in order.
class RecordingKey : public SettingsKey {
public:
    std::map<std::string, std::string> values;
    mutable std::vector<std::string> reads;
    std::vector<std::pair<std::string, std::string>> writes;

    bool valueExists(const std::string& name) const override { return values.count(name) != 0; }
    std::string readString(const std::string& name) const override {
        reads.push_back(name);
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    void writeString(const std::string& name, const std::string& value) override {
        writes.emplace_back(name, value);
        values[name] = value;
    }
    std::vector<std::string> writtenNames() const {
        std::vector<std::string> names;
        for (const auto& w : writes) names.push_back(w.first);
        return names;
    }
};

TEST(SettingsStore, DefaultsAreWrittenInTheStoredOrderWithTheStoredTexts) {
    RecordingKey key;
    writeDefaultSettings(key, 35);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"", "(value not set)"}, {"Duration", "20"}, {"Count", "0"}, {"Randomize", "1"}, {"AlphaSort", "0"},
        {"DateSort", "0"}, {"DateRevSort", "0"}, {"AlphaMemory", "1"}, {"LastImage", ""}, {"Stretch", "0"},
        {"Proportional", "1"}, {"PropLimit", "0"}, {"Tiled", "0"}, {"Effects", "1"}, {"Delay", "10"},
        {"Message", "0"}, {"MsgText", "Place your message here..."}, {"MsgPlace", "5"}, {"Splash", "1"},
        {"IgnoreMouse", "0"}, {"WallpaperLast", "0"}, {"Transitions", std::string(35, '1')}, {"Shrink", "0"},
        {"TextFont", "14.Times New Roman.Bold"}, {"TextColor", "255255255"}, {"Captions", "0"},
        {"CaptionPlace", "4"}, {"CaptionDate", "0"}, {"CaptionFullPath", "0"},
        {"CaptionFont", "14.Times New Roman.Bold"}, {"CaptionColor", "255255255"}, {"BackColor", "  0  0  0"},
        {"CaptionTrans", "1"}, {"CaptionBackColor", "  0  0  0"}, {"MusicOption", "0"}, {"NumMusicDirs", "0"},
        {"CDDrvStr", ""}, {"CDRandom", "1"}, {"AutoSubDir", "0"}, {"RanLocDisp", "0"}};
    EXPECT_EQ(key.writes, expected);
}

TEST(SettingsStore, LoadWritesTheUpgradeGroupsThenReadsInOrder) {
    RecordingKey key;
    key.values = {{"Duration", " 7abc"}, {"Count", "0"}};
    Settings settings;
    LoadSettingsContext context;
    test::TempDir dir;
    context.favouritesDefault = dir.str() + "/Favorite Pictures";
    loadSettingsFromKey(settings, key, context);
    EXPECT_EQ(key.writtenNames(), (std::vector<std::string>{"MusicOption", "NumMusicDirs", "CDDrvStr", "CDRandom",
                                                            "CurrentFavDir", "RanLocDisp"}));
    EXPECT_EQ(key.values["CurrentFavDir"], context.favouritesDefault);
    EXPECT_TRUE(std::filesystem::is_directory(context.favouritesDefault));
    EXPECT_EQ(settings.Duration, 7);
    // Only existing values are read: Duration, Count, CurrentFavDir, then the
    // second group, RanLocDisp and nothing absent.
    EXPECT_EQ(key.reads, (std::vector<std::string>{"Duration", "Count", "CurrentFavDir", "MusicOption",
                                                   "NumMusicDirs", "CDDrvStr", "CDRandom", "RanLocDisp"}));
    // Absent values keep the built-in initial values, which differ from the stored defaults here.
    EXPECT_FALSE(settings.AlphaMemory);
    EXPECT_FALSE(settings.Splash);
    EXPECT_EQ(settings.CaptionPlace, 3);
    EXPECT_TRUE(settings.centred);  // RanLocDisp read as 0 and Tiled off
}

TEST(SettingsStore, EveryReadFollowsTheReadingOrder) {
    RecordingKey key;
    writeDefaultSettings(key, 35);
    key.values["CurrentFavDir"] = "/tmp";
    key.reads.clear();
    Settings settings;
    loadSettingsFromKey(settings, key, {});
    std::vector<std::string> expected;
    for (std::string_view name : loadOrder()) expected.emplace_back(name);
    for (const char* name : {"MusicOption", "NumMusicDirs", "CDDrvStr", "CDRandom", "RanLocDisp", "AutoSubDir"})
        expected.emplace_back(name);
    EXPECT_EQ(key.reads, expected);
    EXPECT_TRUE(settings.AlphaMemory);
    EXPECT_TRUE(settings.Splash);
    EXPECT_EQ(settings.CaptionPlace, 4);
}

TEST(SettingsStore, DerivedValues) {
    struct Case {
        const char* propLimit;
        float factor;
    };
    for (const Case& c : {Case{"0", 5000.0f}, Case{"1", 1.5f}, Case{"2", 2.0f}, Case{"3", 3.0f}, Case{"4", 4.0f},
                          Case{"5", 5.0f}, Case{"6", 5000.0f}, Case{"-1", 5000.0f}}) {
        RecordingKey key;
        writeDefaultSettings(key, 35);
        key.values["CurrentFavDir"] = "/tmp";
        key.values["PropLimit"] = c.propLimit;
        key.values["Tiled"] = "1";
        Settings settings;
        loadSettingsFromKey(settings, key, {});
        EXPECT_EQ(settings.propLimitFactor, c.factor) << c.propLimit;
        EXPECT_FALSE(settings.centred);
    }
}

TEST(SettingsStore, SaveWritesTheStoredOrderWithDirectoryPairs) {
    Settings settings;
    settings.imageDirs = {{"/pictures/a", true}, {"/pictures/b", false}};
    settings.musicDirs = {{"/music", true}};
    settings.Duration = 0;
    RecordingKey key;
    saveSettingsToKey(settings, key, 35);
    std::vector<std::string> expected;
    for (std::string_view name : saveOrder()) {
        if (name == kImageDirPairs) {
            for (const char* n : {"ImageDir0", "DirSet0", "ImageDir1", "DirSet1"}) expected.emplace_back(n);
        } else if (name == kMusicDirPairs) {
            for (const char* n : {"MusicDir0", "MusicDirSet0"}) expected.emplace_back(n);
        } else {
            expected.emplace_back(name);
        }
    }
    EXPECT_EQ(key.writtenNames(), expected);
    EXPECT_EQ(key.values["Count"], "2");
    EXPECT_EQ(key.values["DirSet1"], "0");
    EXPECT_EQ(key.values["NumMusicDirs"], "1");
    EXPECT_EQ(key.values["Duration"], "0");
    // The stored order as written by the dialog, checked name by name against the design's list.
    const std::vector<std::string_view> designOrder{
        "", "Duration", "Count", "Randomize", "AlphaSort", "DateSort", "DateRevSort", "AlphaMemory", "LastImage",
        "Stretch", "Proportional", "PropLimit", "Tiled", "Effects", "Delay", "Message", "MsgText", "MsgPlace",
        "Splash", "IgnoreMouse", "WallpaperLast", "BackColor", "ImageDir%i", "Transitions", "Shrink", "TextFont",
        "TextColor", "Captions", "CaptionPlace", "CaptionDate", "CaptionFullPath", "CaptionFont", "CaptionColor",
        "CaptionTrans", "CaptionBackColor", "LastAddedDir", "MusicOption", "NumMusicDirs", "CDDrvStr", "CDRandom",
        "LastMusicDir", "MusicDir%i", "AutoSubDir", "CurrentFavDir", "RanLocDisp"};
    EXPECT_EQ(std::vector<std::string_view>(saveOrder().begin(), saveOrder().end()), designOrder);
}

TEST(SettingsStore, EffectsWithoutAnyTransitionAreStoredOff) {
    Settings settings;
    settings.transitions.fill(0);
    RecordingKey key;
    saveSettingsToKey(settings, key, 35);
    EXPECT_EQ(key.values["Effects"], "0");
    EXPECT_EQ(key.values["Transitions"], std::string(35, '0'));
    settings.transitions[34] = 1;  // only the blend, which is not available with 34
    saveSettingsToKey(settings, key, 34);
    EXPECT_EQ(key.values["Effects"], "0");
    EXPECT_EQ(key.values["Transitions"], std::string(34, '0'));
}

TEST(SettingsStore, ThirtyFourTransitionsReadOnlyTheFirstSwitches) {
    RecordingKey key;
    writeDefaultSettings(key, 35);
    key.values["CurrentFavDir"] = "/tmp";
    key.values["Transitions"] = std::string(34, '0') + "1";
    Settings settings;
    LoadSettingsContext context;
    context.transitionCount = 34;
    loadSettingsFromKey(settings, key, context);
    for (int i = 0; i < 34; ++i) EXPECT_EQ(settings.transitions[static_cast<std::size_t>(i)], 0);
    EXPECT_EQ(settings.transitions[34], 1);  // untouched built-in value
}

class RegistrySettings : public ::testing::Test {
protected:
    test::IsolatedHome home;
};

TEST_F(RegistrySettings, AFreshAccountGetsEveryDefaultAndTheFavouritesDirectory) {
    Settings settings;
    loadSettings(settings, {});
    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(key.readString(""), "(value not set)");
    EXPECT_EQ(key.readString("TextFont"), "14.Times New Roman.Bold");
    EXPECT_EQ(key.readString("CurrentFavDir"), home.home() + "/Favorite Pictures");
    EXPECT_TRUE(std::filesystem::is_directory(home.home() + "/Favorite Pictures"));
    EXPECT_EQ(settings.Duration, 20);
    EXPECT_TRUE(settings.Splash);
    EXPECT_EQ(settings.TextFont.toString(), "14.Times New Roman.Bold");
}

TEST_F(RegistrySettings, SavingFewerDirectoriesLeavesTheOldEntriesUnread) {
    Settings settings;
    for (int i = 0; i < 5; ++i) settings.imageDirs.push_back({"/d" + std::to_string(i), true});
    saveSettings(settings, 35, nullptr);
    settings.imageDirs.resize(2);
    saveSettings(settings, 35, nullptr);
    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(key.readString("ImageDir4"), "/d4");
    Settings loaded;
    loadSettings(loaded, {});
    ASSERT_EQ(loaded.imageDirs.size(), 2u);
    EXPECT_EQ(loaded.imageDirs[1].path, "/d1");
}

TEST_F(RegistrySettings, ALoadAndSaveKeepsFontsAndColours) {
    Settings settings;
    loadSettings(settings, {});
    settings.TextFont = FontDescription::parse("12.Liberation Serif.Italic.StrikeOut");
    settings.BackColor = {0, 128, 255};
    saveSettings(settings, 35, nullptr);
    Settings loaded;
    loadSettings(loaded, {});
    EXPECT_EQ(loaded.TextFont.toString(), "12.Liberation Serif.Italic.Strikeout");
    EXPECT_EQ(loaded.BackColor, (Rgb{0, 128, 255}));
    Settings again = loaded;
    saveSettings(again, 35, nullptr);
    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(key.readString("CaptionFont"), "14.Times New Roman.Bold");
    EXPECT_EQ(key.readString("BackColor"), "  0128255");
}

TEST_F(RegistrySettings, ManualModeNoticeIsShownOnceForDurationZero) {
    Settings settings;
    settings.Duration = 0;
    int shown = 0;
    saveSettings(settings, 35, [&](const char* title, const char* text) {
        ++shown;
        EXPECT_STREQ(title, "Manual Slide Show Mode");
        EXPECT_EQ(std::string(text).substr(0, 51), "You have set the display duration to zero seconds. ");
    });
    EXPECT_EQ(shown, 1);
    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(key.readString("Duration"), "0");
}

TEST_F(RegistrySettings, RemovingTheSettingsTakesTheWholeProductKey) {
    Settings settings;
    loadSettings(settings, {});
    {
        WRegistryKey other;
        ASSERT_TRUE(other.create(RegistryRoot::CurrentUser, "Software\\Quorrin\\Other"));
    }
    removeAllSettings();
    WRegistryKey key;
    EXPECT_FALSE(key.open(RegistryRoot::CurrentUser, "Software\\Quorrin\\Orvanta"));
    EXPECT_FALSE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    EXPECT_TRUE(key.open(RegistryRoot::CurrentUser, "Software\\Quorrin\\Other"));
}

TEST_F(RegistrySettings, LastImageIsWrittenOnlyIntoAnExistingKey) {
    writeLastImage("/p/a.jpg");
    WRegistryKey key;
    EXPECT_FALSE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    Settings settings;
    loadSettings(settings, {});
    writeLastImage("/p/b.jpg");
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(key.readString("LastImage"), "/p/b.jpg");
}

}  // namespace
}  // namespace orvanta
