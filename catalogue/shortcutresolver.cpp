#include "catalogue/shortcutresolver.h"

#include "desktop/shelllink.h"

namespace orvanta {

ShortcutResolver shellShortcutResolver() {
    return [](const std::string& link) -> std::string {
        std::string target;
        if (resolveShortcut(link, target) == 0) return {};
        if (target.empty() || target.front() != '/') return {};
        return target;
    };
}

}  // namespace orvanta
