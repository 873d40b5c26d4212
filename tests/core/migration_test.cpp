// Migration of earlier versions' keys and the dialog's load of the settings
// key, against the real registry store in a throwaway home.
#include <gtest/gtest.h>

#include <map>

#include "base/WRegistryKey.h"
#include "settings/dialogsettings.h"
#include "settings/migration.h"
#include "settings/settingstable.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

using Values = std::map<std::string, std::string>;

const std::string kProduct = "Software\\Quorrin\\Orvanta\\";

void writeKey(const std::string& version, const Values& values) {
    WRegistryKey key;
    ASSERT_TRUE(key.create(RegistryRoot::CurrentUser, kProduct + version));
    for (const auto& [name, value] : values) key.writeString(name, value);
}

bool keyExists(const std::string& version) {
    WRegistryKey key;
    return key.open(RegistryRoot::CurrentUser, kProduct + version);
}

Values readKey(const std::string& version) {
    WRegistryKey key;
    Values values;
    if (!key.open(RegistryRoot::CurrentUser, kProduct + version)) return values;
    for (const std::string& name : key.valueNames()) values[name] = key.readString(name);
    return values;
}

std::vector<std::string> valueOrder(const std::string& version) {
    WRegistryKey key;
    if (!key.open(RegistryRoot::CurrentUser, kProduct + version)) return {};
    return key.valueNames();
}

// What a 2.0 installation stored: 29 transitions and two picture directories.
Values version20() {
    return {{"", "(value not set)"},
            {"Duration", "12"},
            {"Count", "2"},
            {"ImageDir0", "/photos/a"},
            {"DirSet0", "1"},
            {"ImageDir1", "/photos/b"},
            {"DirSet1", "0"},
            {"Randomize", "0"},
            {"Stretch", "0"},
            {"Proportional", "0"},
            {"Effects", "1"},
            {"Delay", "7"},
            {"Message", "1"},
            {"MsgText", "Hello"},
            {"Splash", "0"},
            {"BackColor", " 10 20 30"},
            {"Transitions", "10101010101010101010101010101"},
            {"Shrink", "1"},
            {"TextFont", "12.Arial.Italic"},
            {"TextColor", "200100  0"},
            {"Captions", "1"},
            {"CaptionPlace", "2"}};
}

Values version24() {
    Values v = version20();
    v["Duration"] = "24";
    v["Transitions"] = std::string(35, '0');
    v["AlphaMemory"] = "0";
    v["LastImage"] = "/photos/a/last.jpg";
    v["Tiled"] = "1";
    v["IgnoreMouse"] = "1";
    v["WallpaperLast"] = "1";
    return v;
}

Values version30() {
    Values v = version24();
    v["Duration"] = "30";
    v["Transitions"] = std::string(32, '0');
    v["AlphaSort"] = "1";
    v["DateSort"] = "0";
    v["DateRevSort"] = "1";
    v["PropLimit"] = "3";
    v["MsgPlace"] = "8";
    v["CaptionDate"] = "1";
    v["CaptionFont"] = "9.Arial";
    v["CaptionColor"] = "  1  2  3";
    v["CaptionTrans"] = "0";
    v["CaptionBackColor"] = "  4  5  6";
    v["LastAddedDir"] = "/photos/b";
    v["MusicOption"] = "1";
    v["NumMusicDirs"] = "2";
    v["MusicDir0"] = "/music/one";
    v["MusicDirSet0"] = "1";
    v["MusicDir1"] = "/music/two";
    v["MusicDirSet1"] = "0";
    v["CDDrvStr"] = "/dev/sr1";
    v["CDRandom"] = "0";
    v["LastMusicDir"] = "/music/two";
    return v;
}

MigrationContext context() {
    MigrationContext c;
    c.firstCdDrive = "/dev/sr0";
    return c;
}

TEST(Migration, OnlyVersion20IsCarriedWithItsFillIns) {
    test::IsolatedHome home;
    writeKey("2.0", version20());
    Settings record;
    migrateSettings(record, context());

    EXPECT_FALSE(keyExists("2.0"));
    const Values v = readKey("4.0");
    EXPECT_EQ(v.at(""), "(value not set)");
    EXPECT_EQ(v.at("Duration"), "12");
    EXPECT_EQ(v.at("Count"), "2");
    EXPECT_EQ(v.at("ImageDir0"), "/photos/a");
    EXPECT_EQ(v.at("DirSet1"), "0");
    EXPECT_EQ(v.at("Randomize"), "0");
    EXPECT_EQ(v.at("MsgText"), "Hello");
    EXPECT_EQ(v.at("Transitions"),
              "10101010101010101010101010101"
              "111111");
    // Caption font and colours follow the message font, message colour and background.
    EXPECT_EQ(v.at("CaptionFont"), "12.Arial.Italic");
    EXPECT_EQ(v.at("CaptionColor"), "200100  0");
    EXPECT_EQ(v.at("CaptionBackColor"), " 10 20 30");
    EXPECT_EQ(v.at("CaptionTrans"), "1");
    EXPECT_EQ(v.at("AlphaMemory"), "1");
    EXPECT_EQ(v.at("MsgPlace"), "5");
    EXPECT_EQ(v.at("LastImage"), "");
    EXPECT_EQ(v.at("Tiled"), "0");  // the dialog's initial value
    for (const char* zero : {"IgnoreMouse", "WallpaperLast", "AlphaSort", "DateSort", "DateRevSort", "PropLimit",
                             "CaptionDate", "MusicOption", "NumMusicDirs", "CaptionFullPath", "AutoSubDir"})
        EXPECT_EQ(v.at(zero), "0") << zero;
    EXPECT_EQ(v.at("CDDrvStr"), "/dev/sr0");
    EXPECT_EQ(v.at("CDRandom"), "1");
    EXPECT_EQ(v.at("LastAddedDir"), "");
    EXPECT_EQ(v.at("LastMusicDir"), "");
    // Left to the dialog's follow-up groups.
    EXPECT_EQ(v.count("CurrentFavDir"), 0u);
    EXPECT_EQ(v.count("RanLocDisp"), 0u);

    // Written in the save order: directory pairs after BackColor, music settings last.
    const std::vector<std::string> order = valueOrder("4.0");
    auto at = [&](const std::string& name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
    EXPECT_LT(at("BackColor"), at("ImageDir0"));
    EXPECT_LT(at("DirSet1"), at("Transitions"));
    EXPECT_LT(at("LastMusicDir"), at("AutoSubDir"));
}

TEST(Migration, OneXKeysAreDeletedAndVersion24Carried) {
    test::IsolatedHome home;
    writeKey("1.5", {{"Duration", "99"}});
    writeKey("2.4", version24());
    Settings record;
    migrateSettings(record, context());

    EXPECT_FALSE(keyExists("1.5"));
    EXPECT_FALSE(keyExists("2.4"));
    const Values v = readKey("4.0");
    EXPECT_EQ(v.at("Duration"), "24");
    EXPECT_EQ(v.at("Transitions"), std::string(35, '0'));  // unchanged
    EXPECT_EQ(v.at("AlphaMemory"), "0");
    EXPECT_EQ(v.at("LastImage"), "/photos/a/last.jpg");
    EXPECT_EQ(v.at("Tiled"), "1");
    EXPECT_EQ(v.at("IgnoreMouse"), "1");
    EXPECT_EQ(v.at("WallpaperLast"), "1");
    EXPECT_EQ(v.at("MsgPlace"), "5");
    EXPECT_EQ(v.at("CaptionFont"), "12.Arial.Italic");
}

TEST(Migration, TheOldestVersionWinsAndNewerOnesAreDroppedUncopied) {
    test::IsolatedHome home;
    Values v22 = version20();
    v22["Duration"] = "22";
    v22["Transitions"] = std::string(35, '1');
    writeKey("2.2", v22);
    writeKey("3.0", version30());
    Settings record;
    migrateSettings(record, context());

    EXPECT_FALSE(keyExists("2.2"));
    EXPECT_FALSE(keyExists("3.0"));
    const Values v = readKey("4.0");
    EXPECT_EQ(v.at("Duration"), "22");
    EXPECT_EQ(v.at("Transitions"), std::string(35, '1'));
    EXPECT_EQ(v.at("MusicOption"), "0");
    EXPECT_EQ(v.count("MusicDir0"), 0u);
    EXPECT_EQ(v.at("AlphaSort"), "0");
}

TEST(Migration, AnExistingSettingsKeyIsLeftAloneWhileEarlierKeysGo) {
    test::IsolatedHome home;
    writeKey("4.0", {{"Duration", "5"}});
    writeKey("1.3", {});
    writeKey("2.3", version20());
    writeKey("3.0", version30());
    Settings record;
    migrateSettings(record, context());

    for (const char* version : {"1.3", "2.3", "3.0"}) EXPECT_FALSE(keyExists(version)) << version;
    EXPECT_EQ(readKey("4.0"), (Values{{"Duration", "5"}}));
}

TEST(Migration, Version30CarriesItsMusicDirectoriesAndGainsTheNewTransitions) {
    test::IsolatedHome home;
    writeKey("3.0", version30());
    Settings record;
    migrateSettings(record, context());

    const Values v = readKey("4.0");
    EXPECT_EQ(v.at("NumMusicDirs"), "2");
    EXPECT_EQ(v.at("MusicDir0"), "/music/one");
    EXPECT_EQ(v.at("MusicDirSet0"), "1");
    EXPECT_EQ(v.at("MusicDir1"), "/music/two");
    EXPECT_EQ(v.at("MusicDirSet1"), "0");
    EXPECT_EQ(v.at("Transitions"), std::string(32, '0') + "111");  // with the blend transition
    EXPECT_EQ(v.at("CDDrvStr"), "/dev/sr1");                       // carried, not filled in
    EXPECT_EQ(v.at("CaptionFont"), "9.Arial");
    EXPECT_EQ(v.at("CaptionTrans"), "0");
    EXPECT_EQ(v.at("PropLimit"), "3");
    EXPECT_EQ(v.at("LastAddedDir"), "/photos/b");
    EXPECT_EQ(v.at("CaptionFullPath"), "0");

    // Without the blend transition only "11" is appended.
    test::IsolatedHome other;
    writeKey("3.0", version30());
    MigrationContext without = context();
    without.transitionCount = 34;
    migrateSettings(record, without);
    EXPECT_EQ(readKey("4.0").at("Transitions"), std::string(32, '0') + "11");
}

TEST(Migration, EntriesWhosePathIsMissingAreNotCarried) {
    test::IsolatedHome home;
    Values v = version20();
    v["Count"] = "3";
    v.erase("ImageDir0");
    writeKey("2.0", v);
    Settings record;
    migrateSettings(record, context());
    const Values s = readKey("4.0");
    EXPECT_EQ(s.at("Count"), "1");
    EXPECT_EQ(s.at("ImageDir0"), "/photos/b");
    EXPECT_EQ(s.at("DirSet0"), "0");
    EXPECT_EQ(s.count("ImageDir1"), 0u);
}

DialogLoadContext dialogContext(const test::IsolatedHome& home) {
    DialogLoadContext c;
    c.firstCdDrive = "/dev/sr0";
    c.favouritesDefault = home.home() + "/Favorite Pictures";
    return c;
}

TEST(DialogLoad, AFreshAccountGetsTheDialogsDefaultsAndFollowUps) {
    test::IsolatedHome home;
    Settings record;
    loadDialogSettings(record, dialogContext(home));
    const Values v = readKey("4.0");
    EXPECT_EQ(v.at(""), "(value not set)");
    EXPECT_EQ(v.at("CDDrvStr"), "/dev/sr0");
    EXPECT_EQ(v.at("LastAddedDir"), "");
    EXPECT_EQ(v.at("LastMusicDir"), "");
    EXPECT_EQ(v.at("CurrentFavDir"), home.home() + "/Favorite Pictures");
    EXPECT_EQ(v.at("RanLocDisp"), "0");
    EXPECT_TRUE(std::filesystem::is_directory(home.home() + "/Favorite Pictures"));
    // The record holds the stored defaults.
    EXPECT_EQ(record.Duration, 20);
    EXPECT_TRUE(record.AlphaMemory);
    EXPECT_TRUE(record.Splash);
    EXPECT_EQ(record.CaptionPlace, 4);
    EXPECT_EQ(record.CDDrvStr, "/dev/sr0");
}

TEST(DialogLoad, AnOlderKeyGetsTheCaptionAndMusicGroupsAndEveryEntryIsRead) {
    test::IsolatedHome home;
    writeKey("4.0", {{"Duration", "9"},
                     {"Count", "2"},
                     {"ImageDir0", "/p/zero"},
                     {"DirSet0", "0"},
                     {"ImageDir1", "/p/one"},
                     {"DirSet1", "1"},
                     {"LastAddedDir", "/p/one"}});
    Settings record;
    loadDialogSettings(record, dialogContext(home));
    const Values v = readKey("4.0");
    EXPECT_EQ(v.at("CaptionFont"), "14.Times New Roman.Bold");
    EXPECT_EQ(v.at("CaptionColor"), "255255255");
    EXPECT_EQ(v.at("CaptionBackColor"), "  0  0  0");
    EXPECT_EQ(v.at("CaptionTrans"), "1");
    EXPECT_EQ(v.at("MusicOption"), "0");
    EXPECT_EQ(v.at("CDDrvStr"), "/dev/sr0");
    EXPECT_EQ(record.Duration, 9);
    // Unused directories are listed too: the dialog edits them.
    ASSERT_EQ(record.imageDirs.size(), 2u);
    EXPECT_EQ(record.imageDirs[0], (DirectoryEntry{"/p/zero", false}));
    EXPECT_EQ(record.LastAddedDir, "/p/one");
}

TEST(DialogLoad, MusicDirectoriesAreReadWhateverTheMusicOption) {
    test::IsolatedHome home;
    writeKey("4.0", {{"MusicOption", "2"},
                     {"NumMusicDirs", "1"},
                     {"MusicDir0", "/m"},
                     {"MusicDirSet0", "1"},
                     {"CDDrvStr", "/dev/sr3"},
                     {"LastMusicDir", "/m"}});
    Settings record;
    loadDialogSettings(record, dialogContext(home));
    ASSERT_EQ(record.musicDirs.size(), 1u);
    EXPECT_EQ(record.musicDirs[0].path, "/m");
    EXPECT_EQ(record.MusicOption, 2);
    EXPECT_EQ(record.CDDrvStr, "/dev/sr3");
    EXPECT_EQ(record.LastMusicDir, "/m");
}

}  // namespace
}  // namespace orvanta
