#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <map>
#include <vector>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/crandom.h"
#include "base/mt19937.h"
#include "base/registryformat.h"
#include "base/registrystore.h"
#include "settings/settingsstore.h"
#include "settings/settingstable.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/transitionplan.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

// The settings key's values as a user finds them in the file: names in file order, and texts.
std::vector<std::pair<std::string, std::string>> storedValues(const std::string& file) {
    const ParsedRegistryFile parsed = parseRegistryFile(test::readFile(file), "HKEY_CURRENT_USER");
    for (const RegistrySection& section : parsed.hive.sections) {
        if (section.foreign || section.name != kSettingsKeyPath) continue;
        std::vector<std::pair<std::string, std::string>> values;
        for (const RegistryValue& v : section.values) values.emplace_back(v.name, v.text);
        return values;
    }
    return {};
}

std::vector<std::string> namesOf(const std::vector<std::pair<std::string, std::string>>& values) {
    std::vector<std::string> names;
    for (const auto& v : values) names.push_back(v.first);
    return names;
}

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
};

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

// --- the file as a user finds it ---

TEST_F(RegistrySettings, TheFirstShowWritesEveryStoredDefaultInTheStoredOrder) {
    Settings settings;
    loadSettings(settings, {});
    const std::vector<std::pair<std::string, std::string>> expected{{"", "(value not set)"},
                                                                    {"Duration", "20"},
                                                                    {"Count", "0"},
                                                                    {"Randomize", "1"},
                                                                    {"AlphaSort", "0"},
                                                                    {"DateSort", "0"},
                                                                    {"DateRevSort", "0"},
                                                                    {"AlphaMemory", "1"},
                                                                    {"LastImage", ""},
                                                                    {"Stretch", "0"},
                                                                    {"Proportional", "1"},
                                                                    {"PropLimit", "0"},
                                                                    {"Tiled", "0"},
                                                                    {"Effects", "1"},
                                                                    {"Delay", "10"},
                                                                    {"Message", "0"},
                                                                    {"MsgText", "Place your message here..."},
                                                                    {"MsgPlace", "5"},
                                                                    {"Splash", "1"},
                                                                    {"IgnoreMouse", "0"},
                                                                    {"WallpaperLast", "0"},
                                                                    {"Transitions", std::string(35, '1')},
                                                                    {"Shrink", "0"},
                                                                    {"TextFont", "14.Times New Roman.Bold"},
                                                                    {"TextColor", "255255255"},
                                                                    {"Captions", "0"},
                                                                    {"CaptionPlace", "4"},
                                                                    {"CaptionDate", "0"},
                                                                    {"CaptionFullPath", "0"},
                                                                    {"CaptionFont", "14.Times New Roman.Bold"},
                                                                    {"CaptionColor", "255255255"},
                                                                    {"BackColor", "  0  0  0"},
                                                                    {"CaptionTrans", "1"},
                                                                    {"CaptionBackColor", "  0  0  0"},
                                                                    {"MusicOption", "0"},
                                                                    {"NumMusicDirs", "0"},
                                                                    {"CDDrvStr", ""},
                                                                    {"CDRandom", "1"},
                                                                    {"AutoSubDir", "0"},
                                                                    {"RanLocDisp", "0"},
                                                                    {"CurrentFavDir",
                                                                     home.home() + "/Favorite Pictures"}};
    EXPECT_EQ(storedValues(home.registryFile()), expected);
    EXPECT_EQ(test::readFile(home.registryFile())
                  .rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n@=\"(value not set)\"\n"
                         "\"Duration\"=\"20\"\n",
                         0),
              0u);
}

TEST_F(RegistrySettings, TheDialogsSaveWritesTheStoredOrderWithTheDirectoryPairsInPlace) {
    Settings settings;
    settings.imageDirs = {{"/pictures/a", true}, {"/pictures/b", false}};
    settings.musicDirs = {{"/music", true}};
    saveSettings(settings, 35, nullptr);
    const auto values = storedValues(home.registryFile());
    EXPECT_EQ(namesOf(values), (std::vector<std::string>{"",
                                                         "Duration",
                                                         "Count",
                                                         "Randomize",
                                                         "AlphaSort",
                                                         "DateSort",
                                                         "DateRevSort",
                                                         "AlphaMemory",
                                                         "LastImage",
                                                         "Stretch",
                                                         "Proportional",
                                                         "PropLimit",
                                                         "Tiled",
                                                         "Effects",
                                                         "Delay",
                                                         "Message",
                                                         "MsgText",
                                                         "MsgPlace",
                                                         "Splash",
                                                         "IgnoreMouse",
                                                         "WallpaperLast",
                                                         "BackColor",
                                                         "ImageDir0",
                                                         "DirSet0",
                                                         "ImageDir1",
                                                         "DirSet1",
                                                         "Transitions",
                                                         "Shrink",
                                                         "TextFont",
                                                         "TextColor",
                                                         "Captions",
                                                         "CaptionPlace",
                                                         "CaptionDate",
                                                         "CaptionFullPath",
                                                         "CaptionFont",
                                                         "CaptionColor",
                                                         "CaptionTrans",
                                                         "CaptionBackColor",
                                                         "LastAddedDir",
                                                         "MusicOption",
                                                         "NumMusicDirs",
                                                         "CDDrvStr",
                                                         "CDRandom",
                                                         "LastMusicDir",
                                                         "MusicDir0",
                                                         "MusicDirSet0",
                                                         "AutoSubDir",
                                                         "CurrentFavDir",
                                                         "RanLocDisp"}));
    const std::map<std::string, std::string> byName(values.begin(), values.end());
    EXPECT_EQ(byName.at("Count"), "2");
    EXPECT_EQ(byName.at("ImageDir1"), "/pictures/b");
    EXPECT_EQ(byName.at("DirSet1"), "0");
    EXPECT_EQ(byName.at("NumMusicDirs"), "1");
}

TEST_F(RegistrySettings, AnOlderKeyGetsTheMissingGroupsAndKeepsWhatItHas) {
    home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg",
                     "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n\"Duration\"=\" 7abc\"\n"
                     "\"Count\"=\"0\"\n");
    Settings settings;
    loadSettings(settings, {});
    EXPECT_EQ(storedValues(home.registryFile()),
              (std::vector<std::pair<std::string, std::string>>{{"Duration", " 7abc"},
                                                                {"Count", "0"},
                                                                {"MusicOption", "0"},
                                                                {"NumMusicDirs", "0"},
                                                                {"CDDrvStr", ""},
                                                                {"CDRandom", "1"},
                                                                {"CurrentFavDir", home.home() + "/Favorite Pictures"},
                                                                {"RanLocDisp", "0"}}));
    EXPECT_TRUE(std::filesystem::is_directory(home.home() + "/Favorite Pictures"));
    EXPECT_EQ(settings.Duration, 7);
    // Absent values keep the built-in initial values, which differ from the stored defaults here.
    EXPECT_FALSE(settings.AlphaMemory);
    EXPECT_FALSE(settings.Splash);
    EXPECT_EQ(settings.CaptionPlace, 3);
    EXPECT_TRUE(settings.centred);  // RanLocDisp read as 0 and Tiled off
}

TEST_F(RegistrySettings, EverySettingSavedIsReadBack) {
    Settings saved;
    saved.Duration = 45;
    saved.imageDirs = {{"/p/one", true}, {"/p/two", false}};
    saved.Randomize = false;
    saved.AlphaSort = saved.DateSort = saved.DateRevSort = saved.AlphaMemory = true;
    saved.LastImage = "/p/one/a.jpg";
    saved.AutoSubDir = saved.Stretch = saved.Shrink = saved.Tiled = saved.RanLocDisp = true;
    saved.Proportional = false;
    saved.PropLimit = 3;
    saved.BackColor = {1, 2, 3};
    saved.transitions.fill(0);
    saved.transitions[4] = 1;
    saved.Delay = 0;
    saved.Message = true;
    saved.MsgText =
        "Gr\xC3\xBC\xC3\x9F"
        "e \"quoted\" \\ back";
    saved.MsgPlace = 9;
    saved.TextFont = FontDescription::parse("10.Arial.Width =6.Italic");
    saved.TextColor = {10, 20, 30};
    saved.Captions = saved.CaptionDate = saved.CaptionFullPath = true;
    saved.CaptionPlace = 0;
    saved.CaptionFont = FontDescription::parse("Serif.Height=-20.Heavy");
    saved.CaptionColor = {40, 50, 60};
    saved.CaptionTrans = false;
    saved.CaptionBackColor = {70, 80, 90};
    saved.Splash = saved.IgnoreMouse = saved.WallpaperLast = true;
    saved.CurrentFavDir = "/p/favourites";
    saved.LastAddedDir = "/p/two";
    saved.MusicOption = 1;
    saved.musicDirs = {{"/m", true}};
    saved.CDDrvStr = "D:";
    saved.CDRandom = false;
    saved.LastMusicDir = "/m";
    saveSettings(saved, 35, nullptr);

    Settings loaded;
    loadSettings(loaded, {});
    Settings expected = saved;
    expected.Count = 2;
    expected.NumMusicDirs = 1;
    expected.propLimitFactor = 3.0f;
    expected.LastAddedDir = loaded.LastAddedDir;  // read by the dialog only
    expected.LastMusicDir = loaded.LastMusicDir;
    EXPECT_EQ(loaded.Duration, expected.Duration);
    EXPECT_EQ(loaded.imageDirs, expected.imageDirs);
    EXPECT_EQ(loaded.musicDirs, expected.musicDirs);
    EXPECT_EQ(loaded.MsgText, expected.MsgText);
    EXPECT_EQ(loaded.TextFont, expected.TextFont);
    EXPECT_EQ(loaded.CaptionFont, expected.CaptionFont);
    EXPECT_EQ(loaded.transitions, expected.transitions);
    EXPECT_EQ(loaded.CaptionBackColor, expected.CaptionBackColor);
    EXPECT_EQ(loaded.CDDrvStr, expected.CDDrvStr);
    EXPECT_EQ(loaded.propLimitFactor, expected.propLimitFactor);
    EXPECT_EQ(std::tie(loaded.Randomize, loaded.AlphaSort, loaded.DateSort, loaded.DateRevSort, loaded.AlphaMemory,
                       loaded.AutoSubDir, loaded.Stretch, loaded.Proportional, loaded.Shrink, loaded.Tiled,
                       loaded.RanLocDisp, loaded.Message, loaded.Captions, loaded.CaptionDate, loaded.CaptionFullPath,
                       loaded.CaptionTrans, loaded.Splash, loaded.IgnoreMouse, loaded.WallpaperLast, loaded.CDRandom),
              std::tie(expected.Randomize, expected.AlphaSort, expected.DateSort, expected.DateRevSort,
                       expected.AlphaMemory, expected.AutoSubDir, expected.Stretch, expected.Proportional,
                       expected.Shrink, expected.Tiled, expected.RanLocDisp, expected.Message, expected.Captions,
                       expected.CaptionDate, expected.CaptionFullPath, expected.CaptionTrans, expected.Splash,
                       expected.IgnoreMouse, expected.WallpaperLast, expected.CDRandom));
    EXPECT_EQ(std::tie(loaded.Count, loaded.PropLimit, loaded.Delay, loaded.MsgPlace, loaded.CaptionPlace,
                       loaded.MusicOption, loaded.NumMusicDirs, loaded.LastImage, loaded.CurrentFavDir),
              std::tie(expected.Count, expected.PropLimit, expected.Delay, expected.MsgPlace, expected.CaptionPlace,
                       expected.MusicOption, expected.NumMusicDirs, expected.LastImage, expected.CurrentFavDir));
    EXPECT_EQ(std::tie(loaded.BackColor, loaded.TextColor, loaded.CaptionColor),
              std::tie(expected.BackColor, expected.TextColor, expected.CaptionColor));
}

// UTF-16LE with a byte-order mark, as the registry editor of Windows exports.
std::string utf16(const std::string& text) {
    std::string out = "\xFF\xFE";
    for (const char16_t unit : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdU16String()) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

TEST_F(RegistrySettings, AWindowsExportDroppedInPlaceKeepsEveryValue) {
    home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg",
                     utf16("Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\r\n"
                           "@=\"(value not set)\"\r\n"
                           "\"Duration\"=dword:00000005\r\n"
                           "\"Count\"=\"1\"\r\n"
                           "\"ImageDir0\"=\"/home/j\xC3\xBCrgen/Bilder\"\r\n"
                           "\"DirSet0\"=dword:00000001\r\n"
                           "\"Delay\"=dword:00000003\r\n"
                           "\"MsgText\"=\"Sch\xC3\xB6ne Gr\xC3\xBC\xC3\x9F"
                           "e\"\r\n"
                           "\"Message\"=\"1\"\r\n"
                           "\"TextFont\"=\"9.MS Sans Serif.Bold\"\r\n"
                           "\"BackColor\"=\"255  0  0\"\r\n"
                           "\"MusicOption\"=\"0\"\r\n"
                           "\"CurrentFavDir\"=\"C:\\\\Favorite Pictures\"\r\n"
                           "\"RanLocDisp\"=\"0\"\r\n\r\n"));
    ::testing::internal::CaptureStderr();
    Settings settings;
    loadSettings(settings, {});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // nothing in it went unread
    EXPECT_EQ(settings.Duration, 5);
    ASSERT_EQ(settings.imageDirs.size(), 1u);
    EXPECT_EQ(settings.imageDirs[0], (DirectoryEntry{"/home/j\xC3\xBCrgen/Bilder", true}));
    EXPECT_EQ(settings.Delay, 3);
    EXPECT_TRUE(settings.Message);
    EXPECT_EQ(settings.MsgText,
              "Sch\xC3\xB6ne Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(settings.TextFont.toString(), "9.MS Sans Serif.Bold");
    EXPECT_EQ(settings.BackColor, (Rgb{255, 0, 0}));
    EXPECT_EQ(settings.CurrentFavDir, "C:\\Favorite Pictures");

    // The first write (the end of the show) makes it the store's own file,
    // every value still there, the dwords still dwords.
    writeLastImage("/home/j\xC3\xBCrgen/Bilder/a.jpg");
    const std::string text = test::readFile(home.registryFile());
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(text.find("\n\"Duration\"=dword:00000005\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"MsgText\"=\"Sch\xC3\xB6ne Gr\xC3\xBC\xC3\x9F"
                        "e\"\n"),
              std::string::npos)
        << text;
    Settings again;
    loadSettings(again, {});
    EXPECT_EQ(again.Duration, 5);
    EXPECT_EQ(again.imageDirs, settings.imageDirs);
    EXPECT_EQ(again.LastImage, "/home/j\xC3\xBCrgen/Bilder/a.jpg");
}

// --- values out of range ---

struct Extreme {
    const char* name;
    const char* stored;
    int Settings::*member;
    int expected;
};

TEST_F(RegistrySettings, OutOfRangeNumbersAreClampedWhereReadAndSafeToComputeWith) {
    for (const Extreme& e :
         {Extreme{"Duration", "2147484", &Settings::Duration, kMaxDuration},
          Extreme{"Duration", "99999999999999999999", &Settings::Duration, kMaxDuration},
          // A negative duration is a timed show of one second; only 0 asks for the manual show.
          Extreme{"Duration", "-5", &Settings::Duration, 1}, Extreme{"Duration", "-2147483648", &Settings::Duration, 1},
          Extreme{"Delay", "2147483647", &Settings::Delay, 20}, Extreme{"Delay", "21", &Settings::Delay, 20},
          Extreme{"Delay", "-1", &Settings::Delay, 0}, Extreme{"Count", "-3", &Settings::Count, 0},
          Extreme{"Count", "2147483647", &Settings::Count, kMaxPictureDirs},
          Extreme{"NumMusicDirs", "100000", &Settings::NumMusicDirs, kMaxMusicDirs}}) {
        home.dir().write(
            "config/orvanta/HKEY_CURRENT_USER.reg",
            std::string("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n\"MusicOption\"=\"1\"\n\"") +
                e.name + "\"=\"" + e.stored + "\"\n");
        Settings settings;
        loadSettings(settings, {});
        EXPECT_EQ(settings.*e.member, e.expected) << e.name << " " << e.stored;
        // What the show computes from them stays in range (the sanitizer build checks the arithmetic).
        const int timerMs = settings.Duration * 1000;
        EXPECT_GE(timerMs, 0);
        std::vector<int> blocks(static_cast<std::size_t>(blockCountFor(64, 48)));
        Mt19937 mt;
        CRandom cr(1);
        TransitionRandom random{mt, cr};
        int longest = 0;
        for (int effect = 1; effect <= 35; ++effect)
            forEachStep(effect, TransitionGeometry{64, 48, blockSizeFor(64), settings.Delay, blocks}, random,
                        [&](const TransitionStep& step) {
                            EXPECT_GE(step.pauseMs, 0);
                            longest = std::max(longest, step.pauseMs);
                            return true;
                        });
        EXPECT_LE(longest, 100 * kMaxDelay) << e.name << " " << e.stored;
    }
}

TEST_F(RegistrySettings, FontNumbersAreClampedToWhatAFontChooserGives) {
    struct Case {
        const char* stored;
        const char* read;
    };
    for (const Case& c :
         {Case{"Arial.Height=-2147483648", "Arial.Height=-683"}, Case{"Arial.Height=2147483647", "Arial.Height=683"},
          Case{"99999999999.Arial", "512.Arial"},
          Case{"12.Arial.Width =2147483647.Weight=-7.CharSet=300", "12.Arial.Width =683.Weight=0.CharSet=255"},
          Case{"12.Arial.Width =-4", "12.Arial"}}) {
        home.dir().write("config/orvanta/HKEY_CURRENT_USER.reg",
                         std::string(
                             "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n\"TextFont\"=\"") +
                             c.stored + "\"\n\"CaptionFont\"=\"" + c.stored + "\"\n");
        Settings settings;
        loadSettings(settings, {});
        EXPECT_EQ(settings.TextFont.toString(), c.read) << c.stored;
        EXPECT_EQ(settings.CaptionFont.toString(), c.read) << c.stored;
        EXPECT_LE(std::abs(settings.TextFont.height), kMaxFontPixels);
    }
}

// --- files that must never stop the show ---

TEST_F(RegistrySettings, AFifoInPlaceOfTheSettingsFileIsTreatedAsUnreadable) {
    std::filesystem::create_directories(std::filesystem::path(home.registryFile()).parent_path());
    ASSERT_EQ(::mkfifo(home.registryFile().c_str(), 0600), 0);
    ::alarm(60);  // a regression that waits on the FIFO ends the run instead of hanging it
    Settings settings;
    loadSettings(settings, {});
    writeLastImage("/p/a.jpg");
    saveSettings(settings, 35, nullptr);
    ::alarm(0);
    EXPECT_EQ(settings.Duration, 20);  // the built-in values
    EXPECT_TRUE(std::filesystem::is_fifo(home.registryFile()));
}

// 10,000 picture folders with long paths make a large file that is every
// bit valid: it is read. A file past the store's limit is left exactly as it
// is (not read, not moved aside, not written) and standard error says so.
TEST_F(RegistrySettings, ASettingsFileIsNeverMovedAsideForItsSize) {
    struct Row {
        const char* what;
        std::size_t pathLength;
        bool read;
    };
    for (const Row& row :
         {Row{"10,000 folders, 20 MiB", 2000, true}, Row{"10,000 folders past the limit", 6800, false}}) {
        SCOPED_TRACE(row.what);
        test::IsolatedHome fresh;
        std::string text =
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n\"Duration\"=\"33\"\n"
            "\"Count\"=\"10000\"\n";
        const std::string padding(row.pathLength, 'p');
        text.reserve(10000 * (row.pathLength + 50));
        for (int i = 0; i < 10000; ++i) {
            const std::string n = std::to_string(i);
            text.append("\"ImageDir").append(n).append("\"=\"/pictures/").append(n).append(padding);
            text.append("\"\n\"DirSet").append(n).append("\"=\"1\"\n");
        }
        ASSERT_EQ(text.size() > RegistryStore::kMaxFileBytes, !row.read) << text.size();
        const std::string file = fresh.dir().write("config/orvanta/HKEY_CURRENT_USER.reg", text);
        struct stat before {};
        ASSERT_EQ(::stat(file.c_str(), &before), 0);

        testing::internal::CaptureStderr();
        Settings settings;
        loadSettings(settings, {});
        std::string failure;
        const bool saved = saveSettings(settings, 35, nullptr, &failure);
        writeLastImage("/p/last.jpg");
        const std::string errors = testing::internal::GetCapturedStderr();

        std::vector<std::string> others;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path()))
            if (entry.path() != file && entry.path().string() != file + ".lock") others.push_back(entry.path());
        EXPECT_EQ(others, std::vector<std::string>{}) << "moved aside or left a copy";
        if (row.read) {
            EXPECT_EQ(settings.Duration, 33);
            ASSERT_EQ(settings.imageDirs.size(), 10000u);
            EXPECT_EQ(settings.imageDirs[9999].path, "/pictures/9999" + padding);
            EXPECT_TRUE(saved) << failure;
            WRegistryKey key;
            ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
            EXPECT_EQ(key.readString("ImageDir9999"), "/pictures/9999" + padding);
            EXPECT_EQ(key.readString("LastImage"), "/p/last.jpg");
        } else {
            EXPECT_EQ(settings.Duration, 20);
            EXPECT_TRUE(settings.imageDirs.empty());
            EXPECT_FALSE(saved);
            EXPECT_NE(failure.find(file + ": larger than 64 MiB"), std::string::npos) << failure;
            EXPECT_NE(errors.find(file + ": larger than 64 MiB"), std::string::npos) << errors;
            struct stat after {};
            ASSERT_EQ(::stat(file.c_str(), &after), 0);
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
            EXPECT_TRUE(test::readFile(file) == text) << "the file was changed";
        }
    }
}

// The dialog's save says which file it could not write and why; a save that
// reaches the file says nothing.
TEST_F(RegistrySettings, TheDialogsSaveReportsWhyItFailed) {
    Settings settings;
    std::string failure = "stale";
    EXPECT_TRUE(saveSettings(settings, 35, nullptr, &failure));
    EXPECT_EQ(failure, "stale");
    const std::string blocker = home.dir().write("blocker", "a file where a folder should be");
    ::setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);  // IsolatedHome puts it back
    EXPECT_FALSE(saveSettings(settings, 35, nullptr, &failure));
    EXPECT_EQ(failure, blocker + "/orvanta/HKEY_CURRENT_USER.reg: Not a directory");
}

TEST_F(RegistrySettings, TheEndOfAShowGivesUpOnALockHeldElsewhereAndKeepsTheFile) {
    Settings settings;
    loadSettings(settings, {});
    const std::string before = test::readFile(home.registryFile());
    const int fd = ::open((home.registryFile() + ".lock").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    // Another open file description holds the lock, as another process would.
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    writeLastImage("/p/a.jpg");
    EXPECT_EQ(test::readFile(home.registryFile()), before);
    ::close(fd);
    writeLastImage("/p/b.jpg");
    WRegistryKey key;
    ASSERT_TRUE(key.open(RegistryRoot::CurrentUser, kSettingsKeyPath));
    EXPECT_EQ(key.readString("LastImage"), "/p/b.jpg");
}

}  // namespace
}  // namespace orvanta
