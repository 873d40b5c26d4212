#include "settings/settingsstore.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "settings/encodings.h"
#include "settings/settingstable.h"

namespace orvanta {

const char* const kManualModeNotice =
    "You have set the display duration to zero seconds.  This sets Orvanta in Manual Slide Show Mode.  "
    "In this mode, images must be advanced by hand.  The right mouse button, or the right or down arrow "
    "keys, will advance the slide show to the next image.  The left mouse button, or the left or up arrow "
    "keys, will return the slide show to the previous image.  Mouse movements will no longer close the "
    "program.  Press any keyboard key (other than the arrow keys) to exit the slide show.  You can manually "
    "start the slide show by running orvanta /s from a terminal or from your desktop's application launcher.  ";

namespace {

std::string indexed(std::string_view pattern, std::size_t i) {
    std::string name(pattern.substr(0, pattern.size() - 2));  // drop "%i"
    return name + std::to_string(i);
}

std::string storedDefault(const SettingDef& def, int transitionCount) {
    if (def.encoding == Encoding::Transitions) return std::string(static_cast<std::size_t>(transitionCount), '1');
    return def.storedDefault ? def.storedDefault : "";
}

}  // namespace

void readIfExists(SettingsKey& key, Settings& settings, std::string_view name, int transitionCount) {
    const SettingDef* def = findSetting(name);
    if (def && key.valueExists(std::string(name)))
        parseSetting(*def, settings, key.readString(std::string(name)), transitionCount);
}

std::vector<DirectoryEntry> readStoredEntries(SettingsKey& key, const char* pathName, const char* flagName, int count,
                                              int capacity) {
    std::vector<DirectoryEntry> entries;
    for (int i = 0; i < count && i < capacity; ++i) {
        const std::string index = std::to_string(i);
        if (!key.valueExists(pathName + index)) continue;
        entries.push_back({key.readString(pathName + index), readBoolean(key.readString(flagName + index))});
    }
    return entries;
}

void writeDefaultSettings(SettingsKey& key, int transitionCount) {
    for (std::string_view name : defaultsOrder()) {
        if (name == kUnnamed) {
            key.writeString("", kUnnamedValueText);
            continue;
        }
        key.writeString(std::string(name), storedDefault(*findSetting(name), transitionCount));
    }
}

std::string defaultFavouritesDirectory() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) home = env;
    else if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir;
    return home + "/Favorite Pictures";
}

void loadSettingsFromKey(Settings& settings, SettingsKey& key, const LoadSettingsContext& context) {
    const int n = context.transitionCount;
    if (!key.valueExists("MusicOption")) {
        key.writeString("MusicOption", "0");
        key.writeString("NumMusicDirs", "0");
        key.writeString("CDDrvStr", "");
        key.writeString("CDRandom", "1");
    }
    if (!key.valueExists("CurrentFavDir")) {
        const std::string dir = context.favouritesDefault.empty() ? defaultFavouritesDirectory()
                                                                  : context.favouritesDefault;
        struct stat st {};
        if (::stat(dir.c_str(), &st) != 0) {
            std::error_code ec;  // a failure to create it is ignored; the path is stored anyway
            std::filesystem::create_directories(dir, ec);
        }
        settings.CurrentFavDir = dir;
        key.writeString("CurrentFavDir", dir);
    }
    if (!key.valueExists("RanLocDisp")) key.writeString("RanLocDisp", "0");

    for (std::string_view name : loadOrder()) {
        if (name == kUnnamed) {
            if (key.valueExists("")) (void)key.readString("");  // read and not used
            continue;
        }
        readIfExists(key, settings, name, n);
    }
    // The entries as stored; the picture list build checks which are usable.
    settings.imageDirs = readStoredEntries(key, "ImageDir", "DirSet", settings.Count, kMaxPictureDirs);
    for (std::string_view name : {"MusicOption", "NumMusicDirs", "CDDrvStr", "CDRandom"})
        readIfExists(key, settings, name, n);
    const bool ranLocRead = key.valueExists("RanLocDisp");
    readIfExists(key, settings, "RanLocDisp", n);
    if (settings.MusicOption == 1)
        settings.musicDirs = readStoredEntries(key, "MusicDir", "MusicDirSet", settings.NumMusicDirs, kMaxMusicDirs);
    readIfExists(key, settings, "AutoSubDir", n);

    settings.propLimitFactor = propLimitFactor(settings.PropLimit);
    if (ranLocRead && !settings.RanLocDisp && !settings.Tiled) settings.centred = true;
}

void loadSettings(Settings& settings, const LoadSettingsContext& context) {
    WRegistryKey registry;
    const bool existed = registry.open(RegistryRoot::CurrentUser, kSettingsKeyPath);
    if (!existed) registry.create(RegistryRoot::CurrentUser, kSettingsKeyPath);
    // The defaults and upgrade groups reach the file in one atomic rewrite.
    registry.beginBatch();
    RegistrySettingsKey key(registry);
    if (!existed) writeDefaultSettings(key, context.transitionCount);
    loadSettingsFromKey(settings, key, context);
    registry.commitBatch();
}

void saveSettingsToKey(const Settings& settings, SettingsKey& key, int transitionCount) {
    Settings record = settings;
    record.Count = static_cast<int>(record.imageDirs.size());
    record.NumMusicDirs = static_cast<int>(record.musicDirs.size());
    bool anyTransition = false;
    for (int i = 0; i < transitionCount; ++i)
        anyTransition = anyTransition || record.transitions[static_cast<std::size_t>(i)] != 0;
    if (record.Effects && !anyTransition) record.Effects = false;

    for (std::string_view name : saveOrder()) {
        if (name == kUnnamed) {
            key.writeString("", kUnnamedValueText);
        } else if (name == kImageDirPairs) {
            for (std::size_t i = 0; i < record.imageDirs.size(); ++i) {
                key.writeString(indexed("ImageDir%i", i), record.imageDirs[i].path);
                key.writeString(indexed("DirSet%i", i), writeBoolean(record.imageDirs[i].inUse));
            }
        } else if (name == kMusicDirPairs) {
            for (std::size_t i = 0; i < record.musicDirs.size(); ++i) {
                key.writeString(indexed("MusicDir%i", i), record.musicDirs[i].path);
                key.writeString(indexed("MusicDirSet%i", i), writeBoolean(record.musicDirs[i].inUse));
            }
        } else {
            key.writeString(std::string(name), formatSetting(*findSetting(name), record, transitionCount));
        }
    }
}

bool saveSettings(const Settings& settings, int transitionCount,
                  const std::function<void(const char* title, const char* text)>& showMessage, std::string* failure) {
    if (settings.Duration == 0 && showMessage) showMessage(kManualModeTitle, kManualModeNotice);
    WRegistryKey registry;
    bool saved = registry.create(RegistryRoot::CurrentUser, kSettingsKeyPath);
    if (saved) {
        registry.beginBatch();  // every value in one atomic rewrite
        RegistrySettingsKey key(registry);
        saveSettingsToKey(settings, key, transitionCount);
        saved = registry.commitBatch();
    }
    if (!saved && failure) failure->assign(registry.lastError());
    return saved;
}

void removeAllSettings() {
    // The product key is removed with everything below it: deleting only a key
    // without subkeys would leave "4.0" behind and fail silently.
    for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        WRegistryKey parent;
        if (parent.open(root, "Software\\Quorrin")) parent.deleteSubKeyTree("Orvanta");
    }
}

void writeLastImage(const std::string& path) {
    WRegistryKey registry;
    if (registry.open(RegistryRoot::CurrentUser, kSettingsKeyPath)) registry.writeString("LastImage", path);
}

}  // namespace orvanta
