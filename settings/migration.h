#pragma once
// Settings of earlier versions. They lived in sibling keys of the settings
// key ("Software\Quorrin\Orvanta\1.3" ... "3.0"). Each time the settings
// dialog opens, every such key is removed; while the settings key does not
// exist yet, the oldest earlier key present supplies its values, with fill-ins
// for what that version did not store.
#include <string>

#include "settings/settings.h"

namespace orvanta {

struct MigrationContext {
    int transitionCount = kTransitionCount;  // 35 with the blend transition, else 34
    std::string firstCdDrive;                // the dialog's first CD drive, "" when none
};

// Deletes the 1.x keys, then reads 2.0, 2.2, 2.3, 2.4 and 3.0 in this order
// into `record` (each value only when it exists), deletes each and, when the
// settings key is still missing, creates it from that version. Registry
// failures are ignored. CurrentFavDir and RanLocDisp are not written: the
// dialog's load adds them.
void migrateSettings(Settings& record, const MigrationContext& context);

}  // namespace orvanta
