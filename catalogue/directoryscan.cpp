#include "catalogue/directoryscan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "base/WString.h"
#include "catalogue/pictureorder.h"

namespace orvanta {

namespace {

std::string joinPath(const std::string& dir, const char* name) {
    std::string p;
    p.reserve(dir.size() + 1 + std::char_traits<char>::length(name));
    p = dir;
    if (p.empty() || p.back() != '/') p += '/';  // appended in place: this runs once per entry
    p += name;
    return p;
}

using DirId = std::pair<dev_t, ino_t>;

// Closes the listing however the walk over it ends (a visitor may throw
// std::bad_alloc, which the build reports as the memory notice).
struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Every entry of the directory but "." and "..", in listing order, with the
// listing's descriptor, until `visit` returns false. False when the
// directory cannot be opened.
template <class Visit>
bool forEachEntry(const std::string& dir, Visit&& visit) {
    const DirHandle d(opendir(dir.c_str()));
    if (!d) return false;
    const int fd = dirfd(d.get());
    while (const dirent* e = readdir(d.get())) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        if (!visit(*e, fd)) break;
    }
    return true;
}

struct Subdirectory {
    std::string name;
    DirId id;
};

// The subdirectories of one directory in listing order, and every entry's
// name for `visit` when one is given (false from it stops the listing and
// sets *stopped). The file system's entry type spares a stat for plain files;
// links and unknown types are looked at through stat so that a link to a
// directory counts as one. With wantChildren false only the visit is made.
std::vector<Subdirectory> subdirectoriesOf(const std::string& dir, bool wantChildren,
                                           const std::function<bool(const char*)>* visit, bool* stopped) {
    std::vector<Subdirectory> out;
    forEachEntry(dir, [&](const dirent& e, int fd) {
        const char* name = e.d_name;
        if (visit && !(*visit)(name)) {
            *stopped = true;
            return false;
        }
        if (!wantChildren) return true;
        if (e.d_type != DT_DIR && e.d_type != DT_LNK && e.d_type != DT_UNKNOWN) return true;
        if (isRecycleFolder(name)) return true;
        struct stat st {};
        if (fstatat(fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode)) out.push_back({name, {st.st_dev, st.st_ino}});
        return true;
    });
    return out;
}

struct Frame {
    std::string path;
    std::vector<Subdirectory> children;
    std::size_t next = 0;
};

}  // namespace

bool pathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool isRecycleFolder(std::string_view name) {
    if (equalsNoCase(name, "$recycle.bin")) return true;
    if (name == ".Trash") return true;
    static constexpr std::string_view kTrashUid = ".Trash-";
    if (name.size() > kTrashUid.size() && name.substr(0, kTrashUid.size()) == kTrashUid) {
        const std::string_view uid = name.substr(kTrashUid.size());
        return std::all_of(uid.begin(), uid.end(), [](char c) { return c >= '0' && c <= '9'; });
    }
    return false;
}

// Depth first with an explicit stack rather than recursion, so that a deep
// tree neither exhausts the call stack nor holds one open listing per level.
// The visited set makes identity a matter of the file system: a directory
// reached again through a link (or chosen twice) is not listed again, which
// is what keeps a link loop from filling the list. Each directory is listed
// once, when it joins the list, even the last one the cap lets in.
Expansion expandSubdirectories(const std::vector<std::string>& directories, std::size_t cap,
                               const ListingVisitor& visit) {
    Expansion result;
    std::vector<std::string>& out = result.directories;
    std::set<DirId> visited;
    std::vector<Frame> stack;
    std::function<bool(const char*)> entry;
    const std::function<bool(const char*)>* entryPointer = visit ? &entry : nullptr;
    // Lists the directory that just joined the list; its children when it
    // will be descended into.
    auto list = [&](const std::string& path, bool wantChildren) {
        const std::size_t index = out.size() - 1;
        if (visit) {
            entry = [&visit, index, &path](const char* name) { return visit(index, path, name); };
            result.listed.resize(out.size(), false);
            result.listed[index] = true;
        }
        return subdirectoriesOf(path, wantChildren, entryPointer, &result.stopped);
    };
    for (const std::string& top : directories) {
        if (out.size() >= cap || result.stopped) break;
        struct stat st {};
        const bool isDir = stat(top.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (isDir && !visited.insert({st.st_dev, st.st_ino}).second) continue;
        out.push_back(top);
        if (!isDir) continue;
        stack.push_back({top, list(top, out.size() < cap), 0});
        while (!stack.empty() && out.size() < cap && !result.stopped) {
            Frame& f = stack.back();
            if (f.next == f.children.size()) {
                stack.pop_back();
                continue;
            }
            const Subdirectory& child = f.children[f.next++];
            if (!visited.insert(child.id).second) continue;
            out.push_back(joinPath(f.path, child.name.c_str()));
            std::string path = out.back();
            std::vector<Subdirectory> grandChildren = list(path, out.size() < cap);
            stack.push_back({std::move(path), std::move(grandChildren), 0});  // f is not used after this
        }
        stack.clear();
    }
    if (visit) result.listed.resize(out.size(), false);
    return result;
}

std::vector<std::string> expandSubdirectories(const std::vector<std::string>& directories, std::size_t cap) {
    return expandSubdirectories(directories, cap, ListingVisitor()).directories;
}

DirectoryListResult sortUniqueDirectories(std::vector<std::string> directories, const PumpEvents& pump,
                                          std::vector<std::size_t>* keptFrom) {
    DirectoryListResult result;
    for (std::size_t i = 0; i < directories.size(); ++i) {
        if (pumpEnded(pump)) {
            result.ended = true;
            return result;
        }
    }
    std::vector<std::size_t> order(directories.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&directories](std::size_t x, std::size_t y) {
        // Spellings that differ only in case are different directories
        // here; ordering them by their bytes keeps exact duplicates next to
        // each other.
        const std::string& a = directories[x];
        const std::string& b = directories[y];
        const int c = comparePicturePaths(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    std::string previous;  // the trimmed single blank the walk starts from
    for (std::size_t i : order) {
        std::string trimmed = trimWhiteSpace(directories[i]);
        if (trimmed == previous) continue;
        previous = std::move(trimmed);
        result.directories.push_back(std::move(directories[i]));
        if (keptFrom) keptFrom->push_back(i);
    }
    return result;
}

bool listDirectory(const std::string& dir, const std::function<bool(const char* name, int fd)>& visit) {
    return forEachEntry(dir, [&](const dirent& e, int fd) { return visit(e.d_name, fd); });
}

}  // namespace orvanta
