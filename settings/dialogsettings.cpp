#include "settings/dialogsettings.h"

#include <algorithm>

#include "base/WRegistryKey.h"
#include "settings/encodings.h"
#include "settings/migration.h"
#include "settings/settingsstore.h"
#include "settings/settingstable.h"

namespace orvanta {

namespace {

// Passes writes on, putting the dialog's first CD drive in place of the
// stored default of CDDrvStr (in the defaults and in the music group that
// an older key lacks).
class DialogDefaultsKey : public SettingsKey {
public:
    DialogDefaultsKey(SettingsKey& key, const std::string& cdDrive) : key_(key), cdDrive_(cdDrive) {}
    bool valueExists(const std::string& name) const override { return key_.valueExists(name); }
    std::string readString(const std::string& name) const override { return key_.readString(name); }
    void writeString(const std::string& name, const std::string& value) override {
        key_.writeString(name, name == "CDDrvStr" ? cdDrive_ : value);
    }

private:
    SettingsKey& key_;
    const std::string& cdDrive_;
};

}  // namespace

void writeDialogDefaultSettings(SettingsKey& key, const DialogLoadContext& context) {
    DialogDefaultsKey defaults(key, context.firstCdDrive);
    writeDefaultSettings(defaults, context.transitionCount);
    key.writeString("LastAddedDir", "");
    key.writeString("LastMusicDir", "");
}

void loadDialogSettingsFromKey(Settings& record, SettingsKey& key, const DialogLoadContext& context) {
    if (!key.valueExists("CaptionFont")) {
        key.writeString("CaptionFont", "14.Times New Roman.Bold");
        key.writeString("CaptionColor", "255255255");
        key.writeString("CaptionBackColor", "  0  0  0");
        key.writeString("CaptionTrans", "1");
    }
    // The remaining groups (music, CurrentFavDir, RanLocDisp) and the show's
    // reading; a music group written here names the dialog's first CD drive.
    LoadSettingsContext show;
    show.transitionCount = context.transitionCount;
    show.favouritesDefault = context.favouritesDefault;
    DialogDefaultsKey withDialogDrive(key, context.firstCdDrive);
    loadSettingsFromKey(record, withDialogDrive, show);
    // What only the dialog edits: the entries as stored (not only those in
    // use), the music directories whatever the music option, the last
    // directories added.
    record.imageDirs = readStoredEntries(key, "ImageDir", "DirSet", record.Count, kMaxPictureDirs);
    record.Count = static_cast<int>(record.imageDirs.size());
    record.NumMusicDirs = std::max(0, record.NumMusicDirs);
    record.musicDirs = readStoredEntries(key, "MusicDir", "MusicDirSet", record.NumMusicDirs, kMaxMusicDirs);
    record.NumMusicDirs = static_cast<int>(record.musicDirs.size());
    readIfExists(key, record, "LastAddedDir", context.transitionCount);
    readIfExists(key, record, "LastMusicDir", context.transitionCount);
}

void loadDialogSettings(Settings& record, const DialogLoadContext& context) {
    MigrationContext migration;
    migration.transitionCount = context.transitionCount;
    migration.firstCdDrive = context.firstCdDrive;
    migrateSettings(record, migration);

    WRegistryKey registry;
    const bool existed = registry.open(RegistryRoot::CurrentUser, kSettingsKeyPath);
    if (!existed && !registry.create(RegistryRoot::CurrentUser, kSettingsKeyPath)) {
        // Nothing can be stored: the pages show the dialog's initial values.
        return;
    }
    registry.beginBatch();  // defaults and follow-up groups in one rewrite
    RegistrySettingsKey key(registry);
    if (!existed) writeDialogDefaultSettings(key, context);
    loadDialogSettingsFromKey(record, key, context);
    registry.commitBatch();
}

}  // namespace orvanta
