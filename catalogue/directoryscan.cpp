#include "framework/WString.h"
#include "catalogue/directoryscan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "catalogue/pictureorder.h"

namespace orvanta {

namespace {

bool pumpSaysEnded(const PumpEvents& pump) { return pump && pump(); }

std::string joinPath(const std::string& dir, const char* name) {
    std::string p;
    p.reserve(dir.size() + 1 + std::char_traits<char>::length(name));
    p = dir;
    if (p.empty() || p.back() != '/') p += '/';
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

struct Subdirectory {
    std::string name;
    DirId id;
};

// The subdirectories of one directory in listing order. The file system's
// entry type spares a stat for plain files; links and unknown types are
// looked at through stat so that a link to a directory counts as one.
std::vector<Subdirectory> subdirectoriesOf(const std::string& dir) {
    std::vector<Subdirectory> out;
    const DirHandle d(opendir(dir.c_str()));
    if (!d) return out;
    const int fd = dirfd(d.get());
    while (const dirent* e = readdir(d.get())) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        if (e->d_type != DT_DIR && e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
        if (isRecycleFolder(name)) continue;
        struct stat st {};
        if (fstatat(fd, name, &st, 0) != 0 || !S_ISDIR(st.st_mode)) continue;
        out.push_back({name, {st.st_dev, st.st_ino}});
    }
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
    static constexpr std::string_view kRecycle = "$recycle.bin";
    if (name.size() == kRecycle.size() &&
        std::equal(name.begin(), name.end(), kRecycle.begin(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
        }))
        return true;
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
// is what keeps a link loop from filling the list.
std::vector<std::string> expandSubdirectories(const std::vector<std::string>& directories, std::size_t cap) {
    std::vector<std::string> out;
    std::set<DirId> visited;
    std::vector<Frame> stack;
    for (const std::string& top : directories) {
        if (out.size() >= cap) break;
        struct stat st {};
        const bool isDir = stat(top.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (isDir && !visited.insert({st.st_dev, st.st_ino}).second) continue;
        out.push_back(top);
        if (!isDir) continue;
        stack.push_back({top, subdirectoriesOf(top), 0});
        while (!stack.empty() && out.size() < cap) {
            Frame& f = stack.back();
            if (f.next == f.children.size()) {
                stack.pop_back();
                continue;
            }
            const Subdirectory& child = f.children[f.next++];
            if (!visited.insert(child.id).second) continue;
            std::string path = joinPath(f.path, child.name.c_str());
            out.push_back(path);
            if (out.size() >= cap) break;
            std::vector<Subdirectory> grandChildren = subdirectoriesOf(path);
            stack.push_back({std::move(path), std::move(grandChildren), 0});  // f is not used after this
        }
        stack.clear();
    }
    return out;
}

DirectoryListResult sortUniqueDirectories(std::vector<std::string> directories, const PumpEvents& pump) {
    DirectoryListResult result;
    for (std::size_t i = 0; i < directories.size(); ++i) {
        if (pumpSaysEnded(pump)) {
            result.ended = true;
            return result;
        }
    }
    std::sort(directories.begin(), directories.end(),
              [](const std::string& a, const std::string& b) {
                  // Spellings that differ only in case are different directories
                  // here; ordering them by their bytes keeps exact duplicates
                  // next to each other.
                  const int c = comparePicturePaths(a, b);
                  return c != 0 ? c < 0 : a < b;
              });
    std::string previous;  // the trimmed single blank the walk starts from
    for (std::string& dir : directories) {
        std::string trimmed = trimWhiteSpace(dir);
        if (trimmed == previous) continue;
        previous = std::move(trimmed);
        result.directories.push_back(std::move(dir));
    }
    return result;
}

bool listDirectory(const std::string& dir, const std::function<bool(const char* name, int fd)>& visit) {
    const DirHandle d(opendir(dir.c_str()));
    if (!d) return false;
    const int fd = dirfd(d.get());
    while (const dirent* e = readdir(d.get())) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        if (!visit(name, fd)) break;
    }
    return true;
}

}  // namespace orvanta
