#pragma once
// The three registry operations the settings logic needs, so that the orders
// of reads and writes can be observed in tests; RegistrySettingsKey puts them
// on an open WRegistryKey.
#include <string>

#include "base/WRegistryKey.h"

namespace orvanta {

class SettingsKey {
public:
    virtual ~SettingsKey() = default;
    virtual bool valueExists(const std::string& name) const = 0;
    virtual std::string readString(const std::string& name) const = 0;
    // Write failures are ignored by every caller, as the registry's are.
    virtual void writeString(const std::string& name, const std::string& value) = 0;
};

class RegistrySettingsKey : public SettingsKey {
public:
    explicit RegistrySettingsKey(WRegistryKey& key) : key_(key) {}
    bool valueExists(const std::string& name) const override { return key_.valueExists(name); }
    std::string readString(const std::string& name) const override { return key_.readString(name); }
    void writeString(const std::string& name, const std::string& value) override { key_.writeString(name, value); }

private:
    WRegistryKey& key_;
};

}  // namespace orvanta
