// Feeds arbitrary bytes to the registry file parser. Whatever parses must
// serialize to text that parses again to the same hive and the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/registrystore.h"

namespace {

bool sameHive(const orvanta::RegistryStore::Hive& a, const orvanta::RegistryStore::Hive& b) {
    if (a.keys.size() != b.keys.size()) return false;
    for (std::size_t k = 0; k < a.keys.size(); ++k)
        if (a.keys[k].name != b.keys[k].name || a.keys[k].values != b.keys[k].values) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using orvanta::RegistryStore;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string root = "HKEY_CURRENT_USER";
    const auto hive = RegistryStore::parse(text, root);
    if (!hive) return 0;
    const std::string once = RegistryStore::serialize(*hive, root);
    const auto again = RegistryStore::parse(once, root);
    if (!again || !sameHive(*hive, *again) || RegistryStore::serialize(*again, root) != once) std::abort();
    return 0;
}
