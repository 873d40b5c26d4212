#pragma once
// Value readers for the picture list build over the settings key, as the
// start-up load holds it (SettingsKey) or as a registry key (WRegistryKey).
// The key must stay open while the reader is used.
#include "catalogue/directoryscan.h"

namespace orvanta {

class SettingsKey;
class WRegistryKey;

ValueReader settingsValueReader(const SettingsKey& key);
ValueReader settingsValueReader(const WRegistryKey& key);

}  // namespace orvanta
