#include "config/picturefolder.h"

#include <cstdio>

#include "catalogue/directoryscan.h"
#include "catalogue/pictureorder.h"
#include "catalogue/shortcutresolver.h"

namespace orvanta {

std::string withSlash(const std::string& folder) {
    return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

std::string pictureTarget(const std::string& path) {
    if (entryKind(path) != EntryKind::Shortcut) return path;
    const std::string target = shellShortcutResolver()(path);
    return target.empty() ? path : target;
}

std::vector<std::string> picturesInFolder(const std::string& folder) {
    std::vector<std::string> names;
    const std::string base = withSlash(folder);
    const ShortcutResolver resolve = shellShortcutResolver();
    listDirectory(base, [&](const char* name, int) {
        switch (entryKind(name)) {
        case EntryKind::Picture:
            if (!isPairedRaw(base, name)) names.emplace_back(name);
            break;
        case EntryKind::Shortcut:
            // A shortcut counts by its target; one that does not resolve is not a picture.
            if (const std::string target = resolve(base + name);
                !target.empty() && entryKind(target) == EntryKind::Picture)
                names.emplace_back(name);
            break;
        case EntryKind::Other: break;
        }
        return true;
    });
    return names;
}

std::string pictureCountText(int count) {
    char text[64];
    std::snprintf(text, sizeof text, "Selected directory has %i pictures.", count);
    return text;
}

}  // namespace orvanta
