#pragma once
// The file system side of a store that one user's processes share: reading a
// file without ever blocking, an exclusive lock that is private to the user
// and waited on for a bounded time only, and replacing the file atomically,
// through a symbolic link when the file is one.
#include <chrono>
#include <cstddef>
#include <string>

#include <sys/types.h>

namespace orvanta {

enum class FileRead { Ok, Missing, TooBig, Error };

// Reads a regular file whole. A FIFO, device or directory in its place is an
// Error (never waited on); a file above `limit` bytes is TooBig. `out` is
// empty unless Ok.
FileRead readWholeFile(const std::string& path, std::size_t limit, std::string& out);

// The path a symbolic link at `path` finally names (relative links resolved
// against the folder of the link), or `path` itself when it is not a link.
// A dangling link gives the missing path it names.
std::string resolveLinks(const std::string& path);

// Writes `text` to a temporary file beside the file that `path` names
// (through symbolic links), syncs it and renames it over that file, so that
// a crash leaves either the old or the new file, complete, and a link stays a
// link. The file keeps its mode; a new one gets `newMode`.
bool replaceFileAtomically(const std::string& path, const std::string& text, mode_t newMode);

// Removes the temporary files that a writer killed inside
// replaceFileAtomically left beside the file `path` names. Call it only under
// the lock, when no live writer can own one.
void removeLeftoverTemporaries(const std::string& path);

// Renames the file `path` names to "<name>.damaged-YYYYMMDD-HHMMSS" ("-N"
// added when that exists), beside it; false when it could not be moved.
bool moveFileAside(const std::string& path);

// An exclusive advisory lock on a lock file, released when the object goes.
// The lock file is made mode 0600 and must belong to the user; when
// `privateDirectory` is set, its folder is created (or narrowed) to 0700, so
// that no other user can open the file and hold the lock.
class FileLock {
public:
    enum class Result { Acquired, Busy, Failed };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the lock file's folder when `createDirectory` is set. Busy when
    // another process held the lock for the whole of `wait`.
    Result acquire(const std::string& lockPath, std::chrono::milliseconds wait, bool createDirectory,
                   bool privateDirectory);
    // Gives the lock up (closing its descriptor); nothing when not held.
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace orvanta
