// Feeds arbitrary bytes to the registry file parser. Whatever it reads must
// be written as text that reads back to the same hive and is written the
// same again: kept lines stay kept, values keep their form and text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/registryformat.h"

namespace {

using namespace orvanta;

bool sameValue(const RegistryValue& a, const RegistryValue& b) {
    return a.name == b.name && a.text == b.text && a.form == b.form && a.dword == b.dword && a.hexType == b.hexType &&
           a.bytes == b.bytes && a.trailer == b.trailer;
}

bool sameHive(const RegistryHive& a, const RegistryHive& b) {
    if (a.leading != b.leading || a.sections.size() != b.sections.size()) return false;
    for (std::size_t k = 0; k < a.sections.size(); ++k) {
        const RegistrySection& x = a.sections[k];
        const RegistrySection& y = b.sections[k];
        if (x.name != y.name || x.foreign != y.foreign || x.values.size() != y.values.size() ||
            x.kept.size() != y.kept.size())
            return false;
        for (std::size_t v = 0; v < x.values.size(); ++v)
            if (!sameValue(x.values[v], y.values[v])) return false;
        for (std::size_t l = 0; l < x.kept.size(); ++l)
            if (x.kept[l].line != y.kept[l].line ||
                std::min(x.kept[l].beforeValue, x.values.size()) != std::min(y.kept[l].beforeValue, y.values.size()))
                return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string root = "HKEY_CURRENT_USER";
    const ParsedRegistryFile first = parseRegistryFile(bytes, root);
    if (!first.recognised) return 0;
    const std::string once = formatRegistryFile(first.hive, root);
    const ParsedRegistryFile again = parseRegistryFile(once, root);
    if (!again.recognised || !sameHive(first.hive, again.hive) || formatRegistryFile(again.hive, root) != once)
        std::abort();
    return 0;
}
