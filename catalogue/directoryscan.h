#pragma once
// The directory side of the picture list: the chosen directories read from the
// settings key, their subtrees, and plain listings of their entries.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace orvanta {

// Reads one value of the settings key: its text, or nullopt when it is absent.
using ValueReader = std::function<std::optional<std::string>(const std::string& valueName)>;
// Lets pending events run; true when the show has been ended meanwhile.
using PumpEvents = std::function<bool()>;

// True when the path's attributes can be read (stat succeeds, links followed).
bool pathExists(const std::string& path);
// "$RECYCLE.BIN" in any letter case, ".Trash", or ".Trash-" and a user id.
bool isRecycleFolder(std::string_view name);

struct DirectoryListResult {
    std::vector<std::string> directories;
    bool ended = false;  // the pump reported the show ended; the list is partial
};

// ImageDir%i / DirSet%i for i below count (capped at kMaxPictureDirs): keeps an
// entry whose path exists and whose DirSet reads non-zero, in order. The pump
// runs between entries.
DirectoryListResult readDirectoryEntries(int count, const ValueReader& readValue, const PumpEvents& pump);

// Each directory followed at once by its whole subtree, depth first, children
// in listing order. Recycle and trash folders are not entered; links to
// directories are followed, but no directory (device and inode) is listed
// twice, so a link loop adds nothing. Stops at cap entries.
std::vector<std::string> expandSubdirectories(const std::vector<std::string>& directories,
                                              std::size_t cap = kMaxPictureDirs);

// Sorts by the picture path order and removes an entry equal (exactly, after
// trimming blanks) to the one before it. The pump runs after each entry.
DirectoryListResult sortUniqueDirectories(std::vector<std::string> directories, const PumpEvents& pump);

// Calls visit(name) for each entry of a plain listing of dir ("." and ".."
// left out); visit returns false to stop. False when dir cannot be listed.
// fd is the listing's descriptor, for fstatat relative to it.
bool listDirectory(const std::string& dir, const std::function<bool(const char* name, int fd)>& visit);

}  // namespace orvanta
