// Each earlier version stored a subset of today's values under the same names
// and encodings. A version key is read into the dialog's record, deleted, and
// copied into a new settings key only while that key is missing, so the
// oldest version present wins and newer earlier keys are dropped unread.
// Versions 2.0 and 3.0 knew fewer transitions than their successors: their
// switch strings get "1" switches appended, so the effects they did not know
// start switched on.
#include "settings/migration.h"

#include <array>
#include <span>
#include <string_view>

#include "base/WRegistryKey.h"
#include "settings/encodings.h"
#include "settings/settingsstore.h"
#include "settings/settingstable.h"

namespace orvanta {

namespace {

constexpr const char* kProductKey = "Software\\Quorrin\\Orvanta";

enum class Level { V20, V22, V24, V30 };

struct EarlierVersion {
    const char* name;
    Level level;
};

constexpr std::array<const char*, 5> kDroppedVersions{"1.3", "1.4", "1.5", "1.6", "1.7"};
constexpr std::array<EarlierVersion, 5> kMigratedVersions{
    {{"2.0", Level::V20}, {"2.2", Level::V22}, {"2.3", Level::V22}, {"2.4", Level::V24}, {"3.0", Level::V30}}};

// The plain values of 2.0 to 2.3 (besides Transitions and the directory entries).
constexpr auto kValues20 = std::to_array<std::string_view>(
    {"Duration", "Count", "Randomize", "Stretch", "Proportional", "Effects", "Delay", "Message", "MsgText", "Splash",
     "BackColor", "Shrink", "TextFont", "TextColor", "Captions", "CaptionPlace"});
constexpr auto kValuesAdded24 = std::to_array<std::string_view>(
    {"AlphaMemory", "LastImage", "Tiled", "IgnoreMouse", "WallpaperLast"});
constexpr auto kValuesAdded30 = std::to_array<std::string_view>(
    {"AlphaSort", "DateSort", "DateRevSort", "PropLimit", "MsgPlace", "CaptionDate", "CaptionFont", "CaptionColor",
     "CaptionTrans", "CaptionBackColor", "LastAddedDir", "MusicOption", "NumMusicDirs", "CDDrvStr", "CDRandom",
     "LastMusicDir"});

std::string versionPath(const char* version) { return std::string(kProductKey) + "\\" + version; }

// Opens the version key and, when it exists, deletes it through its parent.
void deleteVersionKey(const char* version) {
    WRegistryKey parent;
    if (parent.open(RegistryRoot::CurrentUser, kProductKey)) parent.deleteSubKey(version);
}

void readValues(WRegistryKey& key, Settings& record, std::span<const std::string_view> names, int transitionCount) {
    for (std::string_view name : names) {
        const std::string valueName(name);
        if (const SettingDef* def = findSetting(name); def && key.valueExists(valueName))
            parseSetting(*def, record, key.readString(valueName), transitionCount);
    }
}

// What the version did not store.
void fillIn(Settings& record, Level level, const MigrationContext& context) {
    if (level < Level::V24) {
        record.AlphaMemory = true;
        record.LastImage.clear();
        record.IgnoreMouse = false;
        record.WallpaperLast = false;
        // Tiled keeps the dialog's initial value.
    }
    if (level < Level::V30) {
        record.AlphaSort = record.DateSort = record.DateRevSort = false;
        record.PropLimit = 0;
        record.CaptionDate = false;
        record.MsgPlace = 5;
        record.CaptionFont = record.TextFont;
        record.CaptionColor = record.TextColor;
        record.CaptionBackColor = record.BackColor;
        record.CaptionTrans = true;
        record.LastAddedDir.clear();
        record.LastMusicDir.clear();
        record.MusicOption = 0;
        record.musicDirs.clear();
        record.CDDrvStr = context.firstCdDrive;
        record.CDRandom = true;
    }
    record.CaptionFullPath = false;
    record.AutoSubDir = false;
}

void writeSettingsKey(const Settings& record, const std::string& transitions, int transitionCount) {
    WRegistryKey key;
    if (!key.create(RegistryRoot::CurrentUser, kSettingsKeyPath)) return;
    key.beginBatch();  // the new key reaches the file in one piece
    key.writeString("", kUnnamedValueText);
    for (std::string_view name : saveOrder()) {
        if (name == kUnnamed || name == "CurrentFavDir" || name == "RanLocDisp") continue;
        if (name == kImageDirPairs) {
            for (std::size_t i = 0; i < record.imageDirs.size(); ++i) {
                key.writeString("ImageDir" + std::to_string(i), record.imageDirs[i].path);
                key.writeString("DirSet" + std::to_string(i), writeBoolean(record.imageDirs[i].inUse));
            }
        } else if (name == kMusicDirPairs) {
            for (std::size_t i = 0; i < record.musicDirs.size(); ++i) {
                key.writeString("MusicDir" + std::to_string(i), record.musicDirs[i].path);
                key.writeString("MusicDirSet" + std::to_string(i), writeBoolean(record.musicDirs[i].inUse));
            }
        } else if (name == "Transitions") {
            key.writeString("Transitions", transitions);
        } else {
            key.writeString(std::string(name), formatSetting(*findSetting(name), record, transitionCount));
        }
    }
    key.commitBatch();
}

void migrateVersion(const EarlierVersion& version, Settings& record, const MigrationContext& context) {
    WRegistryKey key;
    if (!key.open(RegistryRoot::CurrentUser, versionPath(version.name))) return;
    const int n = context.transitionCount;
    if (key.valueExists("")) (void)key.readString("");  // read and not used
    readValues(key, record, kValues20, n);
    if (version.level >= Level::V24) readValues(key, record, kValuesAdded24, n);
    if (version.level >= Level::V30) readValues(key, record, kValuesAdded30, n);
    RegistrySettingsKey entries(key);
    record.imageDirs = readStoredEntries(entries, "ImageDir", "DirSet", record.Count, kMaxPictureDirs);
    if (version.level >= Level::V30)
        record.musicDirs = readStoredEntries(entries, "MusicDir", "MusicDirSet", record.NumMusicDirs, kMaxMusicDirs);

    std::string transitions;
    if (key.valueExists("Transitions")) {
        transitions = key.readString("Transitions");
        if (version.level == Level::V20) transitions += "111111";
        if (version.level == Level::V30) transitions += n >= kTransitionCount ? "111" : "11";
        readTransitions(transitions, n, record.transitions.data());
    } else {
        transitions = writeTransitions(record.transitions.data(), n);
    }
    key.close();

    deleteVersionKey(version.name);

    if (WRegistryKey settingsKey; settingsKey.open(RegistryRoot::CurrentUser, kSettingsKeyPath)) return;
    fillIn(record, version.level, context);
    // The counts written are those of the entries carried.
    record.Count = static_cast<int>(record.imageDirs.size());
    record.NumMusicDirs = static_cast<int>(record.musicDirs.size());
    writeSettingsKey(record, transitions, n);
}

}  // namespace

void migrateSettings(Settings& record, const MigrationContext& context) {
    for (const char* version : kDroppedVersions) {
        WRegistryKey key;
        if (!key.open(RegistryRoot::CurrentUser, versionPath(version))) continue;
        key.close();
        deleteVersionKey(version);
    }
    for (const EarlierVersion& version : kMigratedVersions) migrateVersion(version, record, context);
}

}  // namespace orvanta
