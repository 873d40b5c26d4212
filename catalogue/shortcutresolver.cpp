#include "catalogue/shortcutresolver.h"

namespace orvanta {

ShortcutResolver shellShortcutResolver(WindowHandle owner) {
    return [owner](const std::string& link) -> std::string {
        std::string target;
        if (resolveShortcut(owner, link, target) == 0) return {};
        if (target.empty() || target.front() != '/') return {};
        return target;
    };
}

}  // namespace orvanta
