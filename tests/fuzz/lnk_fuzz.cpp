// Shortcut files found in picture folders come from anywhere: parse arbitrary
// bytes and check that a target is reported exactly when attributes are.
#include "desktop/shelllink.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string target;
    const std::uint32_t attributes = orvanta::parseShortcut(data, size, target);
    if ((attributes != 0) != !target.empty()) std::abort();
    std::string description;
    orvanta::shortcutDescription(data, size, description);
    return 0;
}
