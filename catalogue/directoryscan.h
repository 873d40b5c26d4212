#pragma once
// The directory side of the picture list: the chosen directories' subtrees,
// and plain listings of their entries.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace orvanta {

// Lets pending events run; true when the show has been ended meanwhile.
using PumpEvents = std::function<bool()>;
// Runs the pump, when there is one; true when the show has been ended.
inline bool pumpEnded(const PumpEvents& pump) { return pump && pump(); }

// True when the path's attributes can be read (stat succeeds, links followed).
bool pathExists(const std::string& path);
// "$RECYCLE.BIN" in any letter case, ".Trash", or ".Trash-" and a user id.
bool isRecycleFolder(std::string_view name);

struct DirectoryListResult {
    std::vector<std::string> directories;
    bool ended = false;  // the pump reported the show ended; the list is partial
};

// Each directory followed at once by its whole subtree, depth first, children
// in listing order. Recycle and trash folders are not entered; links to
// directories are followed, but no directory (device and inode) is listed
// twice, so a link loop adds nothing. Stops at cap entries.
std::vector<std::string> expandSubdirectories(const std::vector<std::string>& directories,
                                              std::size_t cap = kMaxPictureDirs);

// Sees every entry ("." and ".." left out) of every directory the expansion
// lists: the directory's index in the expanded list, its path as listed, the
// entry's name. False stops the expansion.
using ListingVisitor = std::function<bool(std::size_t directory, const std::string& path, const char* name)>;

struct Expansion {
    std::vector<std::string> directories;  // as expandSubdirectories gives them
    std::vector<bool> listed;              // with a visitor: which were listed (a chosen path that is no
                                           // directory is not)
    bool stopped = false;                  // the visitor stopped it; the list is partial
};

// The expansion, listing each directory only once for both its children and
// the visitor, so that a caller that looks at every entry needs no listing of
// its own.
Expansion expandSubdirectories(const std::vector<std::string>& directories, std::size_t cap,
                               const ListingVisitor& visit);

// Sorts by the picture path order and removes an entry equal (exactly, after
// trimming blanks) to the one before it. The pump runs after each entry. With
// keptFrom, the index in `directories` of each kept entry is appended to it.
DirectoryListResult sortUniqueDirectories(std::vector<std::string> directories, const PumpEvents& pump,
                                          std::vector<std::size_t>* keptFrom = nullptr);

// Calls visit(name) for each entry of a plain listing of dir ("." and ".."
// left out); visit returns false to stop. False when dir cannot be listed.
// fd is the listing's descriptor, for fstatat relative to it.
bool listDirectory(const std::string& dir, const std::function<bool(const char* name, int fd)>& visit);

}  // namespace orvanta
