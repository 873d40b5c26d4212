// Kept apart from the SettingsKey reader so that a program that never opens
// the registry does not link the registry store.
#include "catalogue/settingsvaluereader.h"
#include "framework/WRegistryKey.h"

namespace orvanta {

ValueReader settingsValueReader(const WRegistryKey& key) {
    return [&key](const std::string& name) -> std::optional<std::string> {
        if (!key.valueExists(name)) return std::nullopt;
        return key.readString(name);
    };
}

}  // namespace orvanta
