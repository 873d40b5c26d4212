#pragma once
// Loading, defaulting and saving the settings key, removing the product key,
// and the end-of-show LastImage write. Write failures at start-up and at the
// end of a show are ignored, as the registry's are; the dialog's save reports
// its failure, so that OK never discards the user's edits unsaved.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"
#include "settings/settingskey.h"

namespace orvanta {

inline constexpr const char* kManualModeTitle = "Manual Slide Show Mode";
extern const char* const kManualModeNotice;

// Writes the unnamed value and every stored default, in the stored order.
void writeDefaultSettings(SettingsKey& key, int transitionCount);

// The entries numbered below `count` (at most `capacity`) whose path value
// ("ImageDir%i", "MusicDir%i") exists, each with its use flag ("DirSet%i",
// "MusicDirSet%i"), which is read without a test of its own.
std::vector<DirectoryEntry> readStoredEntries(SettingsKey& key, const char* pathName, const char* flagName, int count,
                                              int capacity);

// Reads the named value of the settings table into the record when the key
// holds it; nothing otherwise.
void readIfExists(SettingsKey& key, Settings& settings, std::string_view name, int transitionCount);

struct LoadSettingsContext {
    int transitionCount = kTransitionCount;  // 35 with blending, else 34
    // The favourites directory used when CurrentFavDir is absent; created when missing.
    std::string favouritesDefault;
};

// Fills the record from an open settings key: the upgrade groups, then every
// value in the reading order, each only when it exists, then the values
// derived from them (PropLimit factor, centred placement).
void loadSettingsFromKey(Settings& settings, SettingsKey& key, const LoadSettingsContext& context);

// Opens the settings key under HKEY_CURRENT_USER, creating it with the stored
// defaults when it cannot be opened, and loads it.
void loadSettings(Settings& settings, const LoadSettingsContext& context);

// "$HOME/Favorite Pictures" (HOME from the environment, else the passwd entry).
std::string defaultFavouritesDirectory();

// Writes the record in the stored order. Effects is stored as 0 when no
// transition is switched on; Count and NumMusicDirs follow the lists.
void saveSettingsToKey(const Settings& settings, SettingsKey& key, int transitionCount);
// The dialog's OK: shows the manual-mode notice first when Duration is 0, then
// creates or opens the key and saves every value in one atomic rewrite. False
// when the file was not written, with `failure` (when given) set to
// "<file>: <reason>".
bool saveSettings(const Settings& settings, int transitionCount,
                  const std::function<void(const char* title, const char* text)>& showMessage,
                  std::string* failure = nullptr);

// Removes the product key "Software\Quorrin\Orvanta" with all its subkeys
// under both hives; failures are ignored.
void removeAllSettings();

// Writes LastImage when the settings key opens; nothing otherwise.
void writeLastImage(const std::string& path);

}  // namespace orvanta
