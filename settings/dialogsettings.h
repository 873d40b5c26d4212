#pragma once
// The settings dialog's side of the settings key: it migrates earlier
// versions, creates the key with the dialog's defaults when none exists,
// writes the follow-up groups an older key lacks, and reads every value into
// the dialog's own record.
#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings/settingskey.h"

namespace orvanta {

struct DialogLoadContext {
    int transitionCount = kTransitionCount;  // 35 with the blend transition, else 34
    std::string firstCdDrive;                // first entry of the dialog's CD drive list, "" when none
    std::string favouritesDefault;           // CurrentFavDir when absent; "" for "$HOME/Favorite Pictures"
};

// The dialog's creation of the key: the stored defaults in their order, with
// CDDrvStr the first CD drive, then LastAddedDir and LastMusicDir, both empty.
void writeDialogDefaultSettings(SettingsKey& key, const DialogLoadContext& context);

// Follow-up groups, then every value that exists (the directory and music
// directory entries included, whatever the music option), into `record`.
void loadDialogSettingsFromKey(Settings& record, SettingsKey& key, const DialogLoadContext& context);

// Migration, then the settings key opened (created when missing) and loaded.
void loadDialogSettings(Settings& record, const DialogLoadContext& context);

}  // namespace orvanta
