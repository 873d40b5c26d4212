#include "music/musicfiles.h"

#include <algorithm>

#include "base/WFilePath.h"
#include "base/WString.h"

namespace orvanta {

namespace {

// The listing form of a music directory: trimmed, with a trailing "/".
std::string listingBase(const std::string& dir) { return withTrailingSlash(trimBlanks(dir)); }

}  // namespace

bool isMusicFile(std::string_view fileName) {
    const std::string e = lowerExtension(fileName);
    return e == ".wav" || e == ".mid" || e == ".midi" || e == ".rmi" || e == ".mp3" || e == ".wma";
}

DirectoryListResult usableMusicDirectories(const std::vector<DirectoryEntry>& entries, const PumpEvents& pump) {
    DirectoryListResult result;
    const std::size_t n = std::min(entries.size(), static_cast<std::size_t>(kMaxMusicDirs));
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && pumpEnded(pump)) {
            result.ended = true;
            return result;
        }
        const DirectoryEntry& entry = entries[i];
        if (entry.inUse && pathExists(entry.path)) result.directories.push_back(entry.path);
    }
    return result;
}

MusicCount countMusicFiles(const std::vector<std::string>& directories, const PumpEvents& pump) {
    MusicCount result;
    for (const std::string& dir : directories) {
        listDirectory(listingBase(dir), [&](const char* name, int) {
            if (isMusicFile(name)) ++result.count;
            return true;
        });
        if (pumpEnded(pump)) {
            result.ended = true;
            return result;
        }
    }
    return result;
}

bool fillMusicList(const std::vector<std::string>& directories, std::size_t limit, WSortableVector<WFilePath>& list,
                   const PumpEvents& pump) {
    for (const std::string& dir : directories) {
        if (list.size() >= limit) break;
        const std::string base = listingBase(dir);
        listDirectory(base, [&](const char* name, int) {
            if (!isMusicFile(name)) return true;
            list.append(WFilePath(base + name));
            return list.size() < limit;
        });
        if (pumpEnded(pump)) return false;
    }
    return true;
}

}  // namespace orvanta
