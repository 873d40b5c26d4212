#pragma once
// The music files of a show: which names are music, which music directories
// are used, and the two passes over them (count, then fill a list of exactly
// that size). Only plain listings are read: no subdirectories, no shortcuts.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/WFilePath.h"
#include "base/WSortableVector.h"
#include "catalogue/directoryscan.h"
#include "settings/settings.h"

namespace orvanta {

// ".wav", ".mid", ".midi", ".rmi", ".mp3" or ".wma", in any letter case.
bool isMusicFile(std::string_view fileName);

// The entries (at most kMaxMusicDirs) that are in use and whose path exists,
// in order. The pump runs between entries; when it reports the show ended
// the result is partial and marked so.
DirectoryListResult usableMusicDirectories(const std::vector<DirectoryEntry>& entries, const PumpEvents& pump);

struct MusicCount {
    std::size_t count = 0;
    bool ended = false;  // the pump reported the show ended; the count is partial
};

// Counts the music entries of the directories' plain listings. The pump runs
// after each directory.
MusicCount countMusicFiles(const std::vector<std::string>& directories, const PumpEvents& pump);

// Appends directory + name for each music entry, no more than limit in all
// (files added since the count are left out). False when the pump reported
// the show ended.
bool fillMusicList(const std::vector<std::string>& directories, std::size_t limit, WSortableVector<WFilePath>& list,
                   const PumpEvents& pump);

}  // namespace orvanta
