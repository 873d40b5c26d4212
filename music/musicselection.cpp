#include "music/musicselection.h"

#include <sys/stat.h>

#include <climits>
#include <set>
#include <utility>

#include "base/WFilePath.h"
#include "base/WString.h"
#include "music/musicfiles.h"

namespace orvanta {

std::string musicFileCountText(int count) {
    return "Selected directory has " + std::to_string(count) + " music files.";
}

std::string cdTrackCountText(int count) { return "Selected CD has " + std::to_string(count) + " audio tracks."; }

std::string cdTrackText(int track) { return "Track " + std::to_string(track); }

std::vector<std::string> musicFileNames(const std::string& directory) {
    std::vector<std::string> names;
    listDirectory(withTrailingSlash(trimBlanks(directory)), [&](const char* name, int) {
        if (isMusicFile(name)) names.emplace_back(name);
        return true;
    });
    return names;
}

int musicFileCount(const std::string& directory) {
    const std::size_t n = countMusicFiles({directory}, {}).count;
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

std::string musicFilePath(const std::string& directory, const std::string& name) {
    return withTrailingSlash(trimBlanks(directory)) + name;
}

// The walk keeps a queue of directories still to be listed, so it grows with
// the tree instead of stopping at a fixed number of slots; the set of
// directories seen (by device and inode) is what ends it on link loops.
SubdirectoryWalk musicSubdirectories(const std::string& top, const PumpEvents& pump) {
    SubdirectoryWalk walk;
    std::set<std::pair<dev_t, ino_t>> seen;
    struct stat st {};
    if (::stat(top.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return walk;
    seen.insert({st.st_dev, st.st_ino});
    std::string current = top;
    for (std::size_t next = 0;; ++next) {
        const std::string base = withTrailingSlash(current);
        listDirectory(base, [&](const char* name, int fd) {
            struct stat child {};
            if (::fstatat(fd, name, &child, 0) == 0 && S_ISDIR(child.st_mode) &&
                seen.insert({child.st_dev, child.st_ino}).second)
                walk.directories.push_back(base + name);
            return true;
        });
        if (pump && pump()) {
            walk.ended = true;
            return walk;
        }
        if (next >= walk.directories.size()) return walk;
        current = walk.directories[next];
    }
}

CdTrackList readCdTrackList(CdDrive& cd, const std::string& drive) {
    CdTrackList list;
    list.status = kNoAudioCdText;
    if (!cd.holdsAudioCd(drive)) return list;
    const std::optional<int> count = cd.trackCount(drive);
    if (!count || *count < 1) return list;
    list.usable = true;
    list.trackCount = *count;
    for (int t = 1; t <= *count; ++t) list.items.push_back(cdTrackText(t));
    list.status = cdTrackCountText(*count);
    return list;
}

}  // namespace orvanta
