#include "catalogue/settingsvaluereader.h"

#include "settings/settingskey.h"

namespace orvanta {

ValueReader settingsValueReader(const SettingsKey& key) {
    return [&key](const std::string& name) -> std::optional<std::string> {
        if (!key.valueExists(name)) return std::nullopt;
        return key.readString(name);
    };
}

}  // namespace orvanta
